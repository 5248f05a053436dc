// RtArray: the array type of the language, a dense block of numbers, texts or bytes addressed by one to
// four zero-based indices, the first index varying fastest.
//
// Sizes arrive as the game's numbers and are truncated toward zero. A size of 0 (or below) leaves that
// dimension unused; a first size below 1 gives an array with no elements. Every access is checked: an
// index that is negative or not below its size ends the program with run-time error 9; sizes that are
// NaN or whose element count does not fit 32 bits, and blocks that cannot be allocated, end it with
// error 7. The block only grows (except for a first size below 1), is cleared by every Dim, and number
// arrays of up to 16 elements of capacity keep them inside the value itself.
//
// Engine commands that return lists take an RtArray and fill it:
//     list.Dim(count);                       // count elements, all empty
//     for (i...) list.ElementAt(i) = ...;    // checked access by machine integers
#pragma once

#include <array>
#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>

#include "runtime/number_args.h"
#include "runtime/program_end.h"
#include "runtime/rt_string.h"

namespace tarvok {

// Sizes, strides and element count of an array, derived from the four sizes given as numbers.
struct ArrayShape {
    std::int32_t dims[4] = {0, 0, 0, 0};  // dim1..dim4 as stored: truncated, dim1 0 when d1 < 1
    std::int32_t strides[4] = {0, 0, 0, 0};  // element distance per step of each index; 0 when unused
    std::int32_t count = 0;                  // elements in use: dim1 x e2 x e3 x e4 (e = size, or 1)
};

// The shape for sizes d1..d4. NaN sizes, sizes past 32 bits and counts past 32 bits end the program
// with error 7.
ArrayShape ShapeForSizes(double d1, double d2, double d3, double d4);

// Capacity of a block for count elements: count rounded down to a multiple of step, plus step. A
// capacity past 32 bits ends the program with error 7.
std::int32_t CapacityForCount(std::int32_t count, std::int32_t step);

// Room for 16 numbers inside a number array; nothing for the other element types.
template <typename T>
struct ArrayInlineStorage {
    static constexpr std::int32_t kSize = 0;
    T* Elements() { return nullptr; }
};
template <>
struct ArrayInlineStorage<double> {
    static constexpr std::int32_t kSize = 16;
    double values[kSize];
    double* Elements() { return values; }
};

}  // namespace tarvok

template <typename T>
class RtArray {
    static_assert(std::is_same_v<T, double> || std::is_same_v<T, RtString> || std::is_same_v<T, std::uint8_t>,
                  "RtArray holds numbers, texts or bytes");

public:
    RtArray() = default;
    // Copies are deep (texts included) and go through CopyFrom.
    RtArray(const RtArray& other) { CopyFrom(other); }
    RtArray& operator=(const RtArray& other) {
        CopyFrom(other);
        return *this;
    }
    ~RtArray() { ReleaseBlock(); }

    // Dimensions the array to d1 x d2 x d3 x d4 elements (unused sizes 0), every element empty.
    void Dim(double d1, double d2 = 0, double d3 = 0, double d4 = 0);
    // Dimensions anew, keeping the elements whose indices fit both the old and the new sizes.
    void Redim(double d1, double d2 = 0, double d3 = 0, double d4 = 0);
    // Dimensions like other and copies its elements (texts as deep copies).
    void CopyFrom(const RtArray& other);
    // Dim(n), then element i := list[i] for i from 0 to n - 1.
    void DimFromList(std::int32_t n, const T* list);

    // The element at the indices (unused ones 0); error 9 when an index is negative or not below its
    // size. An index of an unused dimension is not checked and does not move the position.
    T& ElementAt(std::int32_t i1, std::int32_t i2 = 0, std::int32_t i3 = 0, std::int32_t i4 = 0) {
        return elements_[Position(i1, i2, i3, i4)];
    }
    const T& ElementAt(std::int32_t i1, std::int32_t i2 = 0, std::int32_t i3 = 0, std::int32_t i4 = 0) const {
        return elements_[Position(i1, i2, i3, i4)];
    }
    // Indices that are the game's numbers must be turned into integers first (At), never cast.
    template <typename... A,
              std::enable_if_t<(sizeof...(A) <= 4 && (std::is_floating_point_v<A> || ...)), int> = 0>
    T& ElementAt(A...) = delete;

