#include "runtime/rt_string.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "runtime/number_args.h"

TEST(RtString, NumberTextRule) {
    const std::pair<double, const char*> cases[] = {
        {1, "1"}, {100, "100"}, {-2.25, "-2.25"}, {0.5, "0.5"}, {-0.5, "-0.5"}, {1234567890, "1234567890"},
        {9999999999.0, "9999999999"}, {12345678901.0, "1.23456789e+010"}, {0.05, "5.e-002"}, {0.1, "0.1"},
        {0.123456789012, "0.123456789"}, {0, "0"}, {-0.0, "0"}, {1e20, "1.e+020"}, {-1e20, "-1.e+020"},
        {1e-5, "1.e-005"}, {1.5e-300, "1.5e-300"}, {1.7976931348623157e308, "1.797693135e+308"},
        {5e-324, "4.940656458e-324"}, {2.0 / 3.0, "0.6666666667"}, {123.456, "123.456"}, {1e9, "1000000000"},
        {1e10, "1.e+010"}, {static_cast<double>(0.1f), "0.1000000015"}, {NAN, "nan"}, {INFINITY, "inf"},
        {-INFINITY, "-inf"},
        // Ten-digit rounding that carries into the next decade changes the form.
        {9999999999.6, "1.e+010"}, {0.099999999999, "0.1"}, {0.099999999, "9.9999999e-002"}};
    for (const auto& [value, text] : cases) EXPECT_STREQ(RtString(value).CText(), text) << value;
    EXPECT_STREQ(RtString(-2147483647 - 1).CText(), "-2147483648");

    // The ten digits are those of the C library's "%.9e" (halves to even): random bit patterns, whole
    // numbers and halves with eleven digits read back as the C library's text does.
    std::mt19937_64 rng(23);
    for (int i = 0; i < 30000; ++i) {
        double v = std::bit_cast<double>(rng());
        if (i % 3 == 1) v = static_cast<double>(rng() % 100000000000ull) * (i % 2 ? 1 : -1);
        if (i % 3 == 2) v = static_cast<double>(rng() % 20000000000ull) / 2;
        if (!std::isfinite(v)) continue;
        char reference[40], text[32];
        std::snprintf(reference, sizeof reference, "%.9e", v);
        FormatNumberText(v, text);
        ASSERT_EQ(std::strtod(text, nullptr), std::strtod(reference, nullptr)) << reference << " " << text;
    }
}

TEST(RtString, TextToNumberRuleAndNumberArguments) {
    const std::pair<const char*, double> cases[] = {
        {"12abc", 12}, {"abc", 0}, {" -3.5e2", -350}, {"\t\n+7", 7}, {"", 0}, {".5", 0.5}, {"5.", 5},
        {"-.25x", -0.25}, {"1e", 1}, {"1e+", 1}, {"2E3", 2000}, {"0x10", 0}, {"inf", 0}, {"nan", 0},
        {"--1", 0}, {".", 0}, {"- 1", 0}, {"1,5", 1}, {"1e400", HUGE_VAL}, {"-1e400", -HUGE_VAL},
        {"1e-400", 0}, {"0.0000e999999999", 0}, {"123456789012345678901234567890", 1.2345678901234568e29},
        {"0.1", 0.1}, {nullptr, 0}};
    for (const auto& [text, value] : cases) EXPECT_EQ(TextToNumber(text), value) << (text ? text : "null");

    // Numbers taken as integers truncate and saturate; as 32 bits they wrap; NaN is 0 but true.
    const double ints[][2] = {{2.9, 2}, {-2.9, -2}, {NAN, 0}, {1e300, 2147483647}, {-1e300, -2147483648.0},
                              {INFINITY, 2147483647}, {2147483647.9, 2147483647}, {2147483648.0, 2147483647},
                              {-2147483648.9, -2147483648.0}};
    for (const auto& [given, kept] : ints) EXPECT_EQ(tarvok::ToInt(given), kept) << given;
    EXPECT_EQ(tarvok::ToInt64(9.3e18), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(tarvok::ToInt64(-9.3e18), std::numeric_limits<std::int64_t>::min());
    const double bits[][2] = {{4294967295.0, 0xFFFFFFFFu}, {-1.0, 0xFFFFFFFFu}, {4294967301.0, 5}, {NAN, 0}};
    for (const auto& [given, kept] : bits) EXPECT_EQ(tarvok::ToLowBits32(given), kept) << given;
    EXPECT_TRUE(tarvok::ToBool(NAN) && tarvok::ToBool(-0.1) && !tarvok::ToBool(-0.0));
}

TEST(RtString, GrowthAliasingAndDeepCopies) {
    RtString s;
    EXPECT_EQ(s.Capacity(), 0u);
    for (int i = 0; i < 511; ++i) s.Append("x");
    EXPECT_EQ(s.Capacity(), 512u);
    s.Append("x");
    EXPECT_EQ(s.Capacity(), 1024u);
    const std::uint32_t reserves[][2] = {{0, 512}, {511, 512}, {512, 1024}, {1500, 1536}};
    for (const auto& [asked, capacity] : reserves) {
        RtString r;
        r.Reserve(asked);
        EXPECT_EQ(r.Capacity(), capacity) << asked;
    }
    EXPECT_EQ(RtString(1.0).Capacity(), 512u);  // numbers reserve 64 bytes
    RtString exact;
    exact.AssignExact("abc");
    EXPECT_EQ(exact.Capacity(), 4u);
    exact.Append("d");
    EXPECT_STREQ(exact.CText(), "abcd");

    RtString a("hello"), b(a);
    b.SetCharAt(0, 'j');
    EXPECT_STREQ(a.CText(), "hello");
    a = b;
    b.SetCharAt(0, 'y');
    EXPECT_STREQ(a.CText(), "jello");

    // Appending itself or a piece of its own buffer, also across several reallocations.
    RtString ab("ab");
    ab.Append(ab);
    ab.Append(ab.CText() + 1);
    EXPECT_STREQ(ab.CText(), "ababbab");
    ab = ab.CText() + 2;
    EXPECT_STREQ(ab.CText(), "abbab");
    RtString big("0123456789abcdef");
    std::string expected = big.CText();
    while (big.Length() < 70000) big.Append(big), expected += expected;
    EXPECT_EQ(std::string(big.Data(), big.Length()), expected);
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
        RtString("10") == 10.0,           RtString("abc") < RtString("abd"), RtString("B") < RtString("a"),
        RtString("") < RtString("a"),     RtString("ab") > "a",              "ab" >= RtString("ab"),
        RtString("\xff") > RtString("a"), RtString("5") < 10.0,              RtString("x") == 0,
    };
    for (double t : truths) EXPECT_EQ(t, 1.0) << &t - truths;
    const double falsehoods[] = {
        RtString("10") == RtString("10.0"), RtString("10") == "10.0", RtString("a") == RtString(""),
        3 != RtString("3.0"), RtString("ab") != RtString("ab"), RtString("ab") <= RtString("aa"),
    };
    for (double f : falsehoods) EXPECT_EQ(f, 0.0) << &f - falsehoods;
}

TEST(RtString, ByteHelpers) {
    RtString empty;
    empty.SetCharAt(0, 'x');  // no buffer: nothing written
    empty.TruncateAt(3);
    EXPECT_EQ(empty.CharAt(5), 0);
    EXPECT_EQ(empty.Length(), 0u);
    RtString s("a\xff");
    EXPECT_EQ(s.CharAt(1), -1);
    EXPECT_EQ(s.CharAt(-1) + s.CharAt(512), 0);
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
}
