// Olympus and OM Digital notes of the newer layout: the header and its byte
// order, the directories the main one leads to, the texts of their fields,
// and the older layout left as it was.
#include <gtest/gtest.h>

#include "support/delivery.h"

namespace exifkit::test {
namespace {

using namespace std::string_literals;

const std::string OLYMPUS2 = "OLYMPUS\0"s, OMSYSTEM = "OM SYSTEM\0\0\0"s;

// The directories of a test note: 0 is the main one, the others are led to
// by the main directory's pointer entries in this order.
constexpr int MAIN = 0, EQ = 1, CS = 2, RD = 3, RD2 = 4, IP = 5, FI = 6;
constexpr std::uint16_t POINTERS[] = {0x2010, 0x2020, 0x2030, 0x2031, 0x2040, 0x2050};

std::string letters(int order)
{
    return order == ORDER_BIG ? "MM" : "II";
}

// A note of the newer layout in byte order `order`: the name, the letters,
// a version and the main directory, whose LONG pointers lead to the others.
// Offsets count from the note's first byte.
bytes note2(const std::string& name, const std::string& marks, int order, const Entries& entries)
{
    TiffBuilder n(order);
    n.header(text(name + marks + "\3\0"s)).dir();
    for (std::uint16_t tag : POINTERS)
        n.pointer(MAIN, tag, n.dir());
    put(n, entries);
    return n.tiff();
}

// A camera file in byte order `order` holding the note (and a Model, when
// given) under the Make.
bytes block2(int order, const bytes& note, const std::string& model = "", const std::string& make = "OLYMPUS CORPORATION")
{
    TiffBuilder b = camera(order, make);
    if (!model.empty())
        b.ascii(IFD0, 0x0110, model);
    return b.undefined(EXIF, 0x927C, note).exif();
}

Delivered read2(int order, const Entries& entries, const std::string& model = "")
{
    return readblock(block2(order, note2(OLYMPUS2, letters(order), order, entries), model));
}

TEST(Olympus2, HeadersAndByteOrdersLeadToEverySubdirectory)
{
    const Entries entries = {
        {MAIN, 0x0000, UNDEF, {}, "0100"},
        {EQ, 0x0101, ASCII, {}, "BHP123456   "},
        {EQ, 0x0104, LONG, {0x1301}},
        {EQ, 0x0201, BYTE, {0, 0, 0x13, 0x10, 0, 0}},
        {CS, 0x0500, SHORT, {18}},
        {RD, 0x0108, SHORT, {1}},
        {RD2, 0x010B, SHORT, {3}},
        {IP, 0x1112, BYTE, {2, 2}},
        {FI, 0x0305, RATIONAL, {2500, 10}},
    };
    const strings want = {"o Maker Note Version=0100", "c Serial Number=BHP123456", "c Body Firmware Version=1.301",
                          "i Lens Type=Olympus M.Zuiko Digital 14-42mm F3.5-5.6 II R",
                          "i White Balance=5300K (Fine Weather)", "o White Balance=Auto", "o Color Space=Adobe RGB",
                          "o Engine=Advanced High Function", "o Aspect Ratio=3:2", "i Focus Distance=2.50 m"};
    for (const std::string& name : {OLYMPUS2, OMSYSTEM})
        for (int blockorder : {ORDER_LITTLE, ORDER_BIG})
            for (int noteorder : {ORDER_LITTLE, ORDER_BIG}) {
                const std::string what = name.substr(0, 2) + " block " + std::to_string(blockorder) + " note " +
                                         std::to_string(noteorder);
                const bytes note = note2(name, letters(noteorder), noteorder, entries);
                TiffBuilder b = camera(blockorder, "OM Digital Solutions");
                b.shorts(EXIF, 0xA403, {0}).undefined(EXIF, 0x927C, note);
                expect(readblock(b.exif()), want, what);
                // Letters that name no order, or the wrong one, leave it to the count check.
                for (const std::string& marks : {"XX"s, letters(ORDER_BIG + ORDER_LITTLE - noteorder)})
                    expect(readblock(block2(blockorder, note2(name, marks, noteorder, entries))),
                           {"c Serial Number=BHP123456", "i Focus Distance=2.50 m"}, what + " letters " + marks);
            }
}

// Directory names and keys as the typed API gives them.
TEST(Olympus2, DirectoriesAndKeys)
{
    const bytes note = note2(OLYMPUS2, "II", ORDER_LITTLE,
                             {{EQ, 0x0202, ASCII, {}, "ABG366769"}, {CS, 0x0520, SHORT, {2, 2}}, {FI, 0x0308, SHORT, {1}}});
    const bytes jpeg = minimaljpeg({block2(ORDER_LITTLE, note)});
    const Metadata m = readMetadata(jpeg.data(), jpeg.size(), nullptr);
    std::vector<std::string> seen;
    for (const Group& g : m.groups)
        for (const Property& p : g.properties)
            seen.push_back(std::string(p.directory) + "." + std::string(p.key) + "=" + p.text);
    for (const char* line : {"OlympusEquipment.LensSerialNumber=ABG366769", "OlympusCameraSettings.PictureMode=Natural",
                             "OlympusFocusInfo.AFPoint=Center (horizontal)", "Olympus.Equipment="})
        EXPECT_NE(std::find_if(seen.begin(), seen.end(), [&](const std::string& s) { return s.rfind(line, 0) == 0; }),
                  seen.end())
            << line;
}

// A note of the newer layout that cannot hold its letters, or that the old
// reader knows, reads as before; refused notes show their offset.
TEST(Olympus2, ShortHeadersAndTheOlderLayout)
{
    for (int order : {ORDER_LITTLE, ORDER_BIG}) {
        const std::string what = "order " + std::to_string(order);
        for (const std::string& cut : {"OLYMPUS\0"s, "OLYMPUS\0I"s, "OM SYSTEM\0\0\0MM\4"s}) {
            const bytes note = text(cut);
            expect(readblock(block2(order, note)), {"u Manufacturer Notes=#", "!Maker Note Version"}, what + " " + cut);
        }
        // The directory the header names lies past the note's end.
        bytes cutnote = note2(OLYMPUS2, letters(order), order, {{MAIN, 0x0000, UNDEF, {}, "0100"}});
        cutnote.resize(14);
        expect(readblock(block2(order, cutnote)), {"u Manufacturer Notes=#", "!Maker Note Version"}, what + " cut");

        // The older layout, headed or not, under either Make.
        for (const std::string& make : {"OLYMPUS OPTICAL CO.,LTD"s, "OM Digital Solutions"s})
            for (const std::string& head : {"OLYMP\0\1\0"s, ""s}) {
                TiffBuilder b = withnote(order, make, head);
                b.shorts(NOTE, 0x0201, {2}).longs(NOTE, 0x0200, {3, 17, 1}).rationals(NOTE, 0x0204, {{150, 100}});
                expect(readblock(b.exif()),
                       {"i Compression Setting=HQ", "u Picture Mode=3", "u Sequence Number=17", "u Digital Zoom=x1.5",
                        "!Maker Note Version"},
                       what + " " + make + " old");
            }
    }
}

// The main directory keeps the older layout's fields and texts.
TEST(Olympus2, OlderFieldsInTheMainDirectory)
{
    for (int order : {ORDER_LITTLE, ORDER_BIG})
        expect(read2(order, {{MAIN, 0x0200, LONG, {2, 5, 1}}, {MAIN, 0x0201, SHORT, {3}}, {MAIN, 0x0204, RATIONAL, {0, 0}},
                             {MAIN, 0x0209, UNDEF, {}, "OLYMPUS DIGITAL CAMERA"}}),
               {"u Shooting Mode=*", "u Panoramic Direction=1", "u Sequence Number=5", "u Picture Mode=2",
                "i Compression Setting=SHQ", "u Digital Zoom=None", "u Camera ID=#"});
}

// Pointers that lead outside the block, back to the main directory or in a
// loop through a sub-directory: read once at most, never followed from a
// sub-directory, and the walk ends.
TEST(Olympus2, PointersOutsideOrLoopingBack)
{
    for (int order : {ORDER_LITTLE, ORDER_BIG}) {
        const std::string what = "order " + std::to_string(order);
        TiffBuilder n(order);
        n.header(text(OLYMPUS2 + letters(order) + "\3\0"s)).dir();
        const int eq = n.dir();
        n.raw(MAIN, 0x2020, LONG, 1, 0xFFFFFF00)       // outside the block
            .raw(MAIN, 0x2040, LONG, 2, 12)             // two values: no pointer
            .raw(MAIN, 0x2050, SHORT, 1, 12)            // not a pointer type
            .raw(MAIN, 0x2030, LONG, 1, 12)             // the main directory itself
            .pointer(MAIN, 0x2010, eq)
            .raw(eq, 0x2010, LONG, 1, 12)               // back to main from a sub-directory
            .ascii(eq, 0x0101, "S1")
            .ascii(MAIN, 0x0000, "0100");
        const Delivered d = readblock(block2(order, n.tiff()));
        expect(d, {"c Serial Number=S1", "o Camera Settings=#", "o Image Processing=#", "o Focus Info=#",
                   "o Maker Note Version=0100", "o Raw Development Version=0100", "u Olympus Unknown=12",
                   "w invalid field offset (CameraSettings)"},
               what);
        EXPECT_EQ(std::count(d.lines.begin(), d.lines.end(), "c Serial Number=S1"), 1) << what;
        EXPECT_LT(d.lines.size(), 40u) << what;
    }
}

// Real notes lead to their directories through entries of type IFD.
TEST(Olympus2, PointersOfTypeIfd)
{
    TiffBuilder n(ORDER_LITTLE);
    n.header(text(OLYMPUS2 + "II\3\0"s)).dir();
    const int eq = n.dir();
    n.ascii(eq, 0x0101, "S2").ascii(MAIN, 0x0000, "0100").pointer(MAIN, 0x2010, eq);
    // The pointer as type 13: the entry is last in the main directory, its value word last but four.
    bytes note = n.tiff();
    const std::size_t entry = 12 + 2 + 12 * 1;
    ASSERT_EQ(note.at(entry), 0x10);
    note.at(entry + 2) = 13;
    expect(readblock(block2(ORDER_LITTLE, note)), {"c Serial Number=S2"});
}

// Every way a field is shown, in both byte orders; values a list lacks show
// as numbers, fields that cannot be read keep what they had.
TEST(Olympus2, FieldTexts)
{
    const struct {
        Entries entries;
        strings want;
        std::string model = "";
    } cases[] = {
        {{{EQ, 0x0100, ASCII, {}, "S0036"}},                    {"c Camera Type=E-M5"}},
        {{{EQ, 0x0100, ASCII, {}, "S9999 "}},                   {"c Camera Type=S9999"}},
        {{{EQ, 0x0103, RATIONAL, {7677, 1000}}},                {"o Focal Plane Diagonal=7.677 mm"}},
        {{{EQ, 0x0104, LONG, {0x1100}}},                        {"c Body Firmware Version=1.100"}},
        {{{EQ, 0x0204, LONG, {0x105}}},                         {"o Lens Firmware Version=0.105"}},
        {{{EQ, 0x0201, BYTE, {0, 0, 0x35, 0x10, 0, 0}}},        {"i Lens Type=Olympus M.Zuiko 100-400mm F5.0-6.3"}},
        {{{EQ, 0x0201, BYTE, {2, 9, 0x20, 0x10, 0, 0}}},        {"i Lens Type=Lumix G Vario 12-32mm F3.5-5.6 Asph. Mega OIS"}},
        {{{EQ, 0x0201, BYTE, {0x15, 0, 7, 0x10, 0, 0}}},        {"i Lens Type=15 07 10"}},
        {{{EQ, 0x0201, BYTE, {0, 0, 0, 0, 0, 0}}},              {"i Lens Type=None"}},
        {{{EQ, 0x0203, ASCII, {}, "OLYMPUS M.12-40mm F2.8  "}}, {"i Lens Model=OLYMPUS M.12-40mm F2.8"}},
        {{{EQ, 0x0205, SHORT, {925}}, {EQ, 0x0206, SHORT, {1273}}, {EQ, 0x020A, SHORT, {0}}},
         {"i Max Aperture Min Focal=3.5", "i Max Aperture Max Focal=5.6", "i Max Aperture=1.0"}},
        {{{EQ, 0x0207, SHORT, {14}}, {EQ, 0x0208, SHORT, {42}}}, {"i Min Focal Length=14 mm", "i Max Focal Length=42 mm"}},
        {{{EQ, 0x0301, BYTE, {0, 0, 4, 0, 0, 0}}},              {"o Extender=Olympus Zuiko Digital EC-14 1.4x Teleconverter"}},
        {{{EQ, 0x0301, BYTE, {1, 0, 2, 0, 0, 0}}},              {"o Extender=1 02"}},
        {{{EQ, 0x1000, SHORT, {4}}, {EQ, 0x1001, SHORT, {8}}},  {"o Flash Type=E-System (body powered)", "o Flash Model=8"}},
        {{{CS, 0x0200, SHORT, {4}}, {CS, 0x0202, SHORT, {1027}}},
         {"i Exposure Mode=Shutter speed priority AE", "i Metering Mode=Spot+Shadow control"}},
        {{{CS, 0x0301, SHORT, {10}}},                           {"i Focus Mode=MF"}},
        {{{CS, 0x0301, SHORT, {0, 0x41}}},                      {"i Focus Mode=S-AF, Imager AF"}},
        {{{CS, 0x0301, SHORT, {2, 0}}},                         {"i Focus Mode=Continuous AF"}},
        {{{CS, 0x0301, SHORT, {0, 0x404}}},                     {"i Focus Mode=C-AF, bit 10"}},
        {{{CS, 0x0400, SHORT, {0}}, {CS, 0x050A, SHORT, {0}}},  {"i Flash Mode=Off", "i Noise Reduction=(none)"}},
        {{{CS, 0x0400, SHORT, {0x21}}, {CS, 0x050A, SHORT, {5}}},
         {"i Flash Mode=On, 2nd Curtain", "i Noise Reduction=Noise Reduction, Noise Filter (ISO Boost)"}},
        {{{CS, 0x0401, SRATIONAL, {s32(-2), 3}}},               {"o Flash Exposure Comp=-0.7 EV"}},
        {{{CS, 0x0501, SHORT, {0}}, {CS, 0x0300, SHORT, {2}}},  {"i WB Temperature=Auto", "i Macro Mode=Super"}},
        {{{CS, 0x0501, SHORT, {5300}}},                         {"i WB Temperature=5300 K"}},
        {{{CS, 0x0500, SHORT, {259}}},                          {"i White Balance=One Touch WB 4"}},
        {{{CS, 0x0500, SHORT, {99}}},                           {"i White Balance=99"}},
        {{{CS, 0x0505, SSHORT, {s32(-1), s32(-2), 2}}},         {"o Contrast Setting=-1 (min -2, max 2)"}},
        {{{CS, 0x0509, SHORT, {142}}, {CS, 0x0507, SHORT, {2}}},
         {"i Scene Mode=Hand-held Starlight", "o Color Space=Pro Photo RGB"}},
        {{{CS, 0x050F, SSHORT, {1, s32(-1), 1, 1}}},            {"o Gradation=High Key; Auto-Override"}},
        {{{CS, 0x050F, SSHORT, {0, 0, 0}}},                     {"o Gradation=n/a"}},
        {{{CS, 0x050F, SSHORT, {3, 3, 3, 0}}},                  {"o Gradation=3 3 3 0"}},
        {{{CS, 0x0520, SHORT, {256, 0}}},                       {"i Picture Mode=Monotone"}},
        {{{CS, 0x0520, SHORT, {99}}},                           {"i Picture Mode=99"}},
        {{{CS, 0x0525, SSHORT, {4}}, {CS, 0x0526, SSHORT, {2}}}, {"o PM B&W Filter=Red", "o Picture Mode Tone=Sepia"}},
        {{{CS, 0x0527, SSHORT, {s32(-1), s32(-2), 1}}},         {"o Noise Filter=Low"}},
        {{{CS, 0x0529, SHORT, {39, 0, 0, 2}}},                  {"i Art Filter=Partial Color (position 3)"}},
        {{{CS, 0x0529, SHORT, {44, 0, 0, 0}}},                  {"i Art Filter=Instant Film"}},
        {{{CS, 0x0600, SHORT, {5, 2, 0x11, 0, 2}}},             {"i Drive Mode=AE+ISO Bracketing, Shot 2; Anti-shock"}},
        {{{CS, 0x0600, SHORT, {5, 0, 0}}},                      {"i Drive Mode=Bracketing"}},
        {{{CS, 0x0600, SHORT, {0, 0, 0, 0, 0, 0x30}}},          {"i Drive Mode=HighRes Shot; Mechanical shutter"}},
        {{{CS, 0x0600, SHORT, {1, 3, 0}}},                      {"i Drive Mode=Continuous Shooting, Shot 3"}},
        {{{CS, 0x0600, SHORT, {4, 0, 0, 0, 1, 0x99}}},          {"i Drive Mode=153"}},
        {{{CS, 0x0600, SHORT, {2, 0, 0, 0, 1, 0}}},             {"i Drive Mode=Exposure Bracketing"}},
        {{{CS, 0x0603, SHORT, {4}}, {CS, 0x0604, LONG, {2}}},
         {"i Image Quality=RAW", "i Image Stabilization=On, S-IS2 (Vertical Shake IS)"}},
        {{{CS, 0x0903, SSHORT, {15, 1}}, {CS, 0x0904, SSHORT, {s32(-25), 1}}}, {"o Roll Angle=-1.5", "o Pitch Angle=-2.5"}},
        {{{CS, 0x0903, SSHORT, {15, 0}}},                       {"o Roll Angle=n/a"}},
        {{{RD, 0x0100, SRATIONAL, {s32(-1), 3}}, {RD, 0x010A, SHORT, {2}}},
         {"o Exposure Bias=-1/3 EV", "o Noise Reduction=Noise Filter"}},
        {{{RD2, 0x010C, SHORT, {512}}, {RD2, 0x0121, SHORT, {9}}}, {"o Picture Mode=Sepia", "o Art Filter=Diorama"}},
        {{{IP, 0x1112, BYTE, {9, 7}}, {IP, 0x101C, SHORT, {1, 0}}},
         {"o Aspect Ratio=9 7", "o Multiple Exposure Mode=Live Composite"}},
        {{{IP, 0x1010, SHORT, {8}}, {IP, 0x1011, SHORT, {1}}},  {"o Noise Reduction 2=Auto", "o Distortion Corr. 2=On"}},
        {{{FI, 0x0305, RATIONAL, {0xFFFFFFFF, 10}}},            {"i Focus Distance=inf"}},
        {{{FI, 0x0305, RATIONAL, {1234, 0}}},                   {"i Focus Distance=1.23 m"}},
        {{{FI, 0x0308, SHORT, {0x4C}}},                         {"i AF Point=All Target, Point 12"}, "E-3"},
        {{{FI, 0x0308, SHORT, {7}}},                            {"i AF Point=7"}, "E-M1MarkII"},
        {{{FI, 0x0308, SHORT, {3}}},                            {"i AF Point=Center (vertical)"}, "E-P3"},
        {{{FI, 0x0308, SHORT, {255}}},                          {"i AF Point=None"}},
        {{{FI, 0x1201, SHORT, {1, 0}}, {FI, 0x1208, SSHORT, {1, 0, 0}}}, {"o External Flash=On", "o Internal Flash=On"}},
        {{{FI, 0x1209, SHORT, {1, 1}}},                         {"o Manual Flash=On (Full strength)"}},
        {{{FI, 0x1209, SHORT, {1, 4}}},                         {"o Manual Flash=On (1/4 strength)"}},
        {{{FI, 0x1209, SHORT, {0, 1}}},                         {"o Manual Flash=Off"}},
        {{{FI, 0x1500, SSHORT, {259}}},                         {"o Sensor Temperature=54.1 C"}, "E-P3"},
        {{{FI, 0x1500, SSHORT, {40}}},                          {"o Sensor Temperature=40 C"}, "E-M5"},
        {{{FI, 0x1500, SSHORT, {30, 31}}},                      {"o Sensor Temperature=30 C"}},
        {{{FI, 0x1500, SSHORT, {s32(-32768)}}},                 {"o Sensor Temperature=n/a"}},
        // Fields that cannot be read keep their value word and warn.
        {{{CS, 0x0505, RAW | SSHORT, {3, 0xFFFFFFF0}}},
         {"o Contrast Setting=#", "w invalid field offset (ContrastSetting)"}},
        {{{FI, 0x0305, RAW | RATIONAL, {1, 0xFFFFFFF0}}},
         {"i Focus Distance=#", "w invalid field offset (FocusDistance)"}},
        {{{CS, 0x0200, ASCII, {}, "P"}},                        {"i Exposure Mode=P", "w field type mismatch (ExposureMode)"}},
    };
    for (const auto& c : cases)
        for (int order : {ORDER_LITTLE, ORDER_BIG})
            expect(read2(order, c.entries, c.model), c.want, c.want.front() + " order " + std::to_string(order));
}

// ---- The corpus -------------------------------------------------------------

Delivered readcorpus(const std::string& name)
{
    const bytes file = readfile(std::string(EXIFKIT_CORPUS) + "/" + name);
    return file.empty() ? Delivered{} : readjpeg(file);
}

// Damaged elsewhere, both files read their notes in full.
TEST(Olympus2, CorpusNotes)
{
    const Delivered ep3 = readcorpus("tests/42_IndexError.jpg"), u1020 = readcorpus("corrupted.jpg");
    if (ep3.lines.empty() || u1020.lines.empty())
        GTEST_SKIP() << "no sample corpus";
    expect(ep3, {"c Serial Number=B9V508278", "c Lens Serial Number=ABG366769", "c Body Firmware Version=1.301",
                 "i Lens Type=Olympus M.Zuiko Digital 14-42mm F3.5-5.6 II R",
                 "i Lens Model=OLYMPUS M.14-42mm F3.5-5.6 II R", "i Max Aperture Min Focal=3.5",
                 "i Focus Distance=inf", "i Focus Mode=S-AF, Imager AF", "i Art Filter=Pin Hole",
                 "o Sensor Temperature=54.1 C", "w*"});
    expect(u1020, {"c Serial Number=F70501740", "o Focal Plane Diagonal=7.677 mm", "i Scene Mode=Auto", "w*"});
}

// Notes of the older layout read as they always have.
TEST(Olympus2, CorpusOlderNotesUnchanged)
{
    const Delivered c960 = readcorpus("exif-org/olympus-c960.jpg");
    if (c960.lines.empty())
        GTEST_SKIP() << "no sample corpus";
    expect(c960, {"i Compression Setting=HQ", "i Macro Mode=Normal", "u Digital Zoom=x0.0", "u Firmware Version=SR874",
                  "!Maker Note Version"});
}

}  // namespace
}  // namespace exifkit::test
