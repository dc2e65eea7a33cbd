// The standard tag table of the main, Exif and Interoperability directories,
// the value tables its rows point to, and the other constant tables of the
// standard tags: Flash bits, FileSource, UserComment codes and field types.
#include "exif/tables.h"

namespace exifkit {

namespace {

const descr_entry compresss[] = {
    {1,  "Uncompressed"},
    {6,  "JPEG Compression (Thumbnail)"},
    {-1, "Unknown"},
};

const descr_entry pixelcomps[] = {
    {2,  "RGB"},
    {6,  "YCbCr"},
    {-1, "Unknown"},
};

const descr_entry orients[] = {
    {1,  "Top, Left-Hand"},
    {2,  "Top, Right-Hand"},
    {3,  "Bottom, Right-Hand"},
    {4,  "Bottom, Left-Hand"},
    {5,  "Left-Hand, Top"},
    {6,  "Right-Hand, Top"},
    {7,  "Right-Hand, Bottom"},
    {8,  "Left-Hand, Bottom"},
    {-1, "Unknown"},
};

const descr_entry planarconfigs[] = {
    {1,  "Chunky Format"},
    {2,  "Planar Format"},
    {-1, "Unknown"},
};

// Unit suffixes put behind "dp": dots per inch or per centimetre, nothing otherwise.
const descr_entry resunits[] = {
    {2,  "i"},
    {3,  "cm"},
    {-1, ""},
};

const descr_entry chromratios[] = {
    {1,  "YCbCr4:2:2"},
    {2,  "YCbCr4:2:0"},
    {-1, "Unknown"},
};

const descr_entry chrompos[] = {
    {1,  "Centered"},
    {2,  "Co-Sited"},
    {-1, "Unknown"},
};

const descr_entry expprogs[] = {
    {0,  "Not Defined"},
    {1,  "Manual"},
    {2,  "Normal Program"},
    {3,  "Aperture Priority"},
    {4,  "Shutter Priority"},
    {5,  "Creative"},
    {6,  "Action"},
    {7,  "Portrait Mode"},
    {8,  "Landscape Mode"},
    {-1, "Unknown"},
};

// SOS and REI are the values of tags 0x8831 and 0x8832.
const descr_entry sensitivities[] = {
    {0,  "Unknown"},
    {1,  "SOS"},
    {2,  "REI"},
    {3,  "ISO Speed"},
    {4,  "SOS and REI"},
    {5,  "SOS and ISO Speed"},
    {6,  "REI and ISO Speed"},
    {7,  "SOS, REI and ISO Speed"},
    {-1, "Unknown"},
};

const descr_entry compconfig[] = {
    {0,  "Does Not Exist"},
    {1,  "Y"},
    {2,  "Cb"},
    {3,  "Cr"},
    {4,  "R"},
    {5,  "G"},
    {6,  "B"},
    {-1, "Unknown"},
};

const descr_entry metermodes[] = {
    {0,   "Unknown"},
    {1,   "Average"},
    {2,   "Center Weighted Average"},
    {3,   "Spot"},
    {4,   "Multi Spot"},
    {5,   "Pattern"},
    {6,   "Partial"},
    {255, "Other"},
    {-1,  "Unknown"},
};

const descr_entry lightsrcs[] = {
    {0,   "Unknown"},
    {1,   "Daylight"},
    {2,   "Fluorescent"},
    {3,   "Tungsten"},
    {4,   "Flash"},
    {9,   "Fine Weather"},
    {10,  "Cloudy Weather"},
    {11,  "Shade"},
    {12,  "Daylight Fluorescent"},
    {13,  "Day White Fluorescent"},
    {14,  "Cool White Fluorescent"},
    {15,  "White Fluorescent"},
    {17,  "Standard Light A"},
    {18,  "Standard Light B"},
    {19,  "Standard Light C"},
    {20,  "D55"},
    {21,  "D65"},
    {22,  "D75"},
    {23,  "D50"},
    {24,  "ISO Studio Tungsten"},
    {255, "Other"},
    {-1,  "Unknown"},
};

const descr_entry colorspcs[] = {
    {1,     "sRGB"},
    {65535, "Uncalibrated"},
    {-1,    "Unknown"},
};

const descr_entry imgsensors[] = {
    {1,  "Not Defined"},
    {2,  "One-Chip Color Area"},
    {3,  "Two-Chip Color Area"},
    {4,  "Three-Chip Color Area"},
    {5,  "Color Sequential Area"},
    {7,  "Trilinear"},
    {8,  "Color Sequential Linear"},
    {-1, "Unknown"},
};

const descr_entry scenetypes[] = {
    {1,  "Directly Photographed"},
    {-1, "Unknown"},
};

const descr_entry customrend[] = {
    {0,  "Normal"},
    {1,  "Custom"},
    {-1, "Unknown"},
};

const descr_entry expmode[] = {
    {0,  "Auto"},
    {1,  "Manual"},
    {2,  "Auto Bracket"},
    {-1, "Unknown"},
};

const descr_entry whitebal[] = {
    {0,  "Auto"},
    {1,  "Manual"},
    {-1, "Unknown"},
};

const descr_entry scenecaptypes[] = {
    {0,  "Standard"},
    {1,  "Landscape"},
    {2,  "Portrait"},
    {3,  "Night Scene"},
    {-1, "Unknown"},
};

const descr_entry gainctrl[] = {
    {0,  "None"},
    {1,  "Low Gain Up"},
    {2,  "High Gain Up"},
    {3,  "Low Gain Down"},
    {4,  "High Gain Down"},
    {-1, "Unknown"},
};

// Shared by Contrast and Sharpness.
const descr_entry processrange[] = {
    {0,  "Normal"},
    {1,  "Soft"},
    {2,  "Hard"},
    {-1, "Unknown"},
};

const descr_entry saturate[] = {
    {0,  "Normal"},
    {1,  "Low"},
    {2,  "High"},
    {-1, "Unknown"},
};

const descr_entry subjdist[] = {
    {1,  "Macro"},
    {2,  "Close View"},
    {3,  "Distant View"},
    {-1, "Unknown"},
};

const descr_entry composites[] = {
    {0,  "Unknown"},
    {1,  "Not a Composite"},
    {2,  "General Composite"},
    {3,  "Composite Captured While Shooting"},
    {-1, "Unknown"},
};

}  // namespace

// Columns: tag, expected type and count (0 = any), level, name,
// description, value table. Ascending by tag; the 0xffff row names every
// tag not listed. The text tags 0xa436 to 0xa43c may also be UTF-8, so
// they expect no type.
const tag_def tags[] = {
    {0x0100, 0,  1,  LVL_IMAGE,   "ImageWidth",                          "Image Width",                       nullptr},
    {0x0101, 0,  1,  LVL_IMAGE,   "ImageLength",                         "Image Height",                      nullptr},
    {0x0102, 3,  3,  LVL_IMAGE,   "BitsPerSample",                       "Number of Bits Per Component",      nullptr},
    {0x0103, 3,  1,  LVL_IMAGE,   "Compression",                         "Compression Scheme",                compresss},
    {0x0106, 3,  1,  LVL_IMAGE,   "PhotometricInterpretation",           "Pixel Composition",                 pixelcomps},
    {0x010a, 0,  0,  LVL_UNKNOWN, "FillOrder",                           nullptr,                             nullptr},
    {0x010d, 0,  0,  LVL_UNKNOWN, "DocumentName",                        nullptr,                             nullptr},
    {0x010e, 2,  0,  LVL_UNKNOWN, "ImageDescription",                    "Title",                             nullptr},
    {0x010f, 2,  0,  LVL_CAMERA,  "Make",                                "Equipment Make",                    nullptr},
    {0x0110, 2,  0,  LVL_CAMERA,  "Model",                               "Camera Model",                      nullptr},
    {0x0111, 0,  0,  LVL_VERBOSE, "StripOffsets",                        "Image Data Location",               nullptr},
    {0x0112, 3,  1,  LVL_IMAGE,   "Orientation",                         "Image Orientation",                 orients},
    {0x0115, 3,  1,  LVL_VERBOSE, "SamplesPerPixel",                     "Number of Components",              nullptr},
    {0x0116, 0,  1,  LVL_VERBOSE, "RowsPerStrip",                        "Number of Rows Per Strip",          nullptr},
    {0x0117, 0,  0,  LVL_VERBOSE, "StripByteCounts",                     "Bytes per Compressed Strip",        nullptr},
    {0x011a, 5,  1,  LVL_IMAGE,   "XResolution",                         "Horizontal Resolution",             nullptr},
    {0x011b, 5,  1,  LVL_IMAGE,   "YResolution",                         "Vertical Resolution",               nullptr},
    {0x011c, 3,  1,  LVL_IMAGE,   "PlanarConfiguration",                 "Image Data Arrangement",            planarconfigs},
    {0x0128, 3,  1,  LVL_VERBOSE, "ResolutionUnit",                      "Resolution Unit",                   resunits},
    {0x012d, 3,  0,  LVL_VERBOSE, "TransferFunction",                    "Transfer Function",                 nullptr},
    {0x0131, 2,  0,  LVL_CAMERA,  "Software",                            "Camera Software",                   nullptr},
    {0x0132, 2,  20, LVL_IMAGE,   "DateTime",                            "Image Created",                     nullptr},
    {0x013b, 2,  0,  LVL_CAMERA,  "Artist",                              "Photographer",                      nullptr},
    {0x013e, 5,  2,  LVL_IMAGE,   "WhitePoint",                          "White Point Chromaticity",          nullptr},
    {0x013f, 5,  6,  LVL_VERBOSE, "PrimaryChromaticities",               "Chromaticities of Primary Colors",  nullptr},
    {0x0156, 0,  0,  LVL_UNKNOWN, "TransferRange",                       nullptr,                             nullptr},
    {0x0200, 0,  0,  LVL_UNKNOWN, "JPEGProc",                            nullptr,                             nullptr},
    {0x0201, 4,  1,  LVL_VERBOSE, "JPEGInterchangeFormat",               "Offset to JPEG SOI",                nullptr},
    {0x0202, 4,  1,  LVL_VERBOSE, "JPEGInterchangeFormatLength",         "Bytes of JPEG Data",                nullptr},
    {0x0211, 5,  3,  LVL_VERBOSE, "YCbCrCoefficients",                   "Color Space Xform Matrix Coeff's",  nullptr},
    {0x0212, 3,  2,  LVL_VERBOSE, "YCbCrSubSampling",                    "Chrominance Comp Samp Ratio",       chromratios},
    {0x0213, 3,  1,  LVL_VERBOSE, "YCbCrPositioning",                    "Chrominance Comp Positioning",      chrompos},
    {0x0214, 5,  6,  LVL_VERBOSE, "ReferenceBlackWhite",                 "Black and White Ref Point Values",  nullptr},
    {0x828d, 0,  0,  LVL_UNKNOWN, "CFARepeatPatternDim",                 nullptr,                             nullptr},
    {0x828e, 0,  0,  LVL_UNKNOWN, "CFAPattern",                          nullptr,                             nullptr},
    {0x828f, 0,  0,  LVL_UNKNOWN, "BatteryLevel",                        nullptr,                             nullptr},
    {0x8298, 2,  0,  LVL_UNKNOWN, "Copyright",                           "Copyright",                         nullptr},
    {0x829a, 5,  1,  LVL_IMAGE,   "ExposureTime",                        "Exposure Time",                     nullptr},
    {0x829d, 5,  1,  LVL_IMAGE,   "FNumber",                             "F-Number",                          nullptr},
    {0x83bb, 0,  0,  LVL_UNKNOWN, "IPTC/NAA",                            nullptr,                             nullptr},
    {0x8769, 4,  1,  LVL_VERBOSE, "ExifOffset",                          "Exif IFD Pointer",                  nullptr},
    {0x8773, 0,  0,  LVL_UNKNOWN, "InterColorProfile",                   nullptr,                             nullptr},
    {0x8822, 3,  1,  LVL_IMAGE,   "ExposureProgram",                     "Exposure Program",                  expprogs},
    {0x8824, 2,  0,  LVL_CAMERA,  "SpectralSensitivity",                 "Spectral Sensitivity",              nullptr},
    {0x8825, 4,  1,  LVL_UNKNOWN, "GPSInfo",                             "GPS Info IFD Pointer",              nullptr},
    {0x8827, 3,  0,  LVL_IMAGE,   "ISOSpeedRatings",                     "ISO Speed Rating",                  nullptr},
    {0x8828, 7,  0,  LVL_CAMERA,  "OECF",                                "Opto-Electric Conversion Factor",   nullptr},
    {0x8830, 3,  1,  LVL_VERBOSE, "SensitivityType",                     "Sensitivity Type",                  sensitivities},
    {0x8831, 4,  1,  LVL_VERBOSE, "StandardOutputSensitivity",           "Standard Output Sensitivity",       nullptr},
    {0x8832, 4,  1,  LVL_VERBOSE, "RecommendedExposureIndex",            "Recommended Exposure Index",        nullptr},
    {0x8833, 4,  1,  LVL_VERBOSE, "ISOSpeed",                            "ISO Speed",                         nullptr},
    {0x8834, 4,  1,  LVL_VERBOSE, "ISOSpeedLatitudeyyy",                 "ISO Speed Latitude yyy",            nullptr},
    {0x8835, 4,  1,  LVL_VERBOSE, "ISOSpeedLatitudezzz",                 "ISO Speed Latitude zzz",            nullptr},
    {0x9000, 7,  4,  LVL_VERBOSE, "ExifVersion",                         "Exif Version",                      nullptr},
    {0x9003, 2,  20, LVL_VERBOSE, "DateTimeOriginal",                    "Image Generated",                   nullptr},
    {0x9004, 2,  20, LVL_VERBOSE, "DateTimeDigitized",                   "Image Digitized",                   nullptr},
    {0x9010, 2,  7,  LVL_VERBOSE, "OffsetTime",                          "Time Zone Offset",                  nullptr},
    {0x9011, 2,  7,  LVL_VERBOSE, "OffsetTimeOriginal",                  "Time Zone Offset (Original)",       nullptr},
    {0x9012, 2,  7,  LVL_VERBOSE, "OffsetTimeDigitized",                 "Time Zone Offset (Digitized)",      nullptr},
    {0x9101, 7,  4,  LVL_VERBOSE, "ComponentsConfiguration",             "Meaning of Each Comp",              compconfig},
    {0x9102, 5,  1,  LVL_VERBOSE, "CompressedBitsPerPixel",              "Image Compression Mode",            nullptr},
    {0x9201, 10, 1,  LVL_IMAGE,   "ShutterSpeedValue",                   "Shutter Speed",                     nullptr},
    {0x9202, 5,  1,  LVL_IMAGE,   "ApertureValue",                       "Lens Aperture",                     nullptr},
    {0x9203, 10, 1,  LVL_IMAGE,   "BrightnessValue",                     "Brightness",                        nullptr},
    {0x9204, 10, 1,  LVL_IMAGE,   "ExposureBiasValue",                   "Exposure Bias",                     nullptr},
    {0x9205, 5,  1,  LVL_PAS,     "MaxApertureValue",                    "Maximum Lens Aperture",             nullptr},
    {0x9206, 5,  1,  LVL_IMAGE,   "SubjectDistance",                     "Subject Distance",                  nullptr},
    {0x9207, 3,  1,  LVL_IMAGE,   "MeteringMode",                        "Metering Mode",                     metermodes},
    {0x9208, 3,  1,  LVL_IMAGE,   "LightSource",                         "Light Source",                      lightsrcs},
    {0x9209, 3,  1,  LVL_IMAGE,   "Flash",                               "Flash",                             nullptr},
    {0x920a, 5,  1,  LVL_IMAGE,   "FocalLength",                         "Focal Length",                      nullptr},
    {0x9214, 3,  0,  LVL_VERBOSE, "SubjectArea",                         "Subject Area",                      nullptr},
    {0x927c, 7,  0,  LVL_UNKNOWN, "MakerNote",                           "Manufacturer Notes",                nullptr},
    {0x9286, 7,  0,  LVL_UNKNOWN, "UserComment",                         "Comment",                           nullptr},
    {0x9290, 2,  0,  LVL_VERBOSE, "SubSecTime",                          "DateTime Second Fraction",          nullptr},
    {0x9291, 2,  0,  LVL_VERBOSE, "SubSecTimeOriginal",                  "DateTimeOriginal Second Fraction",  nullptr},
    {0x9292, 2,  0,  LVL_VERBOSE, "SubSecTimeDigitized",                 "DateTimeDigitized Second Fraction", nullptr},
    {0x9400, 10, 1,  LVL_VERBOSE, "Temperature",                         "Ambient Temperature",               nullptr},
    {0x9401, 5,  1,  LVL_VERBOSE, "Humidity",                            "Relative Humidity",                 nullptr},
    {0x9402, 5,  1,  LVL_VERBOSE, "Pressure",                            "Air Pressure",                      nullptr},
    {0x9403, 10, 1,  LVL_VERBOSE, "WaterDepth",                          "Water Depth",                       nullptr},
    {0x9404, 5,  1,  LVL_VERBOSE, "Acceleration",                        "Acceleration",                      nullptr},
    {0x9405, 10, 1,  LVL_VERBOSE, "CameraElevationAngle",                "Camera Elevation Angle",            nullptr},
    {0xa000, 7,  4,  LVL_UNKNOWN, "FlashPixVersion",                     "Supported FlashPix Version",        nullptr},
    {0xa001, 3,  1,  LVL_IMAGE,   "ColorSpace",                          "Color Space Information",           colorspcs},
    {0xa002, 0,  1,  LVL_IMAGE,   "PixelXDimension",                     "Image Width",                       nullptr},
    {0xa003, 0,  1,  LVL_IMAGE,   "PixelYDimension",                     "Image Height",                      nullptr},
    {0xa004, 2,  13, LVL_UNKNOWN, "RelatedSoundFile",                    "Related Audio File",                nullptr},
    {0xa005, 4,  1,  LVL_UNKNOWN, "InteroperabilityOffset",              "Interoperability IFD Pointer",      nullptr},
    {0xa20b, 5,  1,  LVL_IMAGE,   "FlashEnergy",                         "Flash Energy",                      nullptr},
    {0xa20c, 7,  0,  LVL_VERBOSE, "SpatialFrequencyResponse",            "Spatial Frequency Response",        nullptr},
    {0xa20e, 5,  1,  LVL_VERBOSE, "FocalPlaneXResolution",               "Focal Plane Horiz Resolution",      nullptr},
    {0xa20f, 5,  1,  LVL_VERBOSE, "FocalPlaneYResolution",               "Focal Plane Vert Resolution",       nullptr},
    {0xa210, 3,  1,  LVL_VERBOSE, "FocalPlaneResolutionUnit",            "Focal Plane Res Unit",              resunits},
    {0xa214, 3,  2,  LVL_VERBOSE, "SubjectLocation",                     "Subject Location",                  nullptr},
    {0xa215, 5,  1,  LVL_IMAGE,   "ExposureIndex",                       "Exposure Index",                    nullptr},
    {0xa217, 3,  1,  LVL_CAMERA,  "SensingMethod",                       "Sensing Method",                    imgsensors},
    {0xa300, 7,  1,  LVL_VERBOSE, "FileSource",                          "File Source",                       nullptr},
    {0xa301, 7,  1,  LVL_VERBOSE, "SceneType",                           "Scene Type",                        scenetypes},
    {0xa302, 7,  0,  LVL_CAMERA,  "CFAPattern",                          "Color Filter Array Pattern",        nullptr},
    {0xa401, 3,  1,  LVL_IMAGE,   "CustomRendered",                      "Rendering",                         customrend},
    {0xa402, 3,  1,  LVL_IMAGE,   "ExposureMode",                        "Exposure Mode",                     expmode},
    {0xa403, 3,  1,  LVL_IMAGE,   "WhiteBalance",                        "White Balance",                     whitebal},
    {0xa404, 5,  1,  LVL_IMAGE,   "DigitalZoomRatio",                    "Digital Zoom Ratio",                nullptr},
    {0xa405, 3,  1,  LVL_PAS,     "FocalLenIn35mmFilm",                  "Focal Length (35mm Equiv)",         nullptr},
    {0xa406, 3,  1,  LVL_IMAGE,   "SceneCaptureType",                    "Scene Capture Type",                scenecaptypes},
    {0xa407, 3,  1,  LVL_IMAGE,   "GainControl",                         "Gain Control",                      gainctrl},
    {0xa408, 3,  1,  LVL_IMAGE,   "Contrast",                            "Contrast",                          processrange},
    {0xa409, 3,  1,  LVL_IMAGE,   "Saturation",                          "Saturation",                        saturate},
    {0xa40a, 3,  1,  LVL_IMAGE,   "Sharpness",                           "Sharpness",                         processrange},
    {0xa40b, 7,  0,  LVL_UNKNOWN, "DeviceSettingDescr",                  "Device Settings",                   nullptr},
    {0xa40c, 3,  1,  LVL_IMAGE,   "SubjectDistRange",                    "Subject Distance Range",            subjdist},
    {0xa420, 2,  33, LVL_IMAGE,   "ImageUniqueID",                       "Unique Image ID",                   nullptr},
    {0xa430, 2,  0,  LVL_CAMERA,  "CameraOwnerName",                     "Camera Owner",                      nullptr},
    {0xa431, 2,  0,  LVL_CAMERA,  "BodySerialNumber",                    "Camera Serial Number",              nullptr},
    {0xa432, 5,  4,  LVL_CAMERA,  "LensSpecification",                   "Lens Focal and Aperture Range",     nullptr},
    {0xa433, 2,  0,  LVL_CAMERA,  "LensMake",                            "Lens Make",                         nullptr},
    {0xa434, 2,  0,  LVL_CAMERA,  "LensModel",                           "Lens Model",                        nullptr},
    {0xa435, 2,  0,  LVL_CAMERA,  "LensSerialNumber",                    "Lens Serial Number",                nullptr},
    {0xa436, 0,  0,  LVL_VERBOSE, "ImageTitle",                          "Image Title",                       nullptr},
    {0xa437, 0,  0,  LVL_VERBOSE, "Photographer",                        "Taken By",                          nullptr},
    {0xa438, 0,  0,  LVL_VERBOSE, "ImageEditor",                         "Edited By",                         nullptr},
    {0xa439, 0,  0,  LVL_CAMERA,  "CameraFirmware",                      "Camera Firmware",                   nullptr},
    {0xa43a, 0,  0,  LVL_VERBOSE, "RAWDevelopingSoftware",               "Raw Developing Software",           nullptr},
    {0xa43b, 0,  0,  LVL_VERBOSE, "ImageEditingSoftware",                "Image Editing Software",            nullptr},
    {0xa43c, 0,  0,  LVL_VERBOSE, "MetadataEditingSoftware",             "Metadata Editing Software",         nullptr},
    {0xa460, 3,  1,  LVL_VERBOSE, "CompositeImage",                      "Composite Image",                   composites},
    {0xa461, 3,  2,  LVL_VERBOSE, "SourceImageNumberOfCompositeImage",   "Composite Source Images",           nullptr},
    {0xa462, 7,  0,  LVL_VERBOSE, "SourceExposureTimesOfCompositeImage", "Composite Source Exposures",        nullptr},
    {0xa500, 5,  1,  LVL_UNKNOWN, "GammaCoefficient",                    "Gamma Coefficient",                 nullptr},
    {0xffff, 0,  0,  LVL_UNKNOWN, "Unknown",                             nullptr,                             nullptr},

};

// The Flash tables are read with catdescr, which adds nothing for an unlisted
// value, so their end-row texts are never shown.
const descr_entry flash_fire[] = {
    {0,  "No Flash"},
    {1,  "Flash"},
    {-1, "Unknown"},
};

const descr_entry flash_return[] = {
    {4,  "Return Not Detected"},
    {6,  "Return Detected"},
    {-1, "Unknown"},
};

const descr_entry flash_mode[] = {
    {8,  "Compulsory"},
    {16, "Compulsory"},
    {24, "Auto"},
    {-1, "Unknown"},
};

const descr_entry flash_func[] = {
    {32, "No Flash Function"},
    {-1, "Unknown"},
};

const descr_entry flash_redeye[] = {
    {64, "Red-Eye Reduce"},
    {-1, "Unknown"},
};

const descr_entry filesrcs[] = {
    {0,  "Other"},
    {1,  "Scanner (Transparent)"},
    {2,  "Scanner (Reflex)"},
    {3,  "Digital Still Camera"},
    {-1, "Unknown"},
};

// Each literal holds the full 8-byte code; the compiler adds one more NUL.
const ucomment_def ucomment[] = {
    {2, "ASCII\0\0\0"},
    {7, "JIS\0\0\0\0\0"},
    {7, "UNICODE\0"},
    {7, "\0\0\0\0\0\0\0\0"},
    {7, nullptr},
};

// Columns: TIFF field type, name for traces, bytes per value.
const ftype_def ftypes[] = {
    {1,  "byte",      1},
    {2,  "ascii",     1},
    {3,  "short",     2},
    {4,  "long",      4},
    {5,  "rational",  8},
    {6,  "sbyte",     1},
    {7,  "undefined", 1},
    {8,  "sshort",    2},
    {9,  "slong",     4},
    {10, "srational", 8},
    {11, "float",     4},
    {12, "double",    8},
    {0,  "unknown",   0},
};

}  // namespace exifkit
