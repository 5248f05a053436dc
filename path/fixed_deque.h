// FixedDeque: a ring buffer of fixed capacity, the open list of the list-based planner.
//
// head is the index of the first element, tail the index one past the last; both wrap. head == tail
// means empty when the empty flag is set and full otherwise. Inserting or erasing inside the deque
// rebuilds the contents in order into an equally large scratch buffer, then swaps the two buffers.
#pragma once

#include <cstddef>
#include <memory>
#include <utility>

namespace tarvok {

template <typename T>
class FixedDeque {
public:
    // Frees the old buffers and makes two of capacity elements; the deque is empty.
    void Init(std::size_t capacity) {
        data_ = capacity ? std::make_unique<T[]>(capacity) : nullptr;
        scratch_ = capacity ? std::make_unique<T[]>(capacity) : nullptr;
        capacity_ = capacity;
        Clear();
    }

    void Clear() {
        head_ = tail_ = 0;
        empty_ = true;
    }

    std::size_t Capacity() const { return capacity_; }
    bool Empty() const { return empty_; }
    bool Full() const { return !empty_ && head_ == tail_; }
    std::size_t Size() const {
        if (empty_) return 0;
        return tail_ > head_ ? tail_ - head_ : capacity_ - head_ + tail_;
    }

    // The last element (the deque must not be empty).
    const T& Back() const { return data_[Wrap(tail_ + capacity_ - 1)]; }
    // Element i counted from the head (i must be below the size).
    const T& At(std::size_t i) const { return data_[Wrap(head_ + i)]; }

    // Both pushes are refused (false) when the deque is full.
    bool PushBack(T value) {
        if (Full() || capacity_ == 0) return false;
        data_[tail_] = std::move(value);
        tail_ = Wrap(tail_ + 1);
        empty_ = false;
        return true;
    }
    bool PushFront(T value) {
        if (Full() || capacity_ == 0) return false;
        head_ = Wrap(head_ + capacity_ - 1);
        data_[head_] = std::move(value);
        empty_ = false;
        return true;
    }
    // Both pops do nothing on an empty deque.
    void PopBack() {
        if (empty_) return;
        tail_ = Wrap(tail_ + capacity_ - 1);
        empty_ = head_ == tail_;
    }
    void PopFront() {
        if (empty_) return;
        head_ = Wrap(head_ + 1);
        empty_ = head_ == tail_;
    }

    // Puts value at position i, so that it becomes element i; refused (false) when full or i > size.
    bool Insert(std::size_t i, T value) {
        const std::size_t size = Size();
        if (i == size) return PushBack(std::move(value));
        if (i == 0) return PushFront(std::move(value));
        if (Full() || i > size) return false;
        for (std::size_t k = 0; k < i; ++k) scratch_[k] = At(k);
        scratch_[i] = std::move(value);
        for (std::size_t k = i; k < size; ++k) scratch_[k + 1] = At(k);
        Rebuilt(size + 1);
        return true;
    }

    // Removes element i; refused (false) when i is not below the size.
    bool Erase(std::size_t i) {
        const std::size_t size = Size();
        if (i >= size) return false;
        if (i + 1 == size) {
            PopBack();
        } else if (i == 0) {
            PopFront();
        } else {
            for (std::size_t k = 0; k < i; ++k) scratch_[k] = At(k);
            for (std::size_t k = i + 1; k < size; ++k) scratch_[k - 1] = At(k);
            Rebuilt(size - 1);
        }
        return true;
    }

private:
    std::size_t Wrap(std::size_t index) const { return index >= capacity_ ? index - capacity_ : index; }

    // The scratch buffer now holds the contents from index 0: make it the data.
    void Rebuilt(std::size_t size) {
        std::swap(data_, scratch_);
        head_ = 0;
        // A deque filled to capacity has its tail back at index 0.
        tail_ = Wrap(size);
        empty_ = size == 0;
    }

    std::unique_ptr<T[]> data_;
    std::unique_ptr<T[]> scratch_;
    std::size_t capacity_ = 0;
    std::size_t head_ = 0;
    std::size_t tail_ = 0;
    bool empty_ = true;
};

}  // namespace tarvok
