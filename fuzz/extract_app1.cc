// Writes the data of every APP1 segment of each JPEG file named on the command
// line into the output folder, as <file name>.app1-<n>, to seed the exifparse
// fuzzer. Files that are not JPEG, or whose header is malformed, give what was
// found before the fault.
//
//   exifkit_extract_app1 OUTDIR PHOTO...
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "exifkit/errors.h"
#include "exifkit/jpeg.h"

namespace {

constexpr int MARKER_APP1 = 0xE1;

std::string basename_of(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool write_block(const std::string& path, const std::vector<unsigned char>& block)
{
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    const bool ok = std::fwrite(block.data(), 1, block.size(), out) == block.size();
    return std::fclose(out) == 0 && ok;
}

// Returns the number of blocks written, or -1 when one could not be written.
int extract(const std::string& photo, const std::string& outdir)
{
    std::FILE* in = std::fopen(photo.c_str(), "rb");
    if (!in)
        return 0;
    int written = 0;
    try {
        int marker = 0;
        unsigned int length = 0;
        for (int first = 1; exifkit::jpegscan(in, &marker, &length, first); first = 0) {
            std::vector<unsigned char> block(length);
            if (std::fread(block.data(), 1, length, in) != length)
                break;
            if (marker != MARKER_APP1)
                continue;
            const std::string name =
                outdir + "/" + basename_of(photo) + ".app1-" + std::to_string(written);
            if (!write_block(name, block)) {
                written = -1;
                break;
            }
            ++written;
        }
    } catch (const exifkit::ExifException&) {
        // Keep what was found before the malformed part.
    }
    std::fclose(in);
    return written;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTDIR PHOTO...\n", argv[0]);
        return 2;
    }
    int total = 0;
    for (int i = 2; i < argc; ++i) {
        const int n = extract(argv[i], argv[1]);
        if (n < 0) {
            std::fprintf(stderr, "%s: cannot write into %s\n", argv[0], argv[1]);
            return 1;
        }
        total += n;
    }
    std::printf("%d blocks\n", total);
    return 0;
}
