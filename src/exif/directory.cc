// The TIFF directory reader: the directories of an Exif block into a list of
// named properties with their first texts.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "exif/context.h"
#include "exif/directory.h"
#include "exif/proptext.h"
#include "exif/texts.h"
#include "exif/view.h"

namespace exifkit {

namespace {

constexpr std::uint16_t TAG_MAKE = 0x010F, TAG_EXIFIFD = 0x8769, TAG_GPSIFD = 0x8825,
                        TAG_VERSION = 0x9000, TAG_MAKERNOTE = 0x927C, TAG_COMMENT = 0x9286,
                        TAG_INTEROP = 0xA005, TAG_FILESOURCE = 0xA300, TAG_GPSMETHOD = 0x001B,
                        TAG_GPSAREA = 0x001C, TAG_END = 0xFFFF;

constexpr std::uint32_t ENTRY_SIZE = 12;

// The TIFF type of an entry that holds the 4-byte offset of a directory. Only
// maker directories that lead to others are read with it: elsewhere an entry
// of the type stays discarded, as it always was.
constexpr std::uint16_t TYPE_IFD = 13;

// A hostile block can chain or point directories at each other without end,
// or fan one directory out into many; no real file comes near this many.
constexpr std::uint32_t MAX_DIRECTORIES = 64;

// Directories may also overlap or be queued under many pointers, so one block
// could yield hundreds of thousands of properties; interpreting each looks
// others up by walking the list, which turns that into minutes of work. No real
// file has more than a few hundred entries.
constexpr std::uint32_t MAX_ENTRIES = 4096;
constexpr const char* TOO_MANY_DIRECTORIES = "too many directories; ignoring the rest";

struct ifd_deleter {
    void operator()(ifd_block* block) const noexcept { ifdfree(block); }
};
using ifd_ptr = std::unique_ptr<ifd_block, ifd_deleter>;

// The directories still to process: taken from the head, appended at the end.
class dirqueue {
public:
    explicit dirqueue(detail::context& ctx) noexcept : ctx_(ctx) {}
    dirqueue(const dirqueue&) = delete;
    dirqueue& operator=(const dirqueue&) = delete;
    ~dirqueue() { ifdfree(head_); }

    // Takes ownership of a list of directories and queues as many of them as
    // the block's quota still allows; false when none could be queued.
    bool append(ifd_block* list)
    {
        ifd_ptr owned(list);
        if (!list)
            return false;
        if (!hasroom())
            return false;
        ifd_block* last = list;
        for (++queued_; last->next && !full(); ++queued_)
            last = last->next;
        if (last->next) {
            ctx_.warn(TOO_MANY_DIRECTORIES);
            ifdfree(last->next);
            last->next = nullptr;
        }
        (tail_ ? tail_->next : head_) = owned.release();
        tail_ = last;
        return true;
    }

    // Whether another directory may be queued; warns when the quota is used up.
    bool hasroom() const
    {
        if (!full())
            return true;
        ctx_.warn(TOO_MANY_DIRECTORIES);
        return false;
    }

    ifd_ptr pop() noexcept
    {
        ifd_block* block = head_;
        if (block) {
            head_ = block->next;
            block->next = nullptr;
            if (!head_)
                tail_ = nullptr;
        }
        return ifd_ptr(block);
    }

private:
    bool full() const noexcept { return queued_ >= MAX_DIRECTORIES; }

    detail::context& ctx_;
    ifd_block* head_ = nullptr;
    ifd_block* tail_ = nullptr;
    std::uint32_t queued_ = 0;
};

// Bytes per value of a TIFF type; 0 for a type the table does not know.
int typesize(std::uint16_t type) noexcept
{
    // ftypes lists the types in order from 1, so most are found at once.
    constexpr std::uint16_t LAST_IN_ORDER = TYPE_DOUBLE;
    if (type >= 1 && type <= LAST_IN_ORDER && ftypes[type - 1].type == type)
        return ftypes[type - 1].size;
    const ftype_def* row = ftypes;
    while (row->type && row->type != type)
        ++row;
    return row->size;
}

bool ispointer(std::uint16_t tag) noexcept
{
    return tag == TAG_EXIFIFD || tag == TAG_GPSIFD || tag == TAG_INTEROP;
}

// Whether a directory whose entry count stands at `count` is already in the chain.
bool inchain(const ifd_block* chain, const unsigned char* count) noexcept
{
    for (; count && chain; chain = chain->next)
        if (chain->entries == count + 2)
            return true;
    return false;
}

const char* endian(int order) noexcept
{
    return order == ORDER_BIG ? "big" : "little";
}

// Where an entry's value is stored: in the entry's value field for up to
// four bytes, else at its offset when the whole value lies inside the view.
// A file read in pages loads it only when the value is read (a strip of
// image data need never be).
const unsigned char* storeddata(const exif_prop& prop, int elementsize, const unsigned char* raw,
                                const tiff_view& view) noexcept
{
    const std::uint64_t size = std::uint64_t{prop.count} * static_cast<std::uint64_t>(elementsize);
    return size <= 4 ? raw + 8 : viewplace(view, prop.value, size);
}

class walker {
public:
    walker(detail::context& ctx, exif_info* info, const notehooks& hooks) noexcept
        : ctx_(ctx), info_(info), hooks_(hooks), queue_(ctx)
    {
    }

