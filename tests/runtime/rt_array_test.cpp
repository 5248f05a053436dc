#include "runtime/rt_array.h"

#include <sys/resource.h>

#include <cmath>
#include <fstream>
#include <limits>

#include <gtest/gtest.h>

#include "tests/runtime/runtime_error_expect.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

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

    // Number blocks grow in steps of 8 and never shrink, except for a size below 1; texts and bytes
    // in steps of 64, texts starting empty.
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
    for (int i = 0; i < 64; ++i) EXPECT_EQ(texts.Data()[i].Length(), 0u);
    texts.Dim(64);
    EXPECT_EQ(texts.Capacity(), 128);
    RtArray<std::uint8_t> bytes;
    bytes.Dim(10, 10);
    EXPECT_EQ(bytes.Capacity(), 128);

    // Outside any used dimension, below 0, NaN or far outside: error 9.
    RtArray<double> b;
    b.Dim(2, 3, 4, 5);
    b.ElementAt(1, 2, 3, 4) = 7;
    EXPECT_EQ(b.Data()[b.Count() - 1], 7);
    EXPECT_RUNTIME_ERROR(b.ElementAt(2), 9);
    EXPECT_RUNTIME_ERROR(b.ElementAt(-1), 9);
    const double outside[][4] = {{2, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, 4, 0}, {0, 0, 0, 5}, {0, 0, 0, -1},
                                 {kNaN, 0, 0, 0}, {0, kNaN, 0, 0}, {1e20, 0, 0, 0}, {-1e20, 0, 0, 0}};
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
    EXPECT_EQ(grid.Dims(), (std::array<std::int32_t, 4>{2, 6, 0, 0}));
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
        EXPECT_EQ(copy.Dims(), a.Dims());
        copy.ElementAt(0, 0).Append("!");
        EXPECT_STREQ(copy.ElementAt(0, 0).CText(), "alpha!");
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
    const double bad[][4] = {{kNaN, 0, 0, 0},    {3, kNaN, 0, 0},          {3e9, 0, 0, 0},
                             {1e300, 1e300, 1e300, 1e300}, {65536, 65536, 0, 0}, {1024, 1024, 1024, 1024},
                             {2147483647, 0, 0, 0}};  // the last count fits, its capacity does not
    for (const auto& d : bad) EXPECT_RUNTIME_ERROR(a.Dim(d[0], d[1], d[2], d[3]), 7);
    RtArray<RtString> texts;
    EXPECT_RUNTIME_ERROR(texts.Dim(46341, 46341), 7);  // just past 2^31 elements
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
