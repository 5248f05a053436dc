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

TEST(TextFunctions, LengthsAndCharacterCodes) {
    EXPECT_EQ(Len(""), 0);
    EXPECT_EQ(Len("hello"), 5);
    EXPECT_EQ(Asc(""), 0);
    EXPECT_EQ(Asc("A"), 65);
    EXPECT_EQ(Asc("\xC8xyz"), 200);
    EXPECT_EQ(Text(Chr(65)), "A");
    EXPECT_EQ(Text(Chr(321)), "A");     // low 8 bits
    EXPECT_EQ(Text(Chr(65.9)), "A");
    EXPECT_EQ(Text(Chr(-191)), "A");    // 0xFF41
    EXPECT_EQ(Text(Chr(200)), "\xC8");
    EXPECT_EQ(Text(Chr(0)), "");
    EXPECT_EQ(Text(Chr(256)), "");
    EXPECT_EQ(Text(Chr(40000)), "");    // outside 16 bits: -32768, whose low byte is 0
    EXPECT_EQ(Text(Chr(-40000)), "");
    EXPECT_EQ(Text(Chr(kNaN)), "");
    EXPECT_EQ(Text(LowerCase("MiXeD 1\xC4Z")), "mixed 1\xC4z");
    EXPECT_EQ(Text(UpperCase("MiXeD 1\xE4z")), "MIXED 1\xE4Z");
    EXPECT_EQ(Text(UpperCase("")), "");
}

TEST(TextFunctions, InStr) {
    EXPECT_EQ(InStr("abcabc", "ca"), 2);
    EXPECT_EQ(InStr("abc", ""), 0);
    EXPECT_EQ(InStr("abc", "x"), -1);
    EXPECT_EQ(InStr("", ""), 0);
    EXPECT_EQ(InStr("", "a"), -1);
    EXPECT_EQ(InStr("ab", "abc"), -1);
    EXPECT_EQ(InStr("abcabc", "abc"), 0);
}

TEST(TextFunctions, MidStrPositions) {
    EXPECT_EQ(Text(MidStr("Hello", 1, 3)), "ell");
    EXPECT_EQ(Text(MidStr("Hello", 3, 10)), "lo");
    EXPECT_EQ(Text(MidStr("Hello", 0, 5)), "Hello");
    EXPECT_EQ(Text(MidStr("Hello", 0, 1)), "H");
    EXPECT_EQ(Text(MidStr("Hello", 4, 1)), "o");
    EXPECT_EQ(Text(MidStr("Hello", 5, 1)), "");   // at the end
    EXPECT_EQ(Text(MidStr("Hello", 9, 2)), "");   // past the end
    EXPECT_EQ(Text(MidStr("abc", -1, 2)), "");
    EXPECT_EQ(Text(MidStr("abc", 0, 0)), "");
    EXPECT_EQ(Text(MidStr("abc", 0, -2)), "");
    EXPECT_EQ(Text(MidStr("", 0, 3)), "");
    EXPECT_EQ(Text(MidStr("abc", 1.5, 2.9)), "b");  // 4.4 passes the end: count becomes 1.5
    EXPECT_EQ(Text(MidStr("abc", 0.5, 2)), "ab");
    EXPECT_EQ(Text(MidStr("abc", kNaN, 2)), "");
    EXPECT_EQ(Text(MidStr("abc", 1, kNaN)), "");
    EXPECT_EQ(Text(MidStr("abc", 1, kInf)), "bc");
    EXPECT_EQ(Text(MidStr("abc", -kInf, kInf)), "");
    EXPECT_EQ(Text(MidStr("abc", 1e300, -1e300)), "");

    RtString withZero("ab");
    withZero.AppendBytes("\0cd", 3);
    EXPECT_EQ(Text(MidStr(withZero, 1, 4)), "b");  // the length is recounted at the zero byte
}

TEST(TextFunctions, ReplaceStr) {
    EXPECT_EQ(Text(ReplaceStr("aaa", "a", "aa")), "aaaaaa");
    EXPECT_EQ(Text(ReplaceStr("abcabc", "bc", "X")), "aXaX");
    EXPECT_EQ(Text(ReplaceStr("abcabc", "bc", "XY")), "aXYaXY");  // same length, in place
    EXPECT_EQ(Text(ReplaceStr("abcabc", "b", "")), "acac");
    EXPECT_EQ(Text(ReplaceStr("aaa", "aa", "b")), "ba");         // left to right, no overlaps
    EXPECT_EQ(Text(ReplaceStr("xax", "a", "bab")), "xbabx");     // the replacement is not searched again
    EXPECT_EQ(Text(ReplaceStr("abc", "", "X")), "abc");          // an empty search text replaces nothing
    EXPECT_EQ(Text(ReplaceStr("", "a", "b")), "");
    EXPECT_EQ(Text(ReplaceStr("abc", "abcd", "X")), "abc");
    EXPECT_EQ(Text(ReplaceStr("abc", "abc", "")), "");

    std::string big(100000, 'x');
    for (std::size_t i = 0; i < big.size(); i += 10) big[i] = ',';
    std::string expected;
    for (char c : big) expected += c == ',' ? std::string("<>") : std::string(1, c);
    EXPECT_EQ(Text(ReplaceStr(big.c_str(), ",", "<>")), expected);
}

TEST(TextFunctions, SplitText) {
    RtArray<RtString> pieces;
    EXPECT_EQ(SplitText("a,,b;c", pieces, ",;"), 3);
    EXPECT_EQ(pieces.Dims()[0], 3);
    EXPECT_EQ(Text(pieces.ElementAt(0)), "a");
    EXPECT_EQ(Text(pieces.ElementAt(1)), "b");
    EXPECT_EQ(Text(pieces.ElementAt(2)), "c");

    EXPECT_EQ(SplitText(",;one two,,", pieces, ", ;"), 2);  // leading, adjacent and trailing separators
    EXPECT_EQ(Text(pieces.ElementAt(0)), "one");
    EXPECT_EQ(Text(pieces.ElementAt(1)), "two");

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
}

TEST(TextFunctions, FormatNumber) {
    EXPECT_EQ(Text(FormatNumber(8, 2, 3.14159)), "    3.14");
    for (const FormatCase& c : kFormatCases) {
        SCOPED_TRACE(testing::Message() << c.width << " " << c.decimals << " " << c.value);
        const RtString text = FormatNumber(c.width, c.decimals, c.value);
        EXPECT_EQ(Text(text), c.text);
        EXPECT_LE(text.Length(), 256u);
    }
    EXPECT_EQ(FormatNumber(1e9, 1e9, 1).Length(), 256u);
    EXPECT_EQ(FormatNumber(-1e9, kNaN, 1).Length(), 256u);
}

TEST(TextFunctions, HexText) {
    const std::uint8_t bytes[] = {0x00, 0x0F, 0xA5, 0xFF, 0x10};
    EXPECT_EQ(Text(HexText(bytes, 5)), "000FA5FF10");
    EXPECT_EQ(Text(HexText(bytes, 1)), "00");
    EXPECT_EQ(Text(HexText(bytes, 0)), "");
    EXPECT_EQ(Text(HexText(bytes, -4)), "");
}
