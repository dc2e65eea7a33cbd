// Reading a file of any format: its first bytes say which, and each format
// leads to the Exif data it holds: JPEG segments, TIFF data read in pages,
// a container's Exif payloads, a raw file's embedded JPEG.
#include <algorithm>
#include <cstring>
#include <optional>

#include "containers/container.h"
#include "exif/view.h"
#include "exifkit/errors.h"
#include "host/read.h"
#include "io/fetch.h"
#include "io/image.h"
#include "parse/parse.h"

namespace exifkit::detail {

namespace {

// The first read. The JPEG headers of the sample photos take 12 KiB on
// average: 16 KiB hold 78 in 100 of them whole (64 KiB would hold 98 but copy
// 32 KiB a file, which costs more than a second read); the rest of a longer
// header comes in one more read.
constexpr std::size_t FIRST_READ = 16 * 1024;

constexpr const char* UNKNOWN_FORMAT =
    "unknown file format (reads JPEG, TIFF and raw files, HEIF/HEIC, AVIF, CR3, PNG, WebP, JPEG XL and RAF)";

constexpr std::uint16_t TAG_WIDTH = 0x0100, TAG_HEIGHT = 0x0101, TAG_JPGFROMRAW = 0x002E;

// A fileimage as the views' pager.
class imagepager final : public pager {
public:
    explicit imagepager(fileimage& image) noexcept : image_(image) {}
    bool load(const unsigned char* at, std::uint64_t n) noexcept override { return image_.load(at, n); }

private:
    fileimage& image_;
};

void setframe(context& ctx, std::optional<std::uint32_t> width, std::optional<std::uint32_t> height)
{
    if (!width || !height || *width > INT32_MAX || *height > INT32_MAX)
        return;
    framestate& frame = ctx.frame();
    frame = framestate{};
    frame.width = static_cast<int>(*width);
    frame.height = static_cast<int>(*height);
    frame.seen = 1;
}

// An entry of IFD0.
const exif_prop* mainentry(const exif_info& info, std::uint16_t tag) noexcept
{
    for (const exif_prop* prop = info.props; prop; prop = prop->next)
        if (prop->origin == PROP_ENTRY && !prop->par && prop->ifdseq == 0 && prop->tag == tag)
            return prop;
    return nullptr;
}

bool deliverblock(context& ctx, const exif_info* info)
{
    if (!info || !info->props)
        return false;
    deliver(ctx, *info);
    return true;
}

// The bytes of a TIFF file as read for its directories, in memory or in
// pages loaded on use: an embedded JPEG is read from them, as a pipe cannot
// go back for it.
class imagebytes final : public bytesource {
public:
    imagebytes(const unsigned char* data, std::uint64_t size, pager* pages) noexcept
        : data_(data), size_(size), pages_(pages)
    {
    }
    std::optional<std::uint64_t> size() const noexcept override { return size_; }
    const unsigned char* inplace(std::uint64_t offset, std::size_t length) const noexcept override
    {
        if (offset > size_ || length > size_ - offset || (pages_ && !pages_->load(data_ + offset, length)))
            return nullptr;
        return data_ + offset;
    }

private:
    std::size_t fetch(std::uint64_t offset, unsigned char* out, std::size_t length) override
    {
        if (offset >= size_)
            return 0;
        length = static_cast<std::size_t>(std::min<std::uint64_t>(length, size_ - offset));
        // A pipe's image ends where its data do: take what loads.
        while (length && !inplace(offset, length))
            length /= 2;
        if (length)
            std::memcpy(out, data_ + offset, length);
        return length;
    }

