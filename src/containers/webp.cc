// WebP: not read yet.
#include "containers/container.h"

namespace exifkit::detail {

void readwebp(fetcher&, context&, containerfound&) {}

}  // namespace exifkit::detail
