#include "jsonout.h"

#include <cstdio>
#include <optional>
#include <vector>

#include "utf8.h"

namespace exifkit::cli {
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

// Appends a quoted JSON string of a UTF-8 text, which passes unchanged apart
// from the escapes.
void appendjsonutf8(std::string& out, std::string_view text)
{
    out += '"';
    for (char c : text)
        if (!appendescape(out, static_cast<unsigned char>(c)))
            out += c;
    out += '"';
}

void appendnumber(std::string& out, int n)
{
    out += std::to_string(n);
}

void appendtextornull(std::string& out, const std::optional<std::string>& text)
{
    if (text)
        appendjsonlatin1(out, *text);
    else
        out += "null";
}

void appendwarnings(std::string& out, const std::vector<Warning>& warnings)
{
    out += '[';
    for (std::size_t i = 0; i < warnings.size(); ++i) {
        out += i ? ", [" : "[";
        appendjsonlatin1(out, warnings[i].message);
        out += ", ";
        appendtextornull(out, warnings[i].detail);
        out += ']';
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
            appendjsonlatin1(out, p.name);
            out += ", ";
            appendjsonlatin1(out, p.value);
            out += ']';
        }
    out += ']';
}

}  // namespace

void appendjsonlatin1(std::string& out, std::string_view text)
{
    out += '"';
    // Runs of plain ASCII pass at once.
    std::size_t from = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x20 && byte < 0x80 && byte != '"' && byte != '\\')
            continue;
        out.append(text, from, i - from);
        if (!appendescape(out, byte))
            appendlatin1(out, byte);
        from = i + 1;
    }
    out.append(text, from, text.size() - from);
    out += '"';
}

void appendjsonpath(std::string& out, std::string_view path)
{
    if (isutf8(path))
        appendjsonutf8(out, path);
    else
        appendjsonlatin1(out, path);
}

void appendjsonline(std::string& out, std::string_view path, const Metadata& m)
{
    out += "{\"file\": ";
    appendjsonpath(out, path);
    out += ", \"result\": ";
    appendnumber(out, m.result);
    out += ", \"error\": ";
    appendtextornull(out, m.error);
    out += ", \"warnings\": ";
    appendwarnings(out, m.warnings);
    out += ", \"frame\": ";
    appendframe(out, m.frame);
    out += ", \"properties\": ";
    appendproperties(out, m.groups);
    out += "}\n";
}

}  // namespace exifkit::cli
