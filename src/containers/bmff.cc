// ISO BMFF: the Exif items of HEIF and AVIF files (found through the items'
// types and locations in `meta`) and the TIFF pieces of Canon's CR3.
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "containers/boxes.h"
#include "containers/container.h"

namespace exifkit::detail {

namespace {

// The still-image brands, in the order of precedence when a file names
// several: HEIF and AVIF files all list `mif1` too, so AVIF must beat it.
struct brandformat {
    std::uint32_t brand;
    fileformat format;
};
constexpr brandformat BRANDS[] = {
    {fourcc("crx "), fileformat::cr3 },
    {fourcc("avif"), fileformat::avif},
    {fourcc("avis"), fileformat::avif},
    {fourcc("heic"), fileformat::heif},
    {fourcc("heix"), fileformat::heif},
    {fourcc("hevc"), fileformat::heif},
    {fourcc("heim"), fileformat::heif},
    {fourcc("heis"), fileformat::heif},
    {fourcc("mif1"), fileformat::heif},
    {fourcc("msf1"), fileformat::heif},
    {fourcc("j2ki"), fileformat::heif},
};

// The samples' meta boxes take at most 6 KB; one listing thousands of tiles
// takes a few hundred KB.
constexpr std::uint64_t MAX_META_BYTES = 4u << 20;
// The samples list at most 51 items (an iPhone: 48 tiles, the grid, a
// thumbnail, Exif); a 200 MP picture in 256-pixel tiles has about 3,000.
constexpr std::uint32_t MAX_ITEMS = 65536;
// Every Exif item of the samples is one extent; one of a few KB cut into
// more pieces than this is crafted.
constexpr std::uint32_t MAX_EXTENTS = 1024;

// Canon's box of metadata under `moov` in a CR3 file.
constexpr std::array<unsigned char, 16> CANON_UUID = {0x85, 0xc0, 0xb6, 0x87, 0x82, 0x0f, 0x11, 0xe0,
                                                       0x81, 0x11, 0xf4, 0xce, 0x46, 0x2b, 0x6a, 0x48};
struct cmtpiece {
    std::uint32_t type;
    tiffpart::kind role;
    const char* name;
};
constexpr cmtpiece CMT[] = {
    {fourcc("CMT1"), tiffpart::ifd0,      "CMT1"},
    {fourcc("CMT2"), tiffpart::exif,      "CMT2"},
    {fourcc("CMT3"), tiffpart::makernote, "CMT3"},
    {fourcc("CMT4"), tiffpart::gps,       "CMT4"},
};

struct extent {
    std::uint64_t offset;  // base offset + extent offset
    std::uint64_t length;  // 0: to the end of the file (or of idat)
};

// Where an Exif item's bytes are.
struct exifitem {
    std::uint32_t id = 0;
    bool located = false;
    bool usable = true;    // false once a warning ruled it out
    unsigned method = 0;   // 0: file offsets; 1: offsets into idat
    std::vector<extent> extents;
};

// The boxes of `meta` the items are read from.
struct metaboxes {
    std::span<const unsigned char> hdlr, pitm, iloc, idat;
    bool hasiloc = false, hasidat = false, hasiinf = false, hasiprp = false;
    box iinf, iprp;
};

// The payload of a box inside `meta` (held whole by then).
std::span<const unsigned char> inmeta(boxfile& file, const box& b, const char* what)
{
    return readpayload(file, b, MAX_META_BYTES, what);
}

// The primary item's ID, when pitm gives one.
std::optional<std::uint32_t> primaryitem(std::span<const unsigned char> pitm)
{
    bereader r(pitm);
    const std::uint8_t version = r.u8();
    r.skip(3);
    const std::uint32_t id = version == 0 ? r.u16() : version == 1 ? r.u32() : 0;
    if (!r.ok() || version > 1)
        return std::nullopt;
    return id;
}

// The IDs of the Exif items, from the `infe` boxes in iinf (hidden ones too).
std::vector<exifitem> exifitems(boxfile& file, const boxwalk& meta, const box& iinf)
{
    std::vector<exifitem> items;
    const std::span<const unsigned char> head = inmeta(file, iinf, "iinf");
    if (head.empty())
        return items;
    // The entry count (16-bit in version 0) is not needed: the boxes are walked.
    boxwalk walk(meta, iinf, head[0] == 0 ? 6 : 8);
    box b;
    for (std::uint32_t n = 0; walk.next(b); n++) {
        if (n == MAX_ITEMS) {
            file.ctx.warn("too many items; ignoring the rest");
            break;
        }
        if (b.type != fourcc("infe"))
            continue;
        bereader r(inmeta(file, b, "infe"));
        const std::uint8_t version = r.u8();
        r.skip(3);
        if (version != 2 && version != 3)
            continue;  // versions 0 and 1 have no item type
        const std::uint32_t id = version == 2 ? r.u16() : r.u32();
        const std::uint16_t protection = r.u16();
        const std::uint32_t type = r.u32();
        if (!r.ok() || type != fourcc("Exif"))
            continue;
        if (protection) {
            file.ctx.warn("protected Exif item not read");
        } else if (items.size() == MAX_EXIF_BLOCKS) {
            file.ctx.warn("too many Exif items; ignoring the rest");
            break;
        } else {
            items.emplace_back().id = id;
        }
    }
    return items;
}

bool validsize(unsigned size)
{
    return size == 0 || size == 4 || size == 8;
}

// Fills in the locations of the Exif items from iloc (versions 0 to 2).
void locate(context& ctx, std::span<const unsigned char> iloc, std::vector<exifitem>& items)
{
    bereader r(iloc);
    const std::uint8_t version = r.u8();
    r.skip(3);
    if (version > 2) {
        ctx.warn("unknown iloc version; item locations not read");
        return;
    }
    const std::uint8_t sizes = r.u8(), more = r.u8();
    const unsigned offsetsize = sizes >> 4, lengthsize = sizes & 15, basesize = more >> 4;
    const unsigned indexsize = version ? more & 15 : 0;
    if (!validsize(offsetsize) || !validsize(lengthsize) || !validsize(basesize) || !validsize(indexsize)) {
        ctx.warn("invalid iloc field size; item locations not read");
        return;
    }
    const std::uint32_t count = version < 2 ? r.u16() : r.u32();
    const std::uint32_t n = std::min(count, MAX_ITEMS);
    for (std::uint32_t i = 0; i < n && r.ok(); i++) {
        const std::uint32_t id = version < 2 ? r.u16() : r.u32();
        const unsigned method = version ? r.u16() & 15 : 0;
        r.skip(2);  // data reference index: 0 (this file) in every writer
        const std::uint64_t base = r.num(basesize);
        const std::uint16_t extents = r.u16();
        const auto it = std::find_if(items.begin(), items.end(),
                                     [id](const exifitem& item) { return item.id == id && !item.located; });
        if (it == items.end()) {
            r.skip(static_cast<std::size_t>(extents) * (indexsize + offsetsize + lengthsize));
            continue;
        }
        it->located = true;
        it->method = method;
        if (extents > MAX_EXTENTS) {
            ctx.warn("too many extents; Exif item not read");
            it->usable = false;
        }
        for (std::uint32_t e = 0; e < extents && r.ok(); e++) {
            r.skip(indexsize);
            const std::uint64_t offset = r.num(offsetsize), length = r.num(lengthsize);
            if (offset > UINT64_MAX - base && it->usable) {
                ctx.warn("Exif item lies past the end of the file; not read");
                it->usable = false;
            }
            if (it->usable)
                it->extents.push_back({base + offset, length});
        }
        if (!r.ok())
            it->located = false;  // cut short: its extents are not all known
    }
    if (!r.ok())
        ctx.warn("item locations cut short");
    else if (count > MAX_ITEMS)
        ctx.warn("too many items; ignoring the rest");
}

// The bytes of one extent, in the file or in idat, at most `room` of them;
// false with a warning when they lie past the end or are too many.
bool extentbytes(boxfile& file, const exifitem& item, const extent& e, std::span<const unsigned char> idat,
                 std::uint64_t room, std::span<const unsigned char>& out)
{
    static constexpr const char* PAST_END = "Exif item runs past the end of the file; not read";
    static constexpr const char* TOO_LARGE = "Exif item too large; not read";
    std::optional<std::uint64_t> size = file.bytes.size();
    if (item.method == 1)
        size = idat.size();
    if (size && (e.offset > *size || e.length > *size - e.offset)) {
        file.ctx.warn(item.method == 1 ? "Exif item runs past the end of idat; not read" : PAST_END);
        return false;
    }
    const std::uint64_t length = e.length ? e.length : size ? *size - e.offset : 0;
    if (length > room) {
        file.ctx.warn(TOO_LARGE);
        return false;
    }
    if (item.method == 1) {
        out = idat.subspan(static_cast<std::size_t>(e.offset), static_cast<std::size_t>(length));
        return true;
    }
    if (!size && !e.length) {
        // To the end of a stream whose size is not known yet.
        out = file.bytes.upto(e.offset, static_cast<std::size_t>(room) + 1);
        if (out.size() <= room)
            return true;
        file.ctx.warn(TOO_LARGE);
        return false;
    }
    // The payload alone: nothing after it is needed.
    const unsigned char* at = file.bytes.get(e.offset, static_cast<std::size_t>(length), static_cast<std::size_t>(length));
    if (!at) {
        file.ctx.warn(size ? "can't read the Exif item" : PAST_END);
        return false;
    }
    out = {at, static_cast<std::size_t>(length)};
    return true;
}

// The Exif item's bytes, its extents joined in order; empty after a warning.
std::span<const unsigned char> itembytes(boxfile& file, const exifitem& item, const metaboxes& m,
                                         containerfound& found)
{
    if (item.method > 1) {
        file.ctx.warn("unsupported construction method; Exif item not read");
        return {};
    }
    if (item.method == 1 && !m.hasidat) {
        file.ctx.warn("Exif item in a missing idat box; not read");
        return {};
    }
    std::vector<std::span<const unsigned char>> pieces;
    std::uint64_t total = 0;
    for (const extent& e : item.extents) {
        std::span<const unsigned char> piece;
        if (!extentbytes(file, item, e, m.idat, MAX_EXIF_BYTES - total, piece))
            return {};
        total += piece.size();
        pieces.push_back(piece);
    }
    if (!total) {
        file.ctx.warn("Exif item is empty");
        return {};
    }
    if (pieces.size() == 1)
        return pieces[0];
    std::vector<unsigned char>& joined = found.owned.emplace_back();
    joined.reserve(static_cast<std::size_t>(total));
    for (const std::span<const unsigned char> piece : pieces)
        joined.insert(joined.end(), piece.begin(), piece.end());
    return joined;
}

// The stored size of the primary item: the first `ispe` among its properties.
void primarysize(boxfile& file, const boxwalk& meta, const box& iprp, std::uint32_t primary, containerfound& found)
{
    std::vector<std::uint16_t> wanted;  // 1-based indexes into ipco
    box ipco{};
    bool hasipco = false;
    boxwalk walk(meta, iprp);
    box b;
    while (walk.next(b)) {
        if (b.type == fourcc("ipco") && !hasipco) {
            ipco = b;
            hasipco = true;
        }
        if (b.type != fourcc("ipma") || !wanted.empty())
            continue;
        bereader r(inmeta(file, b, "ipma"));
        const std::uint8_t version = r.u8();
        const bool wide = r.num(3) & 1;  // 15-bit property indexes
        const std::uint32_t entries = version < 2 ? std::min(r.u32(), MAX_ITEMS) : 0;
        for (std::uint32_t i = 0; i < entries && r.ok() && wanted.empty(); i++) {
            const std::uint32_t id = version < 1 ? r.u16() : r.u32();
            const std::uint8_t n = r.u8();
            for (unsigned k = 0; k < n && r.ok(); k++) {
                const std::uint16_t index = wide ? r.u16() & 0x7FFF : r.u8() & 0x7F;
                if (id == primary && r.ok())
                    wanted.push_back(index);
            }
        }
    }
    if (!hasipco || wanted.empty())
        return;
    const std::uint16_t last = *std::max_element(wanted.begin(), wanted.end());
    boxwalk properties(meta, ipco);
    for (std::uint16_t index = 1; index <= last && properties.next(b); index++) {
        if (b.type != fourcc("ispe") || std::find(wanted.begin(), wanted.end(), index) == wanted.end())
            continue;
        bereader r(inmeta(file, b, "ispe"));
        r.skip(4);
        const std::uint32_t width = r.u32(), height = r.u32();
        if (r.ok() && width && height) {
            found.width = width;
            found.height = height;
            return;
        }
    }
}

// Reads a top-level `meta`; false when it is not an image's (its handler is
// not `pict`).
bool readmeta(boxfile& file, const boxwalk& top, const box& metabox, containerfound& found)
{
    if (readpayload(file, metabox, MAX_META_BYTES, "meta").empty())
        return true;
    // Held whole now: the children below are read from the same bytes.
    const boxwalk meta(top, metabox, 4);
    boxwalk walk = meta;
    metaboxes m;
    box b;
    while (walk.next(b)) {
        switch (b.type) {
        case fourcc("hdlr"): m.hdlr = inmeta(file, b, "hdlr"); break;
        case fourcc("pitm"): m.pitm = inmeta(file, b, "pitm"); break;
        case fourcc("iloc"):
            m.iloc = inmeta(file, b, "iloc");
            m.hasiloc = true;
            break;
        case fourcc("idat"):
            m.idat = inmeta(file, b, "idat");
            m.hasidat = true;
            break;
        case fourcc("iinf"):
            m.iinf = b;
            m.hasiinf = true;
            break;
        case fourcc("iprp"):
            m.iprp = b;
            m.hasiprp = true;
            break;
        default: break;
        }
    }
    bereader handler(m.hdlr);
    handler.skip(8);
    if (const std::uint32_t type = handler.u32(); handler.ok() && type != fourcc("pict"))
        return false;

    std::vector<exifitem> items;
    if (m.hasiinf)
        items = exifitems(file, meta, m.iinf);
    if (!items.empty() && m.hasiloc)
        locate(file.ctx, m.iloc, items);
    for (const exifitem& item : items) {
        if (!item.located) {
            file.ctx.warn("Exif item has no location");
            continue;
        }
        if (!item.usable)
            continue;
        const std::span<const unsigned char> data = itembytes(file, item, m, found);
        if (data.empty())
            continue;
        if (const std::span<const unsigned char> tiff = exifpayload(file.ctx, data, "Exif item"); !tiff.empty())
            found.tiff.push_back({tiff, tiffpart::whole});
    }

    const std::optional<std::uint32_t> primary = primaryitem(m.pitm);
    if (primary && m.hasiprp)
        primarysize(file, meta, m.iprp, *primary, found);
    return true;
}

void readheif(boxfile& file, containerfound& found)
{
    boxwalk top(file);
    box b;
    while (top.next(b))
        if (b.type == fourcc("meta") && readmeta(file, top, b, found))
            return;  // what follows (mdat) is image data
    file.ctx.warn("no image meta box");
}

// The TIFF pieces in Canon's box: CMT1 to CMT4, the first of each.
void readcanon(boxfile& file, const boxwalk& moov, const box& canon, containerfound& found)
{
    bool seen[std::size(CMT)] = {};
    boxwalk walk(moov, canon);
    box b;
    while (walk.next(b)) {
        const auto it = std::find_if(std::begin(CMT), std::end(CMT), [&](const cmtpiece& p) { return p.type == b.type; });
        if (it == std::end(CMT) || seen[it - std::begin(CMT)])
            continue;
        seen[it - std::begin(CMT)] = true;
        const std::span<const unsigned char> data = readpayload(file, b, MAX_EXIF_BYTES, it->name);
        if (data.empty())
            continue;
        if (!istiff(data))
            file.ctx.warn("no TIFF header where the Exif data should start", it->name);
        else
            found.tiff.push_back({data, it->role});
    }
}

void readcr3(boxfile& file, containerfound& found)
{
    boxwalk top(file);
    box b;
    while (top.next(b)) {
        if (b.type != fourcc("moov"))
            continue;
        const boxwalk moov(top, b);
        boxwalk walk = moov;
        box child;
        while (walk.next(child))
            if (child.type == fourcc("uuid") && child.uuid == CANON_UUID) {
                readcanon(file, moov, child, found);
                return;
            }
        break;
    }
    file.ctx.warn("no Canon metadata box in moov");
}

}  // namespace

fileformat bmffformat(std::span<const unsigned char> head) noexcept
{
    if (head.size() < 12 || std::memcmp(head.data() + 4, "ftyp", 4) != 0)
        return fileformat::unknown;
    bereader r(head);
    std::uint64_t size = r.u32();
    r.skip(4);
    if (size == 1)
        size = r.num(8);
    else if (size == 0)
        size = head.size();
    // Brands: the major one, the minor version (skipped), the compatible ones.
    // Real files list a handful; looking no further than the first KiB keeps
    // the answer the same however much of the file the first read holds.
    constexpr std::uint64_t MAX_FTYP_BYTES = 1024;
    const std::uint64_t end = std::min({size, std::uint64_t{head.size()}, MAX_FTYP_BYTES});
    std::size_t best = std::size(BRANDS);
    for (std::uint64_t at = r.offset(), k = 0; at + 4 <= end; at += 4, k++) {
        if (k == 1)
            continue;
        const std::uint32_t brand = bereader(head.subspan(static_cast<std::size_t>(at), 4)).u32();
        for (std::size_t i = 0; i < best; i++)
            if (BRANDS[i].brand == brand)
                best = i;
    }
    return best < std::size(BRANDS) ? BRANDS[best].format : fileformat::video;
}

void readbmff(fetcher& bytes, context& ctx, fileformat format, containerfound& found)
{
    boxfile file{bytes, ctx};
    if (format == fileformat::cr3)
        readcr3(file, found);
    else if (format == fileformat::heif || format == fileformat::avif)
        readheif(file, found);
}

}  // namespace exifkit::detail
