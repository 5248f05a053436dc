// The number, random and text library and the data lists, against independent Python references.
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "runtime/runtime.h"
#include "tests/runtime/runtime_error_expect.h"

namespace {

using testing::NanSensitiveDoubleEq;

#include "isaac_reference.inc"
#include "library_reference.inc"


std::string Text(const RtString& s) { return std::string(s.Data(), s.Length()); }

std::vector<std::string> Split(const RtString& text, RtArray<RtString>& pieces, const char* separators) {
    const double count = SplitText(text, pieces, separators);
    std::vector<std::string> texts;
    for (std::int32_t i = 0; i < pieces.Count(); ++i) texts.push_back(Text(pieces.Data()[i]));
    EXPECT_EQ(count, static_cast<double>(texts.size()));
    return texts;
}

}  // namespace

TEST(MathFunctions, MatchThePythonReferenceAndTheirRules) {
    for (const TrigCase& c : kTrigCases) {
        SCOPED_TRACE(c.degrees);
        EXPECT_THAT(Sin(c.degrees), NanSensitiveDoubleEq(c.sin));
        EXPECT_THAT(Cos(c.degrees), NanSensitiveDoubleEq(c.cos));
        EXPECT_THAT(Tan(c.degrees), NanSensitiveDoubleEq(c.tan));
    }
    for (const ATanCase& c : kATanCases) EXPECT_THAT(ATan(c.y, c.x), NanSensitiveDoubleEq(c.degrees));
    for (const ACosCase& c : kACosCases) EXPECT_THAT(ACos(c.x), NanSensitiveDoubleEq(c.degrees));
    for (const PowCase& c : kPowCases) {
        SCOPED_TRACE(testing::Message() << c.x << " " << c.y);
        EXPECT_THAT(Pow(c.x, c.y), NanSensitiveDoubleEq(c.pow));
        EXPECT_THAT(FMod(c.x, c.y), NanSensitiveDoubleEq(c.fmod));
    }
    EXPECT_TRUE(std::isnan(Sin(NAN)) && std::isnan(ACos(NAN)) && std::isnan(Sqr(-1)));

    // Both sides truncate and saturate to 32 bits; a divisor of 0 (or -1 of the smallest) gives 0.
    const double mods[][3] = {{7, 3, 1}, {-7, 3, -1}, {7, -3, 1}, {7.9, 3.9, 1}, {5, 0, 0}, {7, 0.5, 0},
                              {-2147483648.0, -1, 0}, {1e20, 7, 2147483647 % 7}, {NAN, 3, 0}, {7, NAN, 0}};
    for (const auto& m : mods) EXPECT_EQ(IntMod(m[0], m[1]), m[2]) << m[0] << " " << m[1];
    // Touching edges count; negative sizes reach back from the corner.
    const double boxes[][9] = {{0, 0, 10, 10, 10, 10, 5, 5, 1},    {0, 0, 10, 10, 11, 0, 5, 5, 0},
                               {10, 0, -10, 10, 5, 5, 1, 1, 1},    {0, 0, 10, 10, 2, 2, 3, 3, 1},
                               {0, 0, 10, 10, 0, 10.5, 10, 10, 0}, {0, 20, 10, -10, 0, 0, 10, 10, 1},
                               {5, 5, 0, 0, 5, 5, 0, 0, 1}};
    for (const auto& b : boxes) EXPECT_EQ(BoxCollision(b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7]), b[8]);
    const double lengths[][2] = {{1, 1}, {-2.25, 5}, {12345678901.0, 15}, {0, 1}};  // "1.23456789e+010"
    for (const auto& [value, length] : lengths) EXPECT_EQ(NumberTextLength(value), length) << value;
}

TEST(Random, SeededSequencesAndRangesMatchThePythonTranscription) {
    // Rnd takes word 0 of a fresh round, modulo trunc(n) + 1; n of 4294967295 and more takes it whole.
    const double ranges[8] = {4294967294.0, 1000, 1, 2.9, 4294967295.0, 1e12, 6, 99.99};
    for (int s = 0; s < 4; ++s) {
        SeedRandomGenerator(kEngineSeeds[s]);
        for (int k = 0; k < 8; ++k) {
            const std::uint64_t modulus =
                ranges[k] >= 4294967295.0 ? 1ull << 32 : static_cast<std::uint64_t>(ranges[k]) + 1;
            EXPECT_EQ(Rnd(ranges[k]), static_cast<double>(kEngineSequences[s][k] % modulus)) << s << " " << k;
        }
    }
    // No range gives 0 without a step; a range of 0 to 0 steps.
    SeedRandomGenerator(12345);
    for (double none : {0.0, -5.0, std::nan("")}) EXPECT_EQ(Rnd(none), 0);
    EXPECT_EQ(Rnd(0.5), 0);
    EXPECT_EQ(Rnd(4294967295.0), kEngineSequences[2][1]);
}

