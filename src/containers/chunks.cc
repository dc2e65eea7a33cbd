#include "containers/chunks.h"

#include <cstring>

namespace exifkit::detail {

namespace {

constexpr const char* PASTEND = "chunk length runs past the end of the file; stopping";
constexpr const char* HOLD = "metadata too large to hold; stopping";

}  // namespace

bool endwalk(const fetcher& bytes, context& ctx, std::uint64_t dataend, std::size_t got)
{
    if (bytes.exhausted())
        ctx.warn(HOLD);
    else if (beyond(bytes, dataend))
        ctx.warn(PASTEND);
    else if (got)
        ctx.warn("file ends inside a chunk header; stopping");
    else
        return true;
    return false;
}

const unsigned char* chunkdata(fetcher& bytes, context& ctx, std::uint64_t offset, std::size_t length)
{
    const unsigned char* data = bytes.get(offset, length);
    if (!data)
        ctx.warn(bytes.exhausted() ? HOLD : PASTEND);
    return data;
}

bool addexif(std::span<const unsigned char> data, context& ctx, containerfound& found)
{
    if (exifheaded(data))
        data = data.subspan(sizeof EXIFHEAD);
    // The header takes 8 bytes: the byte order, the magic 42, IFD0's offset.
    if (data.size() < 8 || (std::memcmp(data.data(), "II*\0", 4) != 0 && std::memcmp(data.data(), "MM\0*", 4) != 0)) {
        ctx.warn("Exif data without a TIFF header; skipping");
        return false;
    }
    found.tiff.push_back({data, tiffpart::whole});
    return true;
}

}  // namespace exifkit::detail