    void run(ifd_block* mainchain)
    {
        queue_.append(mainchain);
        std::uint32_t seq = 0;
        while (ifd_ptr dir = queue_.pop())
            readdirectory(*dir, seq++);
    }

private:
    void readdirectory(const ifd_block& dir, std::uint32_t seq)
    {
        if (tracing_) {
            if (dir.par && dir.par->tag != TAG_END)
                std::fprintf(ctx_.traceout(), "Processing %s directory, %d entries, %s-endian\n",
                             dir.par->name, dir.num, endian(dir.view.order));
            else
                std::fprintf(ctx_.traceout(), "Processing directory %d, %d entries, %s-endian\n",
                             static_cast<int>(seq), dir.num, endian(dir.view.order));
        }
        const std::uint32_t count = std::min<std::uint32_t>(dir.num, MAX_ENTRIES - entries_);
        if (count < dir.num)
            ctx_.warn("too many directory entries; ignoring the rest");
        entries_ += count;
        const tagfinder rows(dir.tagset);
        const notedirfn subdirectory = ismakerdirectory(dir) && hooks_.note && hooks_.subdirectories
                                           ? hooks_.subdirectories(dir.tagset)
                                           : nullptr;
        for (std::uint32_t i = 0; i < count; i++)
            readentry(dir, rows, subdirectory, seq, dir.entries + ENTRY_SIZE * i);
        if (tracing_)
            std::fputc('\n', ctx_.traceout());
    }

    void readentry(const ifd_block& dir, const tagfinder& rows, notedirfn subdirectory, std::uint32_t seq,
                   const unsigned char* raw)
    {
        const int order = dir.view.order;
        // A property dropped here stays in the parse's memory until the end.
        exif_prop* prop = ctx_.newprop();
        prop->tag = get16(raw, order);
        prop->type = get16(raw + 2, order);
        prop->count = get32(raw + 4, order);
        const bool shortvalue = (prop->type == TYPE_SHORT || prop->type == TYPE_SSHORT) && prop->count <= 1;
        prop->value = shortvalue ? get16(raw + 8, order) : get32(raw + 8, order);
        prop->ifdseq = seq;
        prop->origin = PROP_ENTRY;
        prop->order = static_cast<std::uint8_t>(order);
        prop->par = dir.par;
        prop->tagset = dir.tagset;

        const tag_def* row = rows.row(prop->tag);
        prop->name = row->name;
        prop->descr = row->descr;
        prop->lvl = row->lvl;

        const int size = subdirectory && prop->type == TYPE_IFD ? 4 : typesize(prop->type);
        if (!size) {
            ctx_.warn("unknown TIFF field type; discarding", prop->name);
            return;
        }
        prop->data = storeddata(*prop, size, raw, dir.view);
        if (!ismakerdirectory(dir))
            checkexpected(*prop, *row);
        if (tracing_)
            dumpprop(prop, raw);
        if (!(subdirectory && notesubdirectory(prop, subdirectory, dir.view)))
            givetext(prop, *row, dir);
        append(prop);
    }

    // Whether the directory is a maker note's or one its entries lead to.
    static bool ismakerdirectory(const ifd_block& dir) noexcept
    {
        return dir.par && dir.tagset != tags && dir.tagset != gpstags;
    }

    // Queues the maker directory the entry leads to; false when it leads to
    // none (or its directory cannot be read), so that it gets a text of its own.
    bool notesubdirectory(exif_prop* prop, notedirfn read, const tiff_view& view)
    {
        if (!queue_.hasroom())
            return false;
        ifd_block* list = read(prop, view);
        if (!list)
            return false;
        queuechild(prop, list, view);
        return true;
    }

