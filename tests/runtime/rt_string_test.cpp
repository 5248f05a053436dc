#include "runtime/rt_string.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include <gtest/gtest.h>

TEST(RtString, NumberTextRule) {
    struct Case { double value; const char* text; };
    const Case cases[] = {
        {1, "1"}, {100, "100"}, {3.0, "3"}, {-2.25, "-2.25"}, {0.5, "0.5"}, {-0.5, "-0.5"},
        {1234567890, "1234567890"}, {9999999999.0, "9999999999"},
        {12345678901.0, "1.23456789e+010"}, {0.05, "5.e-002"}, {0.1, "0.1"}, {0.123456789012, "0.123456789"},
        {0, "0"}, {-0.0, "0"}, {1e20, "1.e+020"}, {-1e20, "-1.e+020"}, {1e-5, "1.e-005"},
        {1.5e-300, "1.5e-300"}, {1.7976931348623157e308, "1.797693135e+308"}, {5e-324, "4.940656458e-324"},
        {2.0 / 3.0, "0.6666666667"}, {123.456, "123.456"}, {1e9, "1000000000"}, {1e10, "1.e+010"},
        // Ten-digit rounding that carries into the next decade changes the form.
        {9999999999.6, "1.e+010"}, {0.099999999999, "0.1"}, {0.099999999, "9.9999999e-002"},
        {static_cast<double>(0.1f), "0.1000000015"},
        {NAN, "nan"}, {INFINITY, "inf"}, {-INFINITY, "-inf"},
    };
    for (const Case& c : cases) EXPECT_STREQ(RtString(c.value).CText(), c.text) << "value " << c.value;
    EXPECT_STREQ(RtString(-2147483647 - 1).CText(), "-2147483648");

    // The ten digits are those of the C library's "%.9e", exact halves rounded to even: read back, the
    // text gives the number that the C library's text gives. Random bit patterns, whole numbers and
    // halves with eleven digits.
    std::mt19937_64 rng(23);
    for (int i = 0; i < 30000; ++i) {
        double v = std::bit_cast<double>(rng());
        if (i % 3 == 1) v = static_cast<double>(rng() % 100000000000ull) * (i % 2 ? 1 : -1);
        if (i % 3 == 2) v = static_cast<double>(rng() % 20000000000ull) / 2;
        if (!std::isfinite(v)) continue;
        char reference[40];
        std::snprintf(reference, sizeof reference, "%.9e", v);
        char text[32];
        FormatNumberText(v, text);
        ASSERT_EQ(std::strtod(text, nullptr), std::strtod(reference, nullptr)) << reference << " " << text;
    }
}

TEST(RtString, TextToNumberRule) {
    struct Case { const char* text; double value; };
    const Case cases[] = {
        {"12abc", 12}, {"abc", 0}, {" -3.5e2", -350}, {"\t\n+7", 7}, {"", 0}, {".5", 0.5}, {"5.", 5},
        {"-.25x", -0.25}, {"1e", 1}, {"1e+", 1}, {"2E3", 2000}, {"0x10", 0}, {"inf", 0}, {"nan", 0},
        {"--1", 0}, {".", 0}, {"- 1", 0}, {"1,5", 1}, {"1e400", HUGE_VAL}, {"-1e400", -HUGE_VAL},
        {"1e-400", 0}, {"0.0000e999999999", 0}, {"123456789012345678901234567890", 1.2345678901234568e29},
        {"0.1", 0.1},
    };
    for (const Case& c : cases) EXPECT_EQ(TextToNumber(c.text), c.value) << "text '" << c.text << "'";
    EXPECT_EQ(TextToNumber(static_cast<const char*>(nullptr)), 0);
}

TEST(RtString, GrowthRuleAndDeepCopies) {
    RtString s;
    EXPECT_EQ(s.Capacity(), 0u);
    EXPECT_STREQ(s.CText(), "");
    for (int i = 0; i < 511; ++i) s.Append("x");
    EXPECT_EQ(s.Capacity(), 512u);
    s.Append("x");
    EXPECT_EQ(s.Capacity(), 1024u);
    // Reserve rounds up to whole 512-byte steps with room for the terminator.
    const std::uint32_t reserves[][2] = {{0, 512}, {511, 512}, {512, 1024}, {1500, 1536}};
    for (const auto& [asked, capacity] : reserves) {
        RtString r;
        r.Reserve(asked);
        EXPECT_EQ(r.Capacity(), capacity) << asked;
    }
    EXPECT_EQ(RtString(1.0).Capacity(), 512u);  // numbers reserve 64 bytes

    RtString a("hello");
    RtString b(a);
    b.SetCharAt(0, 'j');
    EXPECT_STREQ(a.CText(), "hello");
    a = b;
    b.SetCharAt(0, 'y');
    EXPECT_STREQ(a.CText(), "jello");

    RtString exact;
    exact.AssignExact("abc");
    EXPECT_EQ(exact.Capacity(), 4u);
    exact.Append("d");
    EXPECT_STREQ(exact.CText(), "abcd");
}

