// Shape arithmetic of RtArray: sizes from the game's numbers, strides, element count and capacity.
#include "runtime/rt_array.h"

#include <cmath>
#include <limits>

namespace tarvok {

namespace {

constexpr std::int64_t kMaxElements = std::numeric_limits<std::int32_t>::max();

// A size as a 32-bit integer; NaN and sizes past 32 bits end the program with error 7.
std::int32_t SizeFromNumber(double d) {
    if (std::isnan(d) || d >= static_cast<double>(kMaxElements) + 1.0) RaiseRuntimeError(kErrorBadNumber);
    return ToInt(d);
}

}  // namespace

ArrayShape ShapeForSizes(double d1, double d2, double d3, double d4) {
    ArrayShape shape;
    const double sizes[4] = {d1, d2, d3, d4};
    for (int k = 0; k < 4; ++k) shape.dims[k] = SizeFromNumber(sizes[k]);
    if (shape.dims[0] < 1) shape.dims[0] = 0;

    // The stride of a dimension is the product of the extents before it, where an unused or negative
    // size counts as 1. Unused dimensions get stride 0, so their index never moves the position.
    std::int64_t extent = shape.dims[0];
    shape.strides[0] = 1;
    for (int k = 1; k < 4; ++k) {
        shape.strides[k] = shape.dims[k] >= 1 ? static_cast<std::int32_t>(extent) : 0;
        if (shape.dims[k] >= 1) extent *= shape.dims[k];
        // Both factors are below 2^31, so the product fits 64 bits before this check.
        if (extent > kMaxElements) RaiseRuntimeError(kErrorBadNumber);
    }
    shape.count = static_cast<std::int32_t>(extent);
    return shape;
}

std::int32_t CapacityForCount(std::int32_t count, std::int32_t step) {
    const std::int64_t capacity = std::int64_t{count} / step * step + step;
    if (capacity > kMaxElements) RaiseRuntimeError(kErrorBadNumber);
    return static_cast<std::int32_t>(capacity);
}

}  // namespace tarvok
