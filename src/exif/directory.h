// The TIFF directory reader's entry points beside the exported readifd and
// readifds.
#pragma once

#include <cstdint>

#include "exifkit/records.h"

namespace exifkit {

// Reads the directory a maker-note entry leads to; null for an entry that
// leads to none.
using notedirfn = ifd_block* (*)(const exif_prop* prop, const tiff_view& view);

// What the directory walk asks of the maker layer above it.
struct notehooks {
    // Recognises the camera maker from the Make property (sets info->maker).
    void (*make)(const exif_prop* prop, exif_info* info, const tiff_view& view);
    // The directories of the maker note, or null for a note that is not read
    // (it then shows its offset); a null hook leaves maker notes out.
    ifd_block* (*note)(const exif_prop* prop, exif_info* info, const tiff_view& view);
    // The reader of the directories the entries of a maker directory read
    // with `table` lead to, or null for a table whose entries lead nowhere.
    notedirfn (*subdirectories)(const tag_def* table) noexcept;
};

// Reads the main chain of directories and every directory it leads to, in
// order, appending their properties to info->props. Takes the chain.
void walkdirectories(detail::context& ctx, exif_info* info, ifd_block* mainchain, const notehooks& hooks);

// The directory at offset alone (its chain is not followed), or null.
ifd_block* readone(std::uint32_t offset, const tag_def* table, const tiff_view& view);

// Warns "field type mismatch" or "field count mismatch" when the property
// differs from what its table row expects (UserComment may be of any type,
// FileSource of any count).
void checkexpected(const exif_prop& prop, const tag_def& row);

}  // namespace exifkit