    // The element at indices given as the game's numbers: truncated toward zero; NaN gives error 9.
    T& At(double i1, double i2 = 0, double i3 = 0, double i4 = 0);

    // The four sizes as stored (0 for unused dimensions).
    std::array<std::int32_t, 4> Dims() const { return {dim1_, dim2_, dim3_, dim4_}; }
    // Number of dimensions in use: the position of the last non-zero size.
    std::int32_t DimCount() const { return dimCount_; }
    // Number of elements the current block holds.
    std::int32_t Capacity() const { return capacity_; }
    // Elements in use (dim1 x e2 x e3 x e4, e = size or 1; 0 before the first Dim or for dim1 0).
    std::int32_t Count() const { return count_; }
    // The first element (null before the first Dim); elements lie first index fastest.
    T* Data() { return elements_; }
    const T* Data() const { return elements_; }

private:
    static constexpr std::int32_t kStep = std::is_same_v<T, double> ? 8 : 64;

    std::int32_t Position(std::int32_t i1, std::int32_t i2, std::int32_t i3, std::int32_t i4) const {
        // One unsigned comparison per index against its limit also rejects negative indices, and the
        // four results are joined without branches, so a loop over one index keeps a single test per
        // element. Unused dimensions have stride 0; used ones bound their index, so the position is below
        // Count() and the sums cannot overflow.
        const bool bad =
            (static_cast<std::uint32_t>(i1) >= limits_[0]) | (static_cast<std::uint32_t>(i2) >= limits_[1]) |
            (static_cast<std::uint32_t>(i3) >= limits_[2]) | (static_cast<std::uint32_t>(i4) >= limits_[3]);
        if (bad) [[unlikely]]
            RaiseRuntimeError(kErrorIndex);
        return i1 + i2 * stride2_ + i3 * stride3_ + i4 * stride4_;
    }
    bool IsInline() const {
        if constexpr (std::is_same_v<T, double>) return elements_ == inline_.values;
        return false;
    }
    void ReleaseBlock();
    void MakeBlock(std::int32_t capacity);

    T* elements_ = nullptr;
    [[no_unique_address]] tarvok::ArrayInlineStorage<T> inline_;
    std::int32_t stride2_ = 0;  // element distance of one step in index 2; 0 when dimension 2 is unused
    std::int32_t stride3_ = 0;  // likewise for index 3
    std::int32_t stride4_ = 0;  // likewise for index 4
    std::int32_t dim1_ = 0;
    std::int32_t dim2_ = 0;
    std::int32_t dim3_ = 0;
    std::int32_t dim4_ = 0;
    std::int32_t dimCount_ = 0;
    std::int32_t capacity_ = 0;  // elements the block holds
    std::int32_t count_ = 0;     // elements in use
    // Per index, the first value (as unsigned) that is out of range: the size of a used dimension, 2^31
    // for an unused one (only negative indices fail), 0 for a negative size or while there is no block.
    std::uint32_t limits_[4] = {0, 0, 0, 0};
};

// ---------------------------------------------------------------------------------------------------
// Implementation (a template, so it lives in the header).

template <typename T>
void RtArray<T>::ReleaseBlock() {
    if (!IsInline()) delete[] elements_;
    elements_ = nullptr;
    capacity_ = 0;
    limits_[0] = 0;  // no element can be reached until the next Dim
}

template <typename T>
void RtArray<T>::MakeBlock(std::int32_t capacity) {
    if (capacity <= tarvok::ArrayInlineStorage<T>::kSize) {
        elements_ = inline_.Elements();
    } else {
        elements_ = new (std::nothrow) T[static_cast<std::size_t>(capacity)];
        if (elements_ == nullptr) RaiseRuntimeError(kErrorBadNumber);
    }
    capacity_ = capacity;
}

