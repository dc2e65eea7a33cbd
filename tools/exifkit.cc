// exifkit: prints the camera metadata of JPEG files.
//
//   exifkit [-j] [-g GROUPS] [-a] [-w] [-f] [-d] [-h] [-V] FILE...
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "exifkit/exifkit.h"
#include "exifkit/getopt.h"
#include "json.h"

namespace exifkit::cli {
namespace {

constexpr int EXIT_ALLREAD = 0;
constexpr int EXIT_SOMEFAILED = 1;
constexpr int EXIT_USAGE = 2;

constexpr const char* USAGE = "usage: exifkit [-j] [-g GROUPS] [-a] [-w] [-f] [-d] [-h] [-V] FILE...";

constexpr const char* HELP =
    "Prints the camera metadata (Exif) of JPEG files.\n"
    "\n"
    "  -j         one line of JSON per file, with every property, warning, error\n"
    "             and the frame size (-g, -a, -w and -f then do not apply)\n"
    "  -g GROUPS  groups to print, any of: c camera, i image, o other, u unsupported\n"
    "             (default ci)\n"
    "  -a         print all four groups\n"
    "  -w         print the warnings of each file on standard error\n"
    "  -f         print the size of the JPEG frame\n"
    "  -d         turn on the library's trace output\n"
    "  -h         print this help and exit\n"
    "  -V         print the version and exit\n"
    "\n"
    "Exit status: 0 when every file had Exif data, 1 otherwise, 2 on a usage error.\n";

// The four groups in the order the library delivers them.
struct group {
    int level;
    char letter;
    const char* heading;
};
constexpr group GROUPS[] = {
    {LVL_CAMERA, 'c', "Camera"},
    {LVL_IMAGE, 'i', "Image"},
    {LVL_VERBOSE, 'o', "Other"},
    {LVL_UNKNOWN, 'u', "Unsupported"},
};

struct options {
    bool json = false;
    bool warnings = false;
    bool frame = false;
    bool help = false;
    bool version = false;
    bool groupsgiven = false;
    int levels = 0;  // OR of the selected groups' levels
    std::vector<const char*> files;
};

struct warning {
    std::string message;
    std::optional<std::string> detail;
};

struct property {
    int level;
    int round;  // which beginOfInfoType call the property follows
    std::string name;
    std::string value;
};

struct frameinfo {
    int precision, components, height, width;
};

// Everything the library reported about one file. Texts are kept as delivered
// (ISO 8859-1).
struct report {
    std::string path;
    int result = EXIF_NONE;
    int openerror = 0;  // errno of a failed open
    std::optional<std::string> error;
    std::vector<warning> warnings;
    std::optional<frameinfo> frame;
    std::vector<property> properties;
};

// Records the deliveries and diagnostics of one readEXIF call, registered as
// both the info handler and the warning sink for its lifetime.
class recorder : public InfoHandler, public WarningSink {
public:
    explicit recorder(report& out) : out_(out), previous_(setWarningSink(this))
    {
        setEXIFInfoHandler(this);
    }
    ~recorder() override
    {
        setEXIFInfoHandler(nullptr);
        setWarningSink(previous_);
    }
    recorder(const recorder&) = delete;
    recorder& operator=(const recorder&) = delete;

