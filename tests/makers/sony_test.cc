// Sony notes: the headers read and refused in both byte orders, the packed
// and body-dependent texts, Lens Spec, Shot Info, the deciphered lens block,
// and the corpus samples.
#include <gtest/gtest.h>

#include "support/delivery.h"

namespace exifkit::test {
namespace {

using namespace std::string_literals;

const std::string DSC = "SONY DSC \0\0\0"s;
constexpr std::uint16_t QUALITY = 0x0102;

// A block with Make, Model and a note of `header` and a directory.
Base sony(const std::string& model, const std::string& header = DSC, const std::string& make = "SONY")
{
    return [=](int order) {
        TiffBuilder b = withnote(order, make, header);
        if (!model.empty())
            b.ascii(IFD0, 0x0110, model);
        return b;
    };
}

// A note of its own TIFF data in byte order noteorder: header, then a
// directory of LONG entries; the block ends after `keep` bytes of it.
bytes ownnote(int order, const std::string& make, const std::string& header, int noteorder,
              const std::vector<std::pair<std::uint16_t, std::uint32_t>>& entries, std::size_t keep = SIZE_MAX)
{
    TiffBuilder n(noteorder);
    n.header(text(header)).dir();
    for (const auto& [tag, value] : entries)
        n.longs(0, tag, {value});
    const bytes note = n.tiff();
    bytes block = camera(order, make).undefined(EXIF, 0x927C, note).exif();
    block.resize(block.size() - note.size() + std::min(keep, note.size()));
    return block;
}

const std::string REFUSED = "w maker note not supported";

// The header decides where the directory stands; the Make only lets a note
// without one be read, and the entry count guards the byte order.
TEST(Sony, HeadersRefusalsAndByteOrders)
{
    const std::vector<std::pair<std::uint16_t, std::uint32_t>> two = {{QUALITY, 2}, {0x0115, 0x10}};
    const strings read = {"i Quality=Fine", "i White Balance=Daylight"}, refused = {"!Quality", REFUSED};
    const struct { const char* make; std::string header; int noteorder; std::size_t keep; strings want; } cases[] = {
        {"SONY",       DSC,                              ORDER_LITTLE, SIZE_MAX, read},
        {"SONY",       DSC,                              ORDER_BIG,    SIZE_MAX, read},
        {"SONY",       "SONY CAM \0\0\0"s,               ORDER_LITTLE, SIZE_MAX, read},
        {"Sony",       "SONY MOBILE\0"s,                 ORDER_BIG,    SIZE_MAX, read},
        {"SONY",       "\0\0SONY PIC\0\0"s,              ORDER_LITTLE, SIZE_MAX, read},
        {"SONY",       "VHAB     \0\0\0"s,               ORDER_BIG,    SIZE_MAX, read},
        {"HASSELBLAD", "VHAB     \0\0\0"s,               ORDER_LITTLE, SIZE_MAX, read},
        {"SONY",       "",                               ORDER_LITTLE, SIZE_MAX, read},
        {"SONY",       "",                               ORDER_BIG,    SIZE_MAX, read},
        {"HASSELBLAD", DSC,                              ORDER_LITTLE, SIZE_MAX, refused},
        {"HASSELBLAD", "",                               ORDER_LITTLE, SIZE_MAX, refused},
        {"SONY",       "SONY PIC\0\0\0\0"s,              ORDER_LITTLE, SIZE_MAX, refused},
        {"SONY",       "SEMC MS\0\0\0\0\0\0\0\0\0\0\0\0\0"s, ORDER_LITTLE, SIZE_MAX, refused},
        {"SONY",       "SONY DSX \0\0\0"s,               ORDER_LITTLE, SIZE_MAX, refused},
        {"SONY",       "SONY DSC \0\0\0OO"s,             ORDER_LITTLE, SIZE_MAX, refused},  // 20303 entries
        {"SONY",       DSC,                              ORDER_LITTLE, 30,       refused},  // past the block
        {"SONY",       DSC,                              ORDER_LITTLE, 13,       refused},  // no count
        {"SONY",       DSC,                              ORDER_LITTLE, 5,        refused},  // short header
    };
    for (int order : {ORDER_LITTLE, ORDER_BIG})
        for (const auto& c : cases)
            expect(readblock(ownnote(order, c.make, c.header, c.noteorder, two, c.keep)), c.want,
                   std::to_string(&c - cases) + (order == ORDER_BIG ? " big" : " little"));
    // A header-less note that begins 01 00 is not Sony's: one entry read
    // little-endian. Big-endian it is read; so is an empty one never.
    for (int order : {ORDER_LITTLE, ORDER_BIG}) {
        expect(readblock(ownnote(order, "SONY", "", ORDER_LITTLE, {{QUALITY, 2}})), refused);
        expect(readblock(ownnote(order, "SONY", "", ORDER_BIG, {{QUALITY, 2}})), {"i Quality=Fine"});
        expect(readblock(ownnote(order, "SONY", DSC, order, {})), refused);
    }
    // The old Olympus layout is read with the Olympus table.
    expectcases(sony("", "SONY PI\0\0\0\0\0"s), {{{{NOTE, 0x0201, SHORT, {2}}}, {"i Compression Setting=HQ"}}});
    expectcases(sony("", "PREMI\0\0\0"s), {{{{NOTE, 0x0201, SHORT, {3}}}, {"i Compression Setting=SHQ"}}});
}

Case one(std::uint16_t tag, int type, std::vector<std::uint32_t> v, const std::string& line, const std::string& s = "")
{
    return Case{{{NOTE, tag, type, std::move(v), s}}, {line}};
}

// The texts of single fields on an E-mount body.
TEST(Sony, PrintForms)
{
    constexpr int SLONG = TYPE_SLONG;
    expectcases(sony("ILCE-7M4"), {
        one(QUALITY, LONG, {2},                       "i Quality=Fine"),
        one(QUALITY, LONG, {77},                      "i Quality=77"),
        one(QUALITY, LONG, {0xFFFFFFFF},              "i Quality=n/a"),
        one(0x0104, SRATIONAL, {s32(-2), 3},          "o Flash Exposure Comp=-0.7 EV"),
        one(0x0104, SRATIONAL, {1, 3},                "o Flash Exposure Comp=+0.3 EV"),
        one(0x0112, LONG, {s32(-2)},                  "o WB Fine Tune=-2"),
        one(0x2004, SLONG, {1},                       "i Contrast=+1"),
        one(0x2005, SLONG, {s32(-1)},                 "i Saturation=-1"),
        one(0x2036, SLONG, {0},                       "o Clarity=0"),
        one(0x2008, LONG, {0x00010001},               "i Long Exposure NR=On (dark subtracted)"),
        one(0x2008, LONG, {0xFFFF0001},               "i Long Exposure NR=On (65535)"),
        one(0x2008, LONG, {0xFFFFFFFF},               "i Long Exposure NR=n/a"),
        one(0x2008, LONG, {5},                        "i Long Exposure NR=5"),
        one(0x2009, SHORT, {256},                     "i High ISO NR=Auto"),
        one(0x200A, LONG, {0x00010012},               "i HDR=2.0 EV, HDR image (good)"),
        one(0x200A, LONG, {0x1A},                     "i HDR=6.0 EV, Uncorrected image"),
        one(0x200A, LONG, {0x00050001},               "i HDR=Auto, 5"),
        one(0x200B, LONG, {255},                      "i Multi Frame NR=n/a"),
        one(0x200B, LONG, {256},                      "i Multi Frame NR=n/a"),
        one(0x200B, LONG, {1},                        "i Multi Frame NR=On"),
        one(0x200E, SHORT, {65},                      "i Picture Effect=HDR Painting"),
        one(0x2014, SLONG, {3, s32(-2)},              "o White Balance Shift=A 3, G 2"),
        one(0x2014, SLONG, {s32(-1), 4},              "o White Balance Shift=B 1, M 4"),
        one(0x2014, SLONG, {0, 0},                    "o White Balance Shift=0, 0"),
        one(0x201B, BYTE, {2},                        "i Focus Mode=AF-S"),
        one(0x201C, BYTE, {3},                        "i AF Area Mode Setting=Flexible Spot"),
        one(0x201E, BYTE, {0},                        "i AF Point Selected=n/a"),
        one(0x202C, SHORT, {0x302},                   "i Metering Mode=Spot (Large)"),
        one(0x202C, SHORT, {65535},                   "i Metering Mode=n/a"),
        one(0x202D, SRATIONAL, {s32(-1), 2},          "o Exposure Std Adjustment=-0.5"),
        one(0x202E, SHORT, {1, 2},                    "i Quality 2=RAW + Fine"),
        one(0x202E, SHORT, {0, 3},                    "i Quality 2=none + Extra Fine"),
        one(0x202E, SHORT, {0, 0},                    "i Quality 2=n/a"),
        one(0x2031, ASCII, {},                        "c Serial Number=12345678", "78563412"),
        one(0x2031, ASCII, {},                        "c Serial Number=1234", "1234"),
        one(0x2039, SHORT, {65535},                   "o JPEG/HEIF Switch=n/a"),
        one(0xB000, BYTE, {3, 3, 1, 0},               "o File Format=ARW 2.3.1"),
        one(0xB000, BYTE, {4, 0, 1, 0},               "o File Format=ARW 4.0.1"),
        one(0xB000, BYTE, {0, 0, 0, 2},               "o File Format=JPEG"),
        one(0xB000, BYTE, {1, 0, 0, 0},               "o File Format=SR2"),
        one(0xB000, BYTE, {2, 0, 0, 0},               "o File Format=ARW 1.0"),
        one(0xB000, BYTE, {9, 8, 7, 6},               "o File Format=9 8 7 6"),
        one(0xB001, SHORT, {388},                     "c Sony Model ID=ILCE-7M4"),
        one(0xB001, SHORT, {500},                     "c Sony Model ID=500"),
        one(0xB020, ASCII, {},                        "i Creative Style=B&W", "BW"),
        one(0xB020, ASCII, {},                        "i Creative Style=Night View/Portrait", "Nightview"),
        one(0xB020, ASCII, {},                        "i Creative Style=Neutral", "Neutral"),
        one(0xB021, LONG, {0},                        "o Color Temperature=Auto"),
        one(0xB021, LONG, {5500},                     "o Color Temperature=5500 K"),
        one(0xB025, LONG, {9},                        "i DR Optimizer=Advanced Lv2"),
        one(0xB027, LONG, {65535},                    "i Lens Type=E-mount lens or other"),
        one(0xB027, LONG, {43},                       "i Lens Type=Sony 35mm F1.4 G"),
        one(0xB02B, LONG, {4000, 6000},               "o Full Image Size=6000 x 4000"),
        one(0xB041, SHORT, {7},                       "i Exposure Mode=Aperture-priority AE"),
        one(0xB050, SHORT, {1},                       "u High ISO NR 2=#"),
        // Fields that cannot be read keep their value word.
        {{{NOTE, QUALITY, SHORT, {2}}},                {"i Quality=#", "w field type mismatch (Quality)"}},
        {{{NOTE, 0xB02B, LONG, {1, 2, 3}}},            {"o Full Image Size=#", "w field count mismatch (FullImageSize)"}},
        {{{NOTE, 0xB02A, RAW | BYTE, {8, 0xFFFFFFF0}}}, {"i Lens Spec=#", "w invalid field offset (LensSpec)"}},
    });
}

// AF fields read by the body's family and by the AF area; white balance
// supersedes the standard field unless it is n/a.
TEST(Sony, BodyDependentFieldsAndSupersededWhiteBalance)
{
    const Entry area3{NOTE, 0x201C, BYTE, {3}}, area4{NOTE, 0x201C, BYTE, {4}}, spot{NOTE, 0x201D, SHORT, {320, 240}},
        point{NOTE, 0x201E, BYTE, {3}};
    const struct { const char* model; Entries entries; strings want; } cases[] = {
        {"ILCE-7M4",   {area3, spot, point}, {"i AF Area Mode Setting=Flexible Spot", "o Flexible Spot Position=320, 240",
                                              "i AF Point Selected=Right Zone"}},
        {"ILCE-7M4",   {area4, point},       {"i AF Area Mode Setting=Flexible Spot (LA-EA4)", "i AF Point Selected=3"}},
        {"ILCE-7M4",   {{NOTE, 0x201C, BYTE, {0}}, spot}, {"i AF Area Mode Setting=Wide", "u Flexible Spot Position=#"}},
        {"SLT-A99V",   {area4, spot, point}, {"i AF Area Mode Setting=Local", "u Flexible Spot Position=#",
                                              "i AF Point Selected=3"}},
        {"SLT-A99V",   {area3},              {"i AF Area Mode Setting=3"}},
        {"ILCA-77M2",  {area4},              {"i AF Area Mode Setting=Flexible Spot"}},
        {"DSC-W7",     {area3, {NOTE, 0x201B, BYTE, {2}}, {NOTE, 0x2021, BYTE, {1}}, {NOTE, 0xB050, SHORT, {1}}},
                                             {"i AF Area Mode Setting=3", "u Focus Mode=#", "u AF Tracking=#",
                                              "i High ISO NR 2=High"}},
        {"DSC-RX100M7", {{NOTE, 0x201B, BYTE, {3}}, {NOTE, 0x2021, BYTE, {2}}},
                                             {"i Focus Mode=AF-C", "i AF Tracking=Lock On AF"}},
        {"",           {area3, point},       {"i AF Area Mode Setting=3", "i AF Point Selected=3"}},
        {"ILCE-7M4",   {{NOTE, 0x0115, LONG, {0x10}}, {EXIF, 0xA403, SHORT, {0}}},
                                             {"i White Balance=Daylight", "o White Balance=Auto"}},
        {"ILCE-7M4",   {{NOTE, 0xB054, SHORT, {17}}, {EXIF, 0xA403, SHORT, {1}}},
                                             {"i White Balance 2=Underwater 1 (Blue Water)", "o White Balance=Manual"}},
        {"ILCE-7M4",   {{NOTE, 0x0115, LONG, {0xFFFFFFFF}}, {EXIF, 0xA403, SHORT, {0}}},
                                             {"i White Balance=n/a", "i White Balance=Auto"}},
    };
    for (const auto& c : cases)
        expectcases(sony(c.model), {{c.entries, c.want}});
}

// ---- Lens Spec ----------------------------------------------------------------

TEST(Sony, LensSpec)
{
    const struct { bytes spec; const char* text; } cases[] = {
        {{0xC3, 0x00, 0x16, 0x00, 0x50, 0x35, 0x56, 0x00}, "E PZ 16-50mm F3.5-5.6 OSS"},
        {{0x82, 0x00, 0x90, 0x00, 0x90, 0x28, 0x28, 0x68}, "FE 90mm F2.8 Macro G OSS"},
        {{0x82, 0x00, 0x90, 0x00, 0x00, 0x28, 0x00, 0x68}, "FE 90mm F2.8 Macro G OSS"},
        {{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, "Unknown"},
        {{0x01, 0x00, 0x18, 0x02, 0x50, 0x35, 0x63, 0x00}, "DT 18-250mm F3.5-6.3"},
        {{0x00, 0x05, 0x00, 0x00, 0x00, 0x80, 0xB0, 0x40}, "500mm F8-11 Reflex"},
        {{0x28, 0x00, 0x70, 0x02, 0x00, 0x20, 0x00, 0x05}, "70-200mm F2 ZA SSM LE II"},
        {{0x00, 0x01, 0x35, 0x00, 0x00, 0x18, 0x00, 0x2A}, "135mm F1.8 STF G SAM"},
        {{0x03, 0x00, 0x08, 0x00, 0x00, 0x35, 0x00, 0x80}, "E 8mm F3.5 Fisheye"},
    };
    std::vector<Case> rows;
    for (const auto& c : cases)
        rows.push_back({{{NOTE, 0xB02A, BYTE, std::vector<std::uint32_t>(c.spec.begin(), c.spec.end())}},
                        {"i Lens Spec="s + c.text}});
    expectcases(sony("ILCE-7M4"), rows);
}

// ---- Shot Info and the compacts' focus fields ----------------------------------------

// A Shot Info record of `size` bytes in its own byte order.
bytes shotinfo(int order, std::size_t size, const std::string& version = "DC7303320222000")
{
    bytes r(std::max<std::size_t>(size, 0x44));
    r[0] = r[1] = order == ORDER_BIG ? 'M' : 'I';
    const std::string when = "2020:01:16 18:11:16";
    std::copy(when.begin(), when.end(), r.begin() + 6);
    const auto put16 = [&](std::size_t at, std::uint16_t v) {
        r[at + (order == ORDER_BIG)] = static_cast<unsigned char>(v & 0xFF);
        r[at + (order != ORDER_BIG)] = static_cast<unsigned char>(v >> 8);
    };
    put16(0x1A, 3648);
    put16(0x1C, 5472);
    put16(0x30, 2);
    std::copy(version.begin(), version.end(), r.begin() + 0x34);
    r.resize(size);
    return r;
}

Case shot(const bytes& record, const strings& want, Entries more = {})
{
    Entries e = {{NOTE, 0x3000, UNDEF, std::vector<std::uint32_t>(record.begin(), record.end())}};
    e.insert(e.end(), more.begin(), more.end());
    return {e, want};
}

TEST(Sony, ShotInfoAndTheCompactsFocusFields)
{
    const strings all = {"o Shot Date/Time=2020:01:16 18:11:16", "o Image Height=3648", "o Image Width=5472",
                         "o Faces Detected=2", "o Meta Version=DC7303320222000"};
    const Entries compact = {{NOTE, 0xB042, SHORT, {1}}, {NOTE, 0xB043, SHORT, {0}}, {NOTE, 0xB04E, SHORT, {3}}};
    const Entries older = {{NOTE, 0xB042, SHORT, {0}}, {NOTE, 0xB043, SHORT, {0}}, {NOTE, 0xB04E, SHORT, {3}}};
    for (int recordorder : {ORDER_LITTLE, ORDER_BIG})
        expectcases(sony("DSC-HX9V"), {
            shot(shotinfo(recordorder, 0x44), all),
            // Cut before the faces: the fields it holds whole are read.
            shot(shotinfo(recordorder, 0x31), {"o Image Width=5472", "!Faces Detected", "!Meta Version"}),
            shot(shotinfo(recordorder, 0x1B), {"o Shot Date/Time=2020:01:16 18:11:16", "!Image Height"}),
            shot(shotinfo(recordorder, 5), {"!Shot Date/Time"}),
            // The HX9V generation fills Focus Mode (newer DSC), not Focus Mode (compacts).
            shot(shotinfo(recordorder, 0x44), {"u Focus Mode (compacts)=#", "i Focus Mode (newer DSC)=AF-C",
                                               "i AF Area Mode (compacts)=Multi"}, compact),
            shot(shotinfo(recordorder, 0x44, "DC7303320221000"), {"i Focus Mode (compacts)=AF-S",
                                                                  "u Focus Mode (newer DSC)=#",
                                                                  "i AF Area Mode (compacts)=Multi"}, compact),
            shot(shotinfo(recordorder, 0x44, "DC7303320221000"), {"u Focus Mode (compacts)=#",
                                                                  "i AF Area Mode (compacts)=Default"}, older),
        });
    bytes foreign = shotinfo(ORDER_LITTLE, 0x44);
    foreign[0] = 'X';
    expectcases(sony("DSC-HX9V"), {shot(foreign, {"o Shot Info=#", "!Image Width"})});
}

// ---- The enciphered lens block --------------------------------------------------------

unsigned char encipher(unsigned char b)
{
    return b < 249 ? static_cast<unsigned char>(unsigned{b} * b * b % 249) : b;
}

// A 0x9416 block of `size` bytes: mount, both lens types and the focal length
// in tenths, in byte order `order`, fields after the first byte `shift` later.
std::vector<std::uint32_t> lensblock(int order, std::size_t size, unsigned mount, std::uint16_t type,
                                     std::uint16_t tenths, std::size_t shift = 0)
{
    bytes plain(0x80 + shift, 0x5A);
    const auto put16 = [&](std::size_t at, std::uint16_t v) {
        plain[at + shift + (order == ORDER_BIG)] = static_cast<unsigned char>(v & 0xFF);
        plain[at + shift + (order != ORDER_BIG)] = static_cast<unsigned char>(v >> 8);
    };
    plain[0x4A + shift] = static_cast<unsigned char>(mount);
    put16(0x4B, type);
    put16(0x4D, type);
    put16(0x71, tenths);
    plain.resize(size);
    std::vector<std::uint32_t> block;
    for (unsigned char b : plain)
        block.push_back(encipher(b));
    return block;
}

TEST(Sony, LensBlockDecipheredForTheBodiesOfItsLayout)
{
    for (int order : {ORDER_LITTLE, ORDER_BIG}) {
        const auto lens = [&](const char* model, std::vector<std::uint32_t> block, const strings& want) {
            TiffBuilder b = sony(model)(order);
            put(b, {{NOTE, 0x9416, UNDEF, std::move(block)}});
            expect(readblock(b.exif()), want, std::string(model) + (order == ORDER_BIG ? " big" : " little"));
        };
        lens("ILCE-7M4", lensblock(order, 0x80, 2, 32802, 900),
             {"u Lens Info=#", "o Lens Mount=E-mount", "i E-mount Lens Type=Sony FE 90mm F2.8 Macro G OSS",
              "o Focal Length=90.0 mm", "!A-mount Lens Type"});
        lens("ILCE-1", lensblock(order, 0x80, 1, 43, 350),
             {"o Lens Mount=A-mount", "i A-mount Lens Type=Sony 35mm F1.4 G", "o Focal Length=35.0 mm"});
        // Bytes from 249 on are not enciphered.
        lens("ZV-E1", lensblock(order, 0x80, 2, 0xFFFA, 0xFBFF), {"i E-mount Lens Type=65530", "o Focal Length=6451.1 mm"});
        lens("ILCE-7M4", lensblock(order, 0x80, 0, 32802, 900), {"o Lens Mount=Unknown", "!E-mount Lens Type"});
        lens("ILCE-7M4", lensblock(order, 0x80, 7, 32802, 900), {"o Lens Mount=7", "!E-mount Lens Type"});
        lens("ILCE-7M5", lensblock(order, 0x84, 2, 32793, 160, 4),
             {"i E-mount Lens Type=Sony E PZ 16-50mm F3.5-5.6 OSS", "o Focal Length=16.0 mm"});
        // Short and odd-length blocks give the fields they hold whole.
        lens("ILCE-7M4", lensblock(order, 0x72, 2, 32802, 900), {"i E-mount Lens Type=*", "!Focal Length"});
        lens("ILCE-7M4", lensblock(order, 0x4C, 2, 32802, 900), {"o Lens Mount=E-mount", "!E-mount Lens Type"});
        lens("ILCE-7M4", lensblock(order, 0x49, 2, 32802, 900), {"!Lens Mount"});
        lens("ILCE-7M4", lensblock(order, 3, 2, 32802, 900), {"!Lens Mount"});
        lens("ILCE-7M5", lensblock(order, 0x4F, 2, 32802, 900, 4), {"o Lens Mount=E-mount", "!E-mount Lens Type"});
        // Other bodies lay the block out otherwise.
        lens("ILCE-7M3", lensblock(order, 0x80, 2, 32802, 900), {"u Lens Info=#", "!Lens Mount"});
        lens("", lensblock(order, 0x80, 2, 32802, 900), {"!Lens Mount"});
    }
}

// ---- Samples ------------------------------------------------------------------------

// The Exif block of a JPEG file whose first marker is damaged: its one APP1
// segment at `at`.
bytes app1at(const bytes& file, std::size_t at)
{
    if (file.size() < at + 4)
        return {};
    const std::size_t length = std::size_t{file[at + 2]} << 8 | file[at + 3];
    if (length < 2 || file.size() < at + 2 + length)
        return {};
    return bytes(file.begin() + static_cast<long>(at) + 4, file.begin() + static_cast<long>(at + 2 + length));
}

TEST(Sony, CorpusSamplesDeliverTheirFields)
{
    if (corpusfiles().empty())
        GTEST_SKIP() << "no corpus at " << EXIFKIT_CORPUS;
    const std::string corpus = EXIFKIT_CORPUS;
    const struct { const char* file; strings want; } samples[] = {
        {"/exiv2-suite/exiv2-sony-dsc-w7.jpg",     {"u Sony Unknown=#", "!Quality"}},
        {"/formats/camera/exiv2-Sony.HIF",         {"c Sony Model ID=ILCE-1", "i Lens Spec=FE 35mm F1.4", "i Quality 2=RAW + Fine",
                                                    "i E-mount Lens Type=32865", "o Focal Length=35.0 mm",
                                                    "o Full Image Size=8640 x 5760", "o File Format=ARW 4.0"}},
        {"/formats/camera/exiv2-issue_9292_sony_1_top_left.HIF",
                                                   {"c Sony Model ID=397", "i Lens Spec=FE 24-50mm F2.8 G",
                                                    "i E-mount Lens Type=32881", "o Focal Length=39.0 mm"}},
        {"/formats/camera/exiv2-issue_9292_sony_8_left-bottom.HIF",
                                                   {"i AF Area Mode Setting=Zone", "i AF Point Selected=Right Zone"}},
    };
    for (const auto& s : samples) {
        SCOPED_TRACE(s.file);
        expect(delivered(readMetadata((corpus + s.file).c_str())), s.want, s.file);
    }
    // The first marker of this RX100 file is damaged: its Exif block alone.
    const bytes rx100 = app1at(readfile(corpus + "/exiv2-suite/test_issue_1472.jpg"), 7);
    ASSERT_FALSE(rx100.empty());
    expect(readblock(rx100), {"c Sony Model ID=297", "i Lens Spec=28-100mm F1.8-4.9", "o Meta Version=DC7303320222000",
                              "o Shot Date/Time=2020:01:16 18:11:16", "o Image Width=5472",
                              "i Focus Mode (newer DSC)=AF-S", "u Focus Mode (compacts)=#", "o File Format=ARW 2.3"});
}

}  // namespace
}  // namespace exifkit::test
