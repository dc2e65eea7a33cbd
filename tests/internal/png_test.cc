// The PNG and WebP readers: files built by hand (read in memory and again as
// a stream read forward, whose size is known only at its end: both must find
// the same), the real samples and the crash reproducers of the corpus.
#include <gtest/gtest.h>

#ifdef EXIFKIT_HAVE_ZLIB
#include <zlib.h>
#endif

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "containers/container.h"
#include "containers/inflate.h"
#include "support/exifbuilder.h"

namespace exifkit::test {
namespace {

using namespace std::string_view_literals;
using strings = std::vector<std::string>;
using reader = void (*)(detail::fetcher&, detail::context&, detail::containerfound&);

struct Found {
    std::vector<bytes> parts;
    std::optional<std::uint32_t> width, height;
    strings warnings;
};

Found readwith(reader read, detail::bytesource& src, const bytes* file = nullptr)
{
    struct : WarningSink {
        strings got;
        void warning(const char* message, const char*) override { got.emplace_back(message); }
    } sink;
    detail::readstate state;
    state.sink = &sink;
    detail::context ctx(state);
    detail::fetcher fetch(src);
    detail::containerfound found;
    read(fetch, ctx, found);
    Found out{{}, found.width, found.height, sink.got};
    for (const detail::tiffpart& part : found.tiff) {
        EXPECT_EQ(part.role, detail::tiffpart::whole);
        // A part lies in the file (when in memory) or in what the reader decoded.
        const auto within = [&part](const unsigned char* begin, std::size_t size) {
            return part.data.data() >= begin && part.data.data() + part.data.size() <= begin + size;
        };
        bool held = file && within(file->data(), file->size());
        for (const auto& owned : found.owned)
            held = held || within(owned.data(), owned.size());
        EXPECT_TRUE(held || !file);
        out.parts.emplace_back(part.data.begin(), part.data.end());
    }
    return out;
}

Found readboth(reader read, const bytes& file)
{
    detail::memorybytes memory(file.data(), file.size());
    const Found inmemory = readwith(read, memory, &file);
    std::FILE* stream = std::tmpfile();
    std::fwrite(file.data(), 1, file.size(), stream);
    std::rewind(stream);
    detail::forwardbytes forward(stream);
    const Found piped = readwith(read, forward);
    std::fclose(stream);
    EXPECT_EQ(piped.parts, inmemory.parts);
    EXPECT_EQ(piped.width, inmemory.width);
    EXPECT_EQ(piped.height, inmemory.height);
    EXPECT_EQ(piped.warnings, inmemory.warnings);
    return inmemory;
}

bytes str(std::string_view s) { return bytes(s.begin(), s.end()); }
bytes be32(std::uint32_t v) { return {static_cast<unsigned char>(v >> 24), static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)}; }
bytes le32(std::uint32_t v) { return {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)}; }
bytes le16(std::uint32_t v) { return {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)}; }
bytes le24(std::uint32_t v) { return {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v >> 16)}; }
bytes repeat(const bytes& b, std::size_t n)
{
    bytes out;
    for (std::size_t i = 0; i < n; i++)
        out.insert(out.end(), b.begin(), b.end());
    return out;
}
bytes prefix(const bytes& b, std::size_t n) { return bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(n)); }

bytes tiffdata(int order)
{
    TiffBuilder b(order);
    const int ifd0 = b.dir(), exif = b.dir();
    b.ascii(ifd0, 0x010F, "Canon").pointer(ifd0, 0x8769, exif).rationals(exif, 0x829A, {{1, 125}});
    return b.tiff();
}
const bytes II = tiffdata(ORDER_LITTLE), MM = tiffdata(ORDER_BIG), EXIFHEAD = {'E', 'x', 'i', 'f', 0, 0};
const bytes IIODD = cat({II, {0xAA}}), XMP = str("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>"sv);

