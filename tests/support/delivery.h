// What a read delivers, through the public API only, in a form tables can
// state: each property as a line "g Name=value" (g: c camera, i image, o other,
// u unsupported) in delivery order, each warning as "w message (detail)".
//
// An expectation list holds lines that must be delivered, with "#" for a value
// that is a bare number (a field left without a text), "*" for any value and a
// group "?" for any group; "!Name" and "!g Name=v" for what must not be; "-"
// for a read that delivers nothing; "==" for the lines listed being all that is
// delivered, in that order. Its "w ..." items are the warnings in order: none
// listed means none raised, "w*" any.
#pragma once

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "exifkit/exifkit.h"
#include "support/exifbuilder.h"

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

// A property as a handler sees it: a name and a text in a group.
inline Property textproperty(std::string_view name, std::string text, int group)
{
    Property p;
    p.name = name;
    p.text = std::move(text);
    p.group = group;
    return p;
}
// The result as the callback interfaces see it: the texts alone.
Metadata textsof(const Metadata& m);
// What was written to a temporary file, which is closed.
std::string readclose(std::FILE* f);
// Reads a whole JPEG file held in memory, tracing when asked.
Delivered readjpeg(const bytes& jpeg, bool trace = false);
// Reads one Exif block, as the only APP1 segment of a minimal JPEG file.
inline Delivered readblock(const bytes& exif, bool trace = false) { return readjpeg(minimaljpeg({exif}), trace); }

// Checks an expectation list; `what` names the case in failure messages.
void expect(const Delivered& d, const strings& want, const std::string& what = "");

// The usual shape of a camera file: IFD0 (directory 0) with the Make when one
// is given points at the Exif directory (1); a maker note whose data are
// `noteheader` and then directory 2 stands in the Exif directory when asked for.
inline constexpr int IFD0 = 0, EXIF = 1, NOTE = 2;
TiffBuilder camera(int order, const std::string& make = "");
TiffBuilder withnote(int order, const std::string& make, const std::string& noteheader = "");

inline bytes text(const std::string& s) { return bytes(s.begin(), s.end()); }
// A block whose IFD0 holds a Make and nothing else.
inline bytes makeexif(const std::string& make, int order = ORDER_LITTLE)
{
    TiffBuilder b(order);
    return b.ascii(b.dir(), 0x010F, make).exif();
}
inline strings cat(strings a, const strings& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
constexpr std::uint32_t s32(std::int32_t v) { return static_cast<std::uint32_t>(v); }

// A directory entry as table data: `v` holds the values of SHORT, LONG and
// their signed kinds, the bytes of BYTE and UNDEFINED (unless `s` gives them),
// the numerator-denominator pairs of rationals; ASCII stores `s` and a NUL.
// RAW | type: `v` is the count and a value word that may point anywhere.
inline constexpr int BYTE = 1, ASCII = 2, SHORT = 3, LONG = 4, RATIONAL = 5, UNDEF = 7, SSHORT = 8, SRATIONAL = 10,
                     RAW = 0x10000;
struct Entry {
    int dir;
    std::uint16_t tag;
    int type;
    std::vector<std::uint32_t> v = {};
    std::string s = {};
};
using Entries = std::vector<Entry>;
void put(TiffBuilder& b, const Entries& entries);

// One table row: what to add to the base block (entries, or a function for
// anything else), and what must come out.
using Fill = std::function<void(TiffBuilder&)>;
struct Case {
    Case(Entries e, strings w) : fill([e](TiffBuilder& b) { put(b, e); }), want(std::move(w)) {}
    Case(Fill f, strings w) : fill(std::move(f)), want(std::move(w)) {}
    Fill fill;
    strings want;
};
using Base = std::function<TiffBuilder(int order)>;

// Reads every case on its base block in both byte orders.
void expectcases(const Base& base, const std::vector<Case>& cases);

// Every file below the sample corpus folder (EXIFKIT_CORPUS), sorted; none
// when there is no corpus.
inline strings corpusfiles()
{
    strings files;
    std::error_code ec;
    for (std::filesystem::recursive_directory_iterator it(EXIFKIT_CORPUS, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file())
            files.push_back(it->path().string());
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace exifkit::test