    void beginOfInfoType(int level) override
    {
        level_ = level;
        ++round_;
    }
    void handleInfoWithName(const char* name, const char* value) override
    {
        out_.properties.push_back({level_, round_, name ? name : "", value ? value : ""});
    }
    void warning(const char* message, const char* detail) override
    {
        std::optional<std::string> d;
        if (detail)
            d = detail;
        out_.warnings.push_back({message ? message : "", std::move(d)});
    }
    void error(const char* reason) override { out_.error = reason ? reason : ""; }

private:
    report& out_;
    WarningSink* previous_;
    int level_ = 0;
    int round_ = 0;
};

report readfile(const char* path)
{
    report r;
    r.path = path;
    {
        recorder rec(r);
        errno = 0;
        r.result = readEXIF(path);
        r.openerror = errno;
    }
    frameinfo f{};
    if (jpeginfo(&f.precision, &f.components, &f.height, &f.width))
        r.frame = f;
    return r;
}

// ---- output ---------------------------------------------------------------

void writeout(std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void appendnumber(std::string& out, int n)
{
    out += std::to_string(n);
}

std::string jsonwarnings(const std::vector<warning>& warnings)
{
    std::string out = "[";
    for (std::size_t i = 0; i < warnings.size(); ++i) {
        out += i ? ", [" : "[";
        appendjsonlatin1(out, warnings[i].message);
        out += ", ";
        if (warnings[i].detail)
            appendjsonlatin1(out, *warnings[i].detail);
        else
            out += "null";
        out += ']';
    }
    return out + ']';
}

std::string jsonframe(const std::optional<frameinfo>& f)
{
    if (!f)
        return "null";
    return "{\"precision\": " + std::to_string(f->precision) +
           ", \"components\": " + std::to_string(f->components) +
           ", \"height\": " + std::to_string(f->height) +
           ", \"width\": " + std::to_string(f->width) + "}";
}

std::string jsonproperties(const std::vector<property>& properties)
{
    std::string out = "[";
    for (std::size_t i = 0; i < properties.size(); ++i) {
        out += i ? ", [" : "[";
        appendnumber(out, properties[i].level);
        out += ", ";
        appendjsonlatin1(out, properties[i].name);
        out += ", ";
        appendjsonlatin1(out, properties[i].value);
        out += ']';
    }
    return out + ']';
}

void printjson(const report& r)
{
    std::string line = "{\"file\": ";
    appendjsonpath(line, r.path);
    line += ", \"result\": ";
    appendnumber(line, r.result);
    line += ", \"error\": ";
    if (r.error)
        appendjsonlatin1(line, *r.error);
    else
        line += "null";
    line += ", \"warnings\": " + jsonwarnings(r.warnings);
    line += ", \"frame\": " + jsonframe(r.frame);
    line += ", \"properties\": " + jsonproperties(r.properties);
    line += "}\n";
    writeout(line);
}

const group* findgroup(int level)
{
    for (const group& g : GROUPS)
        if (g.level == level)
            return &g;
    return nullptr;
}

void printframe(const std::optional<frameinfo>& f)
{
    if (f)
        std::printf("Frame: %d x %d, %d components, %d-bit\n", f->width, f->height,
                    f->components, f->precision);
    else
        std::printf("Frame: none\n");
}

// The selected properties, each group under its heading. A group that has no
// selected property is left out.
void printgroups(const std::vector<property>& properties, int levels)
{
    int round = 0;
    for (const property& p : properties) {
        if (!(p.level & levels))
            continue;
        if (p.round != round) {
            const group* g = findgroup(p.level);
            std::printf("%s:\n", g ? g->heading : "?");
            round = p.round;
        }
        writeout("  " + latin1toutf8(p.name) + ": " + latin1toutf8(p.value) + "\n");
    }
}

bool opened(const report& r)
{
    return r.result != EXIF_CANT_OPEN;
}

void printtext(const report& r, const options& opt, bool& firstblock)
{
    if (!opened(r))
        return;
    if (!firstblock)
        writeout("\n");
    firstblock = false;
    if (opt.files.size() > 1)
        writeout("==> " + r.path + " <==\n");
    if (opt.frame)
        printframe(r.frame);
    printgroups(r.properties, opt.levels);
}

void printwarnings(const report& r)
{
    for (const warning& w : r.warnings) {
        std::string line = "exifkit: " + r.path + ": warning: " + latin1toutf8(w.message);
        if (w.detail)
            line += " (" + latin1toutf8(*w.detail) + ")";
        std::fprintf(stderr, "%s\n", line.c_str());
    }
}

// Why the file delivered no (or not all of its) Exif data; empty when it did.
std::string failure(const report& r)
{
    switch (r.result) {
    case EXIF_OK:
        return "";
    case EXIF_CANT_OPEN:
        return r.openerror ? std::string("cannot open file: ") + std::strerror(r.openerror)
                           : "cannot open file";
    case EXIF_NONE:
        return r.error ? latin1toutf8(*r.error) : "no Exif data";
    case EXIF_READ_FAILED:
        return "read error";
    case EXIF_NO_MEMORY:
        return "out of memory";
    default:
        return "unexpected result " + std::to_string(r.result);
    }
}

void printfailure(const report& r)
{
    const std::string why = failure(r);
    if (!why.empty())
        std::fprintf(stderr, "exifkit: %s: %s\n", r.path.c_str(), why.c_str());
}

// ---- options --------------------------------------------------------------

int usageerror()
{
    std::fprintf(stderr, "%s\n", USAGE);
    return EXIT_USAGE;
}

// Adds the groups named by the letters; false on a letter that names none.
bool selectgroups(options& opt, std::string_view letters)
{
    if (letters.empty()) {
        std::fprintf(stderr, "exifkit: no group given to -g\n");
        return false;
    }
    for (char c : letters) {
        const group* found = nullptr;
        for (const group& g : GROUPS)
            if (g.letter == c)
                found = &g;
        if (!found) {
            std::fprintf(stderr, "exifkit: unknown group -- %c\n", c);
            return false;
        }
        opt.levels |= found->level;
    }
    opt.groupsgiven = true;
    return true;
}

void selectall(options& opt)
{
    for (const group& g : GROUPS)
        opt.levels |= g.level;
    opt.groupsgiven = true;
}

// Reads the options into opt; false on a usage error, already reported.
bool parseoptions(int argc, char* argv[], options& opt)
{
    progname = "exifkit";
    for (int c; (c = getopt(argc, argv, "jg:awfdhV")) != -1;) {
        switch (c) {
        case 'j': opt.json = true; break;
        case 'g':
            if (!selectgroups(opt, optarg))
                return false;
            break;
        case 'a': selectall(opt); break;
        case 'w': opt.warnings = true; break;
        case 'f': opt.frame = true; break;
        case 'd': debug = 1; break;
        case 'h': opt.help = true; break;
        case 'V': opt.version = true; break;
        default: return false;
        }
    }
    if (!opt.groupsgiven)
        opt.levels = LVL_CAMERA | LVL_IMAGE;
    for (int i = optind; i < argc; ++i)
        opt.files.push_back(argv[i]);
    return true;
}

// Reads and prints every file; true when each one delivered its Exif data.
bool processfiles(const options& opt)
{
    bool allread = true;
    bool firstblock = true;
    for (const char* path : opt.files) {
        const report r = readfile(path);
        allread = allread && r.result == EXIF_OK;
        if (opt.json) {
            printjson(r);
            continue;
        }
        if (opt.warnings)
            printwarnings(r);
        printtext(r, opt, firstblock);
        std::fflush(stdout);
        printfailure(r);
    }
    return allread;
}

// Flushes standard output; a failed write (a full disk, a closed pipe) fails the run.
bool flushoutput()
{
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return true;
    std::fprintf(stderr, "exifkit: write error: %s\n", std::strerror(errno));
    return false;
}

int run(int argc, char* argv[])
{
    options opt;
    if (!parseoptions(argc, argv, opt))
        return usageerror();
    if (opt.help) {
        std::printf("%s\n\n%s", USAGE, HELP);
        return flushoutput() ? EXIT_ALLREAD : EXIT_SOMEFAILED;
    }
    if (opt.version) {
        std::printf("exifkit %s\n", EXIFKIT_VERSION);
        return flushoutput() ? EXIT_ALLREAD : EXIT_SOMEFAILED;
    }
    if (opt.files.empty()) {
        std::fprintf(stderr, "exifkit: no file given\n");
        return usageerror();
    }
    const bool allread = processfiles(opt);
    const bool written = flushoutput();
    return allread && written ? EXIT_ALLREAD : EXIT_SOMEFAILED;
}

}  // namespace
}  // namespace exifkit::cli

int main(int argc, char* argv[])
{
    return exifkit::cli::run(argc, argv);
}