const std::string PASTEND = "chunk length runs past the end of the file; stopping",
                  CUT = "file ends inside a chunk header; stopping", TOOMANY = "too many chunks; stopping",
                  NOTIFF = "Exif data without a TIFF header; skipping", TOOLARGE = "raw profile too large; skipping",
                  COUNT = "raw profile byte count does not match its data",
                  ODD = "odd number of hex digits in raw profile; skipping",
                  BADTEXT = "malformed raw profile text; skipping", MALFORMED = "malformed text chunk; skipping",
                  DAMAGED = "damaged compressed text chunk; skipping",
                  METHOD = "unknown text compression method; skipping",
                  NOZLIB = "compressed Exif text chunk not read (built without zlib)",
                  LIE = "RIFF size does not match the file; reading to its end";

// PNG pieces. CRCs are zero: they are not checked.
const bytes SIGNATURE = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
bytes chunk(std::string_view type, const bytes& data) { return cat({be32(static_cast<std::uint32_t>(data.size())), str(type), data, bytes(4)}); }
bytes png(std::initializer_list<bytes> chunks) { return cat({SIGNATURE, cat(chunks)}); }
const bytes IHDR = chunk("IHDR", cat({be32(40), be32(30), {8, 2, 0, 0, 0}})), IDAT = chunk("IDAT", {1, 2, 3}),
            IEND = chunk("IEND", {});

// A raw profile's text as ImageMagick writes it: name, byte count padded to
// 8 characters, lines of 72 hex digits.
std::string hextext(const bytes& data, long count = -1, std::size_t line = 72, const char* eol = "\n")
{
    char head[32];
    std::snprintf(head, sizeof head, "\nexif\n%8ld", count < 0 ? static_cast<long>(data.size()) : count);
    std::string text = head;
    for (std::size_t i = 0; i < data.size(); i++) {
        if (i % (line / 2) == 0)
            text += eol;
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02x", data[i]);
        text += digits;
    }
    return text + eol;
}
std::string upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}
bytes deflated(const std::string& text)
{
#ifdef EXIFKIT_HAVE_ZLIB
    uLongf size = compressBound(text.size());
    bytes out(size);
    EXPECT_EQ(compress2(out.data(), &size, reinterpret_cast<const Bytef*>(text.data()), text.size(), 9), Z_OK);
    out.resize(size);
    return out;
#else
    (void)text;
    return str("never inflated");
#endif
}
const char *EXIFKEY = "Raw profile type exif", *APP1KEY = "Raw profile type APP1";
bytes tEXt(const char* key, const std::string& text) { return chunk("tEXt", cat({str(key), {0}, str(text)})); }
bytes zTXt(const char* key, const bytes& z, unsigned char method = 0) { return chunk("zTXt", cat({str(key), {0, method}, z})); }
bytes iTXt(const char* key, bool compressed, const bytes& text) { return chunk("iTXt", cat({str(key), {0, compressed, 0}, str("en"), {0}, str("Exif"), {0}, text})); }

struct PngCase {
    const char* name;
    bytes file;
    std::vector<bytes> parts;
    strings warnings;
    bool inflates = false;  // without zlib: nothing found, one warning
};

