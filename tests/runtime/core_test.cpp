// Texts and the number rules, arrays, the log and the run-time error path.
#include <sys/resource.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "runtime/engine_globals.h"
#include "runtime/number_args.h"
#include "runtime/rt_array.h"
#include "runtime/rt_string.h"
#include "tests/runtime/runtime_error_expect.h"

TEST(RtString, NumberTextRulesAndNumberArguments) {
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

    // The ten digits are the C library's "%.9e": random bits, whole numbers and halves read back alike.
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

    const std::pair<const char*, double> texts[] = {
        {"12abc", 12}, {"abc", 0}, {" -3.5e2", -350}, {"\t\n+7", 7}, {"", 0}, {".5", 0.5}, {"5.", 5},
        {"-.25x", -0.25}, {"1e", 1}, {"1e+", 1}, {"2E3", 2000}, {"0x10", 0}, {"inf", 0}, {"nan", 0},
        {"--1", 0}, {".", 0}, {"- 1", 0}, {"1,5", 1}, {"1e400", HUGE_VAL}, {"-1e400", -HUGE_VAL},
        {"1e-400", 0}, {"0.0000e999999999", 0}, {"123456789012345678901234567890", 1.2345678901234568e29},
        {"0.1", 0.1}, {nullptr, 0}};
    for (const auto& [text, value] : texts) EXPECT_EQ(TextToNumber(text), value) << (text ? text : "null");

    // Numbers taken as integers truncate and saturate; as 32 bits they wrap; NaN is 0 but true.
    const double ints[][2] = {{2.9, 2}, {-2.9, -2}, {NAN, 0}, {1e300, 2147483647}, {-1e300, -2147483648.0},
                              {INFINITY, 2147483647}, {2147483647.9, 2147483647}, {2147483648.0, 2147483647},
                              {-2147483648.9, -2147483648.0}};
    for (const auto& [given, kept] : ints) EXPECT_EQ(tarvok::ToInt(given), kept) << given;
    const double bits[][2] = {{4294967295.0, 0xFFFFFFFFu}, {-1.0, 0xFFFFFFFFu}, {4294967301.0, 5}, {NAN, 0}};
    for (const auto& [given, kept] : bits) EXPECT_EQ(tarvok::ToLowBits32(given), kept) << given;
    EXPECT_TRUE(tarvok::ToBool(NAN) && tarvok::ToBool(-0.1) && !tarvok::ToBool(-0.0));
}

