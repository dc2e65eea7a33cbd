// The JPEG marker scanner.
#include "jpeg/scan.h"

#include <cstdint>

#include "exifkit/errors.h"

namespace exifkit {

namespace {

constexpr int MARKER_PREFIX = 0xFF;
constexpr int SOI = 0xD8;
constexpr int EOI = 0xD9;
constexpr int SOS = 0xDA;
constexpr int APP1 = 0xE1;
constexpr int APP2 = 0xE2;

// A stream that never reaches its start of scan (a device, a pipe that yields
// segments for ever) is given up on: real headers, thumbnails and previews
// included, take a few MiB at most.
constexpr std::uint64_t MAX_HEADER_BYTES = 256ull << 20;
// Real files carry a few KiB of junk before the start of image at most (the
// most in the sample photos, other formats among them, is 28 KiB); a stream
// of zeros is no JPEG file however long it is read.
constexpr std::uint64_t MAX_SOI_SEARCH = 1ull << 20;

// How far the scanner reads before it gives up, and with which reason.
struct readlimit {
    std::uint64_t bytes;
    const char* reason;
};
constexpr readlimit HEADER_LIMIT = {MAX_HEADER_BYTES, "invalid JPEG format (no start of scan in the first 256 MiB)"};
constexpr readlimit SOI_LIMIT = {MAX_SOI_SEARCH, "start of image not found"};

bool issof(int code)
{
    return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
}

// Reads the markers of one source; the frame header goes to the read's context.
class markerscanner {
public:
    markerscanner(detail::source& src, detail::context& ctx) noexcept : src_(src), ctx_(ctx), frame_(ctx.frame()) {}

    int scan(int* marker, unsigned int* length, int first)
    {
        if (first) {
            frame_ = detail::framestate{};
            expectsoi();
        }
        for (;;) {
            const int code = nxtmkr();
            *marker = code;
            if (issof(code)) {
                readsof();
            } else if (code == SOS || code == EOI) {
                return 0;
            } else if (code == APP1 || code == APP2) {
                *length = mkrlen();
                return 1;
            } else {
                skipbytes(mkrlen());
            }
        }
    }

private:
    int jpg1byte()
    {
        const int c = src_.getbyte();
        if (c == EOF)
            exifdie("invalid JPEG format");
        checklimit();
        return c;
    }

    // Big-endian; both bytes are read before either is tested.
    unsigned int jpg2byte()
    {
        const int high = src_.getbyte();
        const int low = src_.getbyte();
        if (high == EOF || low == EOF)
            exifdie("invalid JPEG format");
        checklimit();
        return (static_cast<unsigned int>(high) << 8) | static_cast<unsigned int>(low);
    }

    void checklimit() const
    {
        if (src_.offset() > limit_.bytes)
            exifdie(limit_.reason);
    }

    // A segment's length field counts itself; returns the number of data bytes.
    unsigned int mkrlen()
    {
        const unsigned int length = jpg2byte();
        if (length < 2)
            exifdie("invalid JPEG marker (length mismatch)");
        return length - 2;
    }

    // Passing the end of the data here is found by the next read, with the
    // same error as if the bytes had been read one by one.
    void skipbytes(unsigned int count)
    {
        if (!src_.skip(count))
            exifdie("invalid JPEG format");
    }

    // Returns the code byte of the next marker, passing over fill bytes and
    // warning once about any other bytes found before it.
    int nxtmkr()
    {
        bool spurious = false;
        int c = jpg1byte();
        while (c != MARKER_PREFIX) {
            spurious = true;
            c = jpg1byte();
        }
        while (c == MARKER_PREFIX)
            c = jpg1byte();
        if (spurious)
            ctx_.warn("skipped spurious bytes in JPEG");
        return c;
    }

    // Each value is stored as soon as it is read, so a malformed header still
    // leaves them set, though not `seen`.
    void readsof()
    {
        const unsigned int length = mkrlen();
        frame_.precision = jpg1byte();
        frame_.height = static_cast<int>(jpg2byte());
        frame_.width = static_cast<int>(jpg2byte());
        frame_.components = jpg1byte();
        const unsigned int components = static_cast<unsigned int>(frame_.components);
        if (length != components * 3 + 6)
            exifdie("invalid JPEG SOF marker (length mismatch)");
        skipbytes(components * 3);
        frame_.seen = 1;
    }

    // Consumes 0xFF 0xD8, or else searches for the start of image one marker on.
    void expectsoi()
    {
        const int c = jpg1byte();
        if (c == MARKER_PREFIX && jpg1byte() == SOI)
            return;
        ctx_.warn("doesn't appear to be a JPEG file; searching for start of image");
        limit_ = SOI_LIMIT;
        if (nxtmkr() != SOI)
            exifdie("start of image not found");
        limit_ = HEADER_LIMIT;
    }

    detail::source& src_;
    detail::context& ctx_;
    detail::framestate& frame_;
    readlimit limit_ = HEADER_LIMIT;
};

}  // namespace

namespace detail {

int jpegscan(source& src, int* marker, unsigned int* length, int first, context& ctx)
{
    return markerscanner(src, ctx).scan(marker, length, first);
}

}  // namespace detail

}  // namespace exifkit
