#include "exifkit/jpeg.h"

#include "exifkit/errors.h"

namespace exifkit {

namespace {

constexpr int MARKER_PREFIX = 0xFF;
constexpr int SOI = 0xD8;
constexpr int EOI = 0xD9;
constexpr int SOS = 0xDA;
constexpr int APP1 = 0xE1;
constexpr int APP2 = 0xE2;

// The stream being scanned and the last frame header read from it.
std::FILE* infile = nullptr;
int jpg_prcsn = 0;
int jpg_height = 0;
int jpg_width = 0;
int jpg_cmpnts = 0;
int seensof = 0;

int jpg1byte()
{
    const int c = std::fgetc(infile);
    if (c == EOF)
        exifdie("invalid JPEG format");
    return c;
}

// Big-endian; both bytes are read before either is tested.
unsigned int jpg2byte()
{
    const int high = std::fgetc(infile);
    const int low = std::fgetc(infile);
    if (high == EOF || low == EOF)
        exifdie("invalid JPEG format");
    return (static_cast<unsigned int>(high) << 8) | static_cast<unsigned int>(low);
}

// A segment's length field counts itself; returns the number of data bytes.
unsigned int mkrlen()
{
    const unsigned int length = jpg2byte();
    if (length < 2)
        exifdie("invalid JPEG marker (length mismatch)");
    return length - 2;
}

void skipbytes(unsigned int count)
{
    for (; count > 0; --count)
        jpg1byte();
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
        exifwarn("skipped spurious bytes in JPEG");
    return c;
}

bool issof(int code)
{
    return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
}

// Each value is stored as soon as it is read, so a malformed header still
// leaves them set, though not seensof.
void readsof()
{
    const unsigned int length = mkrlen();
    jpg_prcsn = jpg1byte();
    jpg_height = static_cast<int>(jpg2byte());
    jpg_width = static_cast<int>(jpg2byte());
    jpg_cmpnts = jpg1byte();
    const unsigned int components = static_cast<unsigned int>(jpg_cmpnts);
    if (length != components * 3 + 6)
        exifdie("invalid JPEG SOF marker (length mismatch)");
    skipbytes(components * 3);
    seensof = 1;
}

// Consumes 0xFF 0xD8, or else searches for the start of image one marker on.
void expectsoi()
{
    const int c = jpg1byte();
    if (c == MARKER_PREFIX && jpg1byte() == SOI)
        return;
    exifwarn("doesn't appear to be a JPEG file; searching for start of image");
    if (nxtmkr() != SOI)
        exifdie("start of image not found");
}

}  // namespace

int jpegscan(std::FILE* stream, int* marker, unsigned int* length, int first)
{
    infile = stream;
    if (first) {
        jpegreset();
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

int jpeginfo(int* precision, int* components, int* height, int* width)
{
    *precision = jpg_prcsn;
    *components = jpg_cmpnts;
    *height = jpg_height;
    *width = jpg_width;
    return seensof;
}

void jpegreset() noexcept
{
    jpg_prcsn = 0;
    jpg_height = 0;
    jpg_width = 0;
    jpg_cmpnts = 0;
    seensof = 0;
}

}  // namespace exifkit
