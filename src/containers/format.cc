#include "containers/container.h"

#include <cstring>
#include <string_view>

namespace exifkit::detail {

namespace {

bool startswith(std::span<const unsigned char> head, std::string_view signature, std::size_t at = 0) noexcept
{
    return head.size() >= at + signature.size() && std::memcmp(head.data() + at, signature.data(), signature.size()) == 0;
}

// TIFF, its raw variants and BigTIFF, by byte order and magic.
bool istiff(std::span<const unsigned char> head) noexcept
{
    using namespace std::string_view_literals;
    for (std::string_view magic : {"II*\0"sv, "MM\0*"sv, "IIRO"sv, "IIRS"sv, "MMOR"sv, "IIU\0"sv, "II+\0"sv, "MM\0+"sv})
        if (startswith(head, magic))
            return true;
    return false;
}

// Canon's CIFF heap: a byte order, a 32-bit header length, "HEAPCCDR".
bool iscrw(std::span<const unsigned char> head) noexcept
{
    return (startswith(head, "II") || startswith(head, "MM")) && startswith(head, "HEAPCCDR", 6);
}

}  // namespace

fileformat recognise(std::span<const unsigned char> head) noexcept
{
    using namespace std::string_view_literals;
    if (startswith(head, "\xFF\xD8"))
        return fileformat::jpeg;
    if (iscrw(head))
        return fileformat::crw;
    if (istiff(head))
        return fileformat::tiff;
    if (startswith(head, "ftyp", 4))
        return bmffformat(head);
    if (startswith(head, "\x89PNG\r\n\x1A\n"sv))
        return fileformat::png;
    if (startswith(head, "RIFF") && startswith(head, "WEBP", 8))
        return fileformat::webp;
    if (startswith(head, "\0\0\0\x0CJXL \r\n\x87\n"sv) || startswith(head, "\xFF\x0A"))
        return fileformat::jxl;
    if (startswith(head, "FUJIFILMCCD-RAW "))
        return fileformat::raf;
    return fileformat::unknown;
}

const char* formatname(fileformat format) noexcept
{
    switch (format) {
    case fileformat::jpeg: return "jpeg";
    case fileformat::tiff: return "tiff";
    case fileformat::heif: return "heif";
    case fileformat::avif: return "avif";
    case fileformat::cr3: return "cr3";
    case fileformat::png: return "png";
    case fileformat::webp: return "webp";
    case fileformat::jxl: return "jxl";
    case fileformat::raf: return "raf";
    case fileformat::crw: return "crw";
    default: return "unknown";
    }
}

}  // namespace exifkit::detail
