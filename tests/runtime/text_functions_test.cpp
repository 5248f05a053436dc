#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "runtime/runtime.h"

namespace {

#include "library_reference.inc"

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::string Text(const RtString& s) { return std::string(s.Data(), s.Length()); }

}  // namespace

TEST(TextFunctions, LengthsCharacterCodesAndCase) {
    EXPECT_EQ(Len("hello"), 5);
    EXPECT_EQ(Asc(""), 0);
    EXPECT_EQ(Asc("\xC8xyz"), 200);
    // Chr keeps the low 8 bits of the code taken as 16 bits: 40000 becomes -32768, low byte 0.
    const std::pair<double, const char*> codes[] = {{65, "A"},  {321, "A"},    {65.9, "A"}, {-191, "A"},
                                                   {200, "\xC8"}, {0, ""},    {256, ""},   {40000, ""},
                                                   {-40000, ""}, {kNaN, ""}};
    for (const auto& [code, text] : codes) EXPECT_EQ(Text(Chr(code)), text) << code;
    EXPECT_EQ(Text(LowerCase("MiXeD 1\xC4Z")), "mixed 1\xC4z");
    EXPECT_EQ(Text(UpperCase("MiXeD 1\xE4z")), "MIXED 1\xE4Z");
}

TEST(TextFunctions, InStrMidStrAndReplaceStr) {
    const struct { const char *text, *part; double at; } finds[] = {
        {"abcabc", "ca", 2}, {"abc", "", 0}, {"abc", "x", -1}, {"", "", 0}, {"", "a", -1}, {"ab", "abc", -1}};
    for (const auto& f : finds) EXPECT_EQ(InStr(f.text, f.part), f.at) << f.text << " " << f.part;

    // Positions and counts truncate; a piece past the end is cut there (1.5 + 2.9 passes the end of
    // "abc", so the count becomes 1.5).
    const struct { const char* text; double start, count; const char* piece; } mids[] = {
        {"Hello", 1, 3, "ell"}, {"Hello", 3, 10, "lo"}, {"Hello", 0, 5, "Hello"}, {"Hello", 4, 1, "o"},
        {"Hello", 5, 1, ""},    {"Hello", 9, 2, ""},    {"abc", -1, 2, ""},       {"abc", 0, 0, ""},
        {"abc", 0, -2, ""},     {"", 0, 3, ""},         {"abc", 1.5, 2.9, "b"},   {"abc", 0.5, 2, "ab"},
        {"abc", kNaN, 2, ""},   {"abc", 1, kNaN, ""},   {"abc", 1, kInf, "bc"},   {"abc", -kInf, kInf, ""},
        {"abc", 1e300, -1e300, ""}};
    for (const auto& m : mids) {
        EXPECT_EQ(Text(MidStr(m.text, m.start, m.count)), m.piece) << m.start << " " << m.count;
    }
    RtString withZero("ab");
    withZero.AppendBytes("\0cd", 3);
    EXPECT_EQ(Text(MidStr(withZero, 1, 4)), "b");  // the length is recounted at the zero byte

    // Left to right without overlaps; the replacement is not searched again; an empty search text
    // replaces nothing.
    const struct { const char *text, *from, *to, *result; } replaces[] = {
        {"aaa", "a", "aa", "aaaaaa"}, {"abcabc", "bc", "X", "aXaX"}, {"abcabc", "bc", "XY", "aXYaXY"},
        {"abcabc", "b", "", "acac"},  {"aaa", "aa", "b", "ba"},      {"xax", "a", "bab", "xbabx"},
        {"abc", "", "X", "abc"},      {"", "a", "b", ""},            {"abc", "abcd", "X", "abc"},
        {"abc", "abc", "", ""}};
    for (const auto& r : replaces) EXPECT_EQ(Text(ReplaceStr(r.text, r.from, r.to)), r.result) << r.text;
    std::string big(100000, 'x');
    std::string expected;
    for (std::size_t i = 0; i < big.size(); ++i) {
        if (i % 10 == 0) big[i] = ',';
        expected += i % 10 == 0 ? "<>" : "x";
    }
    EXPECT_EQ(Text(ReplaceStr(big.c_str(), ",", "<>")), expected);
}

TEST(TextFunctions, SplitText) {
    RtArray<RtString> pieces;
    EXPECT_EQ(SplitText(",;a,,b;c,", pieces, ",;"), 3);  // leading, adjacent and trailing separators
    EXPECT_EQ(pieces.Dims()[0], 3);
    EXPECT_EQ(Text(pieces.ElementAt(0)), "a");
    EXPECT_EQ(Text(pieces.ElementAt(1)), "b");
    EXPECT_EQ(Text(pieces.ElementAt(2)), "c");
    EXPECT_EQ(SplitText("no separators", pieces, ""), 1);
    EXPECT_EQ(Text(pieces.ElementAt(0)), "no separators");
    EXPECT_EQ(SplitText(",,,", pieces, ","), 0);
    EXPECT_EQ(pieces.Count(), 0);
    EXPECT_EQ(SplitText("", pieces, ","), 0);

    // The text to split may be an element of the array that receives the pieces.
    pieces.Dim(1);
    pieces.ElementAt(0) = "x y z";
    EXPECT_EQ(SplitText(pieces.ElementAt(0), pieces, " "), 3);
    EXPECT_EQ(Text(pieces.ElementAt(2)), "z");

    // Splitting into an array of longer or shorter texts gives each piece the capacity a fresh text of
    // its length has.
    pieces.ElementAt(0) = std::string(600, 'x').c_str();
    const std::string text = "a " + std::string(700, 'b') + " c";
    EXPECT_EQ(SplitText(text.c_str(), pieces, " "), 3);
    const std::uint32_t capacities[] = {512, 1024, 512};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(pieces.ElementAt(i).Capacity(), capacities[i]) << i;
    EXPECT_EQ(pieces.ElementAt(1).Length(), 700u);
}

TEST(TextFunctions, FormatNumberMatchesPythonAndHexText) {
    for (const FormatCase& c : kFormatCases) {
        const RtString text = FormatNumber(c.width, c.decimals, c.value);
        EXPECT_EQ(Text(text), c.text) << c.width << " " << c.decimals << " " << c.value;
    }

    const std::uint8_t bytes[] = {0x00, 0x0F, 0xA5, 0xFF, 0x10};
    EXPECT_EQ(Text(HexText(bytes, 5)), "000FA5FF10");
    EXPECT_EQ(Text(HexText(bytes, 0)), "");
    EXPECT_EQ(Text(HexText(bytes, -4)), "");
}
