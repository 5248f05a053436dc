// RtString: the one text type of the language, and the two conversions between texts and numbers.
//
// A plain value of three fields (data, capacity, length). Copies are deep. The buffer grows to the
// smallest multiple of 512 bytes strictly above the need and only shrinks when the value dies. While
// nothing is allocated, data points to a shared read-only empty text and capacity is 0.
#pragma once

#include <cstdint>
#include <cstring>

class RtString {
public:
    RtString() = default;
    RtString(const char* text);  // NOLINT: texts convert implicitly, as in the language
    RtString(const RtString& other);
    RtString(RtString&& other) noexcept;
    explicit RtString(std::int32_t value);  // integer text rule
    explicit RtString(double value);        // number text rule
    ~RtString();

    RtString& operator=(const RtString& other);
    RtString& operator=(RtString&& other) noexcept;
    RtString& operator=(const char* text);
    RtString& operator=(std::int32_t value);
    RtString& operator=(double value);

    // Frees the old buffer and allocates exactly strlen(text) + 1 bytes for a copy of text.
    void AssignExact(const char* text);
    // Makes room for n bytes plus the terminator, by the 512-byte growth rule; length is unchanged.
    void Reserve(std::uint32_t n);
    // The capacity Reserve(n) gives a value without a buffer: the smallest multiple of 512 above n.
    static constexpr std::uint64_t GrowthCapacity(std::uint32_t n) {
        return (std::uint64_t{n} / 512 + 1) * 512;
    }
    // Length := count, then copies count bytes (which may contain zero bytes, and may lie inside this
    // value's own buffer) and writes the terminator; the buffer grows by the rule when needed.
    void AssignBytes(const char* bytes, std::uint32_t count);

    // The text, zero-terminated; a constant empty text while the length is 0.
    const char* CText() const;
    std::uint32_t Length() const { return length_; }
    std::uint32_t Capacity() const { return capacity_; }
    // The raw buffer (the shared empty text while capacity is 0: never write through it then).
    const char* Data() const { return data_; }

    RtString& Append(const char* text) { return AppendBytes(text ? text : "", TextLength(text)); }
    RtString& Append(const RtString& text) { return AppendBytes(text.data_, text.length_); }
    RtString& Append(std::int32_t value);
    RtString& Append(double value);
    // Appends count bytes (which may contain zero bytes); the engine's readers use it.
    RtString& AppendBytes(const char* bytes, std::uint32_t count) {
        // Inline when the bytes fit behind the text: a source inside our own buffer cannot move then,
        // and ends at the terminator, so it never overlaps the bytes written.
        if (count < capacity_ - length_) {
            std::memcpy(data_ + length_, bytes, count);
            length_ += count;
            data_[length_] = 0;
            return *this;
        }
        return AppendGrowing(bytes, count);
    }

    // Byte at index as a signed 8-bit value; 0 when the text is empty or the index is outside the buffer.
    std::int32_t CharAt(std::int32_t index) const;
    // Writes a byte at index (inside the buffer only); the length stays as it is.
    void SetCharAt(std::int32_t index, std::int32_t byte);
    // Writes a terminator at index (inside the buffer only), then recounts the length.
    void TruncateAt(std::int32_t index);
    // Length := bytes before the first zero byte, counting at most the capacity.
    void RecountLength();
    // Removes trailing bytes that read as signed 8-bit values of 31 or less (controls and 128..255).
    void TrimControlTail();

private:
    // strlen as a 32-bit length; a text of 2^32 - 1 bytes or more takes the out-of-memory path.
    static std::uint32_t TextLength(const char* text) {
        const std::size_t n = text ? std::strlen(text) : 0;
        if (n >= 0xFFFFFFFFu) ThrowTooLong();
        return static_cast<std::uint32_t>(n);
    }
    [[noreturn]] static void ThrowTooLong();
    RtString& AppendGrowing(const char* bytes, std::uint32_t count);
    void Release();

    char* data_ = const_cast<char*>(kSharedEmpty);
    std::uint32_t capacity_ = 0;
    std::uint32_t length_ = 0;

    static constexpr const char* kSharedEmpty = "";
};

// Copies with 'A'..'Z' lowered or 'a'..'z' raised; all other bytes unchanged.
RtString ToLower(const RtString& text);
RtString ToUpper(const RtString& text);

// The number text rule: ten significant digits, plain form for 0.1 <= |x| < 1e10, else "d.ddde+XXX";
// trailing zeros and a trailing point removed. NaN gives "nan", infinities "inf" and "-inf", -0 gives "0".
// Writes at most 32 bytes and the terminator into out; returns the length.
std::uint32_t FormatNumberText(double value, char out[32]);

// The text-to-number rule: leading white space, sign, digits, point, digits, exponent; reading stops at the
// first byte that does not fit; text without a leading number gives 0. No hex, "inf" or "nan" forms.
double TextToNumber(const char* text);
double TextToNumber(const RtString& text);

// Concatenation: the left operand as a text, then the right one appended.
RtString operator+(const RtString& a, const RtString& b);
RtString operator+(const RtString& a, const char* b);
RtString operator+(const char* a, const RtString& b);
RtString operator+(const RtString& a, double b);
RtString operator+(double a, const RtString& b);
RtString operator+(const RtString& a, std::int32_t b);
RtString operator+(std::int32_t a, const RtString& b);

// Comparisons give the numbers 1 and 0. Text against text: byte-wise, unsigned, case-sensitive.
// Text against number: the text is read by the text-to-number rule, then the numbers are compared.
#define TARVOK_DECLARE_COMPARISONS(A, B) \
    double operator==(A a, B b);         \
    double operator!=(A a, B b);         \
    double operator<(A a, B b);          \
    double operator>(A a, B b);          \
    double operator<=(A a, B b);         \
    double operator>=(A a, B b);
TARVOK_DECLARE_COMPARISONS(const RtString&, const RtString&)
TARVOK_DECLARE_COMPARISONS(const RtString&, const char*)
TARVOK_DECLARE_COMPARISONS(const char*, const RtString&)
TARVOK_DECLARE_COMPARISONS(const RtString&, double)
TARVOK_DECLARE_COMPARISONS(double, const RtString&)
TARVOK_DECLARE_COMPARISONS(const RtString&, std::int32_t)
TARVOK_DECLARE_COMPARISONS(std::int32_t, const RtString&)
#undef TARVOK_DECLARE_COMPARISONS