TEST(RtString, GrowthAliasingCopiesAndBytes) {
    // Room for the terminator: 512-byte steps above the need, or exactly one byte more.
    const std::uint32_t reserves[][2] = {{0, 512}, {511, 512}, {512, 1024}, {1500, 1536}};
    for (const auto& [asked, capacity] : reserves) {
        RtString r;
        r.Reserve(asked);
        EXPECT_EQ(r.Capacity(), capacity) << asked;
    }
    RtString exact;
    exact.AssignExact("abc");
    EXPECT_EQ(exact.Capacity(), 4u);
    exact.Append("d");
    EXPECT_STREQ(exact.CText(), "abcd");

    // Appending itself or a piece of its own buffer, also across several reallocations; copies are deep.
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
    copy.TruncateAt(65536);
    EXPECT_EQ(copy.Length(), 65536u);
    EXPECT_EQ(copy == big, 0.0);

    // Byte access outside the text (or with no buffer at all) reads 0 and writes nothing.
    RtString empty;
    empty.SetCharAt(0, 'x');
    empty.TruncateAt(3);
    EXPECT_EQ(empty.CharAt(5), 0);
    EXPECT_EQ(empty.Length(), 0u);
    RtString s2("a\xff");
    EXPECT_EQ(s2.CharAt(1), -1);
    EXPECT_EQ(s2.CharAt(-1) + s2.CharAt(512), 0);
    s2.SetCharAt(512, 'x');
    s2.SetCharAt(-3, 'x');
    s2.TruncateAt(1);
    EXPECT_STREQ(s2.CText(), "a");
    // Bytes below 32 and above 127 go from the end; a space stays.
    const char* trims[][2] = {{"abc\r\n", "abc"}, {"abc ", "abc "}, {"ab\xe4", "ab"}, {"\x01\x02", ""}};
    for (const auto& [text, trimmed] : trims) {
        RtString t(text);
        t.TrimControlTail();
        EXPECT_STREQ(t.CText(), trimmed);
        EXPECT_EQ(t.Length(), std::string(trimmed).size());
    }
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

TEST(RtArray, LayoutCapacityAndIndexChecks) {
    // Sizes of 0 after the first leave a dimension unused; the first index runs fastest.
    const int sizes[][5] = {{7, 0, 0, 0, 1}, {3, 5, 0, 0, 2}, {2, 3, 4, 0, 3}, {2, 3, 2, 5, 4},
                            {3, 0, 4, 0, 3}};  // four sizes, then the dimensions in use
    for (const auto& s : sizes) {
        RtArray<double> a;
        a.Dim(s[0], s[1], s[2], s[3]);
        EXPECT_EQ(a.DimCount(), s[4]);
        EXPECT_EQ(a.Dims(), (std::array<std::int32_t, 4>{s[0], s[1], s[2], s[3]}));
        const int e[4] = {s[0], std::max(s[1], 1), std::max(s[2], 1), std::max(s[3], 1)};
        ASSERT_EQ(a.Count(), e[0] * e[1] * e[2] * e[3]);
        for (int n = 0; n < a.Count(); ++n)
            a.ElementAt(n % e[0], n / e[0] % e[1], n / e[0] / e[1] % e[2], n / e[0] / e[1] / e[2]) = n + 1;
        for (int n = 0; n < a.Count(); ++n) ASSERT_EQ(a.Data()[n], n + 1) << s[0] << s[1] << s[2] << s[3];
    }
    // Unused indices neither check nor move; number indices truncate toward zero.
    RtArray<double> a;
    a.Dim(3, 4);
    EXPECT_EQ(&a.ElementAt(2, 3, 7, 0), &a.Data()[11]);
    EXPECT_EQ(&a.ElementAt(2, 3, 0, 2147483647), &a.Data()[11]);
    EXPECT_EQ(&a.At(2.9, 1.5), &a.Data()[5]);
    EXPECT_EQ(&a.At(-0.5), &a.Data()[0]);

    // Blocks grow by 8 numbers or 64 texts or bytes, past the count; only a first size below 1 shrinks.
    RtArray<double> numbers;
    const int steps[][2] = {{5, 8}, {15, 16}, {17, 24}, {3, 24}, {0, 8}};
    for (const auto& [size, capacity] : steps) {
        numbers.Dim(size);
        EXPECT_EQ(numbers.Capacity(), capacity) << size;
    }
    EXPECT_EQ(numbers.DimCount(), 0);
    RtArray<RtString> texts;
    texts.Dim(1);
    EXPECT_EQ(texts.Capacity(), 64);
    RtArray<std::uint8_t> bytes;
    bytes.Dim(10, 10);
    EXPECT_EQ(bytes.Capacity(), 128);

    // Outside any used dimension, below 0, NaN or far outside: error 9.
    RtArray<double> b;
    b.Dim(2, 3, 4, 5);
    const double outside[][4] = {{2, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, 4, 0}, {0, 0, 0, 5}, {0, 0, 0, -1},
                                 {NAN, 0, 0, 0}, {0, NAN, 0, 0}, {1e20, 0, 0, 0}, {-1e20, 0, 0, 0}};
    for (const auto& i : outside) EXPECT_RUNTIME_ERROR(b.At(i[0], i[1], i[2], i[3]), 9);
    RtArray<RtString> never;
    EXPECT_RUNTIME_ERROR(never.ElementAt(0), 9);
    bytes.Dim(-3, 4);  // dimensions 2 to 4 do not make up for a missing first one
    EXPECT_EQ(bytes.DimCount(), 2);
    EXPECT_RUNTIME_ERROR(bytes.ElementAt(0, 0), 9);
}

TEST(RtArray, DimClearsAndRedimKeepsWhatFitsBothShapes) {
    RtArray<double> grid;
    grid.Dim(3, 4);
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 3; ++i) grid.ElementAt(i, j) = 10 * i + j + 1;
    grid.Redim(2, 6);
    for (int j = 0; j < 6; ++j)
        for (int i = 0; i < 2; ++i) EXPECT_EQ(grid.ElementAt(i, j), j < 4 ? 10 * i + j + 1 : 0);
    grid.Dim(2, 6);
    EXPECT_EQ(grid.ElementAt(1, 3), 0);

    // Adding a dimension keeps the old elements at index 0 of it; dropping it keeps index 0 only.
    RtArray<std::uint8_t> line;
    const std::uint8_t list[4] = {1, 2, 3, 4};
    line.DimFromList(4, list);
    line.Redim(4, 3);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(line.ElementAt(i, 0), i + 1);
        EXPECT_EQ(line.ElementAt(i, 2), 0);
        line.ElementAt(i, 1) = 9;
    }
    line.Redim(4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(line.ElementAt(i), i + 1);
    line.Redim(0);  // nothing left to keep, and no error
    EXPECT_EQ(line.Count(), 0);
    line.Redim(3);
    EXPECT_EQ(line.ElementAt(2), 0);

    // Text elements are deep copies, through CopyFrom, copy construction, Redim and self-assignment.
    RtArray<RtString> a;
    a.Dim(2, 2);
    a.ElementAt(0, 0) = "alpha";
    a.ElementAt(1, 1) = "delta";
    {
        RtArray<RtString> copy;
        copy.CopyFrom(a);
        copy.ElementAt(0, 0).Append("!");
    }  // the copy's buffers die here; a's must still be whole
    EXPECT_STREQ(a.ElementAt(0, 0).CText(), "alpha");
    RtArray<RtString> constructed(a);
    const RtString texts[3] = {"x", "", "zz"};
    a.DimFromList(3, texts);  // clears a; the copy keeps its own texts
    EXPECT_STREQ(a.ElementAt(2).CText(), "zz");
    constructed.Redim(3, 3);
    constructed = constructed;
    EXPECT_STREQ(constructed.ElementAt(0, 0).CText(), "alpha");
    EXPECT_STREQ(constructed.ElementAt(1, 1).CText(), "delta");
    EXPECT_EQ(constructed.ElementAt(2, 2).Length(), 0u);
}

