// RtString and the number text rules.
#include "runtime/rt_string.h"

#include <charconv>
#include <cstdlib>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

constexpr std::uint32_t kNumberReserve = 64;
const char kConstEmpty[1] = {0};  // what CText hands out for an empty value

// Adds two lengths; a sum that would pass 32 bits takes the out-of-memory path.
std::uint32_t AddLengths(std::uint32_t a, std::uint32_t b) {
    std::uint32_t sum;
    if (__builtin_add_overflow(a, b, &sum) || sum == 0xFFFFFFFFu) throw std::bad_alloc();
    return sum;
}

int CompareBytes(const char* a, const char* b) {
    return std::strcmp(a, b);  // strcmp compares as unsigned char, the first difference deciding
}

// Buffers come from malloc so that growth can use realloc, which extends a block in place (or remaps
// a large one) instead of copying it. An allocation that fails takes the out-of-memory path.
char* Allocate(std::size_t size) {
    void* block = std::malloc(size);
    if (!block) throw std::bad_alloc();
    return static_cast<char*>(block);
}

}  // namespace

void RtString::ThrowTooLong() { throw std::bad_alloc(); }

RtString::RtString(const char* text) { AssignBytes(text ? text : "", TextLength(text)); }

RtString::RtString(const RtString& other) { AssignBytes(other.data_, other.length_); }

RtString::RtString(RtString&& other) noexcept
    : data_(other.data_), capacity_(other.capacity_), length_(other.length_) {
    other.data_ = const_cast<char*>(kSharedEmpty);
    other.capacity_ = 0;
    other.length_ = 0;
}

RtString::RtString(std::int32_t value) { *this = value; }

RtString::RtString(double value) { *this = value; }

RtString::~RtString() { Release(); }

void RtString::Release() {
    if (capacity_ > 0) std::free(data_);
    data_ = const_cast<char*>(kSharedEmpty);
    capacity_ = 0;
    length_ = 0;
}

RtString& RtString::operator=(const RtString& other) {
    if (this != &other) AssignBytes(other.data_, other.length_);
    return *this;
}

RtString& RtString::operator=(RtString&& other) noexcept {
    if (this != &other) {
        Release();
        data_ = other.data_;
        capacity_ = other.capacity_;
        length_ = other.length_;
        other.data_ = const_cast<char*>(kSharedEmpty);
        other.capacity_ = 0;
        other.length_ = 0;
    }
    return *this;
}

RtString& RtString::operator=(const char* text) {
    AssignBytes(text ? text : "", TextLength(text));
    return *this;
}

RtString& RtString::operator=(std::int32_t value) {
    char buf[16];
    const int n = std::snprintf(buf, sizeof buf, "%d", value);
    Reserve(kNumberReserve);
    std::memcpy(data_, buf, static_cast<std::size_t>(n) + 1);
    length_ = static_cast<std::uint32_t>(n);
    return *this;
}

RtString& RtString::operator=(double value) {
    char buf[32];
    const std::uint32_t n = FormatNumberText(value, buf);
    Reserve(kNumberReserve);
    std::memcpy(data_, buf, n + 1);
    length_ = n;
    return *this;
}

// Copies count bytes into the value's own buffer. The source may lie inside that buffer.
void RtString::AssignBytes(const char* bytes, std::uint32_t count) {
    if (bytes >= data_ && bytes < data_ + capacity_) {
        std::memmove(data_, bytes, count);  // a piece of ourselves: already fits
    } else {
        Reserve(count);
        if (count) std::memcpy(data_, bytes, count);
    }
    length_ = count;
    if (capacity_ > 0) data_[length_] = 0;
}

void RtString::AssignExact(const char* text) {
    const std::uint32_t n = TextLength(text);
    char* fresh = Allocate(std::size_t{n} + 1);
    if (n) std::memcpy(fresh, text, n);
    fresh[n] = 0;
    Release();
    data_ = fresh;
    capacity_ = n + 1;
    length_ = n;
}

void RtString::Reserve(std::uint32_t n) {
    if (capacity_ > n) return;
    const std::uint64_t wanted = GrowthCapacity(n);
    if (wanted > 0xFFFFFFFFu) throw std::bad_alloc();
    if (capacity_ > 0) {
        void* grown = std::realloc(data_, wanted);
        if (!grown) throw std::bad_alloc();
        data_ = static_cast<char*>(grown);
    } else {
        data_ = Allocate(wanted);
        data_[0] = 0;
    }
    capacity_ = static_cast<std::uint32_t>(wanted);
}

const char* RtString::CText() const { return length_ > 0 ? data_ : kConstEmpty; }

RtString& RtString::Append(std::int32_t value) { return Append(RtString(value)); }

RtString& RtString::Append(double value) {
    char buf[32];
    const std::uint32_t n = FormatNumberText(value, buf);
    return AppendBytes(buf, n);
}

