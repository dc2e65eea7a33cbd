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

// ---- one input --------------------------------------------------------------

// A stretch of one of the texts of a run of inputs.
struct span {
    std::size_t at = 0, size = 0;
};

// What the command writes for one input: the heading ("==> FILE <==" when
// several files are read) and the output for standard output, the warnings
// before it and the failure after it for standard error, and the counts of
// the summary.
struct outcome {
    bool opened = false;  // standard output gets a block for it
    span heading, out, errbefore, errafter;
    int result = EXIF_NONE;
    std::size_t warnings = 0;
};

// What the command writes for a run of inputs, made on a worker thread: all
// of it in one text for each stream, so that a run takes no memory per file.
struct runout {
    std::string text, err;
    std::vector<outcome> inputs;

    void clear()
    {
        text.clear();
        err.clear();
        inputs.clear();
    }
};

// Marks where a stretch of a text begins; finished by `close`.
span open(const std::string& text)
{
    return span{text.size(), 0};
}

void close(span& s, const std::string& text)
{
    s.size = text.size() - s.at;
}

void appendnumber(std::string& out, int n)
{
    out += std::to_string(n);
}

void jsonwarnings(std::string& out, const std::vector<Warning>& warnings)
{
    out += '[';
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
    out += ']';
}

void jsonframe(std::string& out, const std::optional<Frame>& f)
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

void jsonproperties(std::string& out, const std::vector<Group>& groups)
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

void json(std::string& out, const std::string& path, const Metadata& m)
{
    out += "{\"file\": ";
    appendjsonpath(out, path);
    out += ", \"result\": ";
    appendnumber(out, m.result);
    out += ", \"error\": ";
    if (m.error)
        appendjsonlatin1(out, *m.error);
    else
        out += "null";
    out += ", \"warnings\": ";
    jsonwarnings(out, m.warnings);
    out += ", \"frame\": ";
    jsonframe(out, m.frame);
    out += ", \"properties\": ";
    jsonproperties(out, m.groups);
    out += "}\n";
}

const group* findgroup(int level)
{
    for (const group& g : GROUPS)
        if (g.level == level)
            return &g;
    return nullptr;
}

void frame(std::string& out, const std::optional<Frame>& f)
{
    if (!f) {
        out += "Frame: none\n";
        return;
    }
    out += "Frame: ";
    appendnumber(out, f->width);
    out += " x ";
    appendnumber(out, f->height);
    out += ", ";
    appendnumber(out, f->components);
    out += " components, ";
    appendnumber(out, f->precision);
    out += "-bit\n";
}

// "exifkit: FILE: warning: message (detail)".
void warningline(std::string& err, const std::string& path, const char* message, const char* detail)
{
    err += "exifkit: ";
    err += path;
    err += ": warning: ";
    appendlatin1(err, message ? message : "");
    if (detail) {
        err += " (";
        appendlatin1(err, detail);
        err += ')';
    }
    err += '\n';
}

std::string openfailure(const char* what, int oserror)
{
    std::string text = std::string("cannot open ") + what;
    return oserror ? text + ": " + std::strerror(oserror) : text;
}

// Why the input delivered no (or not all of its) Exif data, from its result
// code, the errno of a failed open and the fatal error's reason; empty when
// it did.
std::string failure(int result, int oserror, const std::optional<std::string>& reason, bool directory)
{
    switch (result) {
    case EXIF_OK:
        return "";
    case EXIF_CANT_OPEN:
        return openfailure(directory ? "directory" : "file", oserror);
    case EXIF_NONE:
        return reason ? latin1toutf8(*reason) : "no Exif data";
    case EXIF_READ_FAILED:
        return "read error";
    case EXIF_NO_MEMORY:
        return "out of memory";
    default:
        return "unexpected result " + std::to_string(result);
    }
}

// Formats the text output of one file as the library delivers it, with no
// copy of the properties in between: the selected groups under their
// headings (a group without properties left out), the warnings for -w.
class textsink final : public InfoHandler, public WarningSink {
public:
    textsink(const options& opt, const std::string& path, runout& run, outcome& o)
        : opt_(opt), path_(path), run_(run), o_(o)
    {
    }

    void beginOfInfoType(int level) override
    {
        level_ = level;
        headed_ = false;
    }
    void handleInfoWithName(const char* name, const char* value) override
    {
        if (!(level_ & opt_.levels))
            return;
        std::string& out = run_.text;
        if (!headed_) {
            const group* known = findgroup(level_);
            out += known ? known->heading : "?";
            out += ":\n";
            headed_ = true;
        }
        out += "  ";
        appendlatin1(out, name);
        out += ": ";
        appendlatin1(out, value);
        out += '\n';
    }
    void warning(const char* message, const char* detail) override
    {
        ++o_.warnings;
        if (opt_.warnings)
            warningline(run_.err, path_, message, detail);
    }
    void error(const char* reason) override { error_ = reason ? reason : ""; }

    const std::optional<std::string>& reason() const { return error_; }

private:
    const options& opt_;
    const std::string& path_;
    runout& run_;
    outcome& o_;
    int level_ = 0;
    bool headed_ = false;
    std::optional<std::string> error_;
};

