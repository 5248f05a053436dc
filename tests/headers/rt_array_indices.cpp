// RtArray::ElementAt takes machine integers only: the game's numbers go through At, which truncates them
// safely. A floating index must pick the deleted overload, in C++17 as in C++20.
#include <type_traits>
#include <utility>

#include "runtime/rt_array.h"

namespace {

template <typename Array, typename = void, typename... Index>
struct TakesIndices : std::false_type {};
template <typename Array, typename... Index>
struct TakesIndices<Array, std::void_t<decltype(std::declval<Array&>().ElementAt(std::declval<Index>()...))>,
                    Index...> : std::true_type {};

static_assert(TakesIndices<RtArray<double>, void, int>::value);
static_assert(TakesIndices<RtArray<RtString>, void, int, int, int, int>::value);
static_assert(TakesIndices<const RtArray<std::uint8_t>, void, std::int32_t, short>::value);
static_assert(!TakesIndices<RtArray<double>, void, double>::value);
static_assert(!TakesIndices<RtArray<RtString>, void, int, float>::value);
static_assert(!TakesIndices<RtArray<double>, void, int, int, int, long double>::value);

}  // namespace