RtString& RtString::AppendGrowing(const char* bytes, std::uint32_t count) {
    const std::uint32_t newLength = AddLengths(length_, count);
    // Appending a piece of ourselves: Reserve may move the buffer, so remember the offset.
    const bool inside = capacity_ > 0 && bytes >= data_ && bytes < data_ + capacity_;
    const std::size_t offset = inside ? static_cast<std::size_t>(bytes - data_) : 0;
    Reserve(newLength);
    if (inside) bytes = data_ + offset;
    if (count) std::memmove(data_ + length_, bytes, count);
    length_ = newLength;
    data_[length_] = 0;
    return *this;
}

std::int32_t RtString::CharAt(std::int32_t index) const {
    if (length_ == 0 || index < 0 || static_cast<std::uint32_t>(index) >= capacity_) return 0;
    return static_cast<std::int8_t>(data_[index]);
}

void RtString::SetCharAt(std::int32_t index, std::int32_t byte) {
    if (index < 0 || static_cast<std::uint32_t>(index) >= capacity_) return;
    data_[index] = static_cast<char>(byte);
}

void RtString::TruncateAt(std::int32_t index) {
    if (index < 0 || static_cast<std::uint32_t>(index) >= capacity_) return;
    data_[index] = 0;
    RecountLength();
}

void RtString::RecountLength() {
    std::uint32_t n = 0;
    while (n < capacity_ && data_[n] != 0) ++n;
    // A buffer without a zero byte keeps the invariant length < capacity.
    if (capacity_ > 0 && n == capacity_) data_[--n] = 0;
    length_ = n;
}

void RtString::TrimControlTail() {
    while (length_ > 0 && static_cast<std::int8_t>(data_[length_ - 1]) <= 31) data_[--length_] = 0;
}

namespace {

RtString MapLetters(const RtString& text, char from, char to) {
    RtString out(text);
    for (std::uint32_t i = 0; i < out.Length(); ++i) {
        const char c = out.Data()[i];
        if (c >= from && c <= static_cast<char>(from + 25)) out.SetCharAt(static_cast<std::int32_t>(i), c - from + to);
    }
    return out;
}

}  // namespace

RtString ToLower(const RtString& text) { return MapLetters(text, 'A', 'a'); }
RtString ToUpper(const RtString& text) { return MapLetters(text, 'a', 'A'); }

std::uint32_t FormatNumberText(double value, char out[32]) {
    if (std::isnan(value)) return static_cast<std::uint32_t>(std::snprintf(out, 32, "nan"));
    if (std::isinf(value)) return static_cast<std::uint32_t>(std::snprintf(out, 32, value < 0 ? "-inf" : "inf"));
    if (value == 0.0) return static_cast<std::uint32_t>(std::snprintf(out, 32, "0"));

    // Whole numbers below 1e10 have at most ten digits: they are written as they are, no rounding.
    if (std::fabs(value) < 1e10 && value == std::trunc(value)) {
        const auto end = std::to_chars(out, out + 31, static_cast<std::int64_t>(value)).ptr;
        *end = 0;
        return static_cast<std::uint32_t>(end - out);
    }

    // Ten correctly rounded significant digits and the decimal exponent: "-d.ddddddddde+XX".
    char sci[40];
    *std::to_chars(sci, sci + sizeof sci - 1, value, std::chars_format::scientific, 9).ptr = 0;
    const bool negative = sci[0] == '-';
    const char* p = sci + (negative ? 1 : 0);
    char digits[10];
    digits[0] = p[0];
    std::memcpy(digits + 1, p + 2, 9);
    const int exponent = std::atoi(p + 12);
    int count = 10;
    while (count > 1 && digits[count - 1] == '0') --count;  // trailing zeros go

    char* o = out;
    if (negative) *o++ = '-';
    if (exponent >= -1 && exponent <= 9) {
        if (exponent == -1) {
            *o++ = '0';
            *o++ = '.';
            std::memcpy(o, digits, static_cast<std::size_t>(count));
            o += count;
        } else {
            for (int i = 0; i <= exponent; ++i) *o++ = i < count ? digits[i] : '0';
            if (count > exponent + 1) {
                *o++ = '.';
                std::memcpy(o, digits + exponent + 1, static_cast<std::size_t>(count - exponent - 1));
                o += count - exponent - 1;
            }
        }
    } else {
        // Exponent form keeps its point: 1e20 is "1.e+020".
        *o++ = digits[0];
        *o++ = '.';
        std::memcpy(o, digits + 1, static_cast<std::size_t>(count - 1));
        o += count - 1;
        o += std::snprintf(o, 8, "e%c%03d", exponent < 0 ? '-' : '+', std::abs(exponent));
    }
    *o = 0;
    return static_cast<std::uint32_t>(o - out);
}