TEST(TextFunctions, MatchTheirRulesAndThePythonFormatting) {
    EXPECT_EQ(Asc(""), 0);
    EXPECT_EQ(Asc("\xC8xyz"), 200);
    // Chr keeps the low 8 bits of the code taken as 16 bits: 40000 becomes -32768, low byte 0.
    const std::pair<double, const char*> codes[] = {{65, "A"},    {321, "A"}, {65.9, "A"}, {-191, "A"},
                                                   {200, "\xC8"}, {0, ""},    {256, ""},   {40000, ""},
                                                   {-40000, ""},  {NAN, ""}};
    for (const auto& [code, text] : codes) EXPECT_EQ(Text(Chr(code)), text) << code;
    // Only ASCII letters change case.
    EXPECT_EQ(Text(LowerCase("MiXeD 1AZ[@\xC4q")), "mixed 1az[@\xC4q");
    EXPECT_EQ(Text(UpperCase("MiXeD 1az`{\xE4Q")), "MIXED 1AZ`{\xE4Q");

    const struct { const char *text, *part; double at; } finds[] = {
        {"abcabc", "ca", 2}, {"abc", "", 0}, {"abc", "x", -1}, {"", "", 0}, {"", "a", -1}, {"ab", "abc", -1}};
    for (const auto& f : finds) EXPECT_EQ(InStr(f.text, f.part), f.at) << f.text << " " << f.part;
    const std::uint8_t bytes[] = {0x00, 0x0F, 0xA5, 0xFF, 0x10};
    EXPECT_EQ(Text(HexText(bytes, 5)), "000FA5FF10");
    EXPECT_EQ(Text(HexText(bytes, 0)) + Text(HexText(bytes, -4)), "");

    // Positions and counts truncate; a piece past the end is cut there (the count becomes length - start).
    const struct { const char* text; double start, count; const char* piece; } mids[] = {
        {"Hello", 1, 3, "ell"}, {"Hello", 3, 10, "lo"}, {"Hello", 0, 5, "Hello"}, {"Hello", 4, 1, "o"},
        {"Hello", 5, 1, ""},    {"Hello", 9, 2, ""},    {"abc", -1, 2, ""},       {"abc", 0, 0, ""},
        {"abc", 0, -2, ""},     {"", 0, 3, ""},         {"abc", 1.5, 2.9, "b"},   {"abc", 0.5, 2, "ab"},
        {"abc", NAN, 2, ""},    {"abc", 1, NAN, ""},    {"abc", 1, INFINITY, "bc"},
        {"abc", -INFINITY, INFINITY, ""}, {"abc", 1e300, -1e300, ""}};
    for (const auto& m : mids) EXPECT_EQ(Text(MidStr(m.text, m.start, m.count)), m.piece) << m.start;
    RtString withZero("ab");
    withZero.AppendBytes("\0cd", 3);
    EXPECT_EQ(Text(MidStr(withZero, 1, 4)), "b");  // the length is recounted at the zero byte

    // Left to right, without overlaps, never in a replacement; an empty search text replaces nothing.
    const struct { const char *text, *from, *to, *result; } replaces[] = {
        {"aaa", "a", "aa", "aaaaaa"}, {"abcabc", "bc", "X", "aXaX"}, {"abcabc", "bc", "XY", "aXYaXY"},
        {"abcabc", "b", "", "acac"},  {"aaa", "aa", "b", "ba"},      {"xax", "a", "bab", "xbabx"},
        {"abc", "", "X", "abc"},      {"", "a", "b", ""},            {"abc", "abcd", "X", "abc"},
        {"abc", "abc", "", ""}};
    for (const auto& r : replaces) EXPECT_EQ(Text(ReplaceStr(r.text, r.from, r.to)), r.result) << r.text;

    // Runs of separators give no pieces; the text may be a piece; pieces take a fresh text's capacity.
    using Texts = std::vector<std::string>;
    RtArray<RtString> pieces;
    EXPECT_EQ(Split(",;a,,b;c,", pieces, ",;"), (Texts{"a", "b", "c"}));
    EXPECT_EQ(Split("no separators", pieces, ""), Texts{"no separators"});
    EXPECT_EQ(Split(",,,", pieces, ","), Texts{});
    pieces.Dim(1);
    pieces.ElementAt(0) = "x y z";
    EXPECT_EQ(Split(pieces.ElementAt(0), pieces, " "), (Texts{"x", "y", "z"}));
    pieces.ElementAt(0) = std::string(600, 'x').c_str();
    EXPECT_EQ(Split(("a " + std::string(700, 'b') + " c").c_str(), pieces, " ").size(), 3u);
    const std::uint32_t capacities[] = {512, 1024, 512};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(pieces.ElementAt(i).Capacity(), capacities[i]) << i;
    EXPECT_EQ(pieces.ElementAt(1).Length(), 700u);

    for (const FormatCase& c : kFormatCases) {
        EXPECT_EQ(Text(FormatNumber(c.width, c.decimals, c.value)), c.text) << c.width << " " << c.decimals;
    }
}

TEST(DataList, ItemsAreReadInOrderAndConverted) {
    static const DataItem items[] = {{2.5, nullptr}, {0, "12abc"}, {0, "hello"}, {12345678901.0, nullptr}};
    DataList list = {items, 4, 0}, other = {items + 2, 1, 0}, empty = {nullptr, 0, 0};
    EXPECT_RUNTIME_ERROR(ReadDataNumber(), 20);  // no list chosen yet (each test runs in its own process)
    RestoreData(list);
    EXPECT_EQ(ReadDataNumber(), 2.5);
    EXPECT_EQ(ReadDataNumber(), 12);  // a text item by the text-to-number rule
    EXPECT_STREQ(ReadDataText().CText(), "hello");
    EXPECT_STREQ(ReadDataText().CText(), "1.23456789e+010");  // a number item by the number text rule
    EXPECT_RUNTIME_ERROR(ReadDataNumber(), 20);               // past the end
    RestoreData(list);
    EXPECT_STREQ(ReadDataText().CText(), "2.5");
    RestoreData(other);
    EXPECT_EQ(ReadDataNumber(), 0);  // "hello" reads as 0
    EXPECT_EQ(list.next, 1);         // the other list keeps its place
    EXPECT_RUNTIME_ERROR(ReadDataText(), 20);
    RestoreData(empty);
    EXPECT_RUNTIME_ERROR(ReadDataText(), 20);
}