template <typename T>
void RtArray<T>::Dim(double d1, double d2, double d3, double d4) {
    const tarvok::ArrayShape shape = tarvok::ShapeForSizes(d1, d2, d3, d4);
    const std::int32_t needed = tarvok::CapacityForCount(shape.count, kStep);
    // A first size below 1 always gives the block up and starts again at the smallest capacity.
    if (shape.dims[0] == 0 || elements_ == nullptr || capacity_ < needed) {
        ReleaseBlock();
        MakeBlock(needed);
    }
    for (std::int32_t i = 0; i < capacity_; ++i) elements_[i] = T{};
    dim1_ = shape.dims[0];
    dim2_ = shape.dims[1];
    dim3_ = shape.dims[2];
    dim4_ = shape.dims[3];
    stride2_ = shape.strides[1];
    stride3_ = shape.strides[2];
    stride4_ = shape.strides[3];
    count_ = shape.count;
    limits_[0] = static_cast<std::uint32_t>(dim1_);
    for (int k = 1; k < 4; ++k) {
        const std::int32_t size = shape.dims[k];
        limits_[k] = size > 0 ? static_cast<std::uint32_t>(size) : size == 0 ? 0x80000000u : 0;
    }
    dimCount_ = dim4_ != 0 ? 4 : dim3_ != 0 ? 3 : dim2_ != 0 ? 2 : dim1_ != 0 ? 1 : 0;
}

template <typename T>
void RtArray<T>::Redim(double d1, double d2, double d3, double d4) {
    RtArray fresh;
    fresh.Dim(d1, d2, d3, d4);
    if (count_ > 0 && fresh.count_ > 0) {
        // Per dimension: indices below both sizes are kept; where either side leaves the dimension
        // unused only index 0 is taken (it has stride 0 there).
        const std::int32_t oldDims[4] = {dim1_, dim2_, dim3_, dim4_};
        const std::int32_t newDims[4] = {fresh.dim1_, fresh.dim2_, fresh.dim3_, fresh.dim4_};
        std::int32_t bound[4];
        for (int k = 0; k < 4; ++k) {
            const std::int32_t smaller = oldDims[k] < newDims[k] ? oldDims[k] : newDims[k];
            bound[k] = smaller > 0 ? smaller : (smaller == 0 && k > 0 ? 1 : 0);
        }
        for (std::int32_t i4 = 0; i4 < bound[3]; ++i4)
            for (std::int32_t i3 = 0; i3 < bound[2]; ++i3)
                for (std::int32_t i2 = 0; i2 < bound[1]; ++i2)
                    for (std::int32_t i1 = 0; i1 < bound[0]; ++i1)
                        fresh.ElementAt(i1, i2, i3, i4) = std::move(ElementAt(i1, i2, i3, i4));
    }
    Dim(d1, d2, d3, d4);
    for (std::int32_t i = 0; i < count_; ++i) elements_[i] = std::move(fresh.elements_[i]);
}

template <typename T>
void RtArray<T>::CopyFrom(const RtArray& other) {
    if (this == &other) return;
    Dim(other.dim1_, other.dim2_, other.dim3_, other.dim4_);
    for (std::int32_t i = 0; i < other.count_; ++i) elements_[i] = other.elements_[i];
}

template <typename T>
void RtArray<T>::DimFromList(std::int32_t n, const T* list) {
    Dim(n);
    for (std::int32_t i = 0; i < count_; ++i) elements_[i] = list[i];
}

template <typename T>
T& RtArray<T>::At(double i1, double i2, double i3, double i4) {
    if (i1 != i1 || i2 != i2 || i3 != i3 || i4 != i4) RaiseRuntimeError(kErrorIndex);  // NaN
    return ElementAt(tarvok::ToInt(i1), tarvok::ToInt(i2), tarvok::ToInt(i3), tarvok::ToInt(i4));
}
