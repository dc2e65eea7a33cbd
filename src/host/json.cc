// The JSON forms of a read's result.
#include "exifkit/json.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include "host/typed.h"

namespace exifkit {
namespace {

// Appends the escape of a character that JSON does not allow raw in a string,
// or nothing (returning false) for one that may stand as it is.
bool appendescape(std::string& out, unsigned char c)
{
    switch (c) {
    case '"': out += "\\\""; return true;
    case '\\': out += "\\\\"; return true;
    case '\b': out += "\\b"; return true;
    case '\f': out += "\\f"; return true;
    case '\n': out += "\\n"; return true;
    case '\r': out += "\\r"; return true;
    case '\t': out += "\\t"; return true;
    default: break;
    }
    if (c >= 0x20)
        return false;
    char code[8];
    std::snprintf(code, sizeof code, "\\u%04X", c);
    out += code;
    return true;
}

// Appends a quoted JSON string: a UTF-8 text passes unchanged apart from the
// escapes; an ISO 8859-1 one has its upper half written as UTF-8. Runs that
// need neither pass at once.
void appendquoted(std::string& out, std::string_view text, bool latin1)
{
    out += '"';
    std::size_t from = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x20 && byte != '"' && byte != '\\' && (byte < 0x80 || !latin1))
            continue;
        out.append(text, from, i - from);
        if (!appendescape(out, byte))
            detail::appendlatin1(out, byte);
        from = i + 1;
    }
    out.append(text, from, text.size() - from);
    out += '"';
}

void appendjsonutf8(std::string& out, std::string_view text)
{
    appendquoted(out, text, false);
}

// Written out by hand: the standard's integer formatting is a template whose
// instances the shared library would export.
void appendnumber(std::string& out, std::int64_t n)
{
    char digits[24];
    char* at = digits + sizeof digits;
    // Negated as unsigned, so that the most negative number has its digits.
    std::uint64_t rest = n < 0 ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
    do {
        *--at = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest);
    if (n < 0)
        *--at = '-';
    out.append(at, digits + sizeof digits);
}

void appendtextornull(std::string& out, const std::optional<std::string>& text)
{
    if (text)
        appendJSONLatin1(out, *text);
    else
        out += "null";
}

// The warnings as an array of pairs: [message, detail] in the flat form,
// {"message", "detail"} objects in the structured one.
void appendwarnings(std::string& out, const std::vector<Warning>& warnings, bool objects)
{
    out += '[';
    for (std::size_t i = 0; i < warnings.size(); ++i) {
        if (i)
            out += ", ";
        out += objects ? "{\"message\": " : "[";
        appendJSONLatin1(out, warnings[i].message);
        out += objects ? ", \"detail\": " : ", ";
        appendtextornull(out, warnings[i].detail);
        out += objects ? '}' : ']';
    }
    out += ']';
}

void appendframe(std::string& out, const std::optional<Frame>& f)
{
    if (!f) {
        out += "null";
        return;
    }
    out += "{\"precision\": ";
    appendnumber(out, f->precision);
    out += ", \"components\": ";
    appendnumber(out, f->components);
    out += ", \"height\": ";
    appendnumber(out, f->height);
    out += ", \"width\": ";
    appendnumber(out, f->width);
    out += '}';
}

// The members both forms share: result, error, warnings and frame.
void appendoutcome(std::string& out, const Metadata& m, bool structured)
{
    out += ", \"result\": ";
    appendnumber(out, m.result);
    out += ", \"error\": ";
    appendtextornull(out, m.error);
    out += ", \"warnings\": ";
    appendwarnings(out, m.warnings, structured);
    out += ", \"frame\": ";
    appendframe(out, m.frame);
}

// The properties of all groups in one array, each with its group's level.
void appendproperties(std::string& out, const std::vector<Group>& groups)
{
    out += '[';
    bool first = true;
    for (const Group& g : groups)
        for (const Property& p : g.properties) {
            out += first ? "[" : ", [";
            first = false;
            appendnumber(out, g.level);
            out += ", ";
            appendJSONLatin1(out, p.name);
            out += ", ";
            appendJSONLatin1(out, p.text);
            out += ']';
        }
    out += ']';
}

