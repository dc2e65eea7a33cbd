// The summary of a read: the answers people ask for first, taken from the
// delivered properties.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "exifkit/reader.h"

namespace exifkit::detail {

// The kinds of directory the summary tells apart.
enum class dirclass : unsigned char { other, main, exif, gps, maker };

// The properties the summary is made from, noted as they are delivered: the
// first of each field, by its place in the groups.
class summarysources {
public:
    static constexpr std::size_t FIELDS = 32;

    void clear() noexcept { at_.fill(place{NONE, 0}); }
    // Notes the property, which was delivered as groups[group].properties[index].
    void offer(dirclass kind, const Property& p, std::uint32_t group, std::uint32_t index) noexcept;
    // Fills m.summary from the noted properties and m.frame.
    void summarize(Metadata& m) const;

private:
    static constexpr std::uint32_t NONE = 0xFFFFFFFF;
    struct place {
        std::uint32_t group, index;
    };
    std::array<place, FIELDS> at_{};
};

// The date and time of an Exif text ("2008:05:30 15:56:01"), or none for a
// malformed or unset one; the offset of an OffsetTime text ("+02:00") in
// minutes, or none.
std::optional<DateTime> parsedatetime(std::string_view text) noexcept;
std::optional<int> parseoffset(std::string_view text) noexcept;

}  // namespace exifkit::detail
