// The entry points of an Exif block: its directories are read (with the
// maker note, when wanted), then every property is interpreted by the
// standard, GPS or maker rules its directory calls for.
#include "parse/parse.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>

#include "exif/directory.h"
#include "exif/lookup.h"
#include "exif/standard.h"
#include "exif/view.h"
#include "exifkit/errors.h"
#include "makers/canon.h"
#include "parse/dispatch.h"

namespace exifkit {

namespace {

constexpr std::uint16_t TAG_EXIFIFD = 0x8769, TAG_GPSIFD = 0x8825, TAG_MAKERNOTE = 0x927C;

// The byte order of TIFF data: magic 42, or with `raw`, the magics of ORF
// (IIRO, IIRS, MMOR) and RW2 (IIU); -1 for none. Needs 4 bytes.
int tiffdataorder(const unsigned char* head, bool raw) noexcept
{
    const int order = tifforder(head);
    if (order >= 0 || !raw)
        return order;
    const int mark = head[0] == 'M' && head[1] == 'M' ? ORDER_BIG : head[0] == 'I' && head[1] == 'I' ? ORDER_LITTLE : -1;
    if (mark < 0)
        return -1;
    const std::uint16_t magic = get16(head + 2, mark);
    return magic == 0x4F52 || magic == 0x5352 || magic == 0x0055 ? mark : -1;
}

// Reads the directories of TIFF data into a record in the context's memory;
// null when its header or first directory cannot be read.
exif_info* scantiff(detail::context& ctx, const unsigned char* tiff, std::uint64_t length, detail::pager* pages,
                    bool raw, const notehooks& hooks)
{
    auto* info = static_cast<exif_info*>(ctx.alloc(sizeof(exif_info)));
    info->ctx = &ctx;
    tiff_view view{ORDER_LITTLE, tiff, tiff + length, &ctx, pages};
    // The byte order, the magic and the IFD0 offset.
    const auto head = cursor(view).bytes(0, 8);
    if (!head)
        return nullptr;
    const int order = tiffdataorder(head->data(), raw);
    if (order < 0) {
        const bool bigtiff = (*head)[2] == 43 || (*head)[3] == 43;
        ctx.warn(bigtiff && raw ? "BigTIFF files are not read" : "invalid TIFF header");
        return nullptr;
    }
    view.order = order;
    info->tiff = view;
    ifd_block* mainchain = readifds(get32(head->data() + 4, order), tags, info->tiff);
    if (!mainchain) {
        ctx.warn("invalid Exif format (couldn't read IFD0)");
        return nullptr;
    }
    walkdirectories(ctx, info, mainchain, hooks);
    ctx.setlist(info->props);
    return info;
}

// The same for an Exif block: "Exif", two NUL bytes, then TIFF data.
exif_info* scanblock(detail::context& ctx, const unsigned char* block, std::uint32_t length, const notehooks& hooks)
{
    // "Exif", two NUL bytes, the byte order, 42 and the IFD0 offset.
    constexpr std::uint32_t HEADER = 14;
    if (!block || length < HEADER || std::memcmp(block, "Exif\0\0", 6))
        return nullptr;
    return scantiff(ctx, block + 6, length - 6, nullptr, false, hooks);
}

// The view of the piece a property of a CR3 file came from.
struct pieceviews {
    const exif_prop* exifpointer;
    const exif_prop* gpspointer;
    tiff_view ifd0, exif, gps;

