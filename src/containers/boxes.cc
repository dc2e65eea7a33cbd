#include "containers/boxes.h"

#include <cstring>

namespace exifkit::detail {

namespace {

constexpr std::uint64_t HEADER = 8;
constexpr std::uint64_t LARGE_HEADER = 16;
constexpr std::uint64_t UUID_BYTES = 16;

}  // namespace

boxwalk::boxwalk(boxfile& file) noexcept
    : boxwalk(file, 0, file.bytes.size().value_or(UNKNOWN_END), 0, true)
{
}

boxwalk::boxwalk(const boxwalk& parent, const box& b, std::uint64_t skip)
    : boxwalk(parent.file_, b.payload, b.end, parent.depth_ + 1, false)
{
    if (depth_ > MAX_DEPTH)
        stop("boxes nested too deeply; ignoring them");
    else if (skip > end_ - at_)
        done_ = true;
    else
        at_ += skip;
}

boxwalk::boxwalk(boxfile& file, std::uint64_t begin, std::uint64_t end, int depth, bool top) noexcept
    : file_(file), at_(begin), end_(end), depth_(depth), top_(top)
{
}

bool boxwalk::stop(const char* why)
{
    done_ = true;
    if (why)
        file_.ctx.warn(why);
    return false;
}

bool boxwalk::next(box& b)
{
    if (done_ || file_.stopped)
        return false;
    // Fewer bytes than a header before the end: padding, not a box.
    if (end_ - at_ < HEADER)
        return stop(nullptr);
    const std::span<const unsigned char> head = file_.bytes.upto(at_, HEADER);
    if (head.size() < HEADER)
        return stop(nullptr);  // the end of a file whose size was not known
    if (++file_.boxes > boxfile::MAX_BOXES) {
        file_.stopped = true;
        return stop("too many boxes; ignoring the rest");
    }
    bereader r(head);
    std::uint64_t size = r.u32();
    b = box{};
    b.type = r.u32();
    b.at = at_;
    std::uint64_t header = HEADER;
    if (size == 1) {
        const unsigned char* large = end_ - at_ >= LARGE_HEADER ? file_.bytes.get(at_ + HEADER, 8) : nullptr;
        if (!large)
            return stop(top_ ? "box header runs past the end of the file; stopping"
                             : "box header runs past the end of its parent; stopping");
        size = bereader({large, 8}).num(8);
        header = LARGE_HEADER;
    } else if (size == 0) {
        size = end_ == UNKNOWN_END ? UNKNOWN_END : end_ - at_;
    }
    if (b.type == fourcc("uuid")) {
        const unsigned char* ext = end_ - at_ >= header + UUID_BYTES ? file_.bytes.get(at_ + header, UUID_BYTES) : nullptr;
        if (!ext)
            return stop(top_ ? "box header runs past the end of the file; stopping"
                             : "box header runs past the end of its parent; stopping");
        std::memcpy(b.uuid.data(), ext, UUID_BYTES);
        header += UUID_BYTES;
    }
    if (size < header)
        return stop("box size below its header size; stopping");
    if (size != UNKNOWN_END && size > end_ - at_)
        return stop(top_ ? "box size runs past the end of the file; stopping"
                         : "box size runs past the end of its parent; stopping");
    b.payload = at_ + header;
    b.end = size == UNKNOWN_END ? UNKNOWN_END : at_ + size;
    if (b.end == UNKNOWN_END)
        done_ = true;  // it runs to the end: nothing follows
    else
        at_ = b.end;
    return true;
}

std::span<const unsigned char> readpayload(boxfile& file, const box& b, std::uint64_t cap, const char* what)
{
    if (b.end == UNKNOWN_END) {
        // Runs to the end of a stream of unknown size: read what there is.
        const std::span<const unsigned char> got = file.bytes.upto(b.payload, static_cast<std::size_t>(cap) + 1);
        if (got.size() <= cap)
            return got;
    } else if (b.end - b.payload <= cap) {
        const std::size_t n = static_cast<std::size_t>(b.end - b.payload);
        if (const unsigned char* at = file.bytes.get(b.payload, n))
            return {at, n};
        file.ctx.warn("file ends inside a box", what);
        return {};
    }
    file.ctx.warn("box too large; not read", what);
    return {};
}

void bereader::skip(std::size_t n) noexcept
{
    if (n > left()) {
        ok_ = false;
        at_ = data_.size();
    } else {
        at_ += n;
    }
}

bool istiff(std::span<const unsigned char> data) noexcept
{
    static constexpr unsigned char II[4] = {'I', 'I', 0x2A, 0x00}, MM[4] = {'M', 'M', 0x00, 0x2A};
    return data.size() >= 4 && (std::memcmp(data.data(), II, 4) == 0 || std::memcmp(data.data(), MM, 4) == 0);
}

std::span<const unsigned char> exifpayload(context& ctx, std::span<const unsigned char> data, const char* what)
{
    bereader r(data);
    const std::uint32_t offset = r.u32();
    if (!r.ok() || offset > r.left() || !istiff(r.rest().subspan(offset))) {
        ctx.warn("no TIFF header where the Exif data should start", what);
        return {};
    }
    return r.rest().subspan(offset);
}

}  // namespace exifkit::detail