double TextToNumber(const char* text) {
    if (!text) return 0.0;
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';

    // Find the extent of digits [. digits] [e [sign] digits]; estimate the decimal magnitude as we go.
    const char* start = p;
    long magnitude = 0;  // decimal exponent of the first non-zero digit, before any explicit exponent
    bool seenNonZero = false, anyDigit = false;
    for (; *p >= '0' && *p <= '9'; ++p) {
        anyDigit = true;
        if (*p != '0') seenNonZero = true;
        if (seenNonZero) ++magnitude;
    }
    if (*p == '.') {
        ++p;
        for (; *p >= '0' && *p <= '9'; ++p) {
            anyDigit = true;
            if (!seenNonZero) {
                if (*p != '0') seenNonZero = true;
                else --magnitude;
            }
        }
    }
    if (!anyDigit) return 0.0;
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        bool expNegative = false;
        if (*q == '+' || *q == '-') expNegative = *q++ == '-';
        if (*q >= '0' && *q <= '9') {
            long exp = 0;
            for (; *q >= '0' && *q <= '9'; ++q) exp = exp < 100000 ? exp * 10 + (*q - '0') : exp;
            magnitude += expNegative ? -exp : exp;
            p = q;
        }
    }
    double value = 0.0;
    const auto result = std::from_chars(start, p, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) value = magnitude > 0 ? HUGE_VAL : 0.0;
    return negative ? -value : value;
}

double TextToNumber(const RtString& text) { return TextToNumber(text.CText()); }

RtString operator+(const RtString& a, const RtString& b) { return RtString(a).Append(b); }
RtString operator+(const RtString& a, const char* b) { return RtString(a).Append(b); }
RtString operator+(const char* a, const RtString& b) { return RtString(a).Append(b); }
RtString operator+(const RtString& a, double b) { return RtString(a).Append(b); }
RtString operator+(double a, const RtString& b) { return RtString(a).Append(b); }
RtString operator+(const RtString& a, std::int32_t b) { return RtString(a).Append(b); }
RtString operator+(std::int32_t a, const RtString& b) { return RtString(a).Append(b); }

namespace {

double Truth(bool b) { return b ? 1.0 : 0.0; }
const char* Bytes(const RtString& s) { return s.CText(); }
const char* Bytes(const char* s) { return s ? s : ""; }
double Number(const RtString& s) { return TextToNumber(s); }
double Number(double d) { return d; }
double Number(std::int32_t i) { return i; }

}  // namespace

#define TARVOK_DEFINE_TEXT_COMPARISONS(A, B)                                              \
    double operator!=(A a, B b) { return Truth(CompareBytes(Bytes(a), Bytes(b)) != 0); } \
    double operator<(A a, B b) { return Truth(CompareBytes(Bytes(a), Bytes(b)) < 0); }   \
    double operator>(A a, B b) { return Truth(CompareBytes(Bytes(a), Bytes(b)) > 0); }   \
    double operator<=(A a, B b) { return Truth(CompareBytes(Bytes(a), Bytes(b)) <= 0); } \
    double operator>=(A a, B b) { return Truth(CompareBytes(Bytes(a), Bytes(b)) >= 0); }
#define TARVOK_DEFINE_NUMBER_COMPARISONS(A, B)                                \
    double operator==(A a, B b) { return Truth(Number(a) == Number(b)); }    \
    double operator!=(A a, B b) { return Truth(Number(a) != Number(b)); }    \
    double operator<(A a, B b) { return Truth(Number(a) < Number(b)); }      \
    double operator>(A a, B b) { return Truth(Number(a) > Number(b)); }      \
    double operator<=(A a, B b) { return Truth(Number(a) <= Number(b)); }    \
    double operator>=(A a, B b) { return Truth(Number(a) >= Number(b)); }

// Equal on two values compares the lengths first; every other text comparison is byte-wise.
double operator==(const RtString& a, const RtString& b) {
    return Truth(a.Length() == b.Length() && std::memcmp(a.CText(), b.CText(), a.Length()) == 0);
}
double operator==(const RtString& a, const char* b) { return Truth(CompareBytes(Bytes(a), Bytes(b)) == 0); }
double operator==(const char* a, const RtString& b) { return Truth(CompareBytes(Bytes(a), Bytes(b)) == 0); }
TARVOK_DEFINE_TEXT_COMPARISONS(const RtString&, const RtString&)
TARVOK_DEFINE_TEXT_COMPARISONS(const RtString&, const char*)
TARVOK_DEFINE_TEXT_COMPARISONS(const char*, const RtString&)
TARVOK_DEFINE_NUMBER_COMPARISONS(const RtString&, double)
TARVOK_DEFINE_NUMBER_COMPARISONS(double, const RtString&)
TARVOK_DEFINE_NUMBER_COMPARISONS(const RtString&, std::int32_t)
TARVOK_DEFINE_NUMBER_COMPARISONS(std::int32_t, const RtString&)
