// The entry points of an Exif block: its directories are read (with the
// maker note, when wanted), then every property is interpreted by the
// standard, GPS or maker rules its directory calls for.
#include "parse/parse.h"

#include <cerrno>
#include <cstring>
#include <memory>

#include "exif/directory.h"
#include "exif/standard.h"
#include "exif/view.h"
#include "exifkit/errors.h"
#include "parse/dispatch.h"

namespace exifkit {

namespace {

constexpr std::uint16_t TAG_GPSIFD = 0x8825, TAG_MAKERNOTE = 0x927C;

// Reads the block's directories into a record in the context's memory; null
// when the block is not Exif data or its first directory cannot be read.
exif_info* scanblock(detail::context& ctx, const unsigned char* block, std::uint32_t length, const notehooks& hooks)
{
    auto* info = static_cast<exif_info*>(ctx.alloc(sizeof(exif_info)));
    info->ctx = &ctx;
    // "Exif", two NUL bytes, the byte order, 42 and the IFD0 offset.
    constexpr std::uint32_t HEADER = 14;
    if (!block || length < HEADER || std::memcmp(block, "Exif\0\0", 6))
        return nullptr;
    const int order = tifforder(block + 6);
    if (order < 0) {
        ctx.warn("invalid TIFF header");
        return nullptr;
    }
    info->tiff = tiff_view{order, block + 6, block + length, &ctx};
    ifd_block* mainchain = readifds(get32(block + 10, order), tags, info->tiff);
    if (!mainchain) {
        ctx.warn("invalid Exif format (couldn't read IFD0)");
        return nullptr;
    }
    walkdirectories(ctx, info, mainchain, hooks);
    ctx.setlist(info->props);
    return info;
}

void interpret(exif_info* info)
{
    // A maker directory's properties come one after another: its table is
    // looked up once for them all.
    const tag_def* makertable = nullptr;
    maker_propfn makerinterpreter = nullptr;
    for (exif_prop* prop = info->props; prop; prop = prop->next) {
        // The pointer property whose directory the property came from.
        const exif_prop* pointer = prop->par && prop->par->tagset == tags ? prop->par : nullptr;
        if (pointer && pointer->tag == TAG_GPSIFD)
            gpsprop(prop, info);
        else if (pointer && pointer->tag == TAG_MAKERNOTE) {
            if (prop->tagset != makertable) {
                makertable = prop->tagset;
                makerinterpreter = interpreterof(makertable);
            }
            if (makerinterpreter)
                makerinterpreter(prop, info);
        } else if (prop->tagset == tags)
            interpretstandard(prop, info);
        finishprop(prop, info);
    }
}

struct context_deleter {
    void operator()(detail::context* ctx) const noexcept { detail::context::destroy(ctx); }
};
using context_ptr = std::unique_ptr<detail::context, context_deleter>;

// A context of its own for a parse a host asks for: the default reader's
// sink and trace settings, and memory that the result owns.
context_ptr hostcontext(std::uint32_t length)
{
    detail::readstate settings;
    settings.sink = warningSink();
    settings.trace = &debug;
    settings.tracestream = traceStream();
    context_ptr ctx(detail::context::standalone(settings));
    if (ctx)
        ctx->beginparse(length);
    else
        exifwarn2("can't allocate file info", std::strerror(errno));
    return ctx;
}

// The record of a host's parse, which owns its context from then on.
exif_info* handover(context_ptr& ctx, exif_info* info) noexcept
{
    if (info)
        ctx.release();
    return info;
}

}  // namespace

namespace detail {

exif_info* parseblock(context& ctx, const unsigned char* block, std::uint32_t length)
{
    ctx.beginparse(length);
    exif_info* info = scanblock(ctx, block, length, WITH_NOTES);
    if (info)
        interpret(info);
    return info;
}

}  // namespace detail

exif_info* exifscan(const unsigned char* block, std::uint32_t length, int readmakers)
{
    context_ptr ctx = hostcontext(length);
    if (!ctx)
        return nullptr;
    return handover(ctx, scanblock(*ctx, block, length, readmakers ? WITH_NOTES : WITHOUT_NOTES));
}

exif_info* exifparse(const unsigned char* block, std::uint32_t length)
{
    context_ptr ctx = hostcontext(length);
    if (!ctx)
        return nullptr;
    exif_info* info = scanblock(*ctx, block, length, WITH_NOTES);
    if (info)
        interpret(info);
    return handover(ctx, info);
}

}  // namespace exifkit