TEST(Png, ChunksTextProfilesAndDamage)
{
    const std::string big(41u << 20, ' ');
    const bytes zexif = deflated(hextext(cat({EXIFHEAD, II})));
    const std::vector<PngCase> cases = {
        {"eXIf before IDAT",             png({IHDR, chunk("eXIf", II), IDAT, IEND}),                            {II},     {}},
        {"eXIf after IDAT, Exif\\0\\0",  png({IHDR, IDAT, chunk("eXIf", cat({EXIFHEAD, MM})), IEND}),           {MM},     {}},
        {"eXIf of XMP",                  png({IHDR, chunk("eXIf", XMP), IEND}),                                 {},       {NOTIFF}},
        {"empty eXIf",                   png({IHDR, chunk("eXIf", {}), IEND}),                                  {},       {NOTIFF}},
        {"IDAT data are not chunks",     png({IHDR, chunk("IDAT", chunk("eXIf", II)), IEND}),                   {},       {}},
        {"nothing after IEND",           png({IHDR, IEND, chunk("eXIf", II)}),                                  {},       {}},
        {"no IEND",                      png({IHDR, chunk("eXIf", II)}),                                        {II},     {}},
        {"the first IHDR counts",        png({IHDR, chunk("IHDR", cat({be32(1), be32(1), {8, 2, 0, 0, 0}})), IEND}), {}, {}},
        {"two sources, in file order",   png({IHDR, tEXt(EXIFKEY, hextext(MM)), IDAT, chunk("eXIf", II)}),      {MM, II}, {}},
        {"tEXt exif",                    png({IHDR, tEXt(EXIFKEY, hextext(cat({EXIFHEAD, II}))), IEND}),        {II},     {}},
        {"tEXt APP1 of Exif",            png({IHDR, tEXt(APP1KEY, hextext(cat({EXIFHEAD, MM}))), IEND}),        {MM},     {}},
        {"tEXt APP1 of XMP",             png({IHDR, tEXt(APP1KEY, hextext(XMP)), IEND}),                        {},       {}},
        {"tEXt exif of XMP",             png({IHDR, tEXt(EXIFKEY, hextext(XMP)), IEND}),                        {},       {NOTIFF}},
        {"CRLF, short lines, capitals",  png({IHDR, tEXt(EXIFKEY, upper(hextext(II, -1, 6, "\r\n"))), IEND}),   {II},     {}},
        {"count one short",              png({IHDR, tEXt(EXIFKEY, hextext(II, II.size() - 1)), IEND}),          {II},     {COUNT}},
        {"odd hex digits",               png({IHDR, tEXt(EXIFKEY, hextext(II) + "a"), IEND}),                   {},       {ODD}},
        {"not hex",                      png({IHDR, tEXt(EXIFKEY, hextext(II) + "x0"), IEND}),                  {},       {BADTEXT}},
        {"no count",                     png({IHDR, tEXt(EXIFKEY, "\nexif\n"), IEND}),                          {},       {BADTEXT}},
        {"count past the cap",           png({IHDR, tEXt(EXIFKEY, "\nexif\n99999999\n00"), IEND}),              {},       {TOOLARGE}},
        {"other keyword",                png({IHDR, tEXt("Comment", hextext(II)), IEND}),                       {},       {}},
        {"keyword without NUL",          png({IHDR, chunk("tEXt", str(EXIFKEY)), IEND}),                        {},       {}},
        {"zTXt exif",                    png({IHDR, zTXt(EXIFKEY, zexif), IDAT, IEND}),                         {II},     {},         true},
        {"iTXt compressed",              png({IHDR, iTXt(EXIFKEY, true, deflated(hextext(MM))), IEND}),         {MM},     {},         true},
        {"iTXt plain",                   png({IHDR, iTXt(EXIFKEY, false, str(hextext(II))), IEND}),             {II},     {}},
        {"iTXt without its fields",      png({IHDR, chunk("iTXt", cat({str(EXIFKEY), {0, 1, 0}, str("en")})), IEND}), {}, {MALFORMED}},
        {"zTXt not zlib",                png({IHDR, zTXt(EXIFKEY, str("not a zlib stream")), IEND}),            {},       {DAMAGED},  true},
        {"zTXt cut short",               png({IHDR, zTXt(EXIFKEY, prefix(zexif, zexif.size() / 2)), IEND}),     {},       {DAMAGED},  true},
        {"zTXt of other method",         png({IHDR, zTXt(EXIFKEY, zexif, 1), IEND}),                            {},       {METHOD}},
        {"zTXt bomb of white space",     png({IHDR, zTXt(EXIFKEY, deflated("\nexif\n       1\n" + big)), IEND}), {},     {TOOLARGE}, true},
        {"length past the end",          cat({png({IHDR, chunk("eXIf", II)}), be32(100), str("IDAT"), {1}}),    {II},     {PASTEND}},
        {"huge length",                  cat({png({IHDR}), be32(0xFFFFFFF0), str("IDAT")}),                     {},       {PASTEND}},
        {"header cut short",             cat({png({IHDR, chunk("eXIf", II)}), {0, 0, 0}}),                      {II},     {CUT}},
        {"too many chunks",              png({IHDR, repeat(chunk("tIME", {}), 100000), chunk("eXIf", II)}),     {},       {TOOMANY}},
    };
    for (const PngCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Found got = readboth(detail::readpng, c.file);
        const bool skipped = c.inflates && !detail::caninflate();
        EXPECT_EQ(got.parts, skipped ? std::vector<bytes>{} : c.parts);
        EXPECT_EQ(got.warnings, skipped ? strings{NOZLIB} : c.warnings);
        EXPECT_EQ(got.width, 40u);
        EXPECT_EQ(got.height, 30u);
    }
#ifdef EXIFKIT_HAVE_ZLIB
    EXPECT_TRUE(detail::caninflate());
#endif
    for (const bytes& file : {prefix(SIGNATURE, 5), cat({str("\x89PNX\r\n\x1A\n"), IHDR}), bytes{}})
        EXPECT_EQ(readboth(detail::readpng, file).warnings, strings{"invalid PNG signature"});
    EXPECT_FALSE(readboth(detail::readpng, png({chunk("eXIf", II)})).width);
}

