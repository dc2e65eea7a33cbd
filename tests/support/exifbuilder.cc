#include "support/exifbuilder.h"

namespace exifkit::test {

int TiffBuilder::dir()
{
    dirs_.emplace_back();
    return static_cast<int>(dirs_.size()) - 1;
}

bytes TiffBuilder::u16(std::uint16_t v) const
{
    const bytes b{static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)};
    return order_ == ORDER_BIG ? b : bytes(b.rbegin(), b.rend());
}

bytes TiffBuilder::u32(std::uint32_t v) const
{
    const bytes b{static_cast<unsigned char>(v >> 24), static_cast<unsigned char>(v >> 16),
                  static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)};
    return order_ == ORDER_BIG ? b : bytes(b.rbegin(), b.rend());
}

TiffBuilder& TiffBuilder::add(int d, std::uint16_t tag, std::uint16_t type, std::uint32_t count, bytes data)
{
    const bool fits = data.size() <= 4;
    if (fits)
        data.resize(4, 0);
    dirs_.at(d).entries.push_back({tag, type, count, std::move(data), fits});
    return *this;
}

TiffBuilder& TiffBuilder::raw(int d, std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value)
{
    return field(d, tag, type, count, u32(value));
}

TiffBuilder& TiffBuilder::field(int d, std::uint16_t tag, std::uint16_t type, std::uint32_t count, bytes four)
{
    four.resize(4, 0);
    dirs_.at(d).entries.push_back({tag, type, count, std::move(four), true});
    return *this;
}

TiffBuilder& TiffBuilder::ascii(int d, std::uint16_t tag, const std::string& text)
{
    bytes data(text.begin(), text.end());
    data.push_back(0);
    const auto count = static_cast<std::uint32_t>(data.size());
    return add(d, tag, 2, count, std::move(data));
}

TiffBuilder& TiffBuilder::shorts(int d, std::uint16_t tag, const std::vector<std::uint16_t>& v, std::uint16_t type)
{
    bytes data;
    for (std::uint16_t x : v)
        for (unsigned char c : u16(x))
            data.push_back(c);
    return add(d, tag, type, static_cast<std::uint32_t>(v.size()), std::move(data));
}

TiffBuilder& TiffBuilder::longs(int d, std::uint16_t tag, const std::vector<std::uint32_t>& v, std::uint16_t type)
{
    bytes data;
    for (std::uint32_t x : v)
        for (unsigned char c : u32(x))
            data.push_back(c);
    return add(d, tag, type, static_cast<std::uint32_t>(v.size()), std::move(data));
}

TiffBuilder& TiffBuilder::rationals(int d, std::uint16_t tag,
                                    const std::vector<std::pair<std::uint32_t, std::uint32_t>>& v, std::uint16_t type)
{
    std::vector<std::uint32_t> words;
    for (auto [n, den] : v)
        words.insert(words.end(), {n, den});
    longs(d, tag, words, type);
    // Rationals never fit in the value field, even when there are none.
    entry& e = dirs_.at(d).entries.back();
    e.count = static_cast<std::uint32_t>(v.size());
    e.data.resize(8 * v.size());
    e.inline_field = false;
    return *this;
}

TiffBuilder& TiffBuilder::undefined(int d, std::uint16_t tag, const bytes& v, std::uint16_t type)
{
    return add(d, tag, type, static_cast<std::uint32_t>(v.size()), v);
}

TiffBuilder& TiffBuilder::pointer(int d, std::uint16_t tag, int target)
{
    dirs_.at(d).entries.push_back({tag, 4, 1, bytes(4), true, target});
    return *this;
}

TiffBuilder& TiffBuilder::note(int d, int target, const bytes& header, std::uint16_t tag)
{
    dirs_.at(target).prefix = header;
    dirs_.at(d).entries.push_back({tag, 7, 0, bytes(4), true, target, true});
    return *this;
}

TiffBuilder& TiffBuilder::header(const bytes& head)
{
    header_ = head;
    customheader_ = true;
    return *this;
}

TiffBuilder& TiffBuilder::chain(int d, int next)
{
    dirs_.at(d).next = next;
    dirs_.at(d).rawnext = false;
    return *this;
}

TiffBuilder& TiffBuilder::nextraw(int d, std::uint32_t offset)
{
    dirs_.at(d).rawnext = true;
    dirs_.at(d).nextoffset = offset;
    return *this;
}

std::uint32_t TiffBuilder::datasize(const directory& d) const
{
    std::uint32_t size = 2 + 12 * static_cast<std::uint32_t>(d.entries.size()) + 4;
    for (const entry& e : d.entries)
        size += e.inline_field ? 0 : static_cast<std::uint32_t>(e.data.size());
    return size;
}

std::uint32_t TiffBuilder::diroffset(int d) const
{
    std::uint32_t at = customheader_ ? static_cast<std::uint32_t>(header_.size()) : 8;
    for (int i = 0; i < d; i++)
        at += static_cast<std::uint32_t>(dirs_.at(i).prefix.size()) + datasize(dirs_.at(i));
    return at + static_cast<std::uint32_t>(dirs_.at(d).prefix.size());
}

bytes TiffBuilder::tiff() const
{
    bytes out;
    auto put = [&out](const bytes& b) { out.insert(out.end(), b.begin(), b.end()); };
    if (customheader_) {
        put(header_);
    } else {
        put(order_ == ORDER_BIG ? bytes{'M', 'M'} : bytes{'I', 'I'});
        put(u16(42));
        put(u32(dirs_.empty() ? 0 : diroffset(0)));
    }
    for (std::size_t i = 0; i < dirs_.size(); i++) {
        const directory& d = dirs_[i];
        put(d.prefix);
        std::uint32_t data = diroffset(static_cast<int>(i)) + 2 + 12 * static_cast<std::uint32_t>(d.entries.size()) + 4;
        put(u16(static_cast<std::uint16_t>(d.entries.size())));
        for (const entry& e : d.entries) {
            put(u16(e.tag));
            put(u16(e.type));
            if (e.note) {  // the count and offset cover the note's prefix too
                const auto prefix = static_cast<std::uint32_t>(dirs_.at(e.target).prefix.size());
                put(u32(prefix + datasize(dirs_.at(e.target))));
                put(u32(diroffset(e.target) - prefix));
                continue;
            }
            put(u32(e.count));
            if (e.target >= 0)
                put(u32(diroffset(e.target)));
            else if (e.inline_field)
                put(e.data);
            else {
                put(u32(data));
                data += static_cast<std::uint32_t>(e.data.size());
            }
        }
        put(u32(d.rawnext ? d.nextoffset : (d.next >= 0 ? diroffset(d.next) : 0)));
        for (const entry& e : d.entries)
            if (!e.inline_field)
                put(e.data);
    }
    return out;
}

bytes TiffBuilder::exif() const
{
    bytes out{'E', 'x', 'i', 'f', 0, 0}, t = tiff();
    out.insert(out.end(), t.begin(), t.end());
    return out;
}

}  // namespace exifkit::test
