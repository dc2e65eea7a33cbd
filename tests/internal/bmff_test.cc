// The ISO BMFF (HEIF, AVIF, CR3) and JPEG XL readers on files built box by
// box, on the sample files, and on crash reproducers.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>

#include "containers/container.h"
#include "io/bytes.h"
#include "io/fetch.h"
#include "support/delivery.h"

namespace exifkit::test {
namespace {

using detail::fileformat;
using detail::tiffpart;

bytes be(std::uint64_t v, int n)
{
    bytes out;
    for (int i = n - 1; i >= 0; i--)
        out.push_back(static_cast<unsigned char>(v >> 8 * i));
    return out;
}
bytes boxes(const std::vector<bytes>& list)
{
    bytes out;
    for (const bytes& b : list)
        out.insert(out.end(), b.begin(), b.end());
    return out;
}
bytes box(const std::string& type, const bytes& payload) { return cat({be(8 + payload.size(), 4), text(type), payload}); }
bytes full(const std::string& type, int version, std::uint32_t flags, const bytes& payload) { return box(type, cat({be(version, 1), be(flags, 3), payload})); }

using Pieces = std::vector<std::pair<int, bytes>>;  // role, data
struct Result {
    Pieces parts;
    std::optional<std::uint32_t> width, height;
    strings warnings;  // "message (detail)"
};

// Reads a file held in memory, or (forward) as a pipe whose size is not known.
Result read(const bytes& file, fileformat format, bool forward = false)
{
    struct : WarningSink {
        strings got;
        void warning(const char* m, const char* d) override { got.push_back(std::string(m) + (d ? " (" + std::string(d) + ")" : "")); }
    } sink;
    detail::readstate st;
    st.sink = &sink;
    detail::context ctx(st);
    std::FILE* stream = forward && !file.empty() ? fmemopen(const_cast<unsigned char*>(file.data()), file.size(), "rb") : nullptr;
    detail::memorybytes memory(file.data(), file.size());
    detail::forwardbytes pipe(stream);
    detail::fetcher fetch(stream ? static_cast<detail::bytesource&>(pipe) : memory);
    detail::containerfound found;
    format == fileformat::jxl ? detail::readjxl(fetch, ctx, found) : detail::readbmff(fetch, ctx, format, found);
    Result r{{}, found.width, found.height, sink.got};
    for (const tiffpart& p : found.tiff)
        r.parts.emplace_back(p.role, bytes(p.data.begin(), p.data.end()));
    if (stream)
        std::fclose(stream);
    return r;
}

bytes tiffdata(int order)
{
    TiffBuilder b(order);
    return b.ascii(b.dir(), 0x010F, "Canon").tiff();
}
const bytes TIFF = tiffdata(ORDER_BIG);
const bytes EXIF0 = cat({be(0, 4), TIFF});                                    // TIFF header right after the offset
const bytes EXIF6 = cat({be(6, 4), text(std::string("Exif\0\0", 6)), TIFF});  // as iPhones write it
Pieces whole(std::size_t n) { return Pieces(n, {tiffpart::whole, TIFF}); }

// HEIF pieces: an image item and a hidden Exif item (2), their locations.
const bytes FTYP = box("ftyp", cat({text("heic"), be(0, 4), text("mif1heic")}));
bytes hdlr(const std::string& type) { return full("hdlr", 0, 0, cat({be(0, 4), text(type), bytes(13, 0)})); }
bytes infe(int version, std::uint32_t id, const std::string& type, std::uint16_t protection = 0)
{
    return full("infe", version, 1, cat({be(id, version == 2 ? 2 : 4), be(protection, 2), text(type), {0}}));
}
bytes iinf(const std::vector<bytes>& entries) { return full("iinf", 0, 0, cat({be(entries.size(), 2), boxes(entries)})); }
const bytes IINF = iinf({infe(2, 1, "hvc1"), infe(2, 2, "Exif")});

using Extents = std::vector<std::pair<std::uint64_t, std::uint64_t>>;  // offset, length
struct Loc {
    std::uint32_t id;
    unsigned method;
    std::uint64_t base;
    Extents extents;
};
// Field sizes: offset, length, base offset, index.
bytes iloc(int version, std::array<int, 4> size, const std::vector<Loc>& items, std::int64_t count = -1)
{
    const int idsize = version < 2 ? 2 : 4;
    std::vector<bytes> fields = {{static_cast<unsigned char>(size[0] << 4 | size[1]), static_cast<unsigned char>(size[2] << 4 | size[3])},
                                 be(count < 0 ? items.size() : static_cast<std::uint64_t>(count), idsize)};
    for (const Loc& item : items) {
        fields.insert(fields.end(), {be(item.id, idsize), version ? be(item.method, 2) : bytes{}, be(0, 2), be(item.base, size[2]), be(item.extents.size(), 2)});
        for (auto [offset, length] : item.extents)
            fields.insert(fields.end(), {be(1, size[3]), be(offset, size[0]), be(length, size[1])});
    }
    return full("iloc", version, 0, boxes(fields));
}
constexpr std::array<int, 4> SIZES = {4, 4, 0, 0};
bytes meta(const std::vector<bytes>& children) { return full("meta", 0, 0, cat({hdlr("pict"), boxes(children)})); }

// ftyp, `before`, meta, then mdat holding data; meta(at) is given the file
// offset of data (its size must not depend on it).
using Meta = std::function<bytes(std::uint64_t at)>;
bytes heif(const Meta& m, const bytes& data, const bytes& before = {})
{
    const std::uint64_t at = FTYP.size() + before.size() + m(0).size() + 8;
    return cat({FTYP, before, m(at), box("mdat", data)});
}
// Exif item 2 as one extent holding data in mdat.
bytes oneitem(const bytes& data, const bytes& before = {})
{
    return heif([&](std::uint64_t at) { return meta({IINF, iloc(0, SIZES, {{2, 0, 0, {{at, data.size()}}}})}); }, data, before);
}

TEST(Heif, ExifItemsThroughEveryLocationForm)
{
    // One Exif item; its extents' offsets count from the data in mdat ('e'),
    // the base offset holds the data's position ('b') or wraps around to it
    // with them ('w'), or they count from the start of idat ('i').
    const auto one = [](int version, std::array<int, 4> size, unsigned method, char mode, Extents extents, const bytes& more = {}) -> Meta {
        return [=](std::uint64_t at) {
            Extents placed = extents;
            for (auto& e : placed)
                e.first += mode == 'e' ? at : mode == 'w' ? at + 1 : 0;
            const std::uint64_t base = mode == 'b' ? at : mode == 'w' ? ~0ull : 0;
            return meta({IINF, iloc(version, size, {{2, method, base, placed}}), more});
        };
    };
    const std::uint64_t n = EXIF0.size(), cut = 10, n6 = EXIF6.size();
    const bytes idat = box("idat", cat({bytes(3, 9), EXIF0})), big(9 << 20, 0);
    const bytes swapped = cat({bytes(EXIF0.begin() + cut, EXIF0.end()), bytes(EXIF0.begin(), EXIF0.begin() + cut)});
    std::vector<Loc> many(65536, Loc{7, 0, 0, {}});
    many.push_back({2, 0, 0, {{0, n}}});
    const Meta wide = [&](std::uint64_t at) {
        return meta({iinf({infe(3, 70000, "Exif"), infe(3, 70001, "Exif")}),
                     iloc(2, {8, 8, 4, 4}, {{70000, 0, at - 2, {{2, n}}}, {70001, 0, at, {{n, n6}}}})});
    };
    const Meta endless = [&](std::uint64_t at) { return meta({IINF, iloc(2, SIZES, {{2, 0, 0, {{at, n}}}}, 0xFFFFFFFF)}); };
    const Meta capped = [&](std::uint64_t) { return meta({IINF, iloc(2, SIZES, many)}); };
    const Meta nowhere = [](std::uint64_t) { return meta({IINF}); };
    const Meta secret = [](std::uint64_t) { return meta({iinf({infe(2, 2, "Exif", 1)})}); };
    const Meta noexif = [](std::uint64_t) { return meta({iinf({infe(2, 1, "hvc1")})}); };
    const Meta mdir = [&](std::uint64_t at) { return cat({full("meta", 0, 0, hdlr("mdir")), one(0, SIZES, 0, 'e', {{0, n}})(at)}); };
    const std::string nolocation = "Exif item has no location", notiff = "no TIFF header where the Exif data should start (Exif item)";
    const struct {
        const char* name;
        Meta meta;
        bytes mdat;
        std::size_t parts;  // each the TIFF data
        strings warnings;
    } cases[] = {
        // name                             meta                                                       mdat                    parts warnings
        {"v0, hidden, offset 0",            one(0, SIZES, 0, 'e', {{0, n}}),                           EXIF0,                  1, {}},
        {"v1, Exif\\0\\0, all in the base", one(1, {4, 4, 8, 0}, 0, 'b', {{0, n6}}),                   EXIF6,                  1, {}},
        {"v1, idat",                        one(1, SIZES, 1, 'i', {{3, n}}, idat),                     {},                     1, {}},
        {"v1, idat to its end",             one(1, SIZES, 1, 'i', {{3, 0}}, idat),                     {},                     1, {}},
        {"v0, to the end of the file",      one(0, SIZES, 0, 'e', {{0, 0}}),                           EXIF0,                  1, {}},
        {"v0, two extents joined in order", one(0, SIZES, 0, 'e', {{n - cut, cut}, {0, n - cut}}),     swapped,                1, {}},
        {"v2, 32-bit IDs, index, 8 bytes",  wide,                                                      cat({EXIF0, EXIF6}),    2, {}},
        {"a meta of another handler first", mdir,                                                      EXIF0,                  1, {}},
        {"no Exif item",                    noexif,                                                    EXIF0,                  0, {}},
        {"enormous item count",             endless,                                                   EXIF0,                  1, {"item locations cut short"}},
        {"more items than the cap",         capped,                                                    EXIF0,                  0, {"too many items; ignoring the rest", nolocation}},
        {"position wraps around",           one(1, {8, 8, 8, 0}, 0, 'w', {{0, n}}),                    EXIF0,                  0, {"Exif item lies past the end of the file; not read"}},
        {"extent past the end",             one(0, SIZES, 0, 'e', {{0, n + 1}}),                       EXIF0,                  0, {"Exif item runs past the end of the file; not read"}},
        {"extent past idat",                one(1, SIZES, 1, 'i', {{4, n}}, idat),                     {},                     0, {"Exif item runs past the end of idat; not read"}},
        {"no idat",                         one(1, SIZES, 1, 'i', {{3, n}}),                           {},                     0, {"Exif item in a missing idat box; not read"}},
        {"method 2",                        one(1, SIZES, 2, 'e', {{0, n}}),                           EXIF0,                  0, {"unsupported construction method; Exif item not read"}},
        {"iloc v3",                         one(3, SIZES, 0, 'e', {{0, n}}),                           EXIF0,                  0, {"unknown iloc version; item locations not read", nolocation}},
        {"field size 2",                    one(0, {2, 4, 0, 0}, 0, 'e', {{0, n}}),                    EXIF0,                  0, {"invalid iloc field size; item locations not read", nolocation}},
        {"no extents",                      one(0, SIZES, 0, 'e', {}),                                 EXIF0,                  0, {"Exif item is empty"}},
        {"too many extents",                one(0, SIZES, 0, 'e', Extents(1025, {0, 1})),              EXIF0,                  0, {"too many extents; Exif item not read"}},
        {"too large once joined",           one(0, SIZES, 0, 'e', {{0, big.size()}, {0, big.size()}}), big,                    0, {"Exif item too large; not read"}},
        {"offset misses the TIFF header",   one(0, SIZES, 0, 'e', {{0, n + 2}}),                       cat({be(2, 4), EXIF0}), 0, {notiff}},
        {"offset past the data",            one(0, SIZES, 0, 'e', {{0, n}}),                           cat({be(n, 4), TIFF}),  0, {notiff}},
        {"no location",                     nowhere,                                                   EXIF0,                  0, {nolocation}},
        {"protected",                       secret,                                                    EXIF0,                  0, {"protected Exif item not read"}},
    };
    for (const auto& c : cases) {
        for (bool forward : {false, true}) {
            const Result r = read(heif(c.meta, c.mdat), fileformat::heif, forward);
            EXPECT_EQ(r.parts, whole(c.parts)) << c.name << forward;
            EXPECT_EQ(r.warnings, c.warnings) << c.name << forward;
        }
    }
}

TEST(Heif, BoxHeadersOfEveryFormAndTheirFaults)
{
    const std::uint64_t n = EXIF0.size();
    const std::uint64_t at = FTYP.size() + 8;  // behind mdat's header, when mdat comes first
    bytes last = meta({IINF, iloc(0, SIZES, {{2, 0, 0, {{at, n}}}})});
    std::fill(last.begin(), last.begin() + 4, 0);
    const bytes cutchild = meta({iinf({infe(2, 2, "Exif"), cat({be(99, 4), text("infe")})}), iloc(0, SIZES, {{2, 0, 0, {{at, n}}}})});
    const bytes frees = boxes(std::vector<bytes>(65536, box("free", {})));
    const std::string nometa = "no image meta box", below = "box size below its header size; stopping";
    const struct {
        const char* name;
        bytes file;
        std::size_t parts;  // each the TIFF data
        strings warnings;
    } cases[] = {
        // name                   file                                                                   parts warnings
        {"largesize box first",   oneitem(EXIF0, cat({be(1, 4), text("free"), be(20, 8), bytes(4, 1)})), 1, {}},
        {"size 0: the last box",  cat({FTYP, box("mdat", EXIF0), last}),                                 1, {}},
        {"child past its parent", cat({FTYP, box("mdat", EXIF0), cutchild}),                             1, {"box size runs past the end of its parent; stopping"}},
        {"size 0 before meta",    oneitem(EXIF0, cat({be(0, 4), text("free")})),                         0, {nometa}},
        {"size below the header", oneitem(EXIF0, cat({be(7, 4), text("free")})),                         0, {below, nometa}},
        {"largesize below it",    oneitem(EXIF0, cat({be(1, 4), text("free"), be(15, 8)})),              0, {below, nometa}},
        {"past the end",          cat({FTYP, be(99, 4), text("meta"), bytes(8, 0)}),                     0, {"box size runs past the end of the file; stopping", nometa}},
        {"uuid header cut short", cat({FTYP, be(24, 4), text("uuid"), bytes(8, 0)}),                     0, {"box header runs past the end of the file; stopping", nometa}},
        {"too many boxes",        oneitem(EXIF0, frees),                                                 0, {"too many boxes; ignoring the rest", nometa}},
        {"meta too large",        cat({FTYP, meta({box("free", bytes(4 << 20, 0))})}),                   0, {"box too large; not read (meta)"}},
        {"no meta",               cat({FTYP, box("mdat", EXIF0)}),                                       0, {nometa}},
    };
    for (const auto& c : cases) {
        const Result r = read(c.file, fileformat::heif);
        EXPECT_EQ(r.parts, whole(c.parts)) << c.name;
        EXPECT_EQ(r.warnings, c.warnings) << c.name;
    }
}

bytes ispe(std::uint32_t w, std::uint32_t h) { return full("ispe", 0, 0, cat({be(w, 4), be(h, 4)})); }
bytes ipma(int version, int flags, const std::vector<std::pair<std::uint32_t, std::vector<std::uint16_t>>>& entries)
{
    bytes p = be(entries.size(), 4);
    for (const auto& [id, indexes] : entries) {
        p = cat({p, be(id, version ? 4 : 2), be(indexes.size(), 1)});
        for (std::uint16_t index : indexes)
            p = cat({p, be(index, flags & 1 ? 2 : 1)});
    }
    return full("ipma", version, flags, p);
}

// The stored size is that of the primary item's ispe, not the first one.
TEST(Heif, PrimaryItemSize)
{
    const bytes ipco = box("ipco", cat({box("colr", {}), ispe(640, 480), ispe(4032, 3024)}));
    const bytes pitm0 = full("pitm", 0, 0, be(1, 2)), pitm1 = full("pitm", 1, 0, be(70000, 4)), pitm2 = full("pitm", 2, 0, be(1, 4));
    const bytes shortispe = box("ipco", full("ispe", 0, 0, be(640, 4)));
    const auto iprp = [](const bytes& properties, const bytes& associations) { return box("iprp", cat({properties, associations})); };
    const struct {
        const char* name;
        std::vector<bytes> children;
        std::optional<std::uint32_t> width, height;
    } cases[] = {
        // name                      children                                                     width height
        {"pitm v0, ipma v0",         {pitm0, iprp(ipco, ipma(0, 0, {{2, {2}}, {1, {0x81, 3}}}))}, 4032, 3024},
        {"32-bit IDs, wide indexes", {pitm1, iprp(ipco, ipma(1, 1, {{70000, {0x8003}}}))},        4032, 3024},
        {"no pitm",                  {iprp(ipco, ipma(0, 0, {{1, {3}}}))},                        {},   {}},
        {"pitm v2",                  {pitm2, iprp(ipco, ipma(0, 0, {{1, {3}}}))},                 {},   {}},
        {"no ispe among its own",    {pitm0, iprp(ipco, ipma(0, 0, {{1, {1}}, {2, {3}}}))},       {},   {}},
        {"ispe cut short",           {pitm0, iprp(shortispe, ipma(0, 0, {{1, {1}}}))},            {},   {}},
    };
    for (const auto& c : cases) {
        const Result r = read(cat({FTYP, meta(c.children)}), fileformat::avif);
        EXPECT_EQ(r.width, c.width) << c.name;
        EXPECT_EQ(r.height, c.height) << c.name;
        EXPECT_EQ(r.warnings, strings{}) << c.name;
    }
}

TEST(Cr3, CanonPiecesWithTheirRoles)
{
    const bytes canon = {0x85, 0xc0, 0xb6, 0x87, 0x82, 0x0f, 0x11, 0xe0, 0x81, 0x11, 0xf4, 0xce, 0x46, 0x2b, 0x6a, 0x48};
    const auto uuid = [](const bytes& ext, const bytes& payload) {
        return cat({be(24 + payload.size(), 4), text("uuid"), ext, payload});
    };
    const auto cr3 = [&](const bytes& moov) {
        return cat({box("ftyp", cat({text("crx "), be(1, 4), text("crx isom")})), box("moov", moov), box("mdat", {1})});
    };
    const bytes le = tiffdata(ORDER_LITTLE), pieces = cat({box("CNCV", text("CanonCR3")), box("CMT1", le),
                                                           box("CMT2", TIFF), box("CMT3", le), box("CMT4", TIFF)});
    const bytes other = uuid(bytes(16, 7), box("CMT1", TIFF));
    Result r = read(cr3(cat({other, uuid(canon, pieces), box("mvhd", {})})), fileformat::cr3);
    EXPECT_EQ(r.parts, (Pieces{
                           {tiffpart::ifd0, le}, {tiffpart::exif, TIFF}, {tiffpart::makernote, le}, {tiffpart::gps, TIFF}}));
    EXPECT_EQ(r.warnings, strings{});

    r = read(cr3(uuid(canon, cat({box("CMT1", le), box("CMT2", text("nothing")), box("CMT1", TIFF)}))), fileformat::cr3);
    EXPECT_EQ(r.parts, (Pieces{{tiffpart::ifd0, le}}));
    EXPECT_EQ(r.warnings, strings{"no TIFF header where the Exif data should start (CMT2)"});
    EXPECT_EQ(read(cr3(other), fileformat::cr3).warnings, strings{"no Canon metadata box in moov"});
}

// Fields of a codestream's size header, lowest bit first, behind its signature.
bytes codestream(const std::vector<std::pair<std::uint32_t, int>>& fields)
{
    bytes out = {0xFF, 0x0A};
    int bit = 0;
    for (auto [value, count] : fields)
        for (int i = 0; i < count; i++, bit++) {
            if (bit % 8 == 0)
                out.push_back(0);
            out.back() |= static_cast<unsigned char>((value >> i & 1) << bit % 8);
        }
    return out;
}

TEST(Jxl, ExifBoxesAndCodestreamSize)
{
    const bytes sig = {0, 0, 0, 0x0C, 'J', 'X', 'L', ' ', 0x0D, 0x0A, 0x87, 0x0A};
    const auto jxl = [&](const std::vector<bytes>& list) {
        return cat({sig, box("ftyp", cat({text("jxl "), be(0, 4), text("jxl ")})), boxes(list)});
    };
    // small sides in eighths: 256 x 128; 1000 x 750 by ratio 4:3; 200000 x 100000
    const bytes small = codestream({{1, 1}, {15, 5}, {0, 3}, {31, 5}});
    const bytes ratio = codestream({{0, 1}, {1, 2}, {749, 13}, {3, 3}});
    const bytes large = codestream({{0, 1}, {3, 2}, {99999, 30}, {0, 3}, {2, 2}, {199999, 18}});
    const bytes split = jxl({box("jxlp", cat({be(0, 4), ratio})), box("jxlp", cat({be(1, 4), large})), box("Exif", EXIF6)});
    const bytes brob = jxl({box("brob", text("xml 1234")), box("brob", text("Exif1234"))});
    const struct {
        const char* name;
        bytes file;
        std::size_t parts;  // each the TIFF data
        std::optional<std::uint32_t> width, height;
        strings warnings;
    } cases[] = {
        // name                 file                                                       parts width height  warnings
        {"Exif, then jxlc",     jxl({box("Exif", EXIF0), box("jxlc", small)}),             1,  256,    128,    {}},
        {"jxlp, then Exif",     split,                                                     1,  1000,   750,    {}},
        {"large sides",         jxl({box("jxlc", large)}),                                 0,  200000, 100000, {}},
        {"size header cut",     jxl({box("jxlc", bytes(large.begin(), large.end() - 1))}), 0,  {},     {},     {}},
        {"bare codestream",     ratio,                                                     0,  1000,   750,    {}},
        {"brob",                brob,                                                      0,  {},     {},     {"compressed Exif box (brob) not read"}},
        {"no TIFF header",      jxl({box("Exif", cat({be(0, 4), text("nothing")}))}),      0,  {},     {},     {"no TIFF header where the Exif data should start (Exif box)"}},
        {"too many Exif boxes", jxl(std::vector<bytes>(17, box("Exif", EXIF0))),           16, {},     {},     {"too many Exif boxes; ignoring the rest"}},
        {"not a container",     text("JXL container?"),                                    0,  {},     {},     {"not a JPEG XL container"}},
    };
    for (const auto& c : cases) {
        const Result r = read(c.file, fileformat::jxl);
        EXPECT_EQ(r.parts, whole(c.parts)) << c.name;
        EXPECT_EQ(r.width, c.width) << c.name;
        EXPECT_EQ(r.height, c.height) << c.name;
        EXPECT_EQ(r.warnings, c.warnings) << c.name;
    }
}

TEST(Bmff, FormatFromTheBrands)
{
    const auto ftyp = [](const std::string& major, const std::string& minor, const std::string& compatible) {
        return box("ftyp", text(major + minor + compatible));
    };
    const std::string zero(4, '\0');
    const bytes large = cat({be(1, 4), text("ftyp"), be(28, 8), text("isom"), be(0, 4), text("avif")});
    const bytes cut = cat({be(16, 4), text("ftypqt  "), be(0, 4), text("heic")});
    const struct {
        bytes head;
        fileformat format;
    } cases[] = {
        {ftyp("heic", zero, "mif1heic"), fileformat::heif},
        {ftyp("mif1", zero, "mif1avif"), fileformat::avif},
        {ftyp("avis", zero, ""),         fileformat::avif},
        {ftyp("heic", zero, "avifmif1"), fileformat::avif},
        {ftyp("crx ", zero, "crx isom"), fileformat::cr3},
        {ftyp("j2ki", zero, ""),         fileformat::heif},
        {ftyp("isom", zero, "mp41msf1"), fileformat::heif},
        {large,                          fileformat::avif},
        {ftyp("isom", zero, "isommp41"), fileformat::video},
        {ftyp("isom", "heic", ""),       fileformat::video},    // the minor version is no brand
        {cut,                            fileformat::video},    // a brand past the box
        {box("free", text("heicmif1")),  fileformat::unknown},
        {cat({be(16, 4), text("ftyp")}), fileformat::unknown},  // too short for a brand
    };
    for (const auto& c : cases)
        EXPECT_EQ(detail::bmffformat(c.head), c.format) << std::string(c.head.begin(), c.head.end());
}

// Each sample (named by the end of its file name): its format, its parts (role
// digit and byte order each) and its stored size, as exiftool reports them
// (ImageSize, ExifByteOrder; the two rotated Sony files store 4672 x 7008).
TEST(Corpus, CameraFiles)
{
    const std::filesystem::path folder = EXIFKIT_CORPUS "/formats/camera/";
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec))
        GTEST_SKIP() << "no corpus at " << folder;
    const fileformat heif = fileformat::heif, avif = fileformat::avif;
    const struct {
        const char* file;
        fileformat format;
        const char* parts;
        std::optional<std::uint32_t> width, height;
    } cases[] = {
        // file                        format           parts              width height
        {"-micro.avif",                avif,            "",                101,  76},
        {"-Irvine_CA.avif",            avif,            "0II",             480,  640},
        {"-heic-collection.heic",      heif,            "",                1440, 960},
        {"-heic-empty.heic",           heif,            "0MM",             3992, 2992},
        {"-heic-iphone.heic",          heif,            "0MM",             4032, 3024},
        {"-heic-iphone7.heic",         heif,            "0MM",             4032, 3024},
        {"-heic-maybebroken.HEIC",     heif,            "0MM",             4032, 3024},
        {"-heic-single.heic",          heif,            "",                1440, 960},
        {"-2021-02-13-1929.heic",      heif,            "0MM",             4032, 3024},
        {"-Canon-R6-pruned.CR3",       fileformat::cr3, "1II 2II 3II 4II", {},   {}},
        {"-Canon.HIF",                 heif,            "0II",             2400, 1600},
        {"-IMG_3578.heic",             heif,            "0MM",             4032, 3024},
        {"-Reagan.hej2",               heif,            "0MM",             200,  130},
        {"-Reagan.jxl",                fileformat::jxl, "0MM",             200,  130},
        {"-Sony.HIF",                  heif,            "0II",             8640, 5760},
        {"-Stonehenge.heic",           heif,            "0MM",             300,  200},
        {"-avif.avif",                 avif,            "0II",             1920, 1080},
        {"-avif_exif_xmp.avif",        avif,            "0II",             120,  120},
        {"-avif_metadata2.avif",       avif,            "0II",             120,  120},
        {"-heic.heic",                 heif,            "",                1280, 854},
        {"_sony_1_top_left.HIF",       heif,            "0II",             7008, 4672},
        {"_sony_3_bottom_right.HIF",   heif,            "0II",             7008, 4672},
        {"_sony_6_right_top.HIF",      heif,            "0II",             4672, 7008},
        {"_sony_8_left-bottom.HIF",    heif,            "0II",             4672, 7008},
        {"-HMD_Nokia_8.3_5G_hdr.heif", heif,            "0II",             4608, 3456},
        {"-IMG_5195.HEIC",             heif,            "0MM",             2566, 3313},
        {"-iphone_13_pro_max.HEIC",    heif,            "0MM",             4032, 3024},
        {"-samplefilehub.heif",        heif,            "0MM",             640,  426},
    };
    for (const auto& c : cases) {
        strings named;
        for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
            if (const std::string name = entry.path().filename().string(); name.ends_with(c.file))
                named.push_back(entry.path().string());
        ASSERT_EQ(named.size(), 1u) << c.file;
        const bytes file = readfile(named[0]);
        const fileformat format = c.format == fileformat::jxl ? fileformat::jxl : detail::bmffformat(file);
        EXPECT_EQ(format, c.format) << c.file;
        const Result r = read(file, format);
        std::string parts;
        for (const auto& [role, data] : r.parts) {
            const std::string magic(data.begin(), data.begin() + std::min<std::size_t>(data.size(), 4));
            EXPECT_TRUE(magic == std::string("II*\0", 4) || magic == std::string("MM\0*", 4)) << c.file;
            parts += (parts.empty() ? "" : " ") + std::to_string(role) + magic.substr(0, 2);
        }
        EXPECT_EQ(parts, c.parts) << c.file;
        EXPECT_EQ(r.width, c.width) << c.file;
        EXPECT_EQ(r.height, c.height) << c.file;
        EXPECT_EQ(r.warnings, strings{}) << c.file;
    }
}

// Crash reproducers of every format, read as each of the formats here.
TEST(Corpus, HostileFilesReturn)
{
    std::size_t n = 0;
    for (const std::string& path : corpusfiles()) {
        if (path.find("/formats/hostile/") == std::string::npos && path.find("/exiv2-suite/") == std::string::npos)
            continue;
        const bytes file = readfile(path);
        detail::bmffformat(file);
        for (fileformat format : {fileformat::heif, fileformat::cr3, fileformat::jxl})
            for (bool forward : {false, true})
                read(file, format, forward);
        n++;
    }
    if (!n)
        GTEST_SKIP() << "no corpus";
}

}  // namespace
}  // namespace exifkit::test
