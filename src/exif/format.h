// Formatting the common texts without printf: whole numbers and numbers with
// a few decimals, written exactly as printf writes them ("%d", "%u", "%.2f").
#pragma once

#include <cstddef>
#include <cstdint>

namespace exifkit::detail {

// Writes into a buffer of `size` bytes as snprintf would: at most size - 1
// characters, the rest cut, and terminated when the writer goes.
class textout {
public:
    textout(char* buf, std::size_t size) noexcept : buf_(buf), size_(size) {}
    ~textout() { terminate(); }
    textout(const textout&) = delete;
    textout& operator=(const textout&) = delete;
    textout(textout&& other) noexcept : buf_(other.buf_), size_(other.size_), len_(other.len_) { other.size_ = 0; }

    textout& put(const char* text) noexcept;
    textout& put(char c) noexcept;
    textout& num(std::int64_t v) noexcept;
    textout& unum(std::uint64_t v) noexcept;
    // "%.<decimals>f" of v; done here for 0 to 9 decimals, by printf beyond.
    textout& fixed(double v, int decimals) noexcept;
    // "%0<width>d" of a value from 0 on.
    textout& padded(std::uint64_t v, int width) noexcept;
    // "%0<width>X": upper-case hexadecimal digits.
    textout& hex(std::uint64_t v, int width) noexcept;

    std::size_t length() const noexcept { return len_; }

private:
    void terminate() noexcept
    {
        if (size_)
            buf_[len_ < size_ ? len_ : size_ - 1] = '\0';
    }
    void append(const char* text, std::size_t n) noexcept;

    char* buf_;
    std::size_t size_;
    std::size_t len_ = 0;  // characters written, those cut included
};

}  // namespace exifkit::detail