TEST(RtString, AppendsToItselfAndLongTexts) {
    RtString s("ab");
    s.Append(s);
    EXPECT_STREQ(s.CText(), "abab");
    s.Append(s.CText() + 1);  // a C text pointing into its own buffer
    EXPECT_STREQ(s.CText(), "ababbab");
    s = s.CText() + 2;  // assigning a piece of itself
    EXPECT_STREQ(s.CText(), "abbab");

    // Over 64 KiB, growing past several reallocations while appending itself.
    RtString big("0123456789abcdef");
    while (big.Length() < 70000) big.Append(big);
    ASSERT_EQ(big.Length(), 16u * 8192u);
    for (std::uint32_t i = 0; i < big.Length(); i += 4099) {
        EXPECT_EQ(big.CharAt(static_cast<int>(i)), "0123456789abcdef"[i % 16]);
    }
    RtString copy = big;
    EXPECT_EQ(copy == big, 1.0);
    copy.TruncateAt(65536);
    EXPECT_EQ(copy.Length(), 65536u);
    EXPECT_EQ(copy == big, 0.0);
}

TEST(RtString, ConcatenationAndComparisons) {
    const RtString joined = RtString("x=") + 3.0 + " n=" + std::int32_t{-7} + RtString(" end");
    EXPECT_STREQ(joined.CText(), "x=3 n=-7 end");
    EXPECT_STREQ((2.5 + RtString("!")).CText(), "2.5!");
    EXPECT_STREQ(("a" + RtString("b")).CText(), "ab");
    // Text against text compares bytes unsigned; against a number, the text's number.
    const double truths[] = {
        RtString("10") == 10.0,         RtString("abc") < RtString("abd"), RtString("B") < RtString("a"),
        RtString("") < RtString("a"),   RtString("ab") > "a",              "ab" >= RtString("ab"),
        RtString("\xff") > RtString("a"), RtString("5") < 10.0,          RtString("x") == 0,
    };
    for (double t : truths) EXPECT_EQ(t, 1.0) << &t - truths;
    const double falsehoods[] = {
        RtString("10") == RtString("10.0"), RtString("10") == "10.0",   RtString("a") == RtString(""),
        3 != RtString("3.0"), RtString("ab") != RtString("ab"), RtString("ab") <= RtString("aa"),
    };
    for (double f : falsehoods) EXPECT_EQ(f, 0.0) << &f - falsehoods;
}

TEST(RtString, ByteHelpers) {
    RtString empty;
    EXPECT_EQ(empty.CharAt(5), 0);
    empty.SetCharAt(0, 'x');  // no buffer: nothing written
    empty.TruncateAt(3);
    EXPECT_EQ(empty.Length(), 0u);

    RtString s("a\xff");
    EXPECT_EQ(s.CharAt(1), -1);
    EXPECT_EQ(s.CharAt(-1), 0);
    EXPECT_EQ(s.CharAt(512), 0);
    s.SetCharAt(512, 'x');
    s.SetCharAt(-3, 'x');
    s.TruncateAt(1);
    EXPECT_STREQ(s.CText(), "a");

    // Bytes below 32 and above 127 go from the end; a space stays.
    const char* trims[][2] = {{"abc\r\n", "abc"}, {"abc ", "abc "}, {"ab\xe4", "ab"}, {"\x01\x02", ""}};
    for (const auto& [text, trimmed] : trims) {
        RtString t(text);
        t.TrimControlTail();
        EXPECT_STREQ(t.CText(), trimmed);
        EXPECT_EQ(t.Length(), std::string(trimmed).size());
    }
    EXPECT_STREQ(ToUpper(RtString("abz\xe4Q")).CText(), "ABZ\xe4Q");
    EXPECT_STREQ(ToLower(RtString("ABZ[@\xc4q")).CText(), "abz[@\xc4q");
}
