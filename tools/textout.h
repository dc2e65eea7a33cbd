// The text output of the exifkit command: the selected groups of properties
// under their headings and the frame line of -f for standard output, the
// warning and failure lines for standard error.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "exifkit/exifkit.h"
#include "options.h"
#include "walk.h"

namespace exifkit::cli {

// Formats the text output of one file as the library delivers it, with no
// copy of the properties in between: the selected groups under their
// headings (a group without properties left out) onto `out`, the warnings
// for -w onto `err`.
class textsink final : public InfoHandler, public WarningSink {
public:
    textsink(const options& opt, const std::string& path, std::string& out, std::string& err)
        : opt_(opt), path_(path), out_(out), err_(err)
    {
    }

    void beginOfInfoType(int level) override;
    void handleInfoWithName(const char* name, const char* value) override;
    void warning(const char* message, const char* detail) override;
    void error(const char* reason) override;

    // The warnings counted, printed or not.
    std::size_t warnings() const { return warnings_; }
    // The fatal error's reason, when there was one.
    const std::optional<std::string>& reason() const { return error_; }

private:
    const options& opt_;
    const std::string& path_;
    std::string& out_;
    std::string& err_;
    int level_ = 0;
    bool headed_ = false;
    std::size_t warnings_ = 0;
    std::optional<std::string> error_;
};

// Appends "Frame: W x H, N components, P-bit" ("Frame: W x H" for a format
// other than JPEG, which gives its size alone), or "Frame: none", as a line.
void appendframe(std::string& out, const std::optional<Frame>& f);

// Why the input could not be read at all (result 1): "cannot open file: No
// such file or directory", "cannot open directory: ...", "not a regular file".
std::string refusaltext(const input& in, int oserror);

// Why the input delivered no (or not all of its) Exif data, from its result
// code, the errno of a failed open or read and the fatal error's reason;
// empty when it did.
std::string failuretext(const input& in, int result, int oserror, const std::optional<std::string>& reason);

// Appends "exifkit: FILE: why" as a line, the file name made visible.
void appendfailure(std::string& err, const std::string& path, const std::string& why);

}  // namespace exifkit::cli
