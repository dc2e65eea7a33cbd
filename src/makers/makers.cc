#include <algorithm>
#include <cctype>
#include <cstring>

#include "exif/view.h"
#include "exifkit/errors.h"
#include "makers/dispatch.h"

namespace exifkit {

// The position of a row is its id.
const maker_entry makers[] = {
    { 0, "unknown",   nullptr,        nullptr},
    { 1, "canon",     canon_prop,     canon_ifd},
    { 2, "olympus",   olympus_prop,   olympus_ifd},
    { 3, "fujifilm",  fuji_prop,      fuji_ifd},
    { 4, "nikon",     nikon_prop,     nikon_ifd},
    { 5, "casio",     nullptr,        casio_ifd},
    { 6, "minolta",   minolta_prop,   minolta_ifd},
    { 7, "sanyo",     sanyo_prop,     sanyo_ifd},
    { 8, "asahi",     asahi_prop,     asahi_ifd},
    { 9, "pentax",    asahi_prop,     asahi_ifd},
    {10, "leica",     leica_prop,     leica_ifd},
    {11, "panasonic", panasonic_prop, panasonic_ifd},
    {12, "sigma",     sigma_prop,     sigma_ifd},
    {-1, "unknown",   nullptr,        nullptr},
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