// ---- the structured form (-J) ------------------------------------------------

void appendreal(std::string& out, double v)
{
    if (!std::isfinite(v)) {
        out += "null";
        return;
    }
    char text[32];
#if defined(__cpp_lib_to_chars)
    const auto end = std::to_chars(text, text + sizeof text, v).ptr;
    out.append(text, end);
#else
    // A standard library without floating-point to_chars (WebAssembly's):
    // the fewest significant digits that read back as the same number. A
    // JSON reader gets the same value, written at times in the other notation.
    int length = 0;
    for (int digits = 15; digits <= 17; ++digits) {
        length = std::snprintf(text, sizeof text, "%.*g", digits, v);
        if (std::strtod(text, nullptr) == v)
            break;
    }
    out.append(text, static_cast<std::size_t>(length));
#endif
}

void appendrational(std::string& out, const Rational& r)
{
    out += '[';
    appendnumber(out, r.numerator);
    out += ", ";
    appendnumber(out, r.denominator);
    out += ']';
}

void appendelement(std::string& out, const Value& v, std::size_t i)
{
    switch (v.kind()) {
    case Value::Kind::Integer: appendnumber(out, v.integer(i)); break;
    case Value::Kind::Rational: appendrational(out, v.rational(i)); break;
    default: appendreal(out, v.real(i)); break;
    }
}

void appendvalue(std::string& out, const Value& v)
{
    if (!v.has()) {
        out += "null";
    } else if (v.truncated()) {
        out += "{\"length\": ";
        appendnumber(out, v.size());
        out += '}';
    } else if (v.kind() == Value::Kind::Text) {
        appendjsonutf8(out, v.text());
    } else if (v.kind() == Value::Kind::Bytes) {
        out += '"';
        detail::appendbase64(out, v.bytes());
        out += '"';
    } else if (!v.isArray()) {
        appendelement(out, v, 0);
    } else {
        out += '[';
        for (std::size_t i = 0; i < v.size(); ++i) {
            if (i)
                out += ", ";
            appendelement(out, v, i);
        }
        out += ']';
    }
}

// Appends `"name": ` to an object: with a comma unless it is the first member.
void appendmember(std::string& out, bool& first, std::string_view name)
{
    out += first ? "\"" : ", \"";
    first = false;
    out += name;
    out += "\": ";
}

// The summary's members: only those the file answers.
class summarywriter {
public:
    explicit summarywriter(std::string& out) : out_(out) { out_ += '{'; }
    ~summarywriter() { out_ += '}'; }
    summarywriter(const summarywriter&) = delete;
    summarywriter& operator=(const summarywriter&) = delete;

    void text(std::string_view name, const std::optional<std::string>& v)
    {
        if (v) {
            appendmember(out_, first_, name);
            appendjsonutf8(out_, *v);
        }
    }
    void date(std::string_view name, const std::optional<DateTime>& v)
    {
        if (v)
            text(name, v->iso());
    }
    void real(std::string_view name, const std::optional<double>& v)
    {
        if (v) {
            appendmember(out_, first_, name);
            appendreal(out_, *v);
        }
    }
    template <class Integer>
    void integer(std::string_view name, const std::optional<Integer>& v)
    {
        if (v) {
            appendmember(out_, first_, name);
            appendnumber(out_, *v);
        }
    }
    void rational(std::string_view name, const std::optional<Rational>& v)
    {
        if (v) {
            appendmember(out_, first_, name);
            appendrational(out_, *v);
        }
    }
    void gps(const std::optional<Position>& v)
    {
        if (!v)
            return;
        appendmember(out_, first_, "gps");
        summarywriter position(out_);
        position.real("latitude", v->latitude);
        position.real("longitude", v->longitude);
        position.real("altitude", v->altitude);
        position.date("timestamp", v->timestamp);
        position.real("direction", v->direction);
    }

private:
    std::string& out_;
    bool first_ = true;
};

