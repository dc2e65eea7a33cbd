// PNG: the image size from IHDR, and the Exif data of eXIf chunks and of the
// "Raw profile" text chunks that older writers (ImageMagick) leave.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "containers/chunks.h"
#include "containers/container.h"
#include "containers/inflate.h"

namespace exifkit::detail {

namespace {

constexpr unsigned char SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Real files hold a few dozen chunks beside their image data, which encoders
// cut into pieces of 8 KiB or more: 100,000 chunks pass 800 MB of it. A file
// of empty chunks would otherwise be walked 12 bytes a step to its end.
constexpr std::uint32_t MAX_CHUNKS = 100000;

// The largest raw profile decoded. An Exif block fits a JPEG segment (64 KiB)
// and has no reason to grow much beyond it in PNG; a text naming more is
// refused before it costs memory.
constexpr std::uint32_t MAX_PROFILE = 16u << 20;
// The longest profile text read or inflated: two hex digits a byte of the
// largest profile, with room for line breaks. Beyond it a compressed chunk
// is a decompression bomb.
constexpr std::uint64_t MAX_PROFILE_TEXT = 5ull * MAX_PROFILE / 2;

// A keyword takes 1 to 79 bytes before its NUL.
constexpr std::size_t KEYWORD_BYTES = 80;

constexpr const char* TOOLARGE = "raw profile too large; skipping";
constexpr const char* MALFORMED = "malformed text chunk; skipping";

enum class profile : unsigned char { none, exif, app1 };

profile profileof(std::string_view keyword) noexcept
{
    if (keyword == "Raw profile type exif")
        return profile::exif;
    if (keyword == "Raw profile type APP1")
        return profile::app1;
    return profile::none;
}

constexpr bool space(unsigned char c) noexcept
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\v' || c == '\f';
}

// What each byte is in the hex digits of a profile: its value, SPACE, or
// NOT_HEX. A profile's tens of thousands of digits are read from the table.
constexpr unsigned char SPACE = 16, NOT_HEX = 255;
struct hextable {
    unsigned char of[256];
    constexpr hextable() : of{}
    {
        for (int c = 0; c < 256; c++)
            of[c] = c >= '0' && c <= '9'   ? static_cast<unsigned char>(c - '0')
                    : c >= 'a' && c <= 'f' ? static_cast<unsigned char>(c - 'a' + 10)
                    : c >= 'A' && c <= 'F' ? static_cast<unsigned char>(c - 'A' + 10)
                    : space(static_cast<unsigned char>(c)) ? SPACE
                                                          : NOT_HEX;
    }
};
constexpr hextable HEX;

// Decodes the text of a raw profile as it comes, piece by piece: a line
// break, the profile's name, a line break, its byte count (right-aligned), a
// line break, then the bytes as hex digits broken by line breaks. Any white
// space is taken where line breaks and padding go.
class profiletext final : public inflatesink {
public:
    enum fault : unsigned char { none, malformed, toolarge, odd };

    bool take(std::span<const unsigned char> piece) override;
    // What was wrong with the text, once it has all been taken.
    fault finish() const noexcept
    {
        if (fault_ != none)
            return fault_;
        if (stage_ < count)
            return malformed;
        return high_ >= 0 ? odd : none;
    }
    std::uint32_t declared() const noexcept { return count_; }

    std::vector<unsigned char> bytes;

private:
    enum stage : unsigned char { lead, name, beforecount, count, digits };
    bool fail(fault f) noexcept
    {
        fault_ = f;
        return false;
    }

    stage stage_ = lead;
    fault fault_ = none;
    std::uint32_t count_ = 0;
    int high_ = -1;  // the first digit of a byte still to be completed
};

bool profiletext::take(std::span<const unsigned char> piece)
{
    if (fault_ != none)
        return false;
    std::size_t at = 0;
    for (; at < piece.size() && stage_ != digits; at++) {
        const unsigned char c = piece[at];
        switch (stage_) {
        case lead:
            if (!space(c))
                stage_ = name;
            break;
        case name:  // not needed: the keyword tells the kind
            if (c == '\n')
                stage_ = beforecount;
            break;
        case beforecount:
            if (space(c))
                break;
            stage_ = count;
            [[fallthrough]];
        case count:
            if (c >= '0' && c <= '9') {
                count_ = count_ * 10 + (c - '0');
                if (count_ > MAX_PROFILE)
                    return fail(toolarge);
            } else if (space(c)) {
                stage_ = digits;
            } else {
                return fail(malformed);
            }
            break;
        case digits: break;
        }
    }
    if (at < piece.size() && bytes.empty())
        bytes.reserve(count_);
    for (; at < piece.size(); at++) {
        const unsigned char d = HEX.of[piece[at]];
        if (d == SPACE)
            continue;
        if (d == NOT_HEX)
            return fail(malformed);
        if (high_ < 0) {
            high_ = d;
            continue;
        }
        if (bytes.size() == MAX_PROFILE)
            return fail(toolarge);
        bytes.push_back(static_cast<unsigned char>(high_ << 4 | d));
        high_ = -1;
    }
    return true;
}

// The text chunk `data` of the type, whose keyword (of `keyword` bytes and a
// NUL) names a raw profile.
void readprofile(std::string_view type, std::span<const unsigned char> data, std::size_t keyword, profile kind,
                 context& ctx, containerfound& found)
{
    std::span<const unsigned char> text = data.subspan(keyword + 1);
    bool compressed = false;
    unsigned char method = 0;
    if (type == "zTXt") {
        if (text.empty())
            return ctx.warn(MALFORMED);
        compressed = true;
        method = text[0];
        text = text.subspan(1);
    } else if (type == "iTXt") {
        // A compression flag and method, then a language tag and a translated
        // keyword, each ending in a NUL.
        if (text.size() < 2 || text[0] > 1)
            return ctx.warn(MALFORMED);
        compressed = text[0] == 1;
        method = text[1];
        text = text.subspan(2);
        for (int field = 0; field < 2; field++) {
            const void* nul = std::memchr(text.data(), 0, text.size());
            if (!nul)
                return ctx.warn(MALFORMED);
            text = text.subspan(static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - text.data()) + 1);
        }
    }
    if (compressed && method != 0)
        return ctx.warn("unknown text compression method; skipping");

