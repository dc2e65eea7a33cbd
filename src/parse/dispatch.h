// Maker dispatch: recognising the camera maker from the Make property,
// reading its note, and choosing the interpreter of each maker directory.
#pragma once

#include "exif/directory.h"
#include "exifkit/makers.h"

namespace exifkit {

// Sets info->maker to the row of `makers` whose key begins the Make text of
// prop (the end row when none does). A Make whose data lie outside the view
// gives the warning "invalid field offset" and leaves info->maker unchanged.
void makermatch(const exif_prop* prop, exif_info* info, const tiff_view& view);

// The directories of the maker note that prop points at, read by the reader
// of the maker last matched; null after "maker note not supported" when it
// has none. The note's view is kept in info->mkrview.
ifd_block* readnote(const exif_prop* prop, exif_info* info, const tiff_view& view);

// The interpreter of the properties of a maker directory read with `table`,
// or null. The directory's table decides, so a Make met after the note
// cannot hand one maker's properties to another's interpreter.
maker_propfn interpreterof(const tag_def* table) noexcept;

// The directory name of the entries of a maker directory read with `table`
// ("Canon", "Nikon"...); "MakerNote" for a table no maker row names.
const char* notedirectory(const tag_def* table) noexcept;

// The reader of the directories that entries of a maker directory read with
// `table` lead to (Olympus's equipment and settings directories), or null.
notedirfn notesubdirectories(const tag_def* table) noexcept;

// What the directory walk needs to read maker notes, or to leave them out.
inline constexpr notehooks WITH_NOTES{makermatch, readnote, notesubdirectories};
inline constexpr notehooks WITHOUT_NOTES{makermatch, nullptr, nullptr};

}  // namespace exifkit