    const tiff_view& of(const exif_prop* prop) const noexcept
    {
        for (int depth = 0; prop && depth < 256; depth++, prop = prop->par) {
            if (prop->par == exifpointer)
                return exif;
            if (prop->par == gpspointer)
                return gps;
        }
        return ifd0;
    }
};

// Whether the property is an entry of a directory that a maker-note entry
// leads to (the walk reads those only for maker tables).
bool innotesubdirectory(const exif_prop* prop) noexcept
{
    return prop->origin == PROP_ENTRY && prop->par && prop->par->tagset && prop->par->tagset != tags &&
           prop->par->tagset != gpstags;
}

// Interprets every property by its directory's rules; the values of a CR3
// file's pieces are read in their own piece.
void interpret(exif_info* info, const pieceviews* pieces = nullptr)
{
    // A maker directory's properties come one after another: its table is
    // looked up once for them all.
    const tag_def* makertable = nullptr;
    maker_propfn makerinterpreter = nullptr;
    for (exif_prop* prop = info->props; prop; prop = prop->next) {
        if (pieces)
            info->tiff = pieces->of(prop);
        // The pointer property whose directory the property came from.
        const exif_prop* pointer = prop->par && prop->par->tagset == tags ? prop->par : nullptr;
        if (pointer && pointer->tag == TAG_GPSIFD)
            gpsprop(prop, info);
        else if ((pointer && pointer->tag == TAG_MAKERNOTE) || innotesubdirectory(prop)) {
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

// What the text quota of a TIFF or raw file is reckoned from.
constexpr std::uint64_t TEXT_BASIS = 1u << 20;

// A pointer entry the pieces of a CR3 file stand for, which no directory
// holds and which is not delivered: the directory it leads to is named by it.
const exif_prop* pointerprop(detail::context& ctx, std::uint16_t tag)
{
    exif_prop* prop = ctx.newprop();
    prop->tag = tag;
    prop->tagset = tags;
    prop->name = tagrow(tags, tag)->name;
    prop->origin = PROP_MADE;
    return prop;
}

// The view of one piece and the offset of its first directory; none when
// the piece is missing or no TIFF data.
std::optional<std::uint32_t> pieceview(detail::context& ctx, std::span<const unsigned char> piece, tiff_view& view)
{
    if (piece.size() < 8)
        return std::nullopt;
    const int order = tifforder(piece.data());
    if (order < 0) {
        ctx.warn("invalid TIFF header");
        return std::nullopt;
    }
    view = tiff_view{order, piece.data(), piece.data() + piece.size(), &ctx};
    return get32(piece.data() + 4, order);
}

// The directory, as the one the pointer leads to.
ifd_block* pointed(ifd_block* dir, const exif_prop* pointer) noexcept
{
    if (dir)
        dir->par = const_cast<exif_prop*>(pointer);
    return dir;
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

exif_info* parsetiff(context& ctx, const unsigned char* tiff, std::uint64_t length, pager* pages)
{
    // The text quota grows with the block; the metadata of a raw file take
    // less than a MiB however large the file.
    ctx.beginparse(static_cast<std::uint32_t>(std::min<std::uint64_t>(length, TEXT_BASIS)));
    ctx.setpager(pages);
    exif_info* info = scantiff(ctx, tiff, length, pages, true, WITH_NOTES);
    if (info)
        interpret(info);
    return info;
}

exif_info* parsepieces(context& ctx, const tiffpieces& pieces)
{
    ctx.beginparse(static_cast<std::uint32_t>(std::min<std::uint64_t>(
        pieces.ifd0.size() + pieces.exif.size() + pieces.makernote.size() + pieces.gps.size(), TEXT_BASIS)));
    auto* info = static_cast<exif_info*>(ctx.alloc(sizeof(exif_info)));
    info->ctx = &ctx;
    pieceviews views{pointerprop(ctx, TAG_EXIFIFD), pointerprop(ctx, TAG_GPSIFD), {}, {}, {}};
    ifd_block* chain = nullptr;
    ifd_block** tail = &chain;
    const auto attach = [&](ifd_block* list) {
        *tail = list;
        while (*tail)
            tail = &(*tail)->next;
    };
    if (const auto first = pieceview(ctx, pieces.ifd0, views.ifd0))
        attach(readifds(*first, tags, views.ifd0));
    if (const auto first = pieceview(ctx, pieces.exif, views.exif))
        attach(pointed(readone(*first, tags, views.exif), views.exifpointer));
    if (tiff_view note{}; const auto first = pieceview(ctx, pieces.makernote, note)) {
        info->mkrview = note;
        attach(pointed(readone(*first, canon_tags, note), pointerprop(ctx, TAG_MAKERNOTE)));
    }
    if (const auto first = pieceview(ctx, pieces.gps, views.gps))
        attach(pointed(readone(*first, gpstags, views.gps), views.gpspointer));
    info->tiff = views.ifd0.base ? views.ifd0 : views.exif;
    if (!chain) {
        ctx.warn("invalid Exif format (couldn't read IFD0)");
        return nullptr;
    }
    walkdirectories(ctx, info, chain, WITH_NOTES);
    ctx.setlist(info->props);
    interpret(info, &views);
    info->tiff = views.ifd0;
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
