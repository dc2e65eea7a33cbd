// The maker fields of real photos with the newer note layouts, through the
// typed values, from every container they come in; and the fields a note
// shares with the file's standard ones agreeing with them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "exifkit/exifkit.h"

namespace exifkit::test {
namespace {

struct pin {
    const char* file;  // under the sample photos
    const char* directory;
    const char* key;
    const char* text;
};

const pin PINS[] = {
    // Apple: JPEG, HEIC and ProRAW DNG.
    {"hdr/iphone_hdr_YES.jpg",                         "Apple",  "RunTime",             "86325.03 s"},
    {"hdr/iphone_hdr_NO.jpg",                          "Apple",  "HDRImageType",        "Original Image"},
    {"formats/camera/exifr-heic-iphone.heic",          "Apple",  "FocusDistanceRange",  "24.79 - 49.75 m"},
    {"formats/camera/samples-IMG_5195.HEIC",           "Apple",  "LivePhotoVideoIndex", "0.576 s"},
    {"formats/camera/samples-iphone_13_pro_max.HEIC",  "Apple",  "SemanticStyle",       "Preset Rich Contrast, Tone -0.5, Warmth 0"},
    {"formats/camera/exiv2-IMG_1361.dng",              "Apple",  "AFPerformance",       "954 1 39"},
    // Pentax: "AOC\0MM", and one whose entry count corrects the letters.
    {"exiv2-suite/exiv2-bug884a.jpg",                  "Pentax", "ShutterCount",        "5074"},
    {"exiv2-suite/exiv2-bug884a.jpg",                  "Pentax", "ISO",                 "200"},
    {"exiv2-suite/exiv2-bug884a.jpg",                  "Pentax", "PictureMode",         "Auto PICT (Standard); 1/2 EV steps"},
    {"exiv2-suite/exiv2-bug884b.jpg",                  "Pentax", "FocalLength",         "400.0 mm"},
    {"exiv2-suite/exiv2-bug884c.jpg",                  "Pentax", "PreviewImageSize",    "640 x 480"},
    // Sony: HEIF, the lens deciphered from its enciphered block.
    {"formats/camera/exiv2-Sony.HIF",                  "Sony",   "SonyModelID",         "ILCE-1"},
    {"formats/camera/exiv2-Sony.HIF",                  "Sony",   "LensSpec",            "FE 35mm F1.4"},
    {"formats/camera/exiv2-Sony.HIF",                  "Sony",   "EMountLensType",      "32865"},
    {"formats/camera/exiv2-issue_9292_sony_1_top_left.HIF", "Sony", "LensSpec",         "FE 24-50mm F2.8 G"},
    {"formats/camera/exiv2-issue_9292_sony_8_left-bottom.HIF", "Sony", "AFPointSelected", "Right Zone"},
    // Olympus's newer layout, in two photos damaged elsewhere.
    {"tests/42_IndexError.jpg",                        "OlympusEquipment",      "SerialNumber",  "B9V508278"},
    {"tests/42_IndexError.jpg",                        "OlympusEquipment",      "LensType",      "Olympus M.Zuiko Digital 14-42mm F3.5-5.6 II R"},
    {"tests/42_IndexError.jpg",                        "OlympusEquipment",      "LensModel",     "OLYMPUS M.14-42mm F3.5-5.6 II R"},
    {"tests/42_IndexError.jpg",                        "OlympusCameraSettings", "FocusMode",     "S-AF, Imager AF"},
    {"tests/42_IndexError.jpg",                        "OlympusFocusInfo",      "FocusDistance", "inf"},
    {"corrupted.jpg",                                  "OlympusEquipment",      "SerialNumber",  "F70501740"},
};

// A field of the note and the standard field that tells the same: the note's
// text is part of the standard one's, or their first numbers agree.
struct agreement {
    const char* file;
    const char* directory;
    const char* key;
    const char* standarddirectory;
    const char* standardkey;
};

const agreement AGREEMENTS[] = {
    {"formats/camera/exiv2-Sony.HIF",                  "Sony",   "LensSpec",     "Exif", "LensModel"},
    {"formats/camera/exiv2-Sony.HIF",                  "Sony",   "FocalLength",  "Exif", "FocalLength"},
    {"formats/camera/exiv2-issue_9292_sony_1_top_left.HIF", "Sony", "LensSpec",  "Exif", "LensModel"},
    {"exiv2-suite/exiv2-bug884a.jpg",                  "Pentax", "FocalLength",  "Exif", "FocalLength"},
    {"exiv2-suite/exiv2-bug884a.jpg",                  "Pentax", "ISO",          "Exif", "ISOSpeedRatings"},
    {"exiv2-suite/exiv2-bug884b.jpg",                  "Pentax", "FNumber",      "Exif", "FNumber"},
    {"exiv2-suite/exiv2-bug884b.jpg",                  "Pentax", "FocalLength",  "Exif", "FocalLength"},
};

std::string corpus(const char* file)
{
    return std::string(EXIFKIT_CORPUS) + "/" + file;
}

// The first number of a text ("f/9.5" gives 9.5); none without one.
std::optional<double> firstnumber(const std::string& text)
{
    const std::size_t at = text.find_first_of("0123456789");
    if (at == std::string::npos)
        return std::nullopt;
    return std::strtod(text.c_str() + at, nullptr);
}

TEST(CorpusNotes, PinnedFieldsOfEachMaker)
{
    if (!std::filesystem::is_directory(EXIFKIT_CORPUS))
        GTEST_SKIP() << "no corpus at " << EXIFKIT_CORPUS;
    for (const pin& p : PINS) {
        SCOPED_TRACE(std::string(p.file) + " " + p.key);
        const Metadata m = readMetadata(corpus(p.file).c_str());
        const Property* found = m.find(p.directory, p.key);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->text, p.text);
    }
}

TEST(CorpusNotes, FieldsAgreeWithTheStandardOnes)
{
    if (!std::filesystem::is_directory(EXIFKIT_CORPUS))
        GTEST_SKIP() << "no corpus at " << EXIFKIT_CORPUS;
    for (const agreement& a : AGREEMENTS) {
        SCOPED_TRACE(std::string(a.file) + " " + a.key);
        const Metadata m = readMetadata(corpus(a.file).c_str());
        const Property* note = m.find(a.directory, a.key);
        const Property* standard = m.find(a.standarddirectory, a.standardkey);
        ASSERT_NE(note, nullptr);
        ASSERT_NE(standard, nullptr);
        if (standard->text.find(note->text) != std::string::npos)
            continue;
        const auto mine = firstnumber(note->text), theirs = firstnumber(standard->text);
        ASSERT_TRUE(mine && theirs) << note->text << " / " << standard->text;
        EXPECT_NEAR(*mine, *theirs, 0.051) << note->text << " / " << standard->text;
    }
}

// The focal length of the shot lies in the range of the lens the note names.
TEST(CorpusNotes, FocalLengthWithinTheLensRange)
{
    if (!std::filesystem::is_directory(EXIFKIT_CORPUS))
        GTEST_SKIP() << "no corpus at " << EXIFKIT_CORPUS;
    const Metadata m = readMetadata(corpus("tests/42_IndexError.jpg").c_str());
    const Property* shortest = m.find("OlympusEquipment", "MinFocalLength");
    const Property* longest = m.find("OlympusEquipment", "MaxFocalLength");
    const Property* focal = m.find("Exif", "FocalLength");
    ASSERT_TRUE(shortest && longest && focal);
    const auto f = firstnumber(focal->text);
    ASSERT_TRUE(f);
    EXPECT_LE(firstnumber(shortest->text).value_or(1e9), *f);
    EXPECT_GE(firstnumber(longest->text).value_or(0), *f);
    // The lens type decoded from its code names the same lens as the model text.
    const Property* type = m.find("OlympusEquipment", "LensType");
    const Property* model = m.find("OlympusEquipment", "LensModel");
    ASSERT_TRUE(type && model);
    EXPECT_NE(type->text.find("14-42mm F3.5-5.6 II R"), std::string::npos);
    EXPECT_NE(model->text.find("14-42mm F3.5-5.6 II R"), std::string::npos);
}

}  // namespace
}  // namespace exifkit::test