// WebP pieces: a RIFF size counting the chunks unless given.
bytes riff(const bytes& chunks, std::optional<std::uint32_t> size = {})
{
    return cat({str("RIFF"), le32(size.value_or(4 + static_cast<std::uint32_t>(chunks.size()))), str("WEBP"), chunks});
}
bytes wchunk(std::string_view fourcc, const bytes& data)
{
    return cat({str(fourcc), le32(static_cast<std::uint32_t>(data.size())), data, bytes(data.size() % 2)});
}
bytes vp8x(std::uint32_t w, std::uint32_t h) { return wchunk("VP8X", cat({{0x08, 0, 0, 0}, le24(w - 1), le24(h - 1)})); }
// Width and height carry scaling bits on top, which are no part of the size.
bytes vp8(std::uint32_t w, std::uint32_t h, unsigned char code = 0x9D) { return wchunk("VP8 ", cat({{0x50, 1, 0, code, 1, 0x2A}, le16(w | 0x4000), le16(h | 0x8000), {0, 0}})); }
bytes vp8l(std::uint32_t w, std::uint32_t h) { return wchunk("VP8L", cat({{0x2F}, le32((w - 1) | (h - 1) << 14), {0}})); }

struct WebpCase {
    const char* name;
    bytes file;
    std::vector<bytes> parts;
    std::optional<std::uint32_t> width, height;
    strings warnings;
};

TEST(Webp, ChunksSizesAndDamage)
{
    const bytes VP8X = vp8x(1200, 800), EXIF = wchunk("EXIF", II);
    const std::vector<WebpCase> cases = {
        {"VP8X and EXIF",                riff(cat({VP8X, EXIF})),                                        {II},    1200,  800,  {}},
        {"EXIF after Exif\\0\\0",        riff(cat({VP8X, wchunk("EXIF", cat({EXIFHEAD, MM}))})),         {MM},    1200,  800,  {}},
        {"EXIF of XMP",                  riff(cat({VP8X, wchunk("EXIF", XMP)})),                         {},      1200,  800,  {NOTIFF}},
        {"VP8 alone",                    riff(vp8(16383, 5)),                                            {},      16383, 5,    {}},
        {"VP8L alone",                   riff(vp8l(1000, 16384)),                                        {},      1000,  16384, {}},
        {"VP8X over VP8",                riff(cat({VP8X, vp8(640, 480)})),                               {},      1200,  800,  {}},
        {"VP8 over VP8L",                riff(cat({vp8l(7, 9), vp8(640, 480)})),                         {},      640,   480,  {}},
        {"VP8 without its start code",   riff(vp8(640, 480, 0x9C)),                                      {},      {},    {},   {}},
        {"odd sizes padded",             riff(cat({wchunk("ICCP", {1, 2, 3}), wchunk("EXIF", IIODD), VP8X})), {IIODD}, 1200, 800, {}},
        {"RIFF size past the file",      riff(cat({VP8X, EXIF}), 1000),                                  {II},    1200,  800,  {LIE}},
        {"RIFF size short of the chunks", riff(cat({VP8X, wchunk("ICCP", {1}), EXIF}), 4 + 18),          {II},    1200,  800,  {LIE}},
        {"chunk past the end",           prefix(riff(cat({VP8X, EXIF})), 30 + 8 + II.size() - 1),        {},      1200,  800,  {PASTEND}},
        {"header cut short",             riff(cat({VP8X, str("EXIF\x10")})),                             {},      1200,  800,  {CUT}},
        {"too many chunks",              riff(cat({repeat(wchunk("JUNK", {}), 100000), EXIF})),          {},      {},    {},   {TOOMANY}},
    };
    for (const WebpCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Found got = readboth(detail::readwebp, c.file);
        EXPECT_EQ(got.parts, c.parts);
        EXPECT_EQ(got.width, c.width);
        EXPECT_EQ(got.height, c.height);
        EXPECT_EQ(got.warnings, c.warnings);
    }
    for (const bytes& file : {str("RIFF\4\0\0\0WAVE"sv), str("RIFF\4\0\0\0WEB"sv), bytes{}})
        EXPECT_EQ(readboth(detail::readwebp, file).warnings, strings{"invalid WebP header"});
}

