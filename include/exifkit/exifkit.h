// exifkit: reads the camera metadata (Exif, GPS and maker notes) of photo
// files: JPEG, TIFF and raw files, HEIF/HEIC, AVIF, CR3, PNG, WebP, JPEG XL.
//
//   exifkit::Metadata m = exifkit::readMetadata("photo.jpg");
//   for (const exifkit::Group& g : m.groups)
//       for (const exifkit::Property& p : g.properties)
//           std::printf("%.*s: %s\n", int(p.name.size()), p.name.data(), p.text.c_str());
//
// readMetadata and exifkit::Reader are safe on any number of threads. The
// process-wide functions (setEXIFInfoHandler, readEXIF, jpeginfo...) work on
// one default reader. What only hosts building or walking the Exif records
// themselves need is in exifkit/records.h and exifkit/makers.h, which this
// header leaves out.
#pragma once

#include "exifkit/reader.h"

#include "exifkit/errors.h"
#include "exifkit/exif.h"
#include "exifkit/host.h"
#include "exifkit/jpeg.h"
#include "exifkit/json.h"
