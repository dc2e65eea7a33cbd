// What a read delivers, through the public API only, in a form tables can
// state: each property as a line "g Name=value" (g: c camera, i image, o other,
// u unsupported) in delivery order, each warning as "w message (detail)".
//
// An expectation list holds lines that must be delivered, with "#" for a value
// that is a bare number (a field left without a text), "*" for any value and
// a group "?" for any group;
// "!Name" and "!g Name=v"
// for what must not be; "-" for a read that delivers nothing; "==" for the
// lines listed being all that is delivered, in that order. Its "w ..." items
// are the warnings in order: none listed means none raised, "w*" any.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "exifkit/exifkit.h"
#include "support/exifbuilder.h"
#include "support/jpegfile.h"

namespace exifkit::test {

using strings = std::vector<std::string>;

struct Delivered {
    int result = EXIF_NONE;
    std::string error;  // the fatal error's reason, if any
    strings lines, warnings;
    std::string trace;

    // The value of the first property of that name (any group), "<none>" without one.
    std::string operator[](const std::string& name) const;
    // The lines of the group, in order.
    strings group(char g) const;
};

Delivered delivered(const Metadata& m);
// Reads a whole JPEG file held in memory, tracing when asked.
Delivered readjpeg(const bytes& jpeg, bool trace = false);
// Reads one Exif block, as the only APP1 segment of a minimal JPEG file.
Delivered readblock(const bytes& exif, bool trace = false);

// Checks an expectation list; `what` names the case in failure messages.
void expect(const Delivered& d, const strings& want, const std::string& what = "");

// The usual shape of a camera file: IFD0 (directory 0) with the Make when one
// is given points at the Exif directory (1); a maker note whose data are
// `noteheader` and then directory 2 stands in the Exif directory when asked for.
inline constexpr int IFD0 = 0, EXIF = 1, NOTE = 2;
TiffBuilder camera(int order, const std::string& make = "");
TiffBuilder withnote(int order, const std::string& make, const std::string& noteheader = "");

inline bytes text(const std::string& s) { return bytes(s.begin(), s.end()); }
inline bytes cat(bytes a, const bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// One table row: what to add to the base block, and what must come out.
struct Case {
    std::function<void(TiffBuilder&)> fill;
    strings want;
};
using Base = std::function<TiffBuilder(int order)>;

// Reads every case on its base block in both byte orders.
void expectcases(const Base& base, const std::vector<Case>& cases);

}  // namespace exifkit::test
