// A growable run of bytes whose new room is not zero-filled first: the network code writes every byte
// it asks room for, and clearing them (as std::vector's resize does) cost as much as the copying.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>

namespace tarvok {

class ByteBuffer {
public:
    std::uint8_t* data() { return data_.get(); }
    const std::uint8_t* data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    void clear() { size_ = 0; }
    // n more bytes at the end, to be written by the caller.
    std::uint8_t* Grow(std::size_t n) {
        if (size_ + n > capacity_) {
            std::size_t capacity = capacity_ == 0 ? 4096 : capacity_;
            while (capacity < size_ + n) capacity *= 2;
            auto bigger = std::make_unique_for_overwrite<std::uint8_t[]>(capacity);
            if (size_ > 0) std::memcpy(bigger.get(), data_.get(), size_);
            data_ = std::move(bigger);
            capacity_ = capacity;
        }
        std::uint8_t* at = data_.get() + size_;
        size_ += n;
        return at;
    }
    void Shrink(std::size_t n) { size_ = n < size_ ? n : size_; }
    // Drops the first n bytes.
    void DropFront(std::size_t n) {
        if (n >= size_) {
            size_ = 0;
            return;
        }
        std::memmove(data_.get(), data_.get() + n, size_ - n);
        size_ -= n;
    }

private:
    std::unique_ptr<std::uint8_t[]> data_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace tarvok
