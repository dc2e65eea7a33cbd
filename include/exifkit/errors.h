// Fatal errors and warnings raised by the parsing code.
#pragma once

#include <exception>

#include "exifkit/export.h"

namespace exifkit {

// The one exception the library raises. readEXIF catches it; hosts that call
// the lower-level parsers (exifparse, exifscan, vary_append) catch it themselves.
class EXIFKIT_API ExifException : public std::exception {
public:
    // Formats the reason as "Error: <message>". Never allocates, so it can
    // report an allocation failure.
    explicit ExifException(const char* message) noexcept;

    const char* name() const noexcept { return "exifdie"; }
    const char* reason() const noexcept { return reason_; }
    // Defined in the library, which thereby holds the class's one vtable.
    const char* what() const noexcept override;

private:
    char reason_[256];
};

// Raises ExifException with the reason "Error: <message>".
[[noreturn]] EXIFKIT_API void exifdie(const char* message);

// Report a recoverable oddity; parsing goes on unchanged.
EXIFKIT_API void exifwarn(const char* message);
EXIFKIT_API void exifwarn2(const char* message, const char* detail);

// Receives the library's diagnostics. Register one with setWarningSink; with
// none registered every warning is discarded. A sink never changes what is parsed.
class EXIFKIT_API WarningSink {
public:
    virtual ~WarningSink() = default;

    // Every warning, in the order raised. detail is null for a plain warning,
    // otherwise the name of the property concerned or the system's error text.
    virtual void warning(const char* message, const char* detail) = 0;

    // The reason of a fatal error that readEXIF caught and that ended the reading
    // of a file ("Error: invalid JPEG format"). Not a warning: it comes only here.
    virtual void error(const char* reason) { (void)reason; }
};

// Registers the sink (null to discard again) and returns the one it replaces.
EXIFKIT_API WarningSink* setWarningSink(WarningSink* sink) noexcept;

// The registered sink, or null.
EXIFKIT_API WarningSink* warningSink() noexcept;

}  // namespace exifkit
