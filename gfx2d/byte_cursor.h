// Bounded little-endian reads over a byte span: a read past the end gives 0 and marks the cursor short.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tarvok {

class ByteCursor {
public:
    explicit ByteCursor(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint8_t U8() { return Has(1) ? bytes_[pos_++] : Short(); }
    std::uint16_t U16() {
        const std::uint16_t lo = U8();
        return static_cast<std::uint16_t>(lo | U8() << 8);
    }
    std::uint32_t U32() {
        const std::uint32_t lo = U16();
        return lo | static_cast<std::uint32_t>(U16()) << 16;
    }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }

    // The next count bytes, or an empty span (and the cursor marked short) when fewer are left.
    std::span<const std::uint8_t> Take(std::size_t count) {
        if (!Has(count)) {
            Short();
            return {};
        }
        const auto part = bytes_.subspan(pos_, count);
        pos_ += count;
        return part;
    }

    bool Truncated() const { return truncated_; }
    std::size_t Position() const { return pos_; }
    std::size_t Remaining() const { return bytes_.size() - pos_; }

private:
    bool Has(std::size_t count) const { return count <= bytes_.size() - pos_; }
    std::uint8_t Short() {
        truncated_ = true;
        pos_ = bytes_.size();
        return 0;
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
    bool truncated_ = false;
};

}  // namespace tarvok
