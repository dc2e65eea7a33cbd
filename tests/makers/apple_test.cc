// Apple notes: recognition and refusals, each printed form, the property-list
// decoder with its caps, and the corpus's iPhone files in every container.
#include <gtest/gtest.h>

#include "support/delivery.h"

namespace exifkit::test {
namespace {

using namespace std::string_literals;

const std::string HEAD = "Apple iOS\0\0\1MM"s;
constexpr int SLONG = TYPE_SLONG;

// A note of `head` and one directory of the entries (dir 0) in `order`,
// offsets counted from the note.
bytes applenote(const Entries& entries, const std::string& head = HEAD, int order = ORDER_BIG)
{
    TiffBuilder n(order);
    n.header(text(head)).dir();
    put(n, entries);
    return n.tiff();
}

Entries plus(Entries a, const Entries& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Delivered readnote(const bytes& note, int blockorder = ORDER_LITTLE, std::size_t cut = 0)
{
    bytes block = camera(blockorder, "Apple").undefined(EXIF, 0x927C, note).exif();
    block.resize(block.size() - cut);
    return readblock(block);
}

// ---- Binary property lists, one-byte offsets and references ----------------

bytes str(const std::string& s) { return cat({{static_cast<unsigned char>(0x50 | s.size())}, text(s)}); }
bytes i8(std::uint8_t v) { return {0x10, v}; }
bytes i64(std::int64_t v)
{
    bytes b = {0x13};
    for (int i = 7; i >= 0; i--)
        b.push_back(static_cast<unsigned char>(static_cast<std::uint64_t>(v) >> (8 * i)));
    return b;
}
// A count from 15 on follows the marker as an integer object.
bytes container(unsigned char kind, const bytes& refs, std::size_t n)
{
    const auto count = static_cast<unsigned char>(n);
    return cat({n < 15 ? bytes{static_cast<unsigned char>(kind | n)} : bytes{static_cast<unsigned char>(kind | 0xF), 0x10, count},
                refs});
}
bytes arr(const bytes& refs) { return container(0xA0, refs, refs.size()); }
bytes dict(const bytes& refs) { return container(0xD0, refs, refs.size() / 2); }

struct Trailer {
    std::uint64_t objects = 0, top = 0, table = 0;  // 0: the real count, top and table position
    unsigned offsize = 1, refsize = 1;
};

bytes bplist(const std::vector<bytes>& objects, Trailer t = {}, std::uint8_t offsetshift = 0)
{
    bytes out = text("bplist00"), table;
    for (const bytes& o : objects) {
        table.push_back(static_cast<unsigned char>(out.size() + offsetshift));
        out.insert(out.end(), o.begin(), o.end());
    }
    const std::uint64_t at = out.size();
    out.insert(out.end(), table.begin(), table.end());
    out.resize(out.size() + 6);
    out.push_back(static_cast<unsigned char>(t.offsize));
    out.push_back(static_cast<unsigned char>(t.refsize));
    for (std::uint64_t v : {t.objects ? t.objects : objects.size(), t.top, t.table ? t.table : at})
        for (int i = 7; i >= 0; i--)
            out.push_back(static_cast<unsigned char>(v >> (8 * i)));
    return out;
}

// A note holding the list under the tag: 0x0041 prints any list as it is.
Delivered readlist(const bytes& list, std::uint16_t tag = 0x0041, const Entries& more = {})
{
    Entries e = more;
    e.push_back({0, tag, UNDEF, std::vector<std::uint32_t>(list.begin(), list.end())});
    return readnote(applenote(e));
}

// Nested arrays `levels` deep around the integer 1.
std::vector<bytes> nested(unsigned levels)
{
    std::vector<bytes> objects;
    for (unsigned i = 0; i < levels; i++)
        objects.push_back(arr({static_cast<unsigned char>(i + 1)}));
    objects.push_back(i8(1));
    return objects;
}

TEST(Apple, RecognisesOnlyItsBigEndianHeaderAndReadsOneDirectory)
{
    const Entries one = {{0, 0x0004, SLONG, {1}}};
    for (int order : {ORDER_LITTLE, ORDER_BIG})
        expect(readnote(applenote(one), order), {"i AE Stable=Yes"});
    expect(readnote(applenote(one, "Apple iOS\0\0\2MM"s)), {"i AE Stable=Yes"});
    const struct { bytes note; std::size_t cut; } refused[] = {
        {applenote(one, "Apple iOX\0\0\1MM"s), 0},
        {applenote(one, "Apple iOS\0\0\1II"s), 0},
        {applenote(one, HEAD, ORDER_LITTLE), 0},  // the count reads 0x0100: swapped
        {applenote(one), applenote(one).size() - 13},
        {applenote(one), applenote(one).size() - 15},  // the header whole, the count cut
        {applenote(one, ""), 0},
    };
    for (const auto& r : refused)
        expect(readnote(r.note, ORDER_BIG, r.cut), {"!AE Stable", "w maker note not supported"});
    // A chained directory is not the note's.
    TiffBuilder n(ORDER_BIG);
    n.header(text(HEAD)).dir();
    n.dir();
    put(n, {{0, 0x0004, SLONG, {1}}, {1, 0x0007, SLONG, {1}}});
    n.chain(0, 1);
    expect(readnote(n.tiff()), {"i AE Stable=Yes", "!AF Stable"});
}

TEST(Apple, PrintsEachForm)
{
    const Entries content = {{0, 0x0011, ASCII, {}, "ID"}};
    const bytes runtime = bplist({dict({1, 2, 3, 4, 5, 6}), str("flags"), str("value"), str("timescale"), i8(1),
                                  i64(123456), i8(100)});
    const Entries timed = {{0, 0x0003, UNDEF, std::vector<std::uint32_t>(runtime.begin(), runtime.end())}};
    const struct { Entries entries; strings want; } cases[] = {
        {{{0, 0x0004, SLONG, {0}}, {0, 0x0007, SLONG, {2}}}, {"i AE Stable=No", "i AF Stable=2"}},
        {{{0, 0x000A, SLONG, {3}}, {0, 0x0014, SLONG, {11}}}, {"i HDR Image Type=HDR Image", "i Image Capture Type=Manual Focus"}},
        {{{0, 0x000A, SLONG, {65539}}, {0, 0x002E, SLONG, {6}}}, {"i HDR Image Type=65539", "i Camera Type=Front"}},
        {{{0, 0x002E, SLONG, {s32(-1)}}}, {"i Camera Type=-1"}},
        {{{0, 0x0004, ASCII, {}, "1"}}, {"i AE Stable=1", "w field type mismatch (AEStable)"}},
        {{{0, 0x0008, SRATIONAL, {s32(-789), 1000, 54, 1000, 6027, 10000}}}, {"o Acceleration Vector=-0.789 0.054 0.603 g"}},
        {{{0, 0x000C, SRATIONAL, {1, 2, 1, 4}}}, {"i Focus Distance Range=0.25 - 0.50 m"}},
        {{{0, 0x0021, SRATIONAL, {s32(-1), 8}}, {0, 0x0027, SRATIONAL, {1, 3}}}, {"i HDR Headroom=-0.125", "i Signal To Noise Ratio=0.333"}},
        {{{0, 0x0030, SRATIONAL, {s32(-1), 10000}}, {0, 0x001D, SRATIONAL, {4, 2}}}, {"i HDR Gain=0", "i Luminance Noise=2"}},
        {{{0, 0x0030, SRATIONAL, {1, 2, 1, 2}}}, {"i HDR Gain=1/2", "w field count mismatch (HDRGain)"}},
        {{{0, 0x0030, SLONG, {1}}}, {"i HDR Gain=#", "w field type mismatch (HDRGain)"}},
        {{{0, 0x0030, SRATIONAL | RAW, {1, 0xFFF0}}}, {"i HDR Gain=#", "w invalid field offset (HDRGain)"}},
        {{{0, 0x0023, SLONG, {954, 0x10000027}}}, {"i AF Performance=954 1 39"}},
        {{{0, 0x002D, SLONG, {5358}}, {0, 0x001F, SLONG, {0}}}, {"i Color Temperature=5358 K", "i Photos App Features=None"}},
        {{{0, 0x001F, SLONG, {4}}}, {"i Photos App Features=Person or Pet (4)"}},
        {{{0, 0x0002, UNDEF, {1, 2, 3, 4, 5}}, {0, 0x0050, SLONG, {7}}}, {"u Apple Unknown=#", "u Apple Unknown=7"}},
        {{{0, 0x0001, SLONG, {14}}, {0, 0x002B, ASCII, {}, "C465"}}, {"o Maker Note Version=14", "o Photo Identifier=C465"}},
        // The video index is in seconds only with a movie and a run time.
        {plus(plus(timed, content), {{0, 0x0017, SHORT, {250}}}), {"o Run Time=1234.56 s", "o Live Photo Video Index=2.500 s"}},
        {plus(timed, {{0, 0x0017, SLONG, {250}}}), {"o Live Photo Video Index=250"}},
        {plus(content, {{0, 0x0017, SLONG, {250}}}), {"o Live Photo Video Index=250"}},
    };
    for (const auto& c : cases)
        expect(readnote(applenote(c.entries)), c.want, c.want.front());
}

TEST(Apple, RunTimeAndSemanticStyle)
{
    const auto runtime = [](std::uint8_t flags, bool scaled) {
        std::vector<bytes> o = {dict({1, 2, 3, 4, 5, 6}), str("flags"), str("value"), str(scaled ? "timescale" : "epoch"),
                                i8(flags), i64(9000000000), i8(100)};
        return bplist(o);
    };
    expect(readlist(runtime(1, true), 0x0003), {"o Run Time=90000000.00 s"});
    expect(readlist(runtime(0, true), 0x0003), {"o Run Time=Not Valid"});
    expect(readlist(runtime(5, true), 0x0003), {"o Run Time=Positive Infinity"});
    expect(readlist(runtime(17, true), 0x0003), {"o Run Time=Indefinite"});
    expect(readlist(runtime(1, false), 0x0003), {"o Run Time={flags=1, value=9000000000, epoch=100}"});
    const bytes minus = {0x22, 0xBF, 0, 0, 0}, zero = {0x23, 0, 0, 0, 0, 0, 0, 0, 0};
    expect(readlist(bplist({dict({1, 2, 3, 4, 5, 6, 7, 8}), str("3"), str("1"), str("2"), str("0"), i8(3), minus, zero, i8(1)}),
                    0x0040),
           {"i Semantic Style=Preset Rich Contrast, Tone -0.5, Warmth 0"});
    expect(readlist(bplist({dict({1, 2, 3, 4}), str("_3"), str("_2"), i8(9), i8(7)}), 0x0040),
           {"i Semantic Style=Preset 9, Warmth 7"});
    expect(readlist(bplist({dict({1, 2}), str("x"), i8(1)}), 0x0040), {"i Semantic Style={x=1}"});
    expect(readlist(bplist({{0x09}}), 0x0042), {"i Semantic Style Preset=true"});
}

TEST(Apple, PropertyListsDecodeWithinTheirCaps)
{
    const bytes longtext = cat({{0x5F, 0x10, 20}, text("abcdefghijklmnopqrst")});
    std::vector<bytes> many = {arr(bytes(100, 1)), str("abcdefgh")};
    const bytes utf16 = {0x62, 0, 'h', 0, 0xE9}, date = {0x33, 0x41, 0xC3, 0x32, 0xD8, 0, 0, 0, 0};
    const struct { bytes list; std::string want; } cases[] = {
        {bplist({dict({1, 2, 3, 4}), str("a"), str("b"), i8(1), {0x09}}), "{a=1, b=true}"},
        {bplist({arr({1, 2, 3, 4}), i8(1), str("x"), {0x00}, {0x08}}), "[1, x, null, false]"},
        {bplist({dict({1, 2, 3, 4}), str("l"), str("d"), arr({5, 5}), dict({6, 6}), i8(2), str("k")}), "{l=[2, 2], d={k=k}}"},
        {bplist({arr({1, 2, 3, 4}), longtext, utf16, {0x43, 1, 2, 3}, {0x80, 7}}), "[abcdefghijklmnopqrst, h?, <3 bytes>, UID 7]"},
        {bplist({arr({1}), date}), "[2021-06-01 00:00:00 UTC]"},
        {bplist(nested(8)), "[[[[[[[[1]]]]]]]]"},
        {bplist(many), "[" + [] {
             std::string s;
             while (s.size() < 252)
                 s += "abcdefgh, ";
             return s.substr(0, 252);
         }() + "..."},
        // Refused: loops to itself and to an ancestor, nesting past the cap.
        {bplist({arr({0})}), ""},
        {bplist({dict({1, 2}), str("a"), arr({0})}), ""},
        {bplist(nested(9)), ""},
        // Refused: counts, offsets and references outside the data.
        {bplist({i8(1)}, {.objects = 1ull << 40}), ""},
        {bplist({i8(1)}, {.table = 200}), ""},
        {bplist({i8(1)}, {.top = 1}), ""},
        {bplist({i8(1)}, {.offsize = 0}), ""},
        {bplist({i8(1)}, {}, 100), ""},
        {bplist({arr({9})}), ""},
        {bplist({{0xAF, 0x13, 0x7F, 0, 0, 0, 0, 0, 0, 0}}), ""},
        {bplist({{0x5F, 0x50, 3}}), ""},
        {bplist({{0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}), ""},
        {[] {
             bytes b = bplist({i8(1)});
             b[7] = '1';
             return b;
         }(), ""},
        {text("bplist00"), ""},
    };
    for (const auto& c : cases) {
        const std::string want = "o Semantic Style Version=" + (c.want.empty() ? "#" : c.want);
        expect(readlist(c.list), {want}, want);
    }
}

// The iPhone samples of each container deliver their notes' fields, warning
// of nothing.
TEST(Apple, CorpusFilesInEveryContainer)
{
    if (corpusfiles().empty())
        GTEST_SKIP() << "no corpus at " << EXIFKIT_CORPUS;
    const struct { const char* file; strings want; } files[] = {
        {"hdr/iphone_hdr_YES.jpg",                      {"i HDR Image Type=HDR Image", "o Run Time=86325.03 s",
                                                         "o Acceleration Vector=-0.789 -0.054 0.603 g"}},
        {"hdr/iphone_hdr_NO.jpg",                       {"i HDR Image Type=Original Image", "i AE Average=263"}},
        {"formats/camera/exifr-heic-iphone.heic",       {"i Focus Distance Range=24.79 - 49.75 m", "i AF Performance=123 1 241"}},
        {"formats/camera/exifr-heic-iphone7.heic",      {"o Maker Note Version=11", "o Run Time=275907.57 s"}},
        {"formats/camera/samples-IMG_5195.HEIC",        {"o Live Photo Video Index=0.576 s", "i Color Temperature=4458 K"}},
        {"formats/camera/samples-iphone_13_pro_max.HEIC", {"i Semantic Style=Preset Rich Contrast, Tone -0.5, Warmth 0",
                                                          "i Signal To Noise Ratio=36.443", "i Focus Distance Range=0.40 - 0.45 m"}},
        {"formats/camera/exiv2-IMG_1361.dng",           {"i Image Capture Type=Photo", "i HDR Headroom=1.686", "i AF Measured Depth=403"}},
        {"formats/camera/exiv2-IMG_3578.heic",          {"o Image Unique ID=D1BB528D-3E89-4DA9-A068-ECBBA5CFC837"}},
        {"formats/camera/exiv2-2021-02-13-1929.heic",   {"i Camera Type=Back Normal", "i Focus Position=177"}},
        {"formats/camera/exifr-heic-maybebroken.HEIC",  {"i Image Capture Type=5"}},
    };
    for (const auto& f : files)
        expect(delivered(readMetadata((std::string(EXIFKIT_CORPUS) + "/" + f.file).c_str())), f.want, f.file);
}

}  // namespace
}  // namespace exifkit::test
