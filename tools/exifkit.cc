// exifkit: prints the camera metadata of JPEG files.
//
//   exifkit [-j] [-g GROUPS] [-a] [-w] [-f] [-d] [-r] [-P N] [-p] [-h] [-V] FILE...
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "batch.h"
#include "exifkit/exifkit.h"
#include "exifkit/getopt.h"
#include "json.h"
#include "walk.h"

namespace exifkit::cli {
namespace {

constexpr int EXIT_ALLREAD = 0;
constexpr int EXIT_SOMEFAILED = 1;
constexpr int EXIT_USAGE = 2;

constexpr const char* USAGE = "usage: exifkit [-j] [-g GROUPS] [-a] [-w] [-f] [-d] [-r] [-P N] [-p] [-h] [-V] FILE...";

constexpr const char* HELP =
    "Prints the camera metadata (Exif) of JPEG files.\n"
    "\n"
    "  -j         one line of JSON per file, with every property, warning, error\n"
    "             and the frame size (-g, -a, -w and -f then do not apply)\n"
    "  -g GROUPS  groups to print, any of: c camera, i image, o other, u unsupported\n"
    "             (default ci)\n"
    "  -a         print all four groups\n"
    "  -w         print the warnings of each file on standard error, and with\n"
    "             more than one file a summary at the end\n"
    "  -f         print the size of the JPEG frame\n"
    "  -d         turn on the library's trace output (reads one file at a time)\n"
    "  -r         read the JPEG files (.jpg, .jpeg, .jpe, .jfif) in directories,\n"
    "             recursively, in sorted order; links to directories are not followed\n"
    "  -P N       read with N threads (default 1); the output stays in order\n"
    "  -p         show progress on standard error when it is a terminal\n"
    "  -h         print this help and exit\n"
    "  -V         print the version and exit\n"
    "\n"
    "FILE - reads standard input.\n"
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
    bool trace = false;
    bool recursive = false;
    bool progress = false;
    bool help = false;
    bool version = false;
    bool groupsgiven = false;
    unsigned workers = 1;
    int levels = 0;  // OR of the selected groups' levels
    std::vector<std::string> files;
};

// Everything the library reported about one input. Texts are kept as
// delivered (ISO 8859-1).
struct report {
    std::string path;
    bool directory = false;  // a directory that could not be listed
    Metadata data;
};

report readinput(const input& in, bool trace)
{
    report r{in.path, in.directory, {}};
    std::FILE* tracing = trace ? stdout : nullptr;
    if (in.directory) {
        r.data.result = EXIF_CANT_OPEN;
        r.data.oserror = in.oserror;
    } else if (in.path == "-") {
        r.data = readMetadata(stdin, tracing);
    } else {
        r.data = readMetadata(in.path.c_str(), tracing);
    }
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

std::string jsonwarnings(const std::vector<Warning>& warnings)
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

std::string jsonframe(const std::optional<Frame>& f)
{
    if (!f)
        return "null";
    return "{\"precision\": " + std::to_string(f->precision) +
           ", \"components\": " + std::to_string(f->components) +
           ", \"height\": " + std::to_string(f->height) +
           ", \"width\": " + std::to_string(f->width) + "}";
}

std::string jsonproperties(const std::vector<Group>& groups)
{
    std::string out = "[";
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
    return out + ']';
}

void printjson(const report& r)
{
    std::string line = "{\"file\": ";
    appendjsonpath(line, r.path);
    line += ", \"result\": ";
    appendnumber(line, r.data.result);
    line += ", \"error\": ";
    if (r.data.error)
        appendjsonlatin1(line, *r.data.error);
    else
        line += "null";
    line += ", \"warnings\": " + jsonwarnings(r.data.warnings);
    line += ", \"frame\": " + jsonframe(r.data.frame);
    line += ", \"properties\": " + jsonproperties(r.data.groups);
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

void printframe(const std::optional<Frame>& f)
{
    if (f)
        std::printf("Frame: %d x %d, %d components, %d-bit\n", f->width, f->height,
                    f->components, f->precision);
    else
        std::printf("Frame: none\n");
}

// The selected groups, each under its heading. A group that has no property
// is left out.
void printgroups(const std::vector<Group>& groups, int levels)
{
    for (const Group& g : groups) {
        if (!(g.level & levels) || g.properties.empty())
            continue;
        const group* known = findgroup(g.level);
        std::printf("%s:\n", known ? known->heading : "?");
        for (const Property& p : g.properties)
            writeout("  " + latin1toutf8(p.name) + ": " + latin1toutf8(p.value) + "\n");
    }
}

bool opened(const report& r)
{
    return r.data.result != EXIF_CANT_OPEN;
}

void printtext(const report& r, const options& opt, bool several, bool& firstblock)
{
    if (!opened(r))
        return;
    if (!firstblock)
        writeout("\n");
    firstblock = false;
    if (several)
        writeout("==> " + r.path + " <==\n");
    if (opt.frame)
        printframe(r.data.frame);
    printgroups(r.data.groups, opt.levels);
}

void printwarnings(const report& r)
{
    for (const Warning& w : r.data.warnings) {
        std::string line = "exifkit: " + r.path + ": warning: " + latin1toutf8(w.message);
        if (w.detail)
            line += " (" + latin1toutf8(*w.detail) + ")";
        std::fprintf(stderr, "%s\n", line.c_str());
    }
}

std::string openfailure(const char* what, int oserror)
{
    std::string text = std::string("cannot open ") + what;
    return oserror ? text + ": " + std::strerror(oserror) : text;
}

// Why the input delivered no (or not all of its) Exif data; empty when it did.
std::string failure(const report& r)
{
    switch (r.data.result) {
    case EXIF_OK:
        return "";
    case EXIF_CANT_OPEN:
        return openfailure(r.directory ? "directory" : "file", r.data.oserror);
    case EXIF_NONE:
        return r.data.error ? latin1toutf8(*r.data.error) : "no Exif data";
    case EXIF_READ_FAILED:
        return "read error";
    case EXIF_NO_MEMORY:
        return "out of memory";
    default:
        return "unexpected result " + std::to_string(r.data.result);
    }
}

void printfailure(const report& r)
{
    const std::string why = failure(r);
    if (!why.empty())
        std::fprintf(stderr, "exifkit: %s: %s\n", r.path.c_str(), why.c_str());
}

// Whether reporting the input writes to standard error.
bool writeserrors(const report& r, const options& opt)
{
    return !opt.json && ((opt.warnings && !r.data.warnings.empty()) || !failure(r).empty());
}

// Counts of a run, for the summary of -w.
struct tally {
    std::size_t inputs = 0, read = 0, exif = 0, refused = 0, warnings = 0;

    void add(const report& r)
    {
        ++inputs;
        (opened(r) ? read : refused) += 1;
        exif += r.data.result == EXIF_OK;
        warnings += r.data.warnings.size();
    }
};

void printsummary(const tally& t)
{
    std::fprintf(stderr, "exifkit: %zu files read, %zu with Exif data, %zu refused, %zu warnings\n",
                 t.read, t.exif, t.refused, t.warnings);
}

// The progress line of -p, redrawn in place on a terminal at most ten times
// a second.
class progress {
public:
    progress(bool shown, std::size_t total) : shown_(shown), total_(total) {}

    void advance(std::size_t done)
    {
        if (!shown_)
            return;
        const auto now = clock::now();
        if (visible_ && now - drawn_ < std::chrono::milliseconds(100))
            return;
        drawn_ = now;
        const double seconds = std::chrono::duration<double>(now - start_).count();
        std::fprintf(stderr, "\r\033[Kexifkit: %zu/%zu files, %.0f files/s", done, total_,
                     seconds > 0 ? static_cast<double>(done) / seconds : 0.0);
        std::fflush(stderr);
        visible_ = true;
    }
    // Leaves the final count on its line.
    void finish(std::size_t done)
    {
        if (!shown_)
            return;
        visible_ = false;
        advance(done);
        std::fputc('\n', stderr);
    }
    // Clears the line, so that other text can be printed in its place; the
    // next advance draws it again.
    void clear()
    {
        if (visible_)
            std::fputs("\r\033[K", stderr);
        visible_ = false;
    }

private:
    using clock = std::chrono::steady_clock;
    bool shown_;
    std::size_t total_;
    clock::time_point start_ = clock::now();
    clock::time_point drawn_{};
    bool visible_ = false;
};

bool isdirectory(const std::string& path)
{
    std::error_code ec;
    return path != "-" && std::filesystem::is_directory(path, ec);
}

std::size_t countinputs(const options& opt)
{
    walker all(opt.files, opt.recursive);
    std::size_t n = 0;
    for (input in; all.next(in);)
        ++n;
    return n;
}

// Reads and prints every input; true when each one delivered its Exif data.
bool processfiles(const options& opt)
{
    const bool showprogress = opt.progress && isatty(STDERR_FILENO);
    const bool outputonterminal = isatty(STDOUT_FILENO);
    progress bar(showprogress, showprogress ? countinputs(opt) : 0);
    const bool several = opt.files.size() > 1 || (opt.recursive && isdirectory(opt.files[0]));
    bool firstblock = true;
    tally counts;
    walker inputs(opt.files, opt.recursive);
    // Trace lines go straight to standard output: reading in parallel would mix them.
    const unsigned workers = opt.trace ? 1 : opt.workers;
    runbatch<report>(
        inputs, workers, [&opt](const input& in) { return readinput(in, opt.trace); },
        [&](report& r) {
            counts.add(r);
            if (outputonterminal || writeserrors(r, opt))
                bar.clear();
            if (opt.json) {
                printjson(r);
            } else {
                if (opt.warnings)
                    printwarnings(r);
                printtext(r, opt, several, firstblock);
                std::fflush(stdout);
                printfailure(r);
            }
            bar.advance(counts.inputs);
        });
    bar.finish(counts.inputs);
    if (opt.warnings && !opt.json && counts.inputs > 1)
        printsummary(counts);
    return counts.inputs == counts.exif;
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

// The thread count of -P: a whole number from 1 to MAX_WORKERS.
bool readworkers(options& opt, const char* text)
{
    constexpr long MAX_WORKERS = 256;
    char* end = nullptr;
    errno = 0;
    const long n = std::strtol(text, &end, 10);
    if (errno || end == text || *end || n < 1 || n > MAX_WORKERS) {
        std::fprintf(stderr, "exifkit: invalid thread count -- %s\n", text);
        return false;
    }
    opt.workers = static_cast<unsigned>(n);
    return true;
}

// Reads the options into opt; false on a usage error, already reported.
bool parseoptions(int argc, char* argv[], options& opt)
{
    progname = "exifkit";
    for (int c; (c = getopt(argc, argv, "jg:awfdrP:phV")) != -1;) {
        switch (c) {
        case 'j': opt.json = true; break;
        case 'g':
            if (!selectgroups(opt, optarg))
                return false;
            break;
        case 'a': selectall(opt); break;
        case 'w': opt.warnings = true; break;
        case 'f': opt.frame = true; break;
        case 'd': opt.trace = true; break;
        case 'r': opt.recursive = true; break;
        case 'P':
            if (!readworkers(opt, optarg))
                return false;
            break;
        case 'p': opt.progress = true; break;
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
