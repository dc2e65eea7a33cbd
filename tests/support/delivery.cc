#include "support/delivery.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace exifkit::test {

namespace {

bool number(const std::string& v)
{
    const std::size_t digits = v.size() - (!v.empty() && v[0] == '-');
    return digits > 0 && std::all_of(v.end() - static_cast<long>(digits), v.end(), ::isdigit);
}

// A delivered line against an expected one: "#" stands for a bare number, "*"
// for any value, a group "?" for any group.
bool matches(const std::string& line, std::string want)
{
    if (!want.empty() && want[0] == '?' && !line.empty())
        want[0] = line[0];
    const std::size_t eq = want.size() - 1;
    if (want.size() > 1 && want[eq - 1] == '=' && (want[eq] == '#' || want[eq] == '*'))
        return line.compare(0, eq, want, 0, eq) == 0 && (want[eq] == '*' || number(line.substr(eq)));
    return line == want;
}

}  // namespace

std::string Delivered::operator[](const std::string& name) const
{
    for (const std::string& l : lines)
        if (l.compare(2, name.size() + 1, name + "=") == 0)
            return l.substr(name.size() + 3);
    return "<none>";
}

strings Delivered::group(char g) const
{
    strings out;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(out), [g](const std::string& l) { return l[0] == g; });
    return out;
}

Metadata textsof(const Metadata& m)
{
    Metadata texts;
    texts.result = m.result;
    texts.oserror = m.oserror;
    texts.error = m.error;
    texts.warnings = m.warnings;
    texts.frame = m.frame;
    for (const Group& g : m.groups) {
        texts.groups.push_back(Group{g.level, {}});
        for (const Property& p : g.properties)
            texts.groups.back().properties.push_back(textproperty(p.name, p.text, g.level));
    }
    return texts;
}

Delivered delivered(const Metadata& m)
{
    Delivered d;
    d.result = m.result;
    d.error = m.error.value_or("");
    for (const Group& g : m.groups) {
        const char letter = g.level == LVL_CAMERA ? 'c' : g.level == LVL_IMAGE ? 'i' : g.level == LVL_VERBOSE ? 'o' : 'u';
        for (const Property& p : g.properties)
            d.lines.push_back(std::string{letter, ' '} + std::string(p.name) + "=" + p.text);
    }
    for (const Warning& w : m.warnings)
        d.warnings.push_back("w " + w.message + (w.detail ? " (" + *w.detail + ")" : ""));
    return d;
}

std::string readclose(std::FILE* f)
{
    std::string text(static_cast<std::size_t>(std::ftell(f)), '\0');
    std::rewind(f);
    text.resize(std::fread(text.data(), 1, text.size(), f));
    std::fclose(f);
    return text;
}

Delivered readjpeg(const bytes& jpeg, bool trace)
{
    std::FILE* out = trace ? std::tmpfile() : nullptr;
    Delivered d = delivered(readMetadata(jpeg.data(), jpeg.size(), out));
    d.trace = out ? readclose(out) : "";
    return d;
}

void expect(const Delivered& d, const strings& want, const std::string& what)
{
    std::string all;
    for (const strings* list : {&d.lines, &d.warnings})
        for (const std::string& l : *list)
            all += "\n  " + l;
    SCOPED_TRACE(what + "\ndelivered:" + all);
    const auto found = [&](const std::string& w) {
        return std::any_of(d.lines.begin(), d.lines.end(), [&](const std::string& l) { return matches(l, w); });
    };
    strings warnings, shown;
    bool anywarnings = false, exact = false;
    for (const std::string& w : want) {
        if (w == "-")
            EXPECT_TRUE(d.lines.empty() && d.result == EXIF_NONE) << "expected nothing delivered";
        else if (w == "w*")
            anywarnings = true;
        else if (w == "==")
            exact = true;
        else if (w.rfind("w ", 0) == 0)
            warnings.push_back(w);
        else if (w[0] == '!')
            EXPECT_FALSE(w.size() > 2 && w[2] == ' ' ? found(w.substr(1)) : d[w.substr(1)] != "<none>") << w;
        else {
            EXPECT_TRUE(found(w)) << w;
            shown.push_back(w);
        }
    }
    if (exact) {
        EXPECT_EQ(d.lines.size(), shown.size()) << "expected exactly the lines listed";
        for (std::size_t i = 0; i < std::min(d.lines.size(), shown.size()); i++) {
            EXPECT_TRUE(matches(d.lines[i], shown[i])) << "line " << i << " is not " << shown[i];
        }
    }
    if (!anywarnings) {
        EXPECT_EQ(d.warnings, warnings);
    }
}

TiffBuilder camera(int order, const std::string& make)
{
    TiffBuilder b(order);
    b.dir();
    b.dir();
    if (!make.empty())
        b.ascii(IFD0, 0x010F, make);
    return b.pointer(IFD0, 0x8769, EXIF);
}

TiffBuilder withnote(int order, const std::string& make, const std::string& noteheader)
{
    TiffBuilder b = camera(order, make);
    return b.note(EXIF, b.dir(), text(noteheader));
}

void put(TiffBuilder& b, const Entries& entries)
{
    for (const auto& [dir, tag, type, v, s] : entries) {
        const auto t = static_cast<std::uint16_t>(type);
        std::vector<std::pair<std::uint32_t, std::uint32_t>> pairs;
        for (std::size_t i = 0; i + 1 < v.size(); i += 2)
            pairs.emplace_back(v[i], v[i + 1]);
        if (type & RAW)
            b.raw(dir, tag, t, v.at(0), v.at(1));
        else if (t == ASCII)
            b.ascii(dir, tag, s);
        else if (t == SHORT || t == SSHORT)
            b.shorts(dir, tag, std::vector<std::uint16_t>(v.begin(), v.end()), t);
        else if (t == LONG || t == TYPE_SLONG)
            b.longs(dir, tag, v, t);
        else if (t == RATIONAL || t == SRATIONAL)
            b.rationals(dir, tag, pairs, t);
        else
            b.undefined(dir, tag, s.empty() ? bytes(v.begin(), v.end()) : text(s), t);
    }
}

void expectcases(const Base& base, const std::vector<Case>& cases)
{
    for (int order : {ORDER_LITTLE, ORDER_BIG})
        for (std::size_t i = 0; i < cases.size(); i++) {
            TiffBuilder b = base(order);
            cases[i].fill(b);
            expect(readblock(b.exif()), cases[i].want,
                   "case " + std::to_string(i) + (order == ORDER_BIG ? ", big-endian" : ", little-endian"));
        }
}

}  // namespace exifkit::test