    profiletext decoder;
    if (!compressed)
        decoder.take(text);
    else
        switch (inflatezlib(text, MAX_PROFILE_TEXT, decoder)) {
        case inflated::unavailable: return ctx.warn("compressed Exif text chunk not read (built without zlib)");
        case inflated::damaged: return ctx.warn("damaged compressed text chunk; skipping");
        case inflated::toolong: return ctx.warn(TOOLARGE);
        case inflated::done:
        case inflated::stopped: break;  // the decoder tells why it stopped
        }
    switch (decoder.finish()) {
    case profiletext::malformed: return ctx.warn("malformed raw profile text; skipping");
    case profiletext::toolarge: return ctx.warn(TOOLARGE);
    case profiletext::odd: return ctx.warn("odd number of hex digits in raw profile; skipping");
    case profiletext::none: break;
    }
    // An APP1 profile may hold XMP or other data instead of Exif.
    std::vector<unsigned char>& bytes = decoder.bytes;
    if (kind == profile::app1 && !exifheaded(bytes))
        return;
    if (bytes.size() != decoder.declared())
        ctx.warn("raw profile byte count does not match its data");
    found.owned.push_back(std::move(bytes));
    if (!addexif(found.owned.back(), ctx, found))
        found.owned.pop_back();
}

}  // namespace

void readpng(fetcher& bytes, context& ctx, containerfound& found)
{
    const unsigned char* signature = bytes.get(0, sizeof SIGNATURE);
    if (!signature || std::memcmp(signature, SIGNATURE, sizeof SIGNATURE) != 0)
        return ctx.warn("invalid PNG signature");
    bool sized = false;
    std::uint64_t at = sizeof SIGNATURE, dataend = at;
    // Each chunk: a 32-bit big-endian data length, the type, the data, a CRC.
    for (std::uint32_t n = 0;; n++) {
        const std::span<const unsigned char> head = bytes.upto(at, 8);
        if (head.size() < 8) {
            endwalk(bytes, ctx, dataend, head.size());
            return;
        }
        if (n == MAX_CHUNKS)
            return ctx.warn("too many chunks; stopping");
        const std::uint32_t length = be32(head.data());
        const std::string_view type(reinterpret_cast<const char*>(head.data()) + 4, 4);
        const std::uint64_t data = at + 8;
        dataend = data + length;
        if (beyond(bytes, dataend))
            return ctx.warn("chunk length runs past the end of the file; stopping");
        at = dataend + 4;

        if (type == "IEND")
            return;
        if (type == "IHDR" && !sized && length >= 8) {
            const unsigned char* size = chunkdata(bytes, ctx, data, 8);
            if (!size)
                return;
            found.width = be32(size);
            found.height = be32(size + 4);
            sized = true;
        } else if (type == "eXIf") {
            const unsigned char* exif = chunkdata(bytes, ctx, data, length);
            if (!exif)
                return;
            addexif({exif, length}, ctx, found);
        } else if (type == "tEXt" || type == "zTXt" || type == "iTXt") {
            // Only the keyword is read from the chunks of other texts.
            const std::span<const unsigned char> keyword = bytes.upto(data, std::min<std::size_t>(length, KEYWORD_BYTES));
            const void* nul = keyword.empty() ? nullptr : std::memchr(keyword.data(), 0, keyword.size());
            if (!nul)
                continue;
            const auto keywordlength = static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - keyword.data());
            const profile kind = profileof({reinterpret_cast<const char*>(keyword.data()), keywordlength});
            if (kind == profile::none)
                continue;
            if (length > MAX_PROFILE_TEXT) {
                ctx.warn(TOOLARGE);
                continue;
            }
            const unsigned char* text = chunkdata(bytes, ctx, data, length);
            if (!text)
                return;
            readprofile(type, {text, length}, keywordlength, kind, ctx, found);
        }
    }
}

}  // namespace exifkit::detail
