// The two read paths of the exifkit command, run on the worker threads: each
// input is read and what the command writes for it is kept, to be written
// out in input order.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "exifkit/exifkit.h"
#include "options.h"
#include "walk.h"

namespace exifkit::cli {

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

// What the command writes for a run of inputs: all of it in one text for
// each stream, so that a run takes no memory per file.
struct runout {
    // Once a run holds this much it is handed on before its next input, so
    // that what the command holds stays small however many files are large;
    // one file's output is bounded by the library's bounds per file.
    static constexpr std::size_t HANDOVER_BYTES = 1 << 20;

    std::string text, err;
    std::vector<outcome> inputs;

    bool full() const { return text.size() + err.size() > HANDOVER_BYTES; }

    // Empties the run, keeping the memory of an ordinary one only.
    void clear()
    {
        if (text.capacity() + err.capacity() > 2 * HANDOVER_BYTES) {
            *this = runout{};
            return;
        }
        text.clear();
        err.clear();
        inputs.clear();
    }
};

// Hands a run on to be written out, and leaves it empty.
using handoverfn = std::function<void(runout&)>;

// Reads each of the inputs, for the text output or (with -j) the JSON
// output, and appends what the command writes for it to the run; `several`
// puts a heading before each file's block. Whenever the run is full after an
// input, it goes to `handover`.
void readinputs(const std::vector<input>& ins, const options& opt, bool several, runout& run,
                const handoverfn& handover);

}  // namespace exifkit::cli
