// The C++20 library pieces the engine uses that the browser toolchain's older libc++ lacks: std::bit_cast,
// std::make_unique_for_overwrite and std::from_chars / std::to_chars for floating point. Included before every C++ file
// of the browser build; each piece is defined only where the library has none.
#pragma once

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <system_error>
#include <type_traits>

namespace std {

#if !defined(__cpp_lib_bit_cast)
template <class To, class From>
    requires(sizeof(To) == sizeof(From) && is_trivially_copyable_v<To> && is_trivially_copyable_v<From>)
constexpr To bit_cast(const From& from) noexcept {
    return __builtin_bit_cast(To, from);
}
#endif

#if !defined(__cpp_lib_smart_ptr_for_overwrite)
template <class T>
    requires is_unbounded_array_v<T>
unique_ptr<T> make_unique_for_overwrite(size_t n) {
    return unique_ptr<T>(new remove_extent_t<T>[n]);  // default-initialised, as the standard one
}
#endif

#if defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 14000
namespace tarvok_compat {
// Reads a decimal number as from_chars does: no leading space or "+", no hexadecimal form (strtod would
// read "0x.."), out-of-range values reported and the value left unchanged. strtod follows the locale,
// which a program here never changes from "C".
template <class T>
from_chars_result FloatFromChars(const char* first, const char* last, T& value) {
    const char* p = first;
    if (p != last && *p == '-') ++p;
    if (p == last || !(*p == '.' || (*p >= '0' && *p <= '9') || *p == 'i' || *p == 'I' || *p == 'n' ||
                       *p == 'N')) {
        return {first, errc::invalid_argument};
    }
    const string text(first, last);
    const string::size_type hex = text.find_first_of("xX");
    const string head = hex == string::npos ? text : text.substr(0, hex);  // "0x1" reads as 0
    char* end = nullptr;
    errno = 0;
    const T parsed = is_same_v<T, float> ? strtof(head.c_str(), &end) : strtod(head.c_str(), &end);
    if (end == head.c_str()) return {first, errc::invalid_argument};
    const char* stop = first + (end - head.c_str());
    if (errno == ERANGE) return {stop, errc::result_out_of_range};
    value = parsed;
    return {stop, errc{}};
}
}  // namespace tarvok_compat

// Writes a number with a precision as printf does for the same format (which is what to_chars gives).
inline to_chars_result to_chars(char* first, char* last, double value, chars_format format, int precision) {
    const char* pattern = format == chars_format::scientific ? "%.*e"
                          : format == chars_format::fixed    ? "%.*f"
                                                             : "%.*g";
    const int n = snprintf(first, static_cast<size_t>(last - first), pattern, precision, value);
    if (n < 0 || n >= last - first) return {last, errc::value_too_large};
    return {first + n, errc{}};
}

inline from_chars_result from_chars(const char* first, const char* last, double& value,
                                    chars_format = chars_format::general) {
    return tarvok_compat::FloatFromChars(first, last, value);
}
inline from_chars_result from_chars(const char* first, const char* last, float& value,
                                    chars_format = chars_format::general) {
    return tarvok_compat::FloatFromChars(first, last, value);
}
#endif

}  // namespace std
