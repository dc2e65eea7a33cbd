// exifkit: reads the camera metadata of JPEG files.
//
//   struct Printer : exifkit::InfoHandler {
//       void beginOfInfoType(int level) override { ... }
//       void handleInfoWithName(const char* name, const char* value) override { ... }
//   } printer;
//   exifkit::setEXIFInfoHandler(&printer);
//   int result = exifkit::readEXIF("photo.jpg");
#pragma once

#include "exifkit/errors.h"
#include "exifkit/exif.h"
#include "exifkit/host.h"
#include "exifkit/jpeg.h"
#include "exifkit/makers.h"
#include "exifkit/reader.h"
