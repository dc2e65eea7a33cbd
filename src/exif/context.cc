#include "exif/context.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "exif/alloc.h"
#include "exifkit/errors.h"

namespace exifkit::detail {

namespace {

// No camera block comes near these: texts copied from distinct parts of a
// block add up to less than the block, and real arrays hold a few hundred
// values. Blocks whose entries all point at the same data could otherwise
// make gigabytes of text or millions of sub-values.
constexpr std::uint32_t MAX_SUBVALUES = 8192;
constexpr std::uint64_t textlimit(std::uint32_t length) noexcept
{
    return 4ull * length + 65536;
}

// The bounds of one file. The sample photos carry at most 2 APP1 blocks
// (Exif and XMP), deliver at most 222 properties with 5,701 bytes of names
// and values, and draw at most 914 warnings; each bound is about a hundred
// times that. A file of many crafted blocks would otherwise deliver without
// end, each block within its own quotas.
constexpr std::uint32_t MAX_FILE_BLOCKS = 200;
constexpr std::uint32_t MAX_FILE_PROPERTIES = 25000;
constexpr std::uint64_t MAX_FILE_TEXT = 600000;
constexpr std::uint32_t MAX_FILE_WARNINGS = 100000;

}  // namespace

context::context(readstate& reader) noexcept : reader_(&reader), trace_(reader.trace && *reader.trace) {}

context::context(const readstate& settings, arena&& memory) noexcept
    : reader_(&own_), own_(settings), trace_(settings.trace && *settings.trace), mem_(std::move(memory))
{
    own_.headings = 0;
}

context* context::standalone(const readstate& settings) noexcept
{
    arena mem;
    void* at = mem.tryalloc(sizeof(context));
    return at ? new (at) context(settings, std::move(mem)) : nullptr;
}

void context::destroy(context* ctx) noexcept
{
    if (!ctx)
        return;
    // The context lives in the memory it describes.
    arena mem(std::move(ctx->mem_));
    ctx->~context();
}

void context::warn(const char* message, const char* detail)
{
    WarningSink* sink = reader_->sink;
    if (!sink || warnings_ > MAX_FILE_WARNINGS)
        return;
    if (++warnings_ > MAX_FILE_WARNINGS)
        sink->warning("too many warnings; ignoring the rest", nullptr);
    else
        sink->warning(message, detail);
}

bool context::takeblock()
{
    if (bounded_)
        return false;
    if (blocks_ < MAX_FILE_BLOCKS) {
        ++blocks_;
        return true;
    }
    bounded_ = true;
    warn("too many Exif blocks; ignoring the rest");
    return false;
}

bool context::takeproperty(std::uint64_t textbytes)
{
    if (bounded_)
        return false;
    const char* reached = nullptr;
    if (properties_ == MAX_FILE_PROPERTIES)
        reached = "too many properties; ignoring the rest";
    else if (textbytes > MAX_FILE_TEXT - filetext_)
        reached = "too much text in the file; ignoring the rest";
    if (reached) {
        bounded_ = true;
        warn(reached);
        return false;
    }
    ++properties_;
    filetext_ += textbytes;
    return true;
}

bool context::firstheading(std::uint32_t heading) noexcept
{
    const bool first = !(reader_->headings & heading);
    reader_->headings |= heading;
    return first;
}

void context::beginparse(std::uint32_t length) noexcept
{
    endparse();
    textlimit_ = textlimit(length);
}

void context::endparse() noexcept
{
    // A standalone context keeps its memory: it holds the context itself.
    if (reader_ != &own_)
        mem_.release();
    index_ = propindex{};
    head_ = nullptr;
    subvalues_ = 0;
    pager_ = nullptr;
    textbytes_ = 0;
    textlimit_ = 0;
}

void context::outofmemory()
{
    exifdie(std::strerror(ENOMEM));
}

bool context::findindexed(exif_prop* list, const tag_def* table, std::uint16_t tag, exif_prop** found) noexcept
{
    return list && list == head_ && index_.find(list, table, tag, mem_, found);
}

std::uint32_t context::subvaluequota(std::uint32_t wanted, const char* name)
{
    const std::uint32_t room = MAX_SUBVALUES - subvalues_;
    const std::uint32_t granted = wanted < room ? wanted : room;
    subvalues_ += granted;
    if (granted < wanted)
        warn("too many values; ignoring the rest", name);
    return granted;
}

bool context::textquota(std::uint64_t n)
{
    if (textbytes_ > textlimit_)
        return false;
    textbytes_ += n;
    if (textbytes_ <= textlimit_)
        return true;
    warn("too much text; leaving the rest out");
    return false;
}

void warn(context* ctx, const char* message, const char* detail)
{
    if (ctx)
        ctx->warn(message, detail);
    else
        exifwarn2(message, detail);
}

bool tracing(const context* ctx) noexcept
{
    return ctx ? ctx->tracing() : debug != 0;
}

std::FILE* traceout(const context* ctx) noexcept
{
    return ctx ? ctx->traceout() : traceStream();
}

std::uint32_t subvaluequota(context* ctx, std::uint32_t wanted, const char* name)
{
    return ctx ? ctx->subvaluequota(wanted, name) : wanted;
}

bool textquota(context* ctx, std::uint64_t n)
{
    return !ctx || ctx->textquota(n);
}

void* heapalloc(std::size_t size)
{
    return mustalloc(size);
}

}  // namespace exifkit::detail
