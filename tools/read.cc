#include "read.h"

#include <cstdio>
#include <optional>

#include "exifkit/json.h"
#include "textout.h"
#include "utf8.h"

namespace exifkit::cli {
namespace {

// Marks where a stretch of a text begins; finished by `endspan`.
span beginspan(const std::string& text)
{
    return span{text.size(), 0};
}

void endspan(span& s, const std::string& text)
{
    s.size = text.size() - s.at;
}

// Reads the input with the reader; returns the result code and, when the
// input could not be opened or read, why in `oserror`. An input of the walk
// that is not a file is not read.
int readthrough(Reader& reader, const input& in, int& oserror)
{
    oserror = 0;
    if (in.kind != inputkind::file)
        return EXIF_CANT_OPEN;
    const int result = in.path == "-" ? reader.read(stdin) : reader.read(in.path.c_str());
    oserror = reader.oserror();
    return result;
}

std::optional<Frame> framesize(const Reader& reader)
{
    Frame f{};
    if (!reader.frame(&f.precision, &f.components, &f.height, &f.width))
        return std::nullopt;
    return f;
}

// Reads one input for the text output, through this thread's reader.
void readtext(const input& in, const options& opt, bool several, runout& run, outcome& o)
{
    thread_local Reader reader;
    textsink sink(opt, in.path, run.text, run.err);
    reader.setHandler(&sink);
    reader.setWarningSink(&sink);
    reader.setTrace(opt.trace, stdout);
    // The heading goes first, with the blank line that separates it from the
    // block before; it is taken back when the file cannot be opened.
    o.heading = beginspan(run.text);
    if (several) {
        run.text += "\n==> ";
        appendvisiblepath(run.text, in.path);
        run.text += " <==\n";
    }
    endspan(o.heading, run.text);
    o.out = beginspan(run.text);
    o.errbefore = beginspan(run.err);
    int oserror = 0;
    o.result = readthrough(reader, in, oserror);
    o.warnings = sink.warnings();
    endspan(o.errbefore, run.err);
    o.opened = o.result != EXIF_CANT_OPEN;
    if (!o.opened) {
        run.text.resize(o.heading.at);
        o.heading = o.out = beginspan(run.text);
    } else if (opt.frame) {
        std::string line;
        appendframe(line, framesize(reader));
        run.text.insert(o.out.at, line);  // the frame is known only once the file is read
    }
    endspan(o.out, run.text);
    o.errafter = beginspan(run.err);
    if (const std::string why = failuretext(in, o.result, oserror, sink.reason()); !why.empty())
        appendfailure(run.err, in.path, why);
    endspan(o.errafter, run.err);
}

// Reads one input for the JSON output, through the value API (m keeps its
// memory from input to input). Trace lines go to standard error, so that
// standard output stays JSON Lines. The error of an input that could not be
// read at all is the failure line's text.
void readjson(const input& in, const options& opt, runout& run, outcome& o, Metadata& m)
{
    std::FILE* trace = opt.trace ? stderr : nullptr;
    if (in.kind != inputkind::file) {
        m = Metadata{};
        m.result = EXIF_CANT_OPEN;
        m.oserror = in.oserror;
    } else if (in.path == "-") {
        readMetadata(stdin, m, trace);
    } else {
        readMetadata(in.path.c_str(), m, trace);
    }
    if (m.result == EXIF_CANT_OPEN)
        m.error = refusaltext(in, m.oserror);
    o.result = m.result;
    o.warnings = m.warnings.size();
    o.opened = m.result != EXIF_CANT_OPEN;
    o.out = beginspan(run.text);
    if (opt.structured)
        appendJSON(run.text, m, in.path == "-" ? std::nullopt : std::optional<std::string_view>(in.path));
    else
        appendJSONFlat(run.text, m, in.path);
    run.text += '\n';
    endspan(o.out, run.text);
    o.heading = o.errbefore = o.errafter = span{};
}

}  // namespace

void readinputs(const std::vector<input>& ins, const options& opt, bool several, runout& run,
                const handoverfn& handover)
{
    for (const input& in : ins) {
        outcome& o = run.inputs.emplace_back();
        if (opt.json) {
            thread_local Metadata kept;
            readjson(in, opt, run, o, kept);
        } else {
            readtext(in, opt, several, run, o);
        }
        if (run.full())
            handover(run);
    }
}

}  // namespace exifkit::cli
