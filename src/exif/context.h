// The context of one read, handed down explicitly from the read entry points:
// where its properties, warnings and trace lines go, where the frame header
// goes, the bounds of the file being read, and the memory, property index and
// quotas of the Exif block being parsed.
//
// The records of a parse (exif_info, tiff_view, exif_prop) carry a pointer to
// it, so that the exported helpers whose signatures are fixed reach it too.
// Records a host makes by hand carry none: their memory is the heap's, their
// warnings go to the default reader's sink and their trace lines follow
// `debug`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "exif/arena.h"
#include "exif/propindex.h"
#include "exif/view.h"
#include "exifkit/reader.h"
#include "exifkit/records.h"

namespace exifkit::detail {

// Trace headings printed once per reader, one bit each.
inline constexpr std::uint32_t HEADING_MINOLTA = 0x1;

class context {
public:
    // A read with a reader's settings; the frame header goes to reader.frame.
    explicit context(readstate& reader) noexcept;
    context(const context&) = delete;
    context& operator=(const context&) = delete;

    // A context that owns a copy of the settings, made inside its own memory
    // for a parse a host asked for (exifparse, exifscan); null when no memory
    // is left. Released with destroy(), which frees every record of the parse.
    static context* standalone(const readstate& settings) noexcept;
    static void destroy(context* ctx) noexcept;

    InfoHandler* handler() const noexcept { return reader_->handler; }
    propertysink* properties() const noexcept { return reader_->properties; }
    framestate& frame() noexcept { return reader_->frame; }
    // What loads the pages of the file the parse reads in pages, or null.
    void setpager(pager* pages) noexcept { pager_ = pages; }
    pager* pages() const noexcept { return pager_; }
    // The format of the file being read ("jpeg", "tiff"...).
    void setformat(const char* name) noexcept { reader_->format = name; }
    // Passes the warning to the sink, up to the file's bound on warnings.
    void warn(const char* message, const char* detail = nullptr);
    bool tracing() const noexcept { return trace_; }
    std::FILE* traceout() const noexcept { return reader_->tracestream ? reader_->tracestream : stdout; }
    // Whether the heading is still to be printed by this reader; marks it printed.
    bool firstheading(std::uint32_t heading) noexcept;

    // The bounds of one file, whatever number of Exif blocks it carries: each
    // warns once when it is reached, and the file's later blocks are skipped.
    // Whether another Exif block may be parsed.
    bool takeblock();
    // Whether another property, of a name and value of `textbytes` bytes in
    // all, may be delivered.
    bool takeproperty(std::uint64_t textbytes);

    // Starts the parse of a block of `length` bytes; its records live until
    // endparse (or the destructor).
    void beginparse(std::uint32_t length) noexcept;
    void endparse() noexcept;

    // Zero-filled memory of the parse; raises the fatal error when none is left.
    void* alloc(std::size_t size)
    {
        void* p = mem_.tryalloc(size);
        if (!p)
            outofmemory();
        return std::memset(p, 0, size);
    }
    exif_prop* newprop()
    {
        auto* prop = static_cast<exif_prop*>(alloc(sizeof(exif_prop)));
        prop->ctx = this;
        return prop;
    }
    bool owns(const void* p) const noexcept { return mem_.owns(p); }

    // The parse's list once the directories are read, for indexed lookups.
    void setlist(exif_prop* head) noexcept { head_ = head; }
    // The first property of the list with the table and tag; false when the
    // list is not the parse's or the index cannot answer.
    bool findindexed(exif_prop* list, const tag_def* table, std::uint16_t tag, exif_prop** found) noexcept;
    // A search of the list that findindexed declined passed `visited` properties.
    void searchedlist(const exif_prop* list, std::size_t visited) noexcept
    {
        if (list == head_)
            index_.searched(visited);
    }
    void indexchild(exif_prop* child) noexcept { index_.addchild(child, mem_); }

    // How many of `wanted` sub-values may still be made in this parse; when
    // fewer, warns "too many values; ignoring the rest" with the name.
    std::uint32_t subvaluequota(std::uint32_t wanted, const char* name);
    // Whether a text of n bytes copied from the block still fits in the
    // parse's text quota; warns "too much text; leaving the rest out" once when not.
    bool textquota(std::uint64_t n);

private:
    context(const readstate& settings, arena&& memory) noexcept;
    [[noreturn]] static void outofmemory();

    readstate* reader_;
    readstate own_{};  // the settings of a standalone context
    bool trace_;
    arena mem_;
    propindex index_;
    exif_prop* head_ = nullptr;
    pager* pager_ = nullptr;
    std::uint32_t subvalues_ = 0;
    std::uint64_t textbytes_ = 0;
    std::uint64_t textlimit_ = 0;
    // Counts of the file being read.
    std::uint32_t blocks_ = 0;
    std::uint32_t properties_ = 0;
    std::uint64_t filetext_ = 0;
    std::uint32_t warnings_ = 0;
    bool bounded_ = false;
};

// The same for the context a record carries, which is null for records a
// host made by hand.
void warn(context* ctx, const char* message, const char* detail = nullptr);
bool tracing(const context* ctx) noexcept;
std::FILE* traceout(const context* ctx) noexcept;
// The quotas of the parse; a host's records have none.
std::uint32_t subvaluequota(context* ctx, std::uint32_t wanted, const char* name);
bool textquota(context* ctx, std::uint64_t n);
// Zero-filled memory of the parse, or of the heap; fatal when none is left.
void* heapalloc(std::size_t size);
inline void* alloc(context* ctx, std::size_t size)
{
    return ctx ? ctx->alloc(size) : heapalloc(size);
}
// Frees p unless it is the parse's own memory (released with the parse).
inline void release(const context* ctx, void* p) noexcept
{
    if (p && (!ctx || !ctx->owns(p)))
        std::free(p);
}

}  // namespace exifkit::detail
