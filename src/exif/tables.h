// Private tables of the Exif core that other units of the library use by name.
#pragma once

#include <cstdint>

#include "exifkit/records.h"

namespace exifkit {

// Texts of the Flash bits, each table keyed by the Flash value masked with the
// bits it describes (fire 0x01, return 0x06, mode 0x18, function 0x20, red-eye 0x40).
extern const descr_entry flash_fire[];
extern const descr_entry flash_return[];
extern const descr_entry flash_mode[];
extern const descr_entry flash_func[];
extern const descr_entry flash_redeye[];

// Texts of the FileSource byte.
extern const descr_entry filesrcs[];

// One character code of a UserComment field: the 8 bytes that open the field and
// the field type whose text treatment the content gets. The row with a null code
// ends the table and stands for every code not listed.
struct ucomment_def {
    std::int32_t type;
    const char* code;
};
inline constexpr int UCOMMENT_CODE_LEN = 8;
extern const ucomment_def ucomment[];

// Texts of the GPS reference letters (keyed by the letter's byte) and of the
// differential correction value.
extern const descr_entry gps_status[];
extern const descr_entry gps_speed[];
extern const descr_entry gps_bear[];
extern const descr_entry gps_dist[];
extern const descr_entry gps_diff[];

}  // namespace exifkit
