#include "runner.h"

#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "batch.h"
#include "progress.h"
#include "read.h"
#include "walk.h"

namespace exifkit::cli {
namespace {

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

bool isdirectory(const std::string& path)
{
    std::error_code ec;
    return path != "-" && std::filesystem::is_directory(path, ec);
}

// Whether each file gets a heading: more than one operand, or a directory walked.
bool readsseveral(const options& opt)
{
    return opt.files.size() > 1 || (opt.recursive && isdirectory(opt.files[0]));
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

// Writes the runs out as they come, in input order, keeping the progress
// line off the text it would garble, and counts the inputs.
class printer {
public:
    printer(const options& opt, progress& bar) : opt_(opt), bar_(bar), outputonterminal_(isatty(STDOUT_FILENO)) {}

    void print(const runout& run)
    {
        if (run.err.empty() && !firstblock_)
            printwhole(run);
        else
            for (const outcome& o : run.inputs)
                printinput(run, o);
    }

    const tally& counts() const { return counts_; }

private:
    // Nothing for standard error, no first block: the text goes out in one piece.
    void printwhole(const runout& run)
    {
        for (const outcome& o : run.inputs)
            counts_.add(o);
        if (outputonterminal_)
            bar_.clear();
        writeout(run.text, span{0, run.text.size()});
        bar_.advance(counts_.inputs);
    }

    void printinput(const runout& run, const outcome& o)
    {
        counts_.add(o);
        if (outputonterminal_ || o.errbefore.size || o.errafter.size)
            bar_.clear();
        writeerr(run.err, o.errbefore);
        if (o.opened || opt_.json) {
            span heading = o.heading;
            if (firstblock_ && heading.size) {  // no blank line before the first block
                ++heading.at;
                --heading.size;
            }
            firstblock_ = false;
            writeout(run.text, heading);
            writeout(run.text, o.out);
        }
        writeerr(run.err, o.errafter);
        bar_.advance(counts_.inputs);
    }

    const options& opt_;
    progress& bar_;
    const bool outputonterminal_;
    bool firstblock_ = true;
    tally counts_;
};

}  // namespace

bool processfiles(const options& opt)
{
    const bool showprogress = opt.progress && isatty(STDERR_FILENO);
    progress bar(showprogress, showprogress ? countinputs(opt) : 0);
    printer out(opt, bar);
    const bool several = readsseveral(opt);
    walker inputs(opt.files, opt.recursive);
    // Trace lines go straight out: reading in parallel would mix them.
    const unsigned workers = opt.trace ? 1 : opt.workers;
    runbatch<runout>(
        inputs, workers,
        [&opt, several](const std::vector<input>& ins, runout& run, const handoverfn& handover) {
            readinputs(ins, opt, several, run, handover);
        },
        [&out](const runout& run) { out.print(run); });
    bar.finish(out.counts().inputs);
    if (opt.warnings && !opt.json && out.counts().inputs > 1)
        printsummary(out.counts());
    return out.counts().inputs == out.counts().exif;
}

}  // namespace exifkit::cli