    void givetext(exif_prop* prop, const tag_def& row, const ifd_block& dir)
    {
        const tiff_view& view = dir.view;
        if (row.table)
            tabletext(prop, row.table, view);
        else if (ispointer(prop->tag))
            subdirectory(prop, view);
        else if (prop->tag == TAG_MAKE) {
            hooks_.make(prop, info_, view);
            generictext(prop, view);
        } else if (prop->tag == TAG_COMMENT ||
                   (dir.tagset == gpstags && (prop->tag == TAG_GPSMETHOD || prop->tag == TAG_GPSAREA)))
            commenttext(prop, view);
        else if (prop->tag == TAG_VERSION)
            versiontext(prop, info_, view);
        else if (prop->tag == TAG_MAKERNOTE)
            makernote(prop, view);
        else if (prop->tag == TAG_FILESOURCE)
            filesrctext(prop, view);
        else
            generictext(prop, view);
    }

    void subdirectory(exif_prop* prop, const tiff_view& view)
    {
        if (prop->par && prop->par->tag == prop->tag) {
            ctx_.warn("IFD tag refers to itself", prop->name);
            generictext(prop, view);
            return;
        }
        // Reading a directory that cannot be queued would be wasted work.
        if (!queue_.hasroom()) {
            generictext(prop, view);
            return;
        }
        ifd_block* list = prop->tag == TAG_EXIFIFD
                              ? readone(prop->value, tags, view)
                              : readifds(prop->value, prop->tag == TAG_GPSIFD ? gpstags : tags, view);
        if (!list) {
            if (prop->tag != TAG_INTEROP)
                ctx_.warn("invalid Exif format: IFD length mismatch", prop->name);
            generictext(prop, view);
            return;
        }
        queuechild(prop, list, view);
    }

    void makernote(exif_prop* prop, const tiff_view& view)
    {
        if (!hooks_.note)
            return;
        ifd_block* list = hooks_.note(prop, info_, view);
        if (!list) {
            generictext(prop, view);
            return;
        }
        queuechild(prop, list, view);
    }

    // Queues the directories a pointer property leads to; the property's own
    // value (the offset) is then what it shows.
    void queuechild(exif_prop* prop, ifd_block* list, const tiff_view& view)
    {
        list->par = prop;
        if (!queue_.append(list))
            generictext(prop, view);
    }

    void append(exif_prop* prop) noexcept
    {
        *tail_ = prop;
        tail_ = &prop->next;
    }

    detail::context& ctx_;
    exif_info* info_;
    const notehooks& hooks_;
    bool tracing_ = ctx_.tracing();
    dirqueue queue_;
    std::uint32_t entries_ = 0;
    exif_prop** tail_ = &info_->props;
};

}  // namespace

std::uint32_t readifd(std::uint32_t offset, ifd_block** out, const tag_def* table, const tiff_view& view)
{
    *out = nullptr;
    const unsigned char* count = viewspan(view, offset, 2);
    if (!count)
        return 0;
    auto* block = static_cast<ifd_block*>(detail::alloc(view.ctx, sizeof(ifd_block)));
    block->num = get16(count, view.order);
    block->tagset = table;
    block->view = view;
    const std::uint64_t entrybytes = 2 + std::uint64_t{ENTRY_SIZE} * block->num;
    if (!viewhas(view, offset, entrybytes)) {
        ifdfree(block);
        return 0;
    }
    block->entries = count + 2;
    *out = block;
    // The entries end inside the view, so this offset cannot wrap.
    const unsigned char* next = viewspan(view, static_cast<std::uint32_t>(offset + entrybytes), 4);
    return next ? get32(next, view.order) : 0;
}

ifd_block* readone(std::uint32_t offset, const tag_def* table, const tiff_view& view)
{
    ifd_block* dir = nullptr;
    readifd(offset, &dir, table, view);
    return dir;
}

void checkexpected(const exif_prop& prop, const tag_def& row)
{
    if (row.type && row.type != prop.type && prop.tag != TAG_COMMENT)
        detail::warn(prop.ctx, "field type mismatch", prop.name);
    if (row.count && row.count != prop.count && prop.tag != TAG_FILESOURCE)
        detail::warn(prop.ctx, "field count mismatch", prop.name);
}

ifd_block* readifds(std::uint32_t offset, const tag_def* table, const tiff_view& view)
{
    ifd_block* first = nullptr;
    std::uint32_t next = readifd(offset, &first, table, view);
    ifd_ptr chain(first);
    ifd_block* last = first;
    std::uint32_t length = 1;
    while (last && next) {
        // A chain that leads back to one of its own directories would never end.
        if (inchain(first, viewspan(view, next, 2))) {
            detail::warn(view.ctx, "directory chain loops back on itself; stopping");
            break;
        }
        if (++length > MAX_DIRECTORIES)
            break;
        next = readifd(next, &last->next, table, view);
        last = last->next;
    }
    return chain.release();
}

void walkdirectories(detail::context& ctx, exif_info* info, ifd_block* mainchain, const notehooks& hooks)
{
    walker(ctx, info, hooks).run(mainchain);
}

}  // namespace exifkit
