#include "support/delivery.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace exifkit::test {

namespace {

char groupletter(int level)
{
    return level == LVL_CAMERA ? 'c' : level == LVL_IMAGE ? 'i' : level == LVL_VERBOSE ? 'o' : 'u';
}

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
    for (const std::string& l : lines)
        if (l[0] == g)
            out.push_back(l);
    return out;
}

Delivered delivered(const Metadata& m)
{
    Delivered d;
    d.result = m.result;
    d.error = m.error.value_or("");
    for (const Group& g : m.groups)
        for (const Property& p : g.properties)
            d.lines.push_back(std::string{groupletter(g.level), ' '} + std::string(p.name) + "=" + p.value);
    for (const Warning& w : m.warnings)
        d.warnings.push_back("w " + w.message + (w.detail ? " (" + *w.detail + ")" : ""));
    return d;
}

Delivered readjpeg(const bytes& jpeg, bool trace)
{
    std::FILE* out = trace ? std::tmpfile() : nullptr;
    Delivered d = delivered(readMetadata(jpeg.data(), jpeg.size(), out));
    if (out) {
        std::rewind(out);
        char chunk[4096];
        while (std::size_t n = std::fread(chunk, 1, sizeof chunk, out))
            d.trace.append(chunk, n);
        std::fclose(out);
    }
    return d;
}

Delivered readblock(const bytes& exif, bool trace)
{
    return readjpeg(minimaljpeg({exif}), trace);
}

void expect(const Delivered& d, const strings& want, const std::string& what)
{
    std::string all;
    for (const std::string& l : d.lines)
        all += "\n  " + l;
    for (const std::string& w : d.warnings)
        all += "\n  " + w;
    SCOPED_TRACE(what + "\ndelivered:" + all);
    strings warnings, shown;
    bool anywarnings = false, exact = false;
    for (const std::string& w : want) {
        auto found = [&](const std::string& line) {
            return std::any_of(d.lines.begin(), d.lines.end(), [&](const std::string& l) { return matches(l, line); });
        };
        if (w == "-")
            EXPECT_TRUE(d.lines.empty() && d.result == EXIF_NONE) << "expected nothing delivered";
        else if (w == "w*")
            anywarnings = true;
        else if (w == "==")
            exact = true;
        else if (w.rfind("w ", 0) == 0)
            warnings.push_back(w);
        else if (w[0] == '!' && w.size() > 2 && w[2] == ' ')
            EXPECT_FALSE(found(w.substr(1))) << w;
        else if (w[0] == '!')
            EXPECT_EQ(d[w.substr(1)], "<none>") << w;
        else
            EXPECT_TRUE(found(w)) << w;
        if (w[0] != '!' && w != "-" && w != "==" && w.rfind("w", 0) != 0)
            shown.push_back(w);
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
    b.dir();
    return b.note(EXIF, NOTE, text(noteheader));
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
