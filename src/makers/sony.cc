// Sony maker notes: one directory, behind a "SONY DSC" (or similar) header or
// with none, in the Exif block's byte order; offsets count from the Exif TIFF
// header. Most fields are single codes; a few pack two values into one, and
// the blocks of the 0x9xxx range are enciphered with a public byte
// substitution, of which one is deciphered for the lens it names.
#include "makers/sony.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <span>
#include <utility>

#include "exif/context.h"
#include "exif/directory.h"
#include "exif/lookup.h"
#include "exif/proptext.h"
#include "exif/view.h"
#include "exifkit/makers.h"
#include "makers/common.h"
#include "makers/olympus.h"

namespace exifkit {

namespace {

constexpr std::size_t TEXT = 32;
constexpr std::size_t LENSTEXT = 64;

// The standard White Balance field, which the note's white balances supersede.
constexpr std::uint16_t EXIF_WB = 0xA403;
constexpr std::uint16_t TAG_AFAREA = 0x201C, TAG_SHOTINFO = 0x3000, TAG_LENSINFO = 0x9416,
                        TAG_FOCUSCOMPACT = 0xB042;

constexpr std::uint32_t NA_LONG = 0xFFFFFFFF, NA_SHORT = 0xFFFF;

const descr_entry sony_quality[] = {
    {0,  "RAW"},
    {1,  "Super Fine"},
    {2,  "Fine"},
    {3,  "Standard"},
    {4,  "Economy"},
    {5,  "Extra Fine"},
    {6,  "RAW + JPEG/HEIF"},
    {7,  "Compressed RAW"},
    {8,  "Compressed RAW + JPEG"},
    {9,  "Light"},
    {-1, "Unknown"},
};

const descr_entry sony_whitebalance[] = {
    {0x00, "Auto"},
    {0x01, "Color Temperature/Color Filter"},
    {0x10, "Daylight"},
    {0x20, "Cloudy"},
    {0x30, "Shade"},
    {0x40, "Tungsten"},
    {0x50, "Flash"},
    {0x60, "Fluorescent"},
    {0x70, "Custom"},
    {0x80, "Underwater"},
    {-1,   "Unknown"},
};

const descr_entry sony_whitebalance2[] = {
    {0,  "Auto"},
    {4,  "Custom"},
    {5,  "Daylight"},
    {6,  "Cloudy"},
    {7,  "Cool White Fluorescent"},
    {8,  "Day White Fluorescent"},
    {9,  "Daylight Fluorescent"},
    {10, "Incandescent 2"},
    {11, "Warm White Fluorescent"},
    {14, "Incandescent"},
    {15, "Flash"},
    {17, "Underwater 1 (Blue Water)"},
    {18, "Underwater 2 (Green Water)"},
    {19, "Underwater Auto"},
    {-1, "Unknown"},
};

const descr_entry sony_highisonr[] = {
    {0,   "Off"},
    {1,   "Low"},
    {2,   "Normal"},
    {3,   "High"},
    {256, "Auto"},
    {-1,  "Unknown"},
};

const descr_entry sony_offon[] = {
    {0,  "Off"},
    {1,  "On"},
    {-1, "Unknown"},
};

const descr_entry sony_noyes[] = {
    {0,  "No"},
    {1,  "Yes"},
    {-1, "Unknown"},
};

const descr_entry sony_offauto[] = {
    {0,  "Off"},
    {2,  "Auto"},
    {-1, "Unknown"},
};

const descr_entry sony_pictureeffect[] = {
    {0,   "Off"},
    {1,   "Toy Camera"},
    {2,   "Pop Color"},
    {3,   "Posterization"},
    {4,   "Posterization B/W"},
    {5,   "Retro Photo"},
    {6,   "Soft High Key"},
    {7,   "Partial Color (red)"},
    {8,   "Partial Color (green)"},
    {9,   "Partial Color (blue)"},
    {10,  "Partial Color (yellow)"},
    {13,  "High Contrast Monochrome"},
    {16,  "Toy Camera (normal)"},
    {17,  "Toy Camera (cool)"},
    {18,  "Toy Camera (warm)"},
    {19,  "Toy Camera (green)"},
    {20,  "Toy Camera (magenta)"},
    {32,  "Soft Focus (low)"},
    {33,  "Soft Focus"},
    {34,  "Soft Focus (high)"},
    {48,  "Miniature (auto)"},
    {49,  "Miniature (top)"},
    {50,  "Miniature (middle horizontal)"},
    {51,  "Miniature (bottom)"},
    {52,  "Miniature (left)"},
    {53,  "Miniature (middle vertical)"},
    {54,  "Miniature (right)"},
    {64,  "HDR Painting (low)"},
    {65,  "HDR Painting"},
    {66,  "HDR Painting (high)"},
    {80,  "Rich-tone Monochrome"},
    {97,  "Watercolor"},
    {98,  "Watercolor 2"},
    {112, "Illustration (low)"},
    {113, "Illustration"},
    {114, "Illustration (high)"},
    {-1,  "Unknown"},
};

const descr_entry sony_softskin[] = {
    {0,  "Off"},
    {1,  "Low"},
    {2,  "Mid"},
    {3,  "High"},
    {-1, "Unknown"},
};

const descr_entry sony_flashaction[] = {
    {0,  "Did not fire"},
    {1,  "Flash fired"},
    {2,  "External flash fired"},
    {3,  "Wireless controlled flash fired"},
    {-1, "Unknown"},
};

const descr_entry sony_focusmode[] = {
    {0,  "Manual"},
    {2,  "AF-S"},
    {3,  "AF-C"},
    {4,  "AF-A"},
    {6,  "DMF"},
    {7,  "AF-D"},
    {-1, "Unknown"},
};

const descr_entry sony_aftracking[] = {
    {0,  "Off"},
    {1,  "Face tracking"},
    {2,  "Lock On AF"},
    {-1, "Unknown"},
};

const descr_entry sony_nreffect[] = {
    {0,  "Normal"},
    {1,  "High"},
    {-1, "Unknown"},
};

const descr_entry sony_metering[] = {
    {0x100, "Multi-segment"},
    {0x200, "Center-weighted average"},
    {0x301, "Spot (Standard)"},
    {0x302, "Spot (Large)"},
    {0x400, "Average"},
    {0x500, "Highlight"},
    {-1,    "Unknown"},
};

const descr_entry sony_jpegheif[] = {
    {0,  "JPEG"},
    {1,  "HEIF"},
    {-1, "Unknown"},
};

// Sony model IDs of common bodies; others print as numbers.
const descr_entry sony_models[] = {
    {312, "ILCE-6000"},
    {340, "ILCE-7M2"},
    {347, "ILCE-7RM2"},
    {358, "ILCE-9"},
    {362, "ILCE-7RM3"},
    {363, "ILCE-7M3"},
    {365, "DSC-RX10M4"},
    {371, "ILCE-6400"},
    {374, "DSC-RX100M7"},
    {375, "ILCE-7RM4"},
    {378, "ILCE-6600"},
    {380, "ZV-1"},
    {381, "ILCE-7C"},
    {382, "ZV-E10"},
    {383, "ILCE-7SM3"},
    {384, "ILCE-1"},
    {388, "ILCE-7M4"},
    {390, "ILCE-7RM5"},
    {394, "ILCE-6700"},
    {396, "ILCE-7CR"},
    {-1,  "Unknown"},
};

const descr_entry sony_scenemode[] = {
    {0,  "Standard"},
    {1,  "Portrait"},
    {2,  "Text"},
    {3,  "Night Scene"},
    {4,  "Sunset"},
    {5,  "Sports"},
    {6,  "Landscape"},
    {7,  "Night Portrait"},
    {8,  "Macro"},
    {9,  "Super Macro"},
    {16, "Auto"},
    {17, "Night View/Portrait"},
    {18, "Sweep Panorama"},
    {19, "Handheld Night Shot"},
    {20, "Anti Motion Blur"},
    {21, "Cont. Priority AE"},
    {22, "Auto+"},
    {23, "3D Sweep Panorama"},
    {24, "Superior Auto"},
    {25, "High Sensitivity"},
    {26, "Fireworks"},
    {27, "Food"},
    {28, "Pet"},
    {33, "HDR"},
    {-1, "Unknown"},
};

const descr_entry sony_dro[] = {
    {0,  "Off"},
    {1,  "Standard"},
    {2,  "Advanced Auto"},
    {3,  "Auto"},
    {8,  "Advanced Lv1"},
    {9,  "Advanced Lv2"},
    {10, "Advanced Lv3"},
    {11, "Advanced Lv4"},
    {12, "Advanced Lv5"},
    {16, "Lv1"},
    {17, "Lv2"},
    {18, "Lv3"},
    {19, "Lv4"},
    {20, "Lv5"},
    {-1, "Unknown"},
};

// A few of the A-mount lenses Minolta and Sony share the numbers of.
const descr_entry sony_alenses[] = {
    {43,    "Sony 35mm F1.4 G"},
    {44,    "Sony 50mm F1.4"},
    {50,    "Sony DT 18-250mm F3.5-6.3"},
    {51,    "Sony DT 16-105mm F3.5-5.6"},
    {55,    "Sony DT 18-55mm F3.5-5.6 SAM (or SAM II)"},
    {57,    "Sony DT 50mm F1.8 SAM"},
    {63,    "Sony DT 16-50mm F2.8 SSM"},
    {65,    "Sony DT 18-135mm F3.5-5.6 SAM"},
    {68,    "Sony DT 55-300mm F4.5-5.6 SAM"},
    {65535, "E-mount lens or other"},
    {-1,    "Unknown"},
};

const descr_entry sony_elenses[] = {
    {0,     "Unknown E-mount lens or other lens"},
    {2,     "Sony LA-EA2 Adapter"},
    {6,     "Sony LA-EA4 Adapter"},
    {32785, "Sony E 18-55mm F3.5-5.6 OSS"},
    {32786, "Sony E 55-210mm F4.5-6.3 OSS"},
    {32793, "Sony E PZ 16-50mm F3.5-5.6 OSS"},
    {32795, "Sony FE 24-70mm F4 ZA OSS"},
    {32799, "Sony E 35mm F1.8 OSS"},
    {32802, "Sony FE 90mm F2.8 Macro G OSS"},
    {32805, "Sony FE 24-105mm F4 G OSS"},
    {32813, "Sony FE 28-70mm F3.5-5.6 OSS"},
    {32821, "Sony FE 24-70mm F2.8 GM"},
    {32824, "Sony FE 50mm F1.8"},
    {32828, "Sony FE 70-300mm F4.5-5.6 G OSS"},
    {32830, "Sony FE 70-200mm F2.8 GM OSS"},
    {32849, "Sony E 18-135mm F3.5-5.6 OSS"},
    {32851, "Sony FE 200-600mm F5.6-6.3 G OSS"},
    {32875, "Sony FE 24-70mm F2.8 GM II"},
    {49457, "Tamron 28-75mm F2.8 Di III RXD"},
    {50517, "Sigma 24-70mm F2.8 DG DN (A)"},
    {-1,    "Unknown"},
};

const descr_entry sony_colormode[] = {
    {0,   "Standard"},
    {1,   "Vivid"},
    {2,   "Portrait"},
    {3,   "Landscape"},
    {4,   "Sunset"},
    {5,   "Night View/Portrait"},
    {6,   "Black & White"},
    {7,   "Adobe RGB"},
    {12,  "Neutral"},
    {13,  "Clear"},
    {14,  "Deep"},
    {15,  "Light"},
    {16,  "Autumn Leaves"},
    {17,  "Sepia"},
    {18,  "FL"},
    {19,  "Vivid 2"},
    {20,  "IN"},
    {21,  "SH"},
    {100, "Neutral"},
    {101, "Clear"},
    {102, "Deep"},
    {103, "Light"},
    {104, "Night View"},
    {105, "Autumn Leaves"},
    {255, "Off"},
    {-1,  "Unknown"},
};

const descr_entry sony_exposuremode[] = {
    {0,  "Program AE"},
    {1,  "Portrait"},
    {5,  "Landscape"},
    {6,  "Auto"},
    {7,  "Aperture-priority AE"},
    {8,  "Shutter speed priority AE"},
    {9,  "Night Scene/Twilight"},
    {11, "Twilight Portrait"},
    {13, "Fireworks"},
    {14, "Smile Shutter"},
    {15, "Manual"},
    {18, "High Sensitivity"},
    {19, "Macro"},
    {29, "Underwater"},
    {33, "Food"},
    {34, "Sweep Panorama"},
    {35, "Handheld Night Shot"},
    {36, "Anti Motion Blur"},
    {37, "Pet"},
    {38, "Backlight Correction HDR"},
    {39, "Superior Auto"},
    {40, "Background Defocus"},
    {41, "Soft Skin"},
    {42, "3D Image"},
    {-1, "Unknown"},
};

const descr_entry sony_focuscompact[] = {
    {1,  "AF-S"},
    {2,  "AF-C"},
    {4,  "Permanent-AF"},
    {-1, "Unknown"},
};

const descr_entry sony_jpegquality[] = {
    {0,  "Standard"},
    {1,  "Fine"},
    {2,  "Extra Fine"},
    {-1, "Unknown"},
};

const descr_entry sony_releasemode[] = {
    {0,  "Normal"},
    {2,  "Continuous"},
    {5,  "Exposure Bracketing"},
    {6,  "White Balance Bracketing"},
    {8,  "DRO Bracketing"},
    {-1, "Unknown"},
};

const descr_entry sony_focusnewer[] = {
    {0,  "Manual"},
    {2,  "AF-S"},
    {3,  "AF-C"},
    {5,  "Semi-manual"},
    {6,  "DMF"},
    {-1, "Unknown"},
};

const descr_entry sony_dro2[] = {
    {0,  "Off"},
    {1,  "Standard"},
    {2,  "Plus"},
    {-1, "Unknown"},
};

const descr_entry sony_highisonr2[] = {
    {0,  "Normal"},
    {1,  "High"},
    {2,  "Low"},
    {3,  "Off"},
    {-1, "Unknown"},
};

const descr_entry sony_intelligentauto[] = {
    {0,  "Off"},
    {1,  "On"},
    {2,  "Advanced"},
    {-1, "Unknown"},
};

// The AF area lists of the bodies' families.
const descr_entry sony_afarea_slt[] = {
    {0,  "Wide"},
    {4,  "Local"},
    {8,  "Zone"},
    {9,  "Spot"},
    {-1, "Unknown"},
};

const descr_entry sony_afarea_emount[] = {
    {0,  "Wide"},
    {1,  "Center"},
    {3,  "Flexible Spot"},
    {4,  "Flexible Spot (LA-EA4)"},
    {9,  "Center (LA-EA4)"},
    {11, "Zone"},
    {12, "Expanded Flexible Spot"},
    {13, "Custom AF Area"},
    {-1, "Unknown"},
};

const descr_entry sony_afarea_ilca[] = {
    {0,  "Wide"},
    {4,  "Flexible Spot"},
    {8,  "Zone"},
    {9,  "Center"},
    {12, "Expanded Flexible Spot"},
    {-1, "Unknown"},
};

const descr_entry sony_afzones[] = {
    {0,  "n/a"},
    {1,  "Center Zone"},
    {2,  "Top Zone"},
    {3,  "Right Zone"},
    {4,  "Left Zone"},
    {5,  "Bottom Zone"},
    {6,  "Bottom Right Zone"},
    {7,  "Bottom Left Zone"},
    {8,  "Top Left Zone"},
    {9,  "Top Right Zone"},
    {-1, "Unknown"},
};

const descr_entry sony_afarea2[] = {
    {0,  "Default"},
    {1,  "Multi"},
    {2,  "Center"},
    {3,  "Spot"},
    {4,  "Flexible Spot"},
    {6,  "Touch"},
    {14, "Tracking"},
    {15, "Face Tracking"},
    {-1, "Unknown"},
};

// The compacts that fill Focus Mode (compacts) number their areas apart.
const descr_entry sony_afarea2_compact[] = {
    {0,   "Multi"},
    {1,   "Center"},
    {2,   "Spot"},
    {3,   "Flexible Spot"},
    {10,  "Selective (for Miniature effect)"},
    {14,  "Tracking"},
    {15,  "Face Tracking"},
    {255, "Manual"},
    {-1,  "Unknown"},
};

const descr_entry sony_hdrresult[] = {
    {0,  "Uncorrected image"},
    {1,  "HDR image (good)"},
    {2,  "HDR image (fail 1)"},
    {3,  "HDR image (fail 2)"},
    {-1, "Unknown"},
};

const descr_entry sony_rawquality[] = {
    {0,  "none"},
    {1,  "RAW"},
    {2,  "S-size RAW"},
    {3,  "M-size RAW"},
    {4,  "Compressed RAW"},
    {5,  "Compressed (HQ) RAW"},
    {-1, "Unknown"},
};

const descr_entry sony_jpegquality2[] = {
    {0,  "none"},
    {1,  "Standard"},
    {2,  "Fine"},
    {3,  "Extra Fine"},
    {4,  "Light"},
    {-1, "Unknown"},
};

const descr_entry sony_lensmount[] = {
    {0,  "Unknown"},
    {1,  "A-mount"},
    {2,  "E-mount"},
    {-1, "Unknown"},
};

// Long Exposure NR packs a flag into the high half: no table row holds it.
struct longcode {
    std::uint32_t value;
    const char* text;
};
const longcode sony_longexposurenr[] = {
    {0x00000000, "Off"},
    {0x00000001, "On (unused)"},
    {0x00010001, "On (dark subtracted)"},
    {0xFFFF0000, "Off (65535)"},
    {0xFFFF0001, "On (65535)"},
};

const textrow sony_styles[] = {
    {"AdobeRGB",     "Adobe RGB"},
    {"Autumnleaves", "Autumn Leaves"},
    {"BW",           "B&W"},
    {"Nightview",    "Night View/Portrait"},
    {"VV2",          "Vivid 2"},
};

}  // namespace

// Columns: tag, expected type and count (0 = any), level, name,
// description, value table, standard tag superseded. The enciphered blocks
// are named but left undecoded, like the other makers' binary records.
const tag_def sony_tags[] = {
    {0x0102, TYPE_LONG,      1, LVL_IMAGE,   "Quality",               "Quality",                 sony_quality,         0},
    {0x0104, TYPE_SRATIONAL, 1, LVL_VERBOSE, "FlashExposureComp",     "Flash Exposure Comp",     nullptr,              0},
    {0x0112, TYPE_LONG,      1, LVL_VERBOSE, "WBFineTune",            "WB Fine Tune",            nullptr,              0},
    {0x0115, TYPE_LONG,      1, LVL_IMAGE,   "WhiteBalance",          "White Balance",           sony_whitebalance,    EXIF_WB},
    {0x2004, TYPE_SLONG,     1, LVL_IMAGE,   "Contrast",              "Contrast",                nullptr,              0},
    {0x2005, TYPE_SLONG,     1, LVL_IMAGE,   "Saturation",            "Saturation",              nullptr,              0},
    {0x2006, TYPE_SLONG,     1, LVL_IMAGE,   "Sharpness",             "Sharpness",               nullptr,              0},
    {0x2007, TYPE_SLONG,     1, LVL_IMAGE,   "Brightness",            "Brightness",              nullptr,              0},
    {0x2008, TYPE_LONG,      1, LVL_IMAGE,   "LongExposureNR",        "Long Exposure NR",        nullptr,              0},
    {0x2009, TYPE_SHORT,     1, LVL_IMAGE,   "HighISONR",             "High ISO NR",             sony_highisonr,       0},
    {0x200A, TYPE_LONG,      1, LVL_IMAGE,   "HDR",                   "HDR",                     nullptr,              0},
    {0x200B, TYPE_LONG,      1, LVL_IMAGE,   "MultiFrameNR",          "Multi Frame NR",          sony_offon,           0},
    {0x200E, TYPE_SHORT,     1, LVL_IMAGE,   "PictureEffect",         "Picture Effect",          sony_pictureeffect,   0},
    {0x200F, TYPE_LONG,      1, LVL_VERBOSE, "SoftSkinEffect",        "Soft Skin Effect",        sony_softskin,        0},
    {0x2010, 0,              0, LVL_UNKNOWN, "CameraInfo",            "Camera Info",             nullptr,              0},
    {0x2011, TYPE_LONG,      1, LVL_VERBOSE, "VignettingCorrection",  "Vignetting Correction",   sony_offauto,         0},
    {0x2012, TYPE_LONG,      1, LVL_VERBOSE, "LateralCACorrection",   "Lateral CA Correction",   sony_offauto,         0},
    {0x2013, TYPE_LONG,      1, LVL_VERBOSE, "DistortionCorrection",  "Distortion Correction",   sony_offauto,         0},
    {0x2014, TYPE_SLONG,     2, LVL_VERBOSE, "WhiteBalanceShift",     "White Balance Shift",     nullptr,              0},
    {0x2016, TYPE_SHORT,     1, LVL_VERBOSE, "AutoPortraitFramed",    "Auto Portrait Framed",    sony_noyes,           0},
    {0x2017, TYPE_LONG,      1, LVL_VERBOSE, "FlashAction",           "Flash Action",            sony_flashaction,     0},
    {0x201A, TYPE_LONG,      1, LVL_VERBOSE, "EFrontCurtainShutter",  "E-Front Curtain Shutter", sony_offon,           0},
    {0x201B, TYPE_BYTE,      1, LVL_IMAGE,   "FocusMode",             "Focus Mode",              sony_focusmode,       0},
    {0x201C, TYPE_BYTE,      1, LVL_IMAGE,   "AFAreaModeSetting",     "AF Area Mode Setting",    nullptr,              0},
    {0x201D, TYPE_SHORT,     2, LVL_VERBOSE, "FlexibleSpotPosition",  "Flexible Spot Position",  nullptr,              0},
    {0x201E, TYPE_BYTE,      1, LVL_IMAGE,   "AFPointSelected",       "AF Point Selected",       nullptr,              0},
    {0x2021, TYPE_BYTE,      1, LVL_IMAGE,   "AFTracking",            "AF Tracking",             sony_aftracking,      0},
    {0x2023, TYPE_LONG,      1, LVL_IMAGE,   "MultiFrameNREffect",    "Multi Frame NR Effect",   sony_nreffect,        0},
    {0x202C, TYPE_SHORT,     1, LVL_IMAGE,   "MeteringMode",          "Metering Mode",           sony_metering,        0},
    {0x202D, TYPE_SRATIONAL, 1, LVL_VERBOSE, "ExposureStdAdjustment", "Exposure Std Adjustment", nullptr,              0},
    {0x202E, TYPE_SHORT,     2, LVL_IMAGE,   "Quality2",              "Quality 2",               nullptr,              0},
    {0x2031, TYPE_ASCII,     0, LVL_CAMERA,  "SerialNumber",          "Serial Number",           nullptr,              0},
    {0x2032, TYPE_SLONG,     1, LVL_VERBOSE, "Shadows",               "Shadows",                 nullptr,              0},
    {0x2033, TYPE_SLONG,     1, LVL_VERBOSE, "Highlights",            "Highlights",              nullptr,              0},
    {0x2034, TYPE_SLONG,     1, LVL_VERBOSE, "Fade",                  "Fade",                    nullptr,              0},
    {0x2035, TYPE_SLONG,     1, LVL_VERBOSE, "SharpnessRange",        "Sharpness Range",         nullptr,              0},
    {0x2036, TYPE_SLONG,     1, LVL_VERBOSE, "Clarity",               "Clarity",                 nullptr,              0},
    {0x2039, TYPE_SHORT,     1, LVL_VERBOSE, "JPEGHEIFSwitch",        "JPEG/HEIF Switch",        sony_jpegheif,        0},
    {0x3000, TYPE_UNDEFINED, 0, LVL_VERBOSE, "ShotInfo",              "Shot Info",               nullptr,              0},
    {0x900B, 0,              0, LVL_UNKNOWN, "EncipheredBlock",       "Enciphered Block",        nullptr,              0},
    {0x9050, 0,              0, LVL_UNKNOWN, "EncipheredBlock",       "Enciphered Block",        nullptr,              0},
    {0x9400, 0,              0, LVL_UNKNOWN, "EncipheredBlock",       "Enciphered Block",        nullptr,              0},
    {0x9401, 0,              0, LVL_UNKNOWN, "EncipheredBlock",       "Enciphered Block",        nullptr,              0},
    {0x9402, 0,              0, LVL_UNKNOWN, "EncipheredBlock",       "Enciphered Block",        nullptr,              0},
    {0x9403, 0,              0, LVL_UNKNOWN, "EncipheredBlock",       "Enciphered Block",        nullptr,              0},
    {0x9404, 0,              0, LVL_UNKNOWN, "EncipheredBlock",       "Enciphered Block",        nullptr,              0},
    {0x9405, 0,              0, LVL_UNKNOWN, "EncipheredBlock",       "Enciphered Block",        nullptr,              0},
    {0x9406, 0,              0, LVL_UNKNOWN, "EncipheredBlock",       "Enciphered Block",        nullptr,              0},
    {0x9407, 0,              0, LVL_UNKNOWN, "EncipheredBlock",       "Enciphered Block",        nullptr,              0},
    {0x9408, 0,              0, LVL_UNKNOWN, "EncipheredBlock",       "Enciphered Block",        nullptr,              0},
    {0x9409, 0,              0, LVL_UNKNOWN, "EncipheredBlock",       "Enciphered Block",        nullptr,              0},
    {0x940A, 0,              0, LVL_UNKNOWN, "EncipheredBlock",       "Enciphered Block",        nullptr,              0},
    {0x940B, 0,              0, LVL_UNKNOWN, "EncipheredBlock",       "Enciphered Block",        nullptr,              0},
    {0x940C, 0,              0, LVL_UNKNOWN, "EncipheredBlock",       "Enciphered Block",        nullptr,              0},
    {0x940D, 0,              0, LVL_UNKNOWN, "EncipheredBlock",       "Enciphered Block",        nullptr,              0},
    {0x940E, 0,              0, LVL_UNKNOWN, "EncipheredBlock",       "Enciphered Block",        nullptr,              0},
    {0x940F, 0,              0, LVL_UNKNOWN, "EncipheredBlock",       "Enciphered Block",        nullptr,              0},
    {0x9411, 0,              0, LVL_UNKNOWN, "EncipheredBlock",       "Enciphered Block",        nullptr,              0},
    {0x9416, 0,              0, LVL_UNKNOWN, "LensInfo",              "Lens Info",               nullptr,              0},
    {0xB000, TYPE_BYTE,      4, LVL_VERBOSE, "FileFormat",            "File Format",             nullptr,              0},
    {0xB001, TYPE_SHORT,     1, LVL_CAMERA,  "SonyModelID",           "Sony Model ID",           sony_models,          0},
    {0xB020, TYPE_ASCII,     0, LVL_IMAGE,   "CreativeStyle",         "Creative Style",          nullptr,              0},
    {0xB021, TYPE_LONG,      1, LVL_VERBOSE, "ColorTemperature",      "Color Temperature",       nullptr,              0},
    {0xB023, TYPE_LONG,      1, LVL_VERBOSE, "SceneMode",             "Scene Mode",              sony_scenemode,       0},
    {0xB025, TYPE_LONG,      1, LVL_IMAGE,   "DROptimizer",           "DR Optimizer",            sony_dro,             0},
    {0xB026, TYPE_LONG,      1, LVL_IMAGE,   "ImageStabilization",    "Image Stabilization",     sony_offon,           0},
    {0xB027, TYPE_LONG,      1, LVL_IMAGE,   "LensType",              "Lens Type",               sony_alenses,         0},
    {0xB029, TYPE_LONG,      1, LVL_IMAGE,   "ColorMode",             "Color Mode",              sony_colormode,       0},
    {0xB02A, TYPE_BYTE,      8, LVL_IMAGE,   "LensSpec",              "Lens Spec",               nullptr,              0},
    {0xB02B, TYPE_LONG,      2, LVL_VERBOSE, "FullImageSize",         "Full Image Size",         nullptr,              0},
    {0xB02C, TYPE_LONG,      2, LVL_VERBOSE, "PreviewImageSize",      "Preview Image Size",      nullptr,              0},
    {0xB041, TYPE_SHORT,     1, LVL_IMAGE,   "ExposureMode",          "Exposure Mode",           sony_exposuremode,    0},
    {0xB042, TYPE_SHORT,     1, LVL_IMAGE,   "FocusModecompacts",     "Focus Mode (compacts)",   sony_focuscompact,    0},
    {0xB043, TYPE_SHORT,     1, LVL_IMAGE,   "AFAreaModecompacts",    "AF Area Mode (compacts)", nullptr,              0},
    {0xB047, TYPE_SHORT,     1, LVL_IMAGE,   "JPEGQuality",           "JPEG Quality",            sony_jpegquality,     0},
    {0xB049, TYPE_SHORT,     1, LVL_VERBOSE, "ReleaseMode",           "Release Mode",            sony_releasemode,     0},
    {0xB04E, TYPE_SHORT,     1, LVL_IMAGE,   "FocusModenewerDSC",     "Focus Mode (newer DSC)",  sony_focusnewer,      0},
    {0xB04F, TYPE_SHORT,     1, LVL_IMAGE,   "DROptimizer2",          "DR Optimizer 2",          sony_dro2,            0},
    {0xB050, TYPE_SHORT,     1, LVL_IMAGE,   "HighISONR2",            "High ISO NR 2",           sony_highisonr2,      0},
    {0xB052, TYPE_SHORT,     1, LVL_VERBOSE, "IntelligentAuto",       "Intelligent Auto",        sony_intelligentauto, 0},
    {0xB054, TYPE_SHORT,     1, LVL_IMAGE,   "WhiteBalance2",         "White Balance 2",         sony_whitebalance2,   EXIF_WB},
    {0xFFFF, 0,              0, LVL_UNKNOWN, "SonyUnknown",           "Sony Unknown",            nullptr,              0},
};

namespace {

// The fields of Shot Info; the tag of a row is the field's position in it.
const tag_def sony_shotinfo_tags[] = {
    {0x0006, 0, 0, LVL_VERBOSE, "ShotDateTime",  "Shot Date/Time", nullptr},
    {0x001A, 0, 0, LVL_VERBOSE, "ImageHeight",   "Image Height",   nullptr},
    {0x001C, 0, 0, LVL_VERBOSE, "ImageWidth",    "Image Width",    nullptr},
    {0x0030, 0, 0, LVL_VERBOSE, "FacesDetected", "Faces Detected", nullptr},
    {0x0034, 0, 0, LVL_VERBOSE, "MetaVersion",   "Meta Version",   nullptr},
    {0xFFFF, 0, 0, LVL_UNKNOWN, "ShotInfoUnknown", "Shot Info Unknown", nullptr},
};

// The deciphered fields of 0x9416 used here, by their position.
const tag_def sony_lensinfo_tags[] = {
    {0x004A, 0, 0, LVL_VERBOSE, "LensMount",      "Lens Mount",        nullptr},
    {0x004B, 0, 0, LVL_IMAGE,   "EMountLensType", "E-mount Lens Type", nullptr},
    {0x004D, 0, 0, LVL_IMAGE,   "AMountLensType", "A-mount Lens Type", nullptr},
    {0x0071, 0, 0, LVL_VERBOSE, "FocalLength",    "Focal Length",      nullptr},
    {0xFFFF, 0, 0, LVL_UNKNOWN, "LensInfoUnknown", "Lens Info Unknown", nullptr},
};

// ---- Reading the note --------------------------------------------------------

// The note layouts by the bytes they begin with: where the directory starts,
// and whether it is one this reader takes.
enum class notekind : unsigned char { sony, olympus, refused };
struct notelayout {
    const char* head;
    std::size_t length;
    std::uint32_t directory;
    notekind kind;
};
// Each text's terminating NUL is part of the header.
constexpr char SONY_DSC[] = "SONY DSC ", SONY_CAM[] = "SONY CAM ", SONY_MOBILE[] = "SONY MOBILE",
               SONY_PIC_ZEROS[] = "\0\0SONY PIC", VHAB[] = "VHAB     ", SONY_PIC[] = "SONY PIC", SONY_PI[] = "SONY PI",
               PREMI[] = "PREMI", SEMC[] = "SEMC MS";
constexpr std::uint32_t VHAB_DIRECTORY = 12;
const notelayout sony_layouts[] = {
    {SONY_DSC,       sizeof SONY_DSC - 1,    12,             notekind::sony},
    {SONY_CAM,       sizeof SONY_CAM - 1,    12,             notekind::sony},
    {SONY_MOBILE,    sizeof SONY_MOBILE,     12,             notekind::sony},
    {SONY_PIC_ZEROS, sizeof SONY_PIC_ZEROS,  12,             notekind::sony},
    {VHAB,           sizeof VHAB,            VHAB_DIRECTORY, notekind::sony},
    {SONY_PIC,       sizeof SONY_PIC,        0,              notekind::refused},
    {SONY_PI,        sizeof SONY_PI,         12,             notekind::olympus},
    {PREMI,          sizeof PREMI,           8,              notekind::olympus},
    {SEMC,           sizeof SEMC,            0,              notekind::refused},
};

// A header-less note that begins so is not a Sony directory.
constexpr unsigned char FOREIGN[] = {0x01, 0x00};

// The fullest Sony notes hold about 120 entries; a count far above that is
// text or image data read as a directory.
constexpr std::uint16_t MOST_ENTRIES = 512;

ifd_block* refuse(const tiff_view& view)
{
    detail::warn(view.ctx, "maker note not supported");
    return nullptr;
}

// The directory at `at` alone, in the Exif block's byte order unless its
// entry count says otherwise; refused when its count is implausible or it
// runs past the block.
ifd_block* readdirectory(std::uint32_t at, const tag_def* table, tiff_view* view)
{
    const int order = checkedorder(*view, at, view->order);
    const std::optional<std::uint16_t> count = cursor(inorder(*view, order)).u16(at);
    if (!count || !*count || *count > MOST_ENTRIES)
        return refuse(*view);
    ifd_block* dir = readone(at, table, inorder(*view, order));
    if (!dir)
        return refuse(*view);
    view->order = order;
    return dir;
}

const notelayout* layoutof(const tiff_view& view, std::uint32_t offset)
{
    for (const notelayout& layout : sony_layouts)
        if (noteheader(view, offset, layout.head, layout.length))
            return &layout;
    return nullptr;
}

// ---- Reading values ------------------------------------------------------------

// The value of a one-value field: BYTE codes stand in the first byte of the
// value word.
std::uint32_t codeof(const exif_prop* prop)
{
    if (prop->type == TYPE_BYTE || prop->type == TYPE_UNDEFINED || prop->type == TYPE_SBYTE)
        return storedbytes(prop->value, prop->order).b[0];
    return prop->value;
}

// Whether the field is of the type and count its row expects; warns when not,
// and the field keeps its value word.
bool asexpected(exif_prop* prop, const tag_def& row)
{
    const char* warning = row.type && row.type != prop->type    ? "field type mismatch"
                          : row.count && row.count != prop->count ? "field count mismatch"
                                                                  : nullptr;
    if (!warning)
        return true;
    detail::warn(prop->ctx, warning, prop->name);
    droptext(prop);
    return false;
}

bool notapplicable(const exif_prop* prop)
{
    if (prop->count != 1)
        return false;
    return (prop->type == TYPE_LONG && prop->value == NA_LONG) || (prop->type == TYPE_SHORT && prop->value == NA_SHORT);
}

void nottext(exif_prop* prop)
{
    formattext(prop, TEXT, "n/a");
}

// A value that means nothing for the body stays a number among the unknown.
void meaningless(exif_prop* prop)
{
    droptext(prop);
    prop->lvl = LVL_UNKNOWN;
}

// ---- Bodies ----------------------------------------------------------------------

bool startswith(const char* text, const char* prefix)
{
    return text && std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

bool isone(const char* model, std::initializer_list<const char*> names)
{
    if (!model)
        return false;
    for (const char* name : names)
        if (!std::strcmp(model, name))
            return true;
    return false;
}

// The compacts whose focus fields mean what the interchangeable-lens bodies' do.
bool focusingcompact(const char* model)
{
    return isone(model, {"DSC-RX10M4", "DSC-RX100M5A", "DSC-RX100M6", "DSC-RX100M7", "DSC-HX95", "DSC-HX99",
                         "DSC-RX0M2", "DSC-RX1RM3"});
}

bool emount(const char* model)
{
    return startswith(model, "NEX-") || startswith(model, "ILCE-") || startswith(model, "ILME-") ||
           startswith(model, "ZV-");
}

bool translucent(const char* model)
{
    return startswith(model, "SLT-") || startswith(model, "HV");
}

const descr_entry* afareas(const char* model)
{
    if (translucent(model))
        return sony_afarea_slt;
    if (emount(model) || focusingcompact(model))
        return sony_afarea_emount;
    if (startswith(model, "ILCA-"))
        return sony_afarea_ilca;
    return nullptr;
}

// ---- Other fields read alongside ---------------------------------------------------

std::optional<std::uint32_t> codeoftag(exif_info* info, std::uint16_t tag)
{
    const exif_prop* prop = findprop(info->props, sony_tags, tag);
    if (!prop || prop->count != 1)
        return std::nullopt;
    return codeof(prop);
}

// Shot Info's meta version of the HX9V generation and the compacts after it.
constexpr char HX9V_GENERATION[] = "DC7303320222000";
constexpr std::uint16_t SHOT_METAVERSION = 0x34;

// Shot Info's fields: position, length, and whether they are text.
struct shotfield {
    std::uint16_t at;
    std::uint32_t length;
    bool text;
};
constexpr shotfield SHOT_FIELDS[] = {
    {0x06,             20, true},
    {0x1A,             2,  false},
    {0x1C,             2,  false},
    {0x30,             2,  false},
    {SHOT_METAVERSION, 16, true},
};

bool hx9vgeneration(exif_info* info)
{
    const exif_prop* shot = findprop(info->props, sony_tags, TAG_SHOTINFO);
    if (!shot || shot->type != TYPE_UNDEFINED || shot->count < SHOT_METAVERSION + sizeof HX9V_GENERATION - 1)
        return false;
    const std::uint64_t at = shot->value + std::uint64_t{SHOT_METAVERSION};
    const auto version = cursor(inorder(info->mkrview, shot->order)).bytes(at, sizeof HX9V_GENERATION - 1);
    return version && !std::memcmp(version->data(), HX9V_GENERATION, version->size());
}

// ---- Texts ---------------------------------------------------------------------------

void plussigned(exif_prop* prop)
{
    const auto v = static_cast<std::int32_t>(prop->value);
    detail::textout out = rewrite(prop, TEXT);
    if (v > 0)
        out.put('+');
    out.num(v);
}

void signedtext(exif_prop* prop)
{
    rewrite(prop, TEXT).num(static_cast<std::int32_t>(prop->value));
}

// "+0.7 EV" and the like; a zero denominator keeps the stored ratio's text.
void plusratio(exif_prop* prop, const tiff_view& view, const char* unit)
{
    const auto ratio = cursor(inorder(view, prop->order)).rational(prop->value);
    if (!ratio || !ratio->den)
        return;
    const double v = static_cast<double>(static_cast<std::int32_t>(ratio->num)) /
                     static_cast<double>(static_cast<std::int32_t>(ratio->den));
    formattext(prop, TEXT, "%+.1f%s", v, unit);
}

void longexposurenr(exif_prop* prop)
{
    for (const longcode& code : sony_longexposurenr)
        if (code.value == prop->value) {
            formattext(prop, TEXT, "%s", code.text);
            return;
        }
    rewrite(prop, TEXT).unum(prop->value);
}

// The low half is the setting, the high half the result.
void hdr(exif_prop* prop)
{
    constexpr std::uint32_t FIRST_EV = 0x10, LAST_EV = 0x1A;
    const std::uint32_t setting = prop->value & 0xFFFF, result = prop->value >> 16;
    detail::textout out = rewrite(prop, 2 * TEXT);
    if (setting == 0)
        out.put("Off");
    else if (setting == 1)
        out.put("Auto");
    else if (setting >= FIRST_EV && setting <= LAST_EV)
        out.fixed(1.0 + 0.5 * (setting - FIRST_EV), 1).put(" EV");
    else
        out.unum(setting);
    out.put(", ");
    if (const char* text = listentry(sony_hdrresult, result))
        out.put(text);
    else
        out.unum(result);
}

// One signed shift: "A 2", "B 1" or 0.
void shift(detail::textout& out, std::int32_t v, char positive, char negative)
{
    if (v > 0)
        out.put(positive).put(' ').num(v);
    else if (v < 0)
        out.put(negative).put(' ').num(-static_cast<std::int64_t>(v));
    else
        out.put('0');
}

// Amber-blue first, positive toward amber; then magenta-green.
void whitebalanceshift(exif_prop* prop, const tiff_view& view)
{
    const auto stored = storedvalue(prop, view);
    if (!stored) {
        detail::warn(prop->ctx, "invalid field offset", prop->name);
        return;
    }
    detail::textout out = rewrite(prop, TEXT);
    shift(out, static_cast<std::int32_t>(get32(stored->data(), prop->order)), 'A', 'B');
    out.put(", ");
    shift(out, static_cast<std::int32_t>(get32(stored->data() + 4, prop->order)), 'M', 'G');
}

// The pair of 16-bit values a field stores in its entry.
std::pair<std::uint16_t, std::uint16_t> shortpair(const exif_prop* prop)
{
    const valuebytes v = storedbytes(prop->value, prop->order);
    return {get16(v.b, prop->order), get16(v.b + 2, prop->order)};
}

void quality2(exif_prop* prop)
{
    const auto [raw, jpeg] = shortpair(prop);
    if (!raw && !jpeg) {
        nottext(prop);
        return;
    }
    detail::textout out = rewrite(prop, 2 * TEXT);
    const char* rawtext = listentry(sony_rawquality, raw);
    const char* jpegtext = listentry(sony_jpegquality2, jpeg);
    rawtext ? out.put(rawtext) : out.unum(raw);
    out.put(" + ");
    jpegtext ? out.put(jpegtext) : out.unum(jpeg);
}

// Stored as four digit pairs, last pair first: "78563412" is 12345678.
void serialnumber(exif_prop* prop)
{
    constexpr std::size_t DIGITS = 8;
    if (!prop->str || std::strlen(prop->str) != DIGITS)
        return;
    char turned[DIGITS + 1] = {};
    for (std::size_t pair = 0; pair < DIGITS / 2; pair++) {
        turned[2 * pair] = prop->str[DIGITS - 2 - 2 * pair];
        turned[2 * pair + 1] = prop->str[DIGITS - 1 - 2 * pair];
    }
    std::memcpy(prop->str, turned, DIGITS);
}

void creativestyle(exif_prop* prop)
{
    if (!prop->str)
        return;
    if (const char* text = shownfor(sony_styles, prop->str))
        formattext(prop, TEXT, "%s", text);
}

void colortemperature(exif_prop* prop)
{
    if (prop->value == 0)
        formattext(prop, TEXT, "Auto");
    else
        rewrite(prop, TEXT).unum(prop->value).put(" K");
}

// Four bytes a b c d.
void fileformat(exif_prop* prop)
{
    const valuebytes v = storedbytes(prop->value, prop->order);
    const unsigned a = v.b[0], b = v.b[1], c = v.b[2], d = v.b[3];
    detail::textout out = rewrite(prop, TEXT);
    if (a == 0 && b == 0 && c == 0 && d == 2)
        out.put("JPEG");
    else if (a == 1 && (b | c | d) == 0)
        out.put("SR2");
    else if (a == 2 && (b | c | d) == 0)
        out.put("ARW 1.0");
    else if (a >= 3 && a <= 6) {
        out.put("ARW ").unum(a == 3 ? 2 : a).put('.').unum(b);
        if (c)
            out.put('.').unum(c);
    } else
        out.unum(a).put(' ').unum(b).put(' ').unum(c).put(' ').unum(d);
}

// Stored height first.
void imagesize(exif_prop* prop, const tiff_view& view)
{
    const auto stored = storedvalue(prop, view);
    if (!stored) {
        detail::warn(prop->ctx, "invalid field offset", prop->name);
        return;
    }
    const std::uint32_t height = get32(stored->data(), prop->order), width = get32(stored->data() + 4, prop->order);
    rewrite(prop, TEXT).unum(width).put(" x ").unum(height);
}

// ---- Lens Spec -----------------------------------------------------------------------------

struct lensflag {
    std::uint16_t mask;
    std::uint16_t value;
    const char* text;
};

// Flags 1 and 2 as one number, flags 1 high; tested in this order.
const lensflag sony_lensprefixes[] = {
    {0x0300, 0x0100, "DT"},
    {0x0300, 0x0200, "FE"},
    {0x0300, 0x0300, "E"},
    {0x4000, 0x4000, "PZ"},
};
const lensflag sony_lenssuffixes[] = {
    {0x00E0, 0x0020, "STF"},
    {0x00E0, 0x0040, "Reflex"},
    {0x00E0, 0x0060, "Macro"},
    {0x00E0, 0x0080, "Fisheye"},
    {0x000C, 0x0004, "ZA"},
    {0x000C, 0x0008, "G"},
    {0x0003, 0x0001, "SSM"},
    {0x0003, 0x0002, "SAM"},
    {0x8000, 0x8000, "OSS"},
    {0x2000, 0x2000, "LE"},
    {0x0800, 0x0800, "II"},
};

unsigned bcd(unsigned char high, unsigned char low)
{
    return (high >> 4) * 1000u + (high & 0xF) * 100u + (low >> 4) * 10u + (low & 0xF);
}

// "d.d" in two nibbles, tenths of a stop as decimal digit: B0 is 11.0.
void aperture(detail::textout& out, unsigned char v)
{
    out.unum(v >> 4);
    if (v & 0xF)
        out.put('.').unum(v & 0xF);
}

void lensspec(exif_prop* prop, const tiff_view& view)
{
    constexpr std::size_t SIZE = 8;
    const auto stored = storedvalue(prop, view);
    if (!stored) {
        detail::warn(prop->ctx, "invalid field offset", prop->name);
        return;
    }
    const unsigned char* b = stored->data();
    if (std::all_of(b, b + SIZE, [](unsigned char c) { return c == 0; })) {
        formattext(prop, TEXT, "Unknown");
        return;
    }
    const unsigned flags = static_cast<unsigned>(b[0]) << 8 | b[7];
    const unsigned shortest = bcd(b[1], b[2]), longest = bcd(b[3], b[4]);
    detail::textout out = rewrite(prop, LENSTEXT);
    for (const lensflag& flag : sony_lensprefixes)
        if ((flags & flag.mask) == flag.value)
            out.put(flag.text).put(' ');
    out.unum(shortest);
    if (longest && longest != shortest)
        out.put('-').unum(longest);
    out.put("mm F");
    aperture(out, b[5]);
    if (b[6] && b[6] != b[5]) {
        out.put('-');
        aperture(out, b[6]);
    }
    for (const lensflag& flag : sony_lenssuffixes)
        if ((flags & flag.mask) == flag.value)
            out.put(' ').put(flag.text);
}

// ---- Shot Info ----------------------------------------------------------------------------------

// A plain record whose first two bytes name its byte order; each field is
// read only when the record holds it whole.
void shotinfo(exif_prop* prop, const tiff_view& view)
{
    const auto record = storedvalue(prop, view);
    if (!record || record->size() < 2)
        return;
    const unsigned char* d = record->data();
    const int order = d[0] == 'I' && d[1] == 'I' ? ORDER_LITTLE : d[0] == 'M' && d[1] == 'M' ? ORDER_BIG : -1;
    if (order < 0)
        return;
    const auto holds = [&](const shotfield& f) { return std::uint64_t{f.at} + f.length <= record->size(); };
    std::uint32_t allowed = subvaluecount(prop, static_cast<std::uint32_t>(std::count_if(
                                                    std::begin(SHOT_FIELDS), std::end(SHOT_FIELDS), holds)));
    for (const shotfield& f : SHOT_FIELDS) {
        if (!allowed)
            break;
        if (!holds(f))
            continue;
        --allowed;
        if (f.text) {
            exif_prop* sub = subvalue(prop, sony_shotinfo_tags, f.at, 0);
            const auto* chars = reinterpret_cast<const char*>(d + f.at);
            formattext(sub, f.length + 1, "%.*s", static_cast<int>(strnlen(chars, f.length)), chars);
        } else {
            exif_prop* sub = subvalue(prop, sony_shotinfo_tags, f.at, get16(d + f.at, order));
            rewrite(sub, TEXT).unum(sub->value);
        }
    }
}

// ---- The enciphered lens block ----------------------------------------------------------

// Enciphering maps b below 249 to b cubed modulo 249, a one-to-one map; the
// bytes from 249 on are left as they are.
constexpr std::array<unsigned char, 256> decipherer()
{
    std::array<unsigned char, 256> inverse{};
    for (unsigned b = 0; b < 249; b++)
        inverse[b * b * b % 249] = static_cast<unsigned char>(b);
    for (unsigned c = 249; c < 256; c++)
        inverse[c] = static_cast<unsigned char>(c);
    return inverse;
}
constexpr std::array<unsigned char, 256> DECIPHER = decipherer();
static_assert(DECIPHER[0x08] == 2 && DECIPHER[0x1B] == 3 && DECIPHER[0x40] == 4 && DECIPHER[83] == 83);

constexpr std::uint16_t LENS_MOUNT = 0x4A, LENS_ETYPE = 0x4B, LENS_ATYPE = 0x4D, LENS_FOCAL = 0x71;
constexpr std::uint32_t MOUNT_A = 1, MOUNT_E = 2;

// The bodies whose 0x9416 block has the layout read here; the ILCE-7M5's
// fields after the first byte stand four bytes later.
std::optional<std::uint32_t> lensinfoshift(const char* model)
{
    if (isone(model, {"ILCE-1", "ILCE-6700", "ILCE-7CM2", "ILCE-7CR", "ILCE-7M4", "ILCE-7RM5", "ILCE-7SM3",
                      "ILCE-9M3", "ILME-FX2", "ILME-FX3", "ILME-FX30", "ZV-E1", "ZV-E10M2"}))
        return 0;
    if (isone(model, {"ILCE-7M5"}))
        return 4;
    return std::nullopt;
}

class deciphered {
public:
    deciphered(std::span<const unsigned char> block, int order, std::uint32_t shift)
        : block_(block), order_(order), shift_(shift)
    {
    }
    std::optional<std::uint32_t> u8(std::uint32_t at) const
    {
        if (!holds(at, 1))
            return std::nullopt;
        return DECIPHER[block_[at + shift_]];
    }
    std::optional<std::uint32_t> u16(std::uint32_t at) const
    {
        if (!holds(at, 2))
            return std::nullopt;
        const unsigned char two[2] = {DECIPHER[block_[at + shift_]], DECIPHER[block_[at + shift_ + 1]]};
        return get16(two, order_);
    }

private:
    bool holds(std::uint32_t at, std::uint32_t length) const
    {
        return std::uint64_t{at} + shift_ + length <= block_.size();
    }

    std::span<const unsigned char> block_;
    int order_;
    std::uint32_t shift_;
};

// Lens mount, lens type and focal length; each read only when the block
// holds its bytes.
void lensinfo(exif_prop* prop, exif_info* info)
{
    const std::optional<std::uint32_t> shift = lensinfoshift(info->model);
    if (!shift || prop->type != TYPE_UNDEFINED)
        return;
    const auto block = storedvalue(prop, info->mkrview);
    if (!block)
        return;
    const deciphered lens(*block, prop->order, *shift);
    const std::optional<std::uint32_t> mount = lens.u8(LENS_MOUNT);
    const bool emounted = mount == MOUNT_E, amounted = mount == MOUNT_A;
    const std::uint16_t typeat = emounted ? LENS_ETYPE : LENS_ATYPE;
    const std::optional<std::uint32_t> type = emounted || amounted ? lens.u16(typeat) : std::nullopt;
    const std::optional<std::uint32_t> focal = lens.u16(LENS_FOCAL);
    std::uint32_t allowed = subvaluecount(prop, mount.has_value() + type.has_value() + focal.has_value());
    // Takes one of the sub-values the quota allows.
    const auto allow = [&allowed] { return allowed ? (--allowed, true) : false; };
    if (mount && allow())
        listtext(subvalue(prop, sony_lensinfo_tags, LENS_MOUNT, *mount), sony_lensmount, *mount);
    if (type && allow()) {
        const std::uint32_t code = type.value_or(0);
        listtext(subvalue(prop, sony_lensinfo_tags, typeat, code), emounted ? sony_elenses : sony_alenses, code);
    }
    if (focal && allow())
        formattext(subvalue(prop, sony_lensinfo_tags, LENS_FOCAL, *focal), TEXT, "%.1f mm", *focal / 10.0);
}

// ---- Fields that depend on the body or on other fields -----------------------------------

void afarea(exif_prop* prop, exif_info* info)
{
    if (const descr_entry* list = afareas(info->model))
        listtext(prop, list, codeof(prop));
    else
        rewrite(prop, TEXT).unum(codeof(prop));
}

// Zones on E-mount bodies; numbered points on the others and behind an
// A-mount adapter.
void afpoint(exif_prop* prop, exif_info* info)
{
    constexpr std::uint32_t ADAPTED = 4;
    if (emount(info->model) && codeoftag(info, TAG_AFAREA) != ADAPTED)
        listtext(prop, sony_afzones, codeof(prop));
    else
        rewrite(prop, TEXT).unum(codeof(prop));
}

// "x, y" in a 640 x 480 frame.
void flexiblespot(exif_prop* prop)
{
    const auto [x, y] = shortpair(prop);
    rewrite(prop, TEXT).unum(x).put(", ").unum(y);
}

// Whether the field means something for the body and the other fields: the
// focus fields of most compacts, the flexible spot of another AF area, the
// compacts' focus modes of the other generation do not.
bool meaningful(const exif_prop* prop, exif_info* info)
{
    switch (prop->tag) {
    case 0x201B:
    case 0x2021: return !startswith(info->model, "DSC-") || focusingcompact(info->model);
    case 0x201D: {
        const std::optional<std::uint32_t> area = codeoftag(info, TAG_AFAREA);
        return emount(info->model) && area && (*area == 3 || *area == 4 || *area == 12);
    }
    case 0xB042: return prop->value != 0 && !hx9vgeneration(info);
    case 0xB04E: return hx9vgeneration(info);
    case 0xB050: return startswith(info->model, "DSC-") || startswith(info->model, "Stellar");
    default: return true;
    }
}

void compactareas(exif_prop* prop, exif_info* info)
{
    const std::optional<std::uint32_t> focus = codeoftag(info, TAG_FOCUSCOMPACT);
    listtext(prop, focus && *focus ? sony_afarea2_compact : sony_afarea2, prop->value);
}

// Fields with a value list: the list's text, the number for a code it lacks.
void listed(exif_prop* prop, const tag_def& row)
{
    const std::uint32_t code = codeof(prop);
    if (!listentry(row.table, code))
        rewrite(prop, TEXT).unum(code);
    else if (row.supersedes)
        supersede(prop);
}

// Multi Frame NR writes 255 or 256 for n/a.
bool multiframenr(exif_prop* prop)
{
    constexpr std::uint32_t NA_SHORTER = 255, NA_LONGER = 256;
    if (prop->value != NA_SHORTER && prop->value != NA_LONGER)
        return false;
    nottext(prop);
    return true;
}

}  // namespace

ifd_block* sony_ifd(std::uint32_t offset, tiff_view* view)
{
    if (const notelayout* layout = layoutof(*view, offset)) {
        // A matched header lies inside the block, so its end cannot wrap.
        switch (layout->kind) {
        case notekind::sony: return readdirectory(offset + layout->directory, sony_tags, view);
        case notekind::olympus: return readdirectory(offset + layout->directory, olympus_tags, view);
        case notekind::refused: return refuse(*view);
        }
    }
    if (noteheader(*view, offset, reinterpret_cast<const char*>(FOREIGN), sizeof FOREIGN))
        return refuse(*view);
    return readdirectory(offset, sony_tags, view);
}

// Only the Sony-built bodies' notes are Sony's.
ifd_block* hasselblad_ifd(std::uint32_t offset, tiff_view* view)
{
    if (!noteheader(*view, offset, VHAB, sizeof VHAB))
        return refuse(*view);
    return readdirectory(offset + VHAB_DIRECTORY, sony_tags, view);
}

void sony_prop(exif_prop* prop, exif_info* info)
{
    if (prop->tag == TAG_LENSINFO) {
        lensinfo(prop, info);
        return;
    }
    const tag_def& row = *tagrow(sony_tags, prop->tag);
    if (row.lvl == LVL_UNKNOWN || !asexpected(prop, row))
        return;
    if (!meaningful(prop, info)) {
        meaningless(prop);
        return;
    }
    if (notapplicable(prop)) {
        nottext(prop);
        return;
    }
    const tiff_view& view = info->mkrview;
    switch (prop->tag) {
    case 0x0104: plusratio(prop, view, " EV"); break;
    case 0x0112: signedtext(prop); break;
    case 0x2004:
    case 0x2005:
    case 0x2006:
    case 0x2007:
    case 0x2032:
    case 0x2033:
    case 0x2034:
    case 0x2035:
    case 0x2036: plussigned(prop); break;
    case 0x2008: longexposurenr(prop); break;
    case 0x200A: hdr(prop); break;
    case 0x200B:
        if (!multiframenr(prop))
            listed(prop, row);
        break;
    case 0x2014: whitebalanceshift(prop, view); break;
    case 0x201C: afarea(prop, info); break;
    case 0x201D: flexiblespot(prop); break;
    case 0x201E: afpoint(prop, info); break;
    case 0x202D: plusratio(prop, view, ""); break;
    case 0x202E: quality2(prop); break;
    case 0x2031: serialnumber(prop); break;
    case 0x3000: shotinfo(prop, view); break;
    case 0xB000: fileformat(prop); break;
    case 0xB020: creativestyle(prop); break;
    case 0xB021: colortemperature(prop); break;
    case 0xB02A: lensspec(prop, view); break;
    case 0xB02B:
    case 0xB02C: imagesize(prop, view); break;
    case 0xB043: compactareas(prop, info); break;
    default:
        if (row.table)
            listed(prop, row);
        break;
    }
}

}  // namespace exifkit
