#include <algorithm>
#include <cctype>
#include <cstring>

#include "exif/view.h"
#include "exifkit/errors.h"
#include "makers/dispatch.h"

namespace exifkit {

// The position of a row is its id; a maker is added by filling in its row.
const maker_entry makers[] = {
    { 0, "unknown",   nullptr, nullptr},
    { 1, "canon",     nullptr, nullptr},
    { 2, "olympus",   nullptr, nullptr},
    { 3, "fujifilm",  nullptr, nullptr},
    { 4, "nikon",     nullptr, nullptr},
    { 5, "casio",     nullptr, nullptr},
    { 6, "minolta",   nullptr, nullptr},
    { 7, "sanyo",     nullptr, nullptr},
    { 8, "asahi",     nullptr, nullptr},
    { 9, "pentax",    nullptr, nullptr},
    {10, "leica",     nullptr, nullptr},
    {11, "panasonic", nullptr, nullptr},
    {12, "sigma",     nullptr, nullptr},
    {-1, "unknown",   nullptr, nullptr},
};

void makermatch(const exif_prop* prop, exif_info* info, const tiff_view& view)
{
    const valuebytes inline_bytes = storedbytes(prop->value, view.order);
    const unsigned char* text = inline_bytes.b;
    if (prop->count > 4) {
        text = viewspan(view, prop->value, prop->count);
        if (!text) {
            exifwarn2("invalid field offset", prop->name);
            return;
        }
    }

    char lower[32] = {};
    const std::size_t n = std::min<std::size_t>(prop->count, sizeof lower - 1);
    for (std::size_t i = 0; i < n && text[i]; i++)
        lower[i] = static_cast<char>(std::tolower(text[i]));

    std::int16_t row = 0;
    while (makers[row].id != -1 && std::strncmp(lower, makers[row].key, std::strlen(makers[row].key)))
        ++row;
    info->maker = row;
}

}  // namespace exifkit