// The samples: what each holds as exiftool tells it (its ImageSize, and the
// byte order of its Exif data); none draws a warning.
TEST(Containers, CameraSamples)
{
    const std::filesystem::path folder = std::filesystem::path(EXIFKIT_CORPUS) / "formats" / "camera";
    if (!std::filesystem::is_directory(folder))
        GTEST_SKIP() << "no corpus at " << folder;
    const bytes II4 = prefix(II, 4), MM4 = prefix(MM, 4);
    struct Sample { const char* file; std::vector<bytes> starts; std::uint32_t width, height; bool inflates; };
    const Sample samples[] = {
        {"exifr-IMG_20180725_163423-1.png",  {},    40,   30,  false},
        {"exifr-IMG_20180725_163423-2.png",  {},    40,   30,  false},
        {"exifr-png_with_exif_and_gps.png",  {II4}, 1,    1,   false},
        {"exiv2-1343_comment.png",           {},    200,  100, false},
        {"exiv2-1343_empty.png",             {},    200,  100, false},
        {"exiv2-1343_exif.png",              {MM4}, 200,  100, false},
        {"exiv2-ReaganSmallPng.png",         {II4}, 200,  130, true},
        {"exiv2-exiv2-bug1074.png",          {},    393,  241, false},
        {"exiv2-exiv2-bug922.png",           {II4}, 320,  211, true},
        {"exiv2-imagemagick.png",            {MM4}, 320,  211, false},
        {"exiv2-exiv2-bug1199.webp",         {II4}, 1200, 800, false},
    };
    for (const Sample& s : samples) {
        SCOPED_TRACE(s.file);
        const bytes file = readfile((folder / s.file).string());
        ASSERT_FALSE(file.empty());
        const bool webp = std::string_view(s.file).ends_with(".webp");
        const Found got = readboth(webp ? detail::readwebp : detail::readpng, file);
        const bool skipped = s.inflates && !detail::caninflate();
        std::vector<bytes> starts;
        for (const bytes& part : got.parts)
            starts.push_back(prefix(part, 4));
        EXPECT_EQ(starts, skipped ? std::vector<bytes>{} : s.starts);
        EXPECT_EQ(got.warnings, skipped ? strings{NOZLIB} : strings{});
        EXPECT_EQ(got.width, s.width);
        EXPECT_EQ(got.height, s.height);
    }
}

// Every crash reproducer is read by both readers without fault; two still
// hold Exif data that exiftool reads.
TEST(Containers, HostileFiles)
{
    const std::filesystem::path folder = std::filesystem::path(EXIFKIT_CORPUS) / "formats" / "hostile";
    if (!std::filesystem::is_directory(folder))
        GTEST_SKIP() << "no corpus at " << folder;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        SCOPED_TRACE(entry.path().filename().string());
        const bytes file = readfile(entry.path().string());
        const Found png = readboth(detail::readpng, file), webp = readboth(detail::readwebp, file);
        const std::string name = entry.path().filename().string();
        if (name.ends_with("_400_poc2")) {
            EXPECT_EQ(png.parts.size(), 1u);
        } else if (name.ends_with("_5p8g_9xf3_gfrr_poc.webp")) {
            EXPECT_EQ(webp.parts.size(), 1u);
        }
        files++;
    }
    EXPECT_GT(files, 100);
}

}  // namespace
}  // namespace exifkit::test
