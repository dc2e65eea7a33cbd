// PNG: not read yet.
#include "containers/container.h"

namespace exifkit::detail {

void readpng(fetcher&, context&, containerfound&) {}

}  // namespace exifkit::detail
