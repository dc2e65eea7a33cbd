// The record helpers and byte-order readers of exifkit/exif.h.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "exif/alloc.h"
#include "exif/context.h"
#include "exif/proptext.h"
#include "exif/view.h"
#include "exifkit/records.h"

namespace exifkit {

std::uint16_t exif2byte(const unsigned char* b, int order) noexcept
{
    return get16(b, order);
}

int exif2sbyte(const unsigned char* b, int order) noexcept
{
    return static_cast<std::int16_t>(get16(b, order));
}

std::uint32_t exif4byte(const unsigned char* b, int order) noexcept
{
    return get32(b, order);
}

std::int32_t exif4sbyte(const unsigned char* b, int order) noexcept
{
    return static_cast<std::int32_t>(get32(b, order));
}

void byte4exif(std::uint32_t value, unsigned char* b, int order) noexcept
{
    put32(value, b, order);
}

std::uint32_t gcd(std::uint32_t a, std::uint32_t b) noexcept
{
    while (b) {
        const std::uint32_t r = a % b;
        a = b;
        b = r;
    }
    return a;
}

exif_prop* findprop(exif_prop* list, const tag_def* table, std::uint16_t tag) noexcept
{
    // The whole list of a parse is indexed.
    exif_prop* found = nullptr;
    detail::context* ctx = list ? list->ctx : nullptr;
    if (ctx && ctx->findindexed(list, table, tag, &found))
        return found;
    // Sub-values have no table and are never found, not even with a null table.
    std::size_t visited = 0;
    for (exif_prop* p = list; p && !found; p = p->next, ++visited)
        if (p->tagset && p->tagset == table && p->tag == tag)
            found = p;
    if (ctx)
        ctx->searchedlist(list, visited);
    return found;
}

// The row of value, or the end row (val -1) when no row lists it.
static const descr_entry* descrrow(const descr_entry* table, std::uint16_t value) noexcept
{
    while (table->val != -1 && table->val != value)
        ++table;
    return table;
}

char* finddescr(const descr_entry* table, std::uint16_t value)
{
    return detail::copytext(nullptr, descrrow(table, value)->descr);
}

const char* descrtext(const descr_entry* table, std::uint16_t value) noexcept
{
    return descrrow(table, value)->descr;
}

// Appends text to the NUL-terminated buffer, keeping it within len bytes.
static void appendcut(char* buf, const char* text, int len) noexcept
{
    const std::size_t used = std::strlen(buf);
    const std::size_t room = static_cast<std::size_t>(len) - 1 - used;
    std::strncat(buf, text, room);
}

int catdescr(char* buf, const descr_entry* table, std::uint16_t value, int len) noexcept
{
    if (!buf || len <= 0)
        return 0;
    buf[len - 1] = '\0';
    const descr_entry* row = descrrow(table, value);
    if (row->val == -1)
        return 0;
    int appended = 0;
    if (buf[0]) {
        appendcut(buf, ", ", len);
        appended = 2;
    }
    appendcut(buf, row->descr, len);
    return appended + static_cast<int>(std::strlen(row->descr));
}

exif_prop* newprop()
{
    return static_cast<exif_prop*>(detail::mustalloc(sizeof(exif_prop)));
}

exif_prop* childprop(exif_prop* parent)
{
    detail::context* ctx = parent->ctx;
    exif_prop* child = ctx ? ctx->newprop() : newprop();
    child->tag = parent->tag;
    child->name = parent->name;
    child->descr = parent->descr;
    child->lvl = parent->lvl;
    child->ifdseq = parent->ifdseq;
    child->type = 0;
    child->par = parent;
    child->next = parent->next;
    parent->next = child;
    if (ctx)
        ctx->indexchild(child);
    return child;
}

char* exifstralloc(char** slot, std::size_t size)
{
    // A second text without freeing the first is a programming error.
    if (*slot)
        std::abort();
    *slot = static_cast<char*>(detail::mustalloc(size));
    return *slot;
}

void exiffree(exif_info* info) noexcept
{
    if (!info)
        return;
    detail::context* ctx = info->ctx;
    while (exif_prop* prop = info->props) {
        info->props = prop->next;
        detail::release(ctx, prop->str);
        detail::release(ctx, prop);
    }
    // A parse's record lives in the memory of its context.
    if (ctx)
        detail::context::destroy(ctx);
    else
        std::free(info);
}

void ifdfree(ifd_block* block) noexcept
{
    while (block) {
        ifd_block* next = block->next;
        detail::release(block->view.ctx, block);
        block = next;
    }
}

static const char* ftypename(std::uint16_t type) noexcept
{
    const ftype_def* row = ftypes;
    while (row->type && row->type != type)
        ++row;
    return row->name;
}

void dumpprop(const exif_prop* prop, const unsigned char* raw)
{
    if (!detail::tracing(prop->ctx))
        return;
    std::FILE* out = detail::traceout(prop->ctx);
    const char* type = ftypename(prop->type);
    const int count = static_cast<int>(prop->count);
    const int value = static_cast<int>(prop->value);
    if (!raw) {
        std::fprintf(out, "   %s (0x%04X): %s, %d; %d, 0x%04X\n", prop->name, prop->tag, type,
                     count, value, prop->value);
        return;
    }
    std::fprintf(out, "   %s (0x%04X): %s, %d; %d\n", prop->name, prop->tag, type, count, value);
    std::fputs("      ", out);
    static const int groups[] = {2, 2, 4, 4};
    int at = 0;
    for (int g = 0; g < 4; g++) {
        if (g)
            std::fputs(" |", out);
        for (int i = 0; i < groups[g]; i++)
            std::fprintf(out, " %02X", raw[at++]);
    }
    std::fputc('\n', out);
}

void hexprint(const unsigned char* b, int n)
{
    for (int i = 0; i < n; i++)
        std::printf(" %02X", b[i]);
}

}  // namespace exifkit
