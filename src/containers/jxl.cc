// JPEG XL containers: not read yet.
#include "containers/container.h"

namespace exifkit::detail {

void readjxl(fetcher&, context&, containerfound&) {}

}  // namespace exifkit::detail
