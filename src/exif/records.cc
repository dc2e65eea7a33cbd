#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "exif/alloc.h"
#include "exif/parse.h"
#include "exif/props.h"
#include "exifkit/errors.h"
#include "exifkit/exif.h"
#include "host/state.h"

namespace exifkit {

namespace {

// Per thread, so that a test walking allocation failures on one thread does
// not fail the reads of others.
thread_local long allocsleft = -1;

}  // namespace

namespace detail {

namespace {

// The test hook's verdict on the next allocation.
bool allocfails() noexcept
{
    if (allocsleft == 0) {
        errno = ENOMEM;
        return true;
    }
    if (allocsleft > 0)
        --allocsleft;
    return false;
}

}  // namespace

void* tryalloc(std::size_t size) noexcept
{
    return allocfails() ? nullptr : std::calloc(1, size ? size : 1);
}

void* tryrawalloc(std::size_t size) noexcept
{
    return allocfails() ? nullptr : std::malloc(size ? size : 1);
}

void* mustalloc(std::size_t size)
{
    void* p = tryalloc(size);
    if (!p)
        exifdie(std::strerror(errno));
    return p;
}

bool alloccounting() noexcept
{
    return allocsleft >= 0;
}

void failallocafter(long countdown) noexcept
{
    allocsleft = countdown;
}

}  // namespace detail

std::uint16_t exif2byte(const unsigned char* b, int order) noexcept
{
    if (order == ORDER_BIG)
        return static_cast<std::uint16_t>(b[0] << 8 | b[1]);
    return static_cast<std::uint16_t>(b[1] << 8 | b[0]);
}

int exif2sbyte(const unsigned char* b, int order) noexcept
{
    return static_cast<std::int16_t>(exif2byte(b, order));
}

std::uint32_t exif4byte(const unsigned char* b, int order) noexcept
{
    const std::uint32_t b0 = b[0], b1 = b[1], b2 = b[2], b3 = b[3];
    if (order == ORDER_BIG)
        return b0 << 24 | b1 << 16 | b2 << 8 | b3;
    return b3 << 24 | b2 << 16 | b1 << 8 | b0;
}

std::int32_t exif4sbyte(const unsigned char* b, int order) noexcept
{
    return static_cast<std::int32_t>(exif4byte(b, order));
}

void byte4exif(std::uint32_t value, unsigned char* b, int order) noexcept
{
    for (int i = 0; i < 4; i++) {
        const int shift = order == ORDER_BIG ? 24 - 8 * i : 8 * i;
        b[i] = static_cast<unsigned char>(value >> shift);
    }
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
    // The whole list of the parse running here is indexed.
    detail::parsedata* pd = detail::currentparse();
    exif_prop* found = nullptr;
    if (pd && list && list == pd->head && pd->index.find(list, table, tag, pd->mem, &found))
        return found;
    // Sub-values have no table and are never found, not even with a null table.
    for (; list; list = list->next)
        if (list->tagset && list->tagset == table && list->tag == tag)
            return list;
    return nullptr;
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
    const char* text = descrrow(table, value)->descr;
    const std::size_t n = std::strlen(text);
    char* copy = static_cast<char*>(detail::parsealloc(n + 1));
    std::memcpy(copy, text, n);
    return copy;
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
    if (detail::parsedata* pd = detail::currentparse())
        return detail::parseprop(*pd);
    return static_cast<exif_prop*>(detail::mustalloc(sizeof(exif_prop)));
}

exif_prop* childprop(exif_prop* parent)
{
    exif_prop* child = newprop();
    child->tag = parent->tag;
    child->name = parent->name;
    child->descr = parent->descr;
    child->lvl = parent->lvl;
    child->ifdseq = parent->ifdseq;
    child->type = 0;
    child->par = parent;
    child->next = parent->next;
    parent->next = child;
    if (detail::parsedata* pd = detail::currentparse())
        pd->index.addchild(child, pd->mem);
    return child;
}

char* exifstralloc(char** slot, std::size_t size)
{
    // A second text without freeing the first is a programming error.
    if (*slot)
        std::abort();
    *slot = static_cast<char*>(detail::parsealloc(size));
    return *slot;
}

namespace {

// Frees memory that is not the parse's own (made by a host after the parse).
void freeforeign(const detail::parsedata* pd, void* p) noexcept
{
    if (!pd || !pd->mem.owns(p))
        std::free(p);
}

}  // namespace

void exiffree(exif_info* info) noexcept
{
    if (!info)
        return;
    detail::parsedata* pd = info->mem;
    while (exif_prop* prop = info->props) {
        info->props = prop->next;
        freeforeign(pd, prop->str);
        freeforeign(pd, prop);
    }
    if (!pd) {
        std::free(info);
        return;
    }
    // The record and pd live in the memory they describe.
    detail::arena mem(std::move(pd->mem));
    pd->~parsedata();
}

void ifdfree(ifd_block* block) noexcept
{
    const detail::parsedata* pd = detail::currentparse();
    while (block) {
        ifd_block* next = block->next;
        freeforeign(pd, block);
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
    if (!detail::tracing())
        return;
    std::FILE* out = detail::tracestream();
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

void droptext(exif_prop* prop) noexcept
{
    freeforeign(detail::currentparse(), prop->str);
    prop->str = nullptr;
}

char* replacetext(exif_prop* prop, std::size_t size)
{
    droptext(prop);
    return exifstralloc(&prop->str, size);
}

void appendsuffix(exif_prop* prop, const char* suffix, std::size_t fits, std::size_t size)
{
    if (!prop->str)
        return;
    const std::size_t len = std::strlen(prop->str);
    if (len > fits || len + std::strlen(suffix) >= size)
        return;
    char* text = static_cast<char*>(detail::parsealloc(size));
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
    prop->str = finddescr(table, value);
}

}  // namespace exifkit
