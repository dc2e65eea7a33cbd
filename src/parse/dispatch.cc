#include "parse/dispatch.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "exif/context.h"
#include "exif/view.h"
#include "makers/apple.h"
#include "makers/asahi.h"
#include "makers/canon.h"
#include "makers/casio.h"
#include "makers/fuji.h"
#include "makers/leica.h"
#include "makers/minolta.h"
#include "makers/nikon.h"
#include "makers/olympus.h"
#include "makers/panasonic.h"
#include "makers/sanyo.h"
#include "makers/sigma.h"
#include "makers/sony.h"

namespace exifkit {

// The position of a row is its id.
const maker_entry makers[] = {
    { 0, "unknown",    nullptr,        nullptr},
    { 1, "canon",      canon_prop,     canon_ifd},
    { 2, "olympus",    olympus_prop,   olympus_ifd},
    { 3, "fujifilm",   fuji_prop,      fuji_ifd},
    { 4, "nikon",      nikon_prop,     nikon_ifd},
    { 5, "casio",      nullptr,        casio_ifd},
    { 6, "minolta",    minolta_prop,   minolta_ifd},
    { 7, "sanyo",      sanyo_prop,     sanyo_ifd},
    { 8, "asahi",      asahi_prop,     asahi_ifd},
    { 9, "pentax",     asahi_prop,     asahi_ifd},
    {10, "leica",      leica_prop,     leica_ifd},
    {11, "panasonic",  panasonic_prop, panasonic_ifd},
    {12, "sigma",      sigma_prop,     sigma_ifd},
    {13, "apple",      apple_prop,     apple_ifd},
    {14, "sony",       sony_prop,      sony_ifd},
    {15, "om digital", olympus_prop,   olympus_ifd},
    {16, "ricoh",      asahi_prop,     ricoh_ifd},
    {17, "hasselblad", sony_prop,      hasselblad_ifd},
    {18, "samsung",    asahi_prop,     samsung_ifd},
    {-1, "unknown",    nullptr,        nullptr},
};

namespace {

// A maker directory's table, its interpreter and the name its entries give
// as their directory. Casio's directories have no interpreter.
struct notetable {
    const tag_def* table;
    maker_propfn interpret;
    const char* directory;
    notedirfn subdirectories = nullptr;
};

const notetable notetables[] = {
    {canon_tags,             canon_prop,     "Canon"},
    {olympus_tags,           olympus_prop,   "Olympus"},
    {fuji_tags,              fuji_prop,      "Fujifilm"},
    {nikon_tags0,            nikon_prop,     "Nikon"},
    {nikon_tags1,            nikon_prop,     "Nikon"},
    {minolta_tags,           minolta_prop,   "Minolta"},
    {sanyo_tags,             sanyo_prop,     "Sanyo"},
    {asahi_tags,             asahi_prop,     "Pentax"},
    {leica_tags,             leica_prop,     "Leica"},
    {panasonic_tags0,        panasonic_prop, "Panasonic"},
    {sigma_tags,             sigma_prop,     "Sigma"},
    {casio_tags0,            nullptr,        "Casio"},
    {casio_tags1,            nullptr,        "Casio"},
    {apple_tags,             apple_prop,     "Apple"},
    {sony_tags,              sony_prop,      "Sony"},
    {olympus2_tags,          olympus2_prop,  "Olympus",                olympus_subdirectory},
    {olympus_equipment_tags, olympus2_prop,  "OlympusEquipment"},
    {olympus_camera_tags,    olympus2_prop,  "OlympusCameraSettings"},
    {olympus_rawdev_tags,    olympus2_prop,  "OlympusRawDevelopment"},
    {olympus_rawdev2_tags,   olympus2_prop,  "OlympusRawDevelopment2"},
    {olympus_imaging_tags,   olympus2_prop,  "OlympusImageProcessing"},
    {olympus_focus_tags,     olympus2_prop,  "OlympusFocusInfo"},
    {pentax_tags,            pentax_prop,    "Pentax"},
};

const notetable* notetableof(const tag_def* table) noexcept
{
    for (const notetable& row : notetables)
        if (row.table == table)
            return &row;
    return nullptr;
}

}  // namespace

void makermatch(const exif_prop* prop, exif_info* info, const tiff_view& view)
{
    const valuebytes inline_bytes = storedbytes(prop->value, view.order);
    const unsigned char* text = inline_bytes.b;
    if (prop->count > 4) {
        text = viewspan(view, prop->value, prop->count);
        if (!text) {
            detail::warn(view.ctx, "invalid field offset", prop->name);
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

ifd_block* readnote(const exif_prop* prop, exif_info* info, const tiff_view& view)
{
    info->mkrview = view;
    const maker_entry& row = makers[info->maker];
    if (!row.ifdfn) {
        detail::warn(view.ctx, "maker note not supported");
        return nullptr;
    }
    return row.ifdfn(prop->value, &info->mkrview);
}

maker_propfn interpreterof(const tag_def* table) noexcept
{
    const notetable* row = notetableof(table);
    return row ? row->interpret : nullptr;
}

notedirfn notesubdirectories(const tag_def* table) noexcept
{
    const notetable* row = notetableof(table);
    return row ? row->subdirectories : nullptr;
}

const char* notedirectory(const tag_def* table) noexcept
{
    const notetable* row = notetableof(table);
    return row ? row->directory : "MakerNote";
}

}  // namespace exifkit
