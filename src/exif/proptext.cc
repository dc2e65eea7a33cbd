// Helpers of the interpreters that give properties new texts.
#include "exif/proptext.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "exif/context.h"

namespace exifkit {

void droptext(exif_prop* prop) noexcept
{
    detail::release(prop->ctx, prop->str);
    prop->str = nullptr;
}

char* textalloc(exif_prop* prop, std::size_t size)
{
    // A second text without freeing the first is a programming error.
    if (prop->str)
        std::abort();
    prop->str = static_cast<char*>(detail::alloc(prop->ctx, size));
    return prop->str;
}

char* replacetext(exif_prop* prop, std::size_t size)
{
    droptext(prop);
    return textalloc(prop, size);
}

void appendsuffix(exif_prop* prop, const char* suffix, std::size_t fits, std::size_t size)
{
    if (!prop->str)
        return;
    const std::size_t len = std::strlen(prop->str);
    if (len > fits || len + std::strlen(suffix) >= size)
        return;
    char* text = static_cast<char*>(detail::alloc(prop->ctx, size));
    std::memcpy(text, prop->str, len);
    std::strcat(text, suffix);
    droptext(prop);
    prop->str = text;
}

detail::textout rewrite(exif_prop* prop, std::size_t size)
{
    return detail::textout(replacetext(prop, size), size);
}

void formattext(exif_prop* prop, std::size_t size, const char* format, ...)
{
    char* text = replacetext(prop, size);
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(text, size, format, args);
    va_end(args);
}

void describe(exif_prop* prop, const descr_entry* table, std::uint16_t value)
{
    droptext(prop);
    prop->str = detail::copytext(prop->ctx, descrtext(table, value));
}

namespace detail {

char* copytext(context* ctx, const char* text)
{
    const std::size_t n = std::strlen(text);
    char* copy = static_cast<char*>(alloc(ctx, n + 1));
    std::memcpy(copy, text, n);
    return copy;
}

}  // namespace detail

}  // namespace exifkit