    const unsigned char* data_;
    std::uint64_t size_;
    pager* pages_;
};

// The embedded JPEG of a raw file: an offset and a length inside it.
struct embedded {
    std::uint64_t offset, length;
};

// Reads the JPEG at [offset, offset + length) of the file as a file of its
// own; the part past the file's end is left out.
int readembedded(context& ctx, bytesource& bytes, embedded jpeg, bool& delivered)
{
    const std::optional<std::uint64_t> size = bytes.size();
    if (size && (jpeg.offset >= *size || jpeg.length > *size - jpeg.offset)) {
        ctx.warn("embedded JPEG runs past the end of the file");
        if (jpeg.offset >= *size)
            return EXIF_NONE;
        jpeg.length = *size - jpeg.offset;
    }
    windowbytes window(bytes, jpeg.offset, jpeg.length);
    return readjpeg(ctx, window, {}, delivered, nullptr);
}

// The size of a file whose image was made `size` bytes long. A pipe's size
// is not known until it ends: it is read on to the embedded JPEG's last byte,
// so that a JPEG running past its end is cut where the file ends, as it is
// when the size is known from the start.
std::uint64_t knownsize(bytesource& bytes, const unsigned char* data, std::uint64_t size, pager* paging,
                        embedded jpeg)
{
    if (!bytes.size() && paging && jpeg.offset < size)
        paging->load(data + std::min(size, jpeg.offset + jpeg.length) - 1, 1);
    return std::min(size, bytes.size().value_or(size));
}

// The TIFF data of the whole file: in place when in memory, else read in
// pages as the directories ask for them.
int readtiff(context& ctx, bytesource& bytes, bool& delivered)
{
    const std::uint64_t size = std::min(bytes.size().value_or(forwardbytes::KEEP_BYTES), fileimage::MAX_SIZE);
    std::optional<fileimage> image;
    std::optional<imagepager> pages;
    const unsigned char* data = bytes.inplace(0, static_cast<std::size_t>(size));
    if (!data) {
        image.emplace(bytes, size);
        pages.emplace(*image);
        data = image->data();
    }
    pager* paging = pages ? &*pages : nullptr;
    const exif_info* info = parsetiff(ctx, data, size, paging);
    if (!info) {
        ctx.endparse();
        return EXIF_OK;
    }
    const exif_prop* width = mainentry(*info, TAG_WIDTH);
    const exif_prop* height = mainentry(*info, TAG_HEIGHT);
    if (width && height)
        setframe(ctx, width->value, height->value);
    // An RW2 file keeps its complete Exif block, maker note included, in an
    // embedded JPEG; its own directories repeat a few of those tags. The
    // JPEG's block wins when it has one.
    const exif_prop* jpg = mainentry(*info, TAG_JPGFROMRAW);
    if (jpg && jpg->type == TYPE_UNDEFINED && jpg->count > 4) {
        const embedded jpeg{jpg->value, jpg->count};
        ctx.endparse();
        imagebytes file(data, knownsize(bytes, data, size, paging, jpeg), paging);
        try {
            const int result = readembedded(ctx, file, jpeg, delivered);
            if (delivered)
                return result;
        } catch (const ExifException& e) {
            // A damaged JPEG leaves the file's own directories to deliver.
            if (delivered)
                throw;
            ctx.warn("embedded JPEG not read", e.reason());
        }
        info = parsetiff(ctx, data, size, paging);
    }
    delivered = deliverblock(ctx, info) || delivered;
    ctx.endparse();
    return EXIF_OK;
}

// RAF: the offset and length of the embedded JPEG, big-endian at 84 and 88.
int readraf(context& ctx, bytesource& bytes, std::span<const unsigned char> head, bool& delivered)
{
    constexpr std::size_t POINTER = 84;
    if (head.size() < POINTER + 8) {
        ctx.warn("RAF header cut short");
        return EXIF_NONE;
    }
    const embedded jpeg{get32(head.data() + POINTER, ORDER_BIG), get32(head.data() + POINTER + 4, ORDER_BIG)};
    return readembedded(ctx, bytes, jpeg, delivered);
}

// The Exif payloads of a container, each delivered as a block; a CR3 file's
// pieces as one.
int readcontainer(context& ctx, fetcher& held, fileformat format, bool& delivered)
{
    containerfound found;
    switch (format) {
    case fileformat::png: readpng(held, ctx, found); break;
    case fileformat::webp: readwebp(held, ctx, found); break;
    case fileformat::jxl: readjxl(held, ctx, found); break;
    default: readbmff(held, ctx, format, found); break;
    }
    setframe(ctx, found.width, found.height);
    if (format == fileformat::cr3) {
        tiffpieces pieces;
        for (const tiffpart& part : found.tiff)
            switch (part.role) {
            case tiffpart::ifd0: pieces.ifd0 = part.data; break;
            case tiffpart::exif: pieces.exif = part.data; break;
            case tiffpart::makernote: pieces.makernote = part.data; break;
            case tiffpart::gps: pieces.gps = part.data; break;
            default: break;
            }
        if (!found.tiff.empty() && ctx.takeblock())
            delivered = deliverblock(ctx, parsepieces(ctx, pieces)) || delivered;
        ctx.endparse();
        return EXIF_OK;
    }
    for (const tiffpart& part : found.tiff) {
        if (!ctx.takeblock())
            break;
        delivered = deliverblock(ctx, parsetiff(ctx, part.data.data(), part.data.size(), nullptr)) || delivered;
        ctx.endparse();
    }
    return EXIF_OK;
}

}  // namespace

int readfile(context& ctx, bytesource& bytes, bool& delivered, std::uint64_t* used)
{
    fetcher held(bytes);
    // A file in memory is all head: nothing is copied.
    const std::uint64_t first = bytes.memorysize().value_or(FIRST_READ);
    const std::span<const unsigned char> head = held.upto(0, static_cast<std::size_t>(first), FIRST_READ);
    if (head.empty() && bytes.readerror())
        return EXIF_CANT_OPEN;
    const fileformat format = recognise(head);
    if (format != fileformat::unknown && format != fileformat::video)
        ctx.setformat(formatname(format));
    switch (format) {
    case fileformat::jpeg: return readjpeg(ctx, bytes, head, delivered, used);
    case fileformat::tiff: return readtiff(ctx, bytes, delivered);
    case fileformat::raf: return readraf(ctx, bytes, head, delivered);
    case fileformat::crw: ctx.warn("a CRW file holds no Exif block"); return EXIF_NONE;
    case fileformat::video: exifdie(UNKNOWN_FORMAT);
    case fileformat::unknown: break;
    default:
        // A bare JPEG XL codestream has no box to hold Exif data.
        if (format == fileformat::jxl && head.size() >= 2 && head[0] == 0xFF)
            return EXIF_NONE;
        return readcontainer(ctx, held, format, delivered);
    }
    // Neither a JPEG nor any other format: a JPEG may still follow some junk.
    try {
        ctx.setformat(formatname(fileformat::jpeg));
        return readjpeg(ctx, bytes, head, delivered, used);
    } catch (const ExifException&) {
        if (delivered)
            throw;
        ctx.setformat(nullptr);
        exifdie(UNKNOWN_FORMAT);
    }
}

}  // namespace exifkit::detail