TEST(RtArray, BadSizesEndWithErrorSevenWithoutAllocating) {
    RtArray<double> a;
    // 46341 squared is just past 2^31 elements; 2147483647 elements fit, their capacity does not.
    const double bad[][4] = {{NAN, 0, 0, 0}, {3, NAN, 0, 0}, {3e9, 0, 0, 0}, {1e300, 1e300, 1e300, 1e300},
                             {65536, 65536, 0, 0}, {46341, 46341, 0, 0}, {1024, 1024, 1024, 1024},
                             {2147483647, 0, 0, 0}};
    for (const auto& d : bad) EXPECT_RUNTIME_ERROR(a.Dim(d[0], d[1], d[2], d[3]), 7);
    // Sizes of 0 and below are not errors: the array has no elements.
    for (double size : {-5.0, -1e300, 0.5}) {
        a.Dim(size);
        EXPECT_EQ(a.Count(), 0);
        EXPECT_EQ(a.Dims(), (std::array<std::int32_t, 4>{}));
    }
}

TEST(RtArray, BlockThatCannotBeHadIsErrorSeven) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer's allocator does not return null when memory runs out";
#else
    // In the dying child only: address space for what the process has now plus 256 MB.
    auto limitAddressSpace = [] {
        long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t bytes = static_cast<rlim_t>(pages) * 4096 + (256u << 20);
        const rlimit limit = {bytes, bytes};
        setrlimit(RLIMIT_AS, &limit);
    };
    RtArray<double> numbers;
    EXPECT_RUNTIME_ERROR((limitAddressSpace(), numbers.Dim(1e8)), 7);
    RtArray<RtString> texts;
    EXPECT_RUNTIME_ERROR((limitAddressSpace(), texts.Dim(5e7)), 7);
#endif
}

TEST(ProgramEnd, LogLinesEndRecordAndRuntimeErrors) {
    EXPECT_RUNTIME_ERROR(RaiseRuntimeError(kErrorIndex), 9);  // without debug mode: the error line only

    // In debug mode the end record follows the shutdown handler's lines; an error line comes last.
    for (const bool error : {false, true}) {
        std::remove(ErrorLogPath().CText());
        EXPECT_EXIT(
            {
                g_engine.debugMode = 1;
                SetShutdownHandler([] { AppendErrorLog("shutdown ran"); });
                SetSourcePosition(3, 40);
                if (error) SetErrorCode(3);
                SetSourcePosition(3, 41);
                error ? TerminateProgram() : EndProgram();
            },
            testing::ExitedWithCode(0), "");
        EXPECT_EQ(ReadErrorLog(), error ? "shutdown ran\r\n-End On Line\r\n3\r\n39\r\n41\r\n3\r\n"
                                          "Runtime error 3 on line 40\r\n"
                                        : "shutdown ran\r\n-End On Line\r\n0\r\n40\r\n41\r\n3\r\n");
    }
}

TEST(ProgramEnd, UnwritableLogDirectoryNeitherHangsNorCrashes) {
    // A "directory" that is a plain file: no log can be made below it, even by root.
    const std::string dir = std::string(std::getenv("TMPDIR")) + "/not-a-directory";
    std::ofstream(dir) << "x";
    EXPECT_EXIT(
        {
            setenv("TMPDIR", dir.c_str(), 1);  // the log path is read once, so set it before first use
            AppendErrorLog("lost");
            g_engine.debugMode = 1;
            EndProgram();
        },
        testing::ExitedWithCode(0), "");
}