void appendsummary(std::string& out, const Summary& s)
{
    summarywriter w(out);
    w.text("make", s.make);
    w.text("model", s.model);
    w.text("lens", s.lens);
    w.text("software", s.software);
    w.date("datetime_original", s.datetime_original);
    w.date("datetime_digitized", s.datetime_digitized);
    w.date("datetime_modified", s.datetime_modified);
    w.rational("exposure_time", s.exposure_time);
    w.real("f_number", s.f_number);
    w.integer("iso", s.iso);
    w.real("focal_length", s.focal_length);
    w.real("focal_length_35mm", s.focal_length_35mm);
    w.integer("orientation", s.orientation);
    w.integer("width", s.width);
    w.integer("height", s.height);
    w.gps(s.gps);
}

void appendproperty(std::string& out, const Property& p)
{
    out += "{\"directory\": ";
    appendjsonutf8(out, p.directory);
    out += ", \"tag\": ";
    appendnumber(out, p.tag);
    out += ", \"key\": ";
    appendjsonutf8(out, p.key);
    out += ", \"name\": ";
    appendJSONLatin1(out, p.name);
    out += ", \"text\": ";
    appendJSONLatin1(out, p.text);
    out += ", \"value\": ";
    appendvalue(out, p.value);
    out += ", \"group\": ";
    appendnumber(out, p.group);
    out += ", \"type\": ";
    appendnumber(out, p.type);
    out += ", \"count\": ";
    appendnumber(out, p.count);
    if (!p.parent.empty()) {
        out += ", \"parent\": ";
        appendjsonutf8(out, p.parent);
    }
    out += '}';
}

}  // namespace

void appendJSON(std::string& out, const Metadata& m, std::optional<std::string_view> file)
{
    out += "{\"file\": ";
    if (file)
        appendJSONName(out, *file);
    else
        out += "null";
    out += ", \"format\": ";
    if (m.format.empty())
        out += "null";
    else
        appendjsonutf8(out, m.format);
    appendoutcome(out, m, true);
    out += ", \"summary\": ";
    appendsummary(out, m.summary);
    out += ", \"properties\": [";
    bool first = true;
    for (const Group& g : m.groups)
        for (const Property& p : g.properties) {
            if (!first)
                out += ", ";
            first = false;
            appendproperty(out, p);
        }
    out += "]}";
}

std::string toJSON(const Metadata& m, std::optional<std::string_view> file)
{
    std::string out;
    appendJSON(out, m, file);
    return out;
}

void appendJSONLatin1(std::string& out, std::string_view text)
{
    appendquoted(out, text, true);
}

void appendJSONName(std::string& out, std::string_view name)
{
    if (detail::isutf8(name))
        appendjsonutf8(out, name);
    else
        appendJSONLatin1(out, name);
}

void appendJSONFlat(std::string& out, const Metadata& m, std::string_view file)
{
    out += "{\"file\": ";
    appendJSONName(out, file);
    appendoutcome(out, m, false);
    out += ", \"properties\": ";
    appendproperties(out, m.groups);
    out += '}';
}

void detail::appendbase64(std::string& out, std::span<const std::uint8_t> bytes)
{
    static constexpr char DIGITS[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t n = std::uint32_t{bytes[i]} << 16 | std::uint32_t{bytes[i + 1]} << 8 | bytes[i + 2];
        for (int shift : {18, 12, 6, 0})
            out += DIGITS[(n >> shift) & 0x3F];
    }
    if (const std::size_t left = bytes.size() - i) {
        const std::uint32_t n = std::uint32_t{bytes[i]} << 16 | (left == 2 ? std::uint32_t{bytes[i + 1]} << 8 : 0);
        out += DIGITS[(n >> 18) & 0x3F];
        out += DIGITS[(n >> 12) & 0x3F];
        out += left == 2 ? DIGITS[(n >> 6) & 0x3F] : '=';
        out += '=';
    }
}

}  // namespace exifkit