// Reads one input for the text output, through this thread's reader.
void readtext(const input& in, const options& opt, bool several, runout& run, outcome& o)
{
    thread_local Reader reader;
    textsink sink(opt, in.path, run, o);
    reader.setHandler(&sink);
    reader.setWarningSink(&sink);
    reader.setTrace(opt.trace, stdout);
    // The heading goes first, with the blank line that separates it from the
    // block before; it is taken back when the file cannot be opened.
    o.heading = open(run.text);
    if (several) {
        run.text += "\n==> ";
        run.text += in.path;
        run.text += " <==\n";
    }
    close(o.heading, run.text);
    o.out = open(run.text);
    o.errbefore = open(run.err);
    int oserror = 0;
    if (in.directory) {
        o.result = EXIF_CANT_OPEN;
        oserror = in.oserror;
    } else if (in.path == "-") {
        o.result = reader.read(stdin);
    } else {
        o.result = reader.read(in.path.c_str());
        oserror = o.result == EXIF_CANT_OPEN ? errno : 0;
    }
    close(o.errbefore, run.err);
    o.opened = o.result != EXIF_CANT_OPEN;
    if (!o.opened) {
        run.text.resize(o.heading.at);
        o.heading = o.out = open(run.text);
    } else if (opt.frame) {
        Frame f{};
        std::optional<Frame> seen;
        if (reader.frame(&f.precision, &f.components, &f.height, &f.width))
            seen = f;
        std::string line;
        frame(line, seen);
        run.text.insert(o.out.at, line);  // the frame is known only once the file is read
    }
    close(o.out, run.text);
    o.errafter = open(run.err);
    if (std::string why = failure(o.result, oserror, sink.reason(), in.directory); !why.empty())
        run.err += "exifkit: " + in.path + ": " + why + "\n";
    close(o.errafter, run.err);
}

// Reads one input for the JSON output, through the value API (m keeps its
// memory from input to input).
void readjson(const input& in, const options& opt, runout& run, outcome& o, Metadata& m)
{
    std::FILE* trace = opt.trace ? stdout : nullptr;
    if (in.directory) {
        m = Metadata{};
        m.result = EXIF_CANT_OPEN;
        m.oserror = in.oserror;
    } else if (in.path == "-") {
        readMetadata(stdin, m, trace);
    } else {
        readMetadata(in.path.c_str(), m, trace);
    }
    o.result = m.result;
    o.warnings = m.warnings.size();
    o.opened = m.result != EXIF_CANT_OPEN;
    o.out = open(run.text);
    json(run.text, in.path, m);
    close(o.out, run.text);
    o.heading = o.errbefore = o.errafter = span{};
}

// Appends what the command writes for each of the inputs to the run.
void process(const std::vector<input>& ins, const options& opt, bool several, runout& run)
{
    for (const input& in : ins) {
        outcome& o = run.inputs.emplace_back();
        if (opt.json) {
            thread_local Metadata kept;
            readjson(in, opt, run, o, kept);
        } else {
            readtext(in, opt, several, run, o);
        }
    }
}

// ---- the run ----------------------------------------------------------------

// Counts of a run, for the summary of -w.
struct tally {
    std::size_t inputs = 0, read = 0, exif = 0, refused = 0, warnings = 0;

    void add(const outcome& o) noexcept
    {
        ++inputs;
        (o.opened ? read : refused) += 1;
        exif += o.result == EXIF_OK;
        warnings += o.warnings;
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

void writeout(const std::string& text, span s)
{
    std::fwrite(text.data() + s.at, 1, s.size, stdout);
}

// Standard error gets a message: what standard output holds so far goes
// first, so that the two read in order where they meet.
void writeerr(const std::string& text, span s)
{
    if (!s.size)
        return;
    std::fflush(stdout);
    std::fwrite(text.data() + s.at, 1, s.size, stderr);
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
    runbatch<runout>(
        inputs, workers,
        [&opt, several](const std::vector<input>& ins, runout& run) { process(ins, opt, several, run); },
        [&](const runout& run) {
            // Nothing for standard error, no first block: the text goes out whole.
            if (run.err.empty() && !firstblock) {
                for (const outcome& o : run.inputs)
                    counts.add(o);
                if (outputonterminal)
                    bar.clear();
                writeout(run.text, span{0, run.text.size()});
                bar.advance(counts.inputs);
                return;
            }
            for (const outcome& o : run.inputs) {
                counts.add(o);
                if (outputonterminal || o.errbefore.size || o.errafter.size)
                    bar.clear();
                writeerr(run.err, o.errbefore);
                if (o.opened || opt.json) {
                    span heading = o.heading;
                    if (firstblock && heading.size) {  // no blank line before the first block
                        ++heading.at;
                        --heading.size;
                    }
                    firstblock = false;
                    writeout(run.text, heading);
                    writeout(run.text, o.out);
                }
                writeerr(run.err, o.errafter);
                bar.advance(counts.inputs);
            }
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
    // Output goes out in large pieces; a terminal still sees each line.
    static char outbuf[1 << 16];
    if (!isatty(STDOUT_FILENO))
        std::setvbuf(stdout, outbuf, _IOFBF, sizeof outbuf);
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
