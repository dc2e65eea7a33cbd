// The GPS tag table and the value tables of its rows.
#include "exif/tables.h"

namespace exifkit {

// The reference tables are keyed by the byte of the reference letter.
const descr_entry gps_status[] = {
    {'A', "Measurement In Progress"},
    {'V', "Measurement Interoperability"},
    {-1,  "Unknown"},
};

const descr_entry gps_speed[] = {
    {'K', "km/h"},
    {'M', "mph"},
    {'N', "knots"},
    {-1,  ""},
};

// Shared by the track, image direction and destination bearing references.
const descr_entry gps_bear[] = {
    {'M', "Magnetic North"},
    {'T', "True North"},
    {-1,  "Unknown"},
};

const descr_entry gps_dist[] = {
    {'K', "km"},
    {'M', "mi"},
    {'N', "knots"},
    {-1,  ""},
};

const descr_entry gps_diff[] = {
    {0,  "No Correction"},
    {1,  "Correction Applied"},
    {-1, "Unknown"},
};

// Columns: tag, expected type and count (0 = any), level, name,
// description, value table. Ascending by tag; the 0xffff row names every
// tag not listed.
const tag_def gpstags[] = {
    {0x0000, 1,  4,  LVL_VERBOSE, "GPSVersionID",                "GPS Info Version",                  nullptr},
    {0x0001, 2,  2,  LVL_VERBOSE, "GPSLatitudeRef",              "Latitude Reference",                nullptr},
    {0x0002, 5,  3,  LVL_IMAGE,   "GPSLatitude",                 "Latitude",                          nullptr},
    {0x0003, 2,  2,  LVL_VERBOSE, "GPSLongitudeRef",             "Longitude Reference",               nullptr},
    {0x0004, 5,  3,  LVL_IMAGE,   "GPSLongitude",                "Longitude",                         nullptr},
    {0x0005, 1,  1,  LVL_VERBOSE, "GPSAltitudeRef",              "Altitude Reference",                nullptr},
    {0x0006, 5,  1,  LVL_IMAGE,   "GPSAltitude",                 "Altitude",                          nullptr},
    {0x0007, 5,  3,  LVL_IMAGE,   "GPSTimeStamp",                "Time (UTC)",                        nullptr},
    {0x0008, 2,  0,  LVL_IMAGE,   "GPSSatellites",               "GPS Satellites",                    nullptr},
    {0x0009, 2,  2,  LVL_IMAGE,   "GPSStatus",                   "GPS Status",                        gps_status},
    {0x000a, 2,  2,  LVL_IMAGE,   "GPSMeasureMode",              "GPS Measurement Mode",              nullptr},
    {0x000b, 5,  1,  LVL_UNKNOWN, "GPSDOP",                      "GPS Degree of Precision",           nullptr},
    {0x000c, 2,  2,  LVL_VERBOSE, "GPSSpeedRef",                 "GPS Speed Reference",               gps_speed},
    {0x000d, 5,  1,  LVL_UNKNOWN, "GPSSpeed",                    "Movement Speed",                    nullptr},
    {0x000e, 2,  2,  LVL_VERBOSE, "GPSTrackRef",                 "GPS Direction Reference",           gps_bear},
    {0x000f, 5,  1,  LVL_UNKNOWN, "GPSTrack",                    "Movement Direction",                nullptr},
    {0x0010, 2,  2,  LVL_VERBOSE, "GPSImgDirectionRef",          "GPS Image Direction Ref",           gps_bear},
    {0x0011, 5,  1,  LVL_UNKNOWN, "GPSImgDirection",             "Image Direction",                   nullptr},
    {0x0012, 2,  0,  LVL_IMAGE,   "GPSMapDatum",                 "Geodetic Survey Data",              nullptr},
    {0x0013, 2,  2,  LVL_VERBOSE, "GPSDestLatitudeRef",          "GPS Dest Latitude Ref",             nullptr},
    {0x0014, 5,  3,  LVL_IMAGE,   "GPSDestLatitude",             "Destination Latitude",              nullptr},
    {0x0015, 2,  2,  LVL_VERBOSE, "GPSDestLongitudeRef",         "GPS Dest Longitude Ref",            nullptr},
    {0x0016, 5,  3,  LVL_IMAGE,   "GPSDestLongitude",            "Destination Longitude",             nullptr},
    {0x0017, 2,  2,  LVL_VERBOSE, "GPSDestBearingRef",           "GPS Dest Bearing Ref",              gps_bear},
    {0x0018, 5,  1,  LVL_UNKNOWN, "GPSDestBearing",              "Destination Direction",             nullptr},
    {0x0019, 2,  2,  LVL_VERBOSE, "GPSDestDistanceRef",          "GPS Dest Distance Ref",             gps_dist},
    {0x001a, 5,  1,  LVL_UNKNOWN, "GPSDestDistance",             "Destination Distance",              nullptr},
    {0x001b, 7,  0,  LVL_IMAGE,   "GPSProcessingMethod",         "GPS Processing Method",             nullptr},
    {0x001c, 7,  0,  LVL_IMAGE,   "GPSAreaInformation",          "GPS Area",                          nullptr},
    {0x001d, 2,  11, LVL_IMAGE,   "GPSDateStamp",                "Date (UTC)",                        nullptr},
    {0x001e, 3,  1,  LVL_IMAGE,   "GPSDifferential",             "GPS Differential Correction",       gps_diff},
    {0x001f, 5,  1,  LVL_VERBOSE, "GPSHPositioningError",        "GPS Horizontal Position Error",     nullptr},
    {0xffff, 0,  0,  LVL_UNKNOWN, "Unknown",                     nullptr,                             nullptr},

};

}  // namespace exifkit
