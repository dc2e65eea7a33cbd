#include "textout.h"

#include <cstring>

#include "utf8.h"

namespace exifkit::cli {
namespace {

const char* heading(int level)
{
    for (const group& g : GROUPS)
        if (g.level == level)
            return g.heading;
    return "?";
}

void appendnumber(std::string& out, int n)
{
    out += std::to_string(n);
}

// "exifkit: FILE: warning: message (detail)".
void appendwarning(std::string& err, const std::string& path, const char* message, const char* detail)
{
    err += "exifkit: ";
    appendvisiblepath(err, path);
    err += ": warning: ";
    appendvisible(err, message ? message : "");
    if (detail) {
        err += " (";
        appendvisible(err, detail);
        err += ')';
    }
    err += '\n';
}

// "what", or "what: the system's reason".
std::string withreason(std::string what, int oserror)
{
    return oserror ? what + ": " + std::strerror(oserror) : what;
}

}  // namespace

void textsink::beginOfInfoType(int level)
{
    level_ = level;
    headed_ = false;
}

void textsink::handleInfoWithName(const char* name, const char* value)
{
    if (!(level_ & opt_.levels))
        return;
    if (!headed_) {
        out_ += heading(level_);
        out_ += ":\n";
        headed_ = true;
    }
    out_ += "  ";
    appendvisible(out_, name);
    out_ += ": ";
    appendvisible(out_, value);
    out_ += '\n';
}

void textsink::warning(const char* message, const char* detail)
{
    ++warnings_;
    if (opt_.warnings)
        appendwarning(err_, path_, message, detail);
}

void textsink::error(const char* reason)
{
    error_ = reason ? reason : "";
}

void appendframe(std::string& out, const std::optional<Frame>& f)
{
    if (!f) {
        out += "Frame: none\n";
        return;
    }
    out += "Frame: ";
    appendnumber(out, f->width);
    out += " x ";
    appendnumber(out, f->height);
    // Formats other than JPEG give their size alone.
    if (!f->components && !f->precision) {
        out += '\n';
        return;
    }
    out += ", ";
    appendnumber(out, f->components);
    out += " components, ";
    appendnumber(out, f->precision);
    out += "-bit\n";
}

std::string refusaltext(const input& in, int oserror)
{
    switch (in.kind) {
    case inputkind::unlisted: return withreason("cannot open directory", in.oserror);
    case inputkind::special: return "not a regular file";
    case inputkind::file: break;
    }
    return withreason("cannot open file", oserror);
}

std::string failuretext(const input& in, int result, int oserror, const std::optional<std::string>& reason)
{
    switch (result) {
    case EXIF_OK:
        return "";
    case EXIF_CANT_OPEN:
        return refusaltext(in, oserror);
    case EXIF_NONE:
        return reason ? visibletext(*reason) : "no Exif data";
    case EXIF_READ_FAILED:
        return withreason("read error", oserror);
    case EXIF_NO_MEMORY:
        return "out of memory";
    default:
        return "unexpected result " + std::to_string(result);
    }
}

void appendfailure(std::string& err, const std::string& path, const std::string& why)
{
    err += "exifkit: ";
    appendvisiblepath(err, path);
    err += ": " + why + "\n";
}

}  // namespace exifkit::cli
