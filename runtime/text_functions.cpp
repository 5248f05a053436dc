// Text functions: lengths and character codes, case, search, substrings, replacing, splitting,
// fixed-point number formatting and hexadecimal bytes.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/number_args.h"
#include "runtime/runtime.h"

namespace {

// A double has at most 1074 decimal digits after the point; more decimals only add zeros.
constexpr std::int32_t kMaxDecimals = 1100;

std::string_view View(const RtString& text) { return {text.Data(), text.Length()}; }

RtString FromBytes(std::string_view bytes) {
    RtString out;
    if (!bytes.empty()) out.AppendBytes(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    return out;
}

// Appends count copies of c.
void AppendRun(RtString& out, char c, std::int64_t count) {
    const std::string run(static_cast<std::size_t>(std::min<std::int64_t>(count, 4096)), c);
    for (; count > 0; count -= static_cast<std::int64_t>(run.size()))
        out.AppendBytes(run.data(), static_cast<std::uint32_t>(std::min<std::int64_t>(count, run.size())));
}

}  // namespace

double Len(const RtString& text) { return text.Length(); }

double Asc(const RtString& text) { return text.Length() > 0 ? static_cast<std::uint8_t>(text.Data()[0]) : 0; }

RtString Chr(double n) {
    std::int32_t code = tarvok::ToInt(n);
    if (code < -32768 || code > 32767) code = -32768;
    const char byte = static_cast<char>(code & 0xFF);
    return byte != 0 ? FromBytes({&byte, 1}) : RtString();
}

RtString LowerCase(const RtString& text) { return ToLower(text); }
RtString UpperCase(const RtString& text) { return ToUpper(text); }

double InStr(const RtString& text, const RtString& search) {
    const std::size_t at = View(text).find(View(search));
    return at == std::string_view::npos ? -1.0 : static_cast<double>(at);
}

RtString MidStr(const RtString& text, double start, double count) {
    const std::int64_t length = text.Length();
    if (tarvok::ToInt64(start + count) > length) count = static_cast<double>(length) - start;
    // Written so that NaN fails every test.
    if (!(count > 0 && start >= 0 && start <= static_cast<double>(length))) return RtString();
    const std::int64_t from = tarvok::ToInt64(start);
    const std::int64_t n = std::min(tarvok::ToInt64(count), length - from);
    RtString out = FromBytes(View(text).substr(static_cast<std::size_t>(from), static_cast<std::size_t>(n)));
    out.RecountLength();
    return out;
}

RtString ReplaceStr(const RtString& text, const RtString& search, const RtString& replacement) {
    const std::string_view source = View(text), from = View(search), to = View(replacement);
    // An empty search text would match at the same place for ever: nothing is replaced.
    if (from.empty()) return text;

    // Occurrences are found in the original text: the search goes on behind each replacement, so
    // replaced text is never searched again. The size is known first, so the result grows once.
    std::uint64_t size = source.size();
    for (std::size_t at = source.find(from); at != std::string_view::npos; at = source.find(from, at + from.size()))
        size = size - from.size() + to.size();
    if (size >= 0xFFFFFFFFu) throw std::bad_alloc();  // a text past 32 bits cannot be held

    RtString out;
    out.Reserve(static_cast<std::uint32_t>(size));
    std::size_t done = 0;
    for (std::size_t at = source.find(from); at != std::string_view::npos; at = source.find(from, done)) {
        out.AppendBytes(source.data() + done, static_cast<std::uint32_t>(at - done));
        out.AppendBytes(to.data(), static_cast<std::uint32_t>(to.size()));
        done = at + from.size();
    }
    out.AppendBytes(source.data() + done, static_cast<std::uint32_t>(source.size() - done));
    return out;
}

RtString FormatNumber(double width, double decimals, double value) {
    // The C pattern "%<W>.<D>f": a negative W reads as the '-' flag (left-aligned); negative decimals
    // would make an invalid pattern and give 0 decimals. Digits past kMaxDecimals are all zeros and the
    // padding is spaces, so both are appended as runs; the result is sized to the whole formatted text.
    const std::int64_t w = tarvok::ToInt(width);
    const std::int64_t places = std::max(tarvok::ToInt(decimals), 0);
    const int shown = static_cast<int>(std::min<std::int64_t>(places, kMaxDecimals));
    char digits[kMaxDecimals + 400];  // the longest double has 309 digits before the point
    const int n = std::snprintf(digits, sizeof digits, "%.*f", shown, value);
    const std::int64_t zeros = std::isfinite(value) ? places - shown : 0;
    const std::int64_t pad = std::max<std::int64_t>((w < 0 ? -w : w) - n - zeros, 0);
    const std::int64_t total = pad + n + zeros;
    if (total >= 0xFFFFFFFF) throw std::bad_alloc();  // a text past 32 bits cannot be held
    RtString out;
    out.Reserve(static_cast<std::uint32_t>(total));
    if (w >= 0) AppendRun(out, ' ', pad);
    out.AppendBytes(digits, static_cast<std::uint32_t>(n));
    AppendRun(out, '0', zeros);
    if (w < 0) AppendRun(out, ' ', pad);
    return out;
}

double SplitText(const RtString& text, RtArray<RtString>& pieces, const RtString& delimiters) {
    // The arguments may be elements of the array that is about to be cleared: split copies then.
    const RtString* first = pieces.Data();
    const RtString* last = first + pieces.Capacity();
    auto inPieces = [&](const RtString& s) { return first != nullptr && &s >= first && &s < last; };
    if (inPieces(text) || inPieces(delimiters)) return SplitText(RtString(text), pieces, RtString(delimiters));

    bool isDelimiter[256] = {};
    for (const char c : View(delimiters)) isDelimiter[static_cast<std::uint8_t>(c)] = true;

    // One pass over the text finds the pieces.
    const std::string_view source = View(text);
    std::vector<std::string_view> found;
    for (std::size_t i = 0; i < source.size();) {
        if (isDelimiter[static_cast<std::uint8_t>(source[i])]) {
            ++i;
            continue;
        }
        const std::size_t begin = i;
        while (i < source.size() && !isDelimiter[static_cast<std::uint8_t>(source[i])]) ++i;
        found.push_back(source.substr(begin, i - begin));
    }

    // An old element whose buffer has the capacity the growth rule gives the new piece lends it that
    // buffer: splitting into the same array again then allocates nothing, and every capacity is as if
    // the array had been emptied first.
    std::vector<RtString> old(static_cast<std::size_t>(pieces.Count()));
    for (std::size_t k = 0; k < old.size(); ++k) old[k] = std::move(pieces.Data()[k]);
    pieces.Dim(0);
    // Pieces are at least one byte apart, so their number fits the 32-bit text length.
    pieces.Dim(static_cast<double>(found.size()));
    for (std::size_t k = 0; k < found.size(); ++k) {
        // The buffers lie apart from one another: ask for one a few pieces ahead while copying this one.
        if (k + 8 < old.size()) __builtin_prefetch(old[k + 8].Data(), 1);
        const auto length = static_cast<std::uint32_t>(found[k].size());
        RtString& piece = pieces.Data()[k];
        if (k < old.size() && old[k].Capacity() == RtString::GrowthCapacity(length))
            piece = std::move(old[k]);
        piece.AssignBytes(found[k].data(), length);
    }
    return static_cast<double>(found.size());
}

RtString HexText(const std::uint8_t* bytes, std::int32_t count) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    if (bytes == nullptr || count <= 0) return RtString();
    RtString out;
    out.Reserve(static_cast<std::uint32_t>(count) * 2);
    for (std::int32_t i = 0; i < count; ++i) {
        const char pair[2] = {kDigits[bytes[i] >> 4], kDigits[bytes[i] & 15]};
        out.AppendBytes(pair, 2);
    }
    return out;
}
