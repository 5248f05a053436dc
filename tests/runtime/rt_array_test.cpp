#include "runtime/rt_array.h"

#include <sys/resource.h>

#include <cmath>
#include <fstream>
#include <limits>

#include <gtest/gtest.h>

#include "tests/runtime/runtime_error_expect.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

template <typename T>
bool StoredInline(const RtArray<T>& a) {
    const char* p = reinterpret_cast<const char*>(a.Data());
    const char* self = reinterpret_cast<const char*>(&a);
    return p >= self && p < self + sizeof a;
}

}  // namespace

TEST(RtArray, EveryDimensionCountLaysOutFirstIndexFastest) {
    const int sizes[4][4] = {{7, 0, 0, 0}, {3, 5, 0, 0}, {2, 3, 4, 0}, {2, 3, 2, 5}};
    for (int d = 0; d < 4; ++d) {
        SCOPED_TRACE(d + 1);
        const int* s = sizes[d];
        RtArray<double> a;
        a.Dim(s[0], s[1], s[2], s[3]);
        EXPECT_EQ(a.DimCount(), d + 1);
        EXPECT_EQ(a.Dims(), (std::array<std::int32_t, 4>{s[0], s[1], s[2], s[3]}));
        const int e[4] = {s[0], std::max(s[1], 1), std::max(s[2], 1), std::max(s[3], 1)};
        EXPECT_EQ(a.Count(), e[0] * e[1] * e[2] * e[3]);
        for (int i4 = 0; i4 < e[3]; ++i4)
            for (int i3 = 0; i3 < e[2]; ++i3)
                for (int i2 = 0; i2 < e[1]; ++i2)
                    for (int i1 = 0; i1 < e[0]; ++i1) a.ElementAt(i1, i2, i3, i4) = 1000 * i4 + 100 * i3 + 10 * i2 + i1;
        for (int i4 = 0; i4 < e[3]; ++i4)
            for (int i3 = 0; i3 < e[2]; ++i3)
                for (int i2 = 0; i2 < e[1]; ++i2)
                    for (int i1 = 0; i1 < e[0]; ++i1) {
                        const int position = i1 + e[0] * (i2 + e[1] * (i3 + e[2] * i4));
                        EXPECT_EQ(a.Data()[position], 1000 * i4 + 100 * i3 + 10 * i2 + i1);
                    }
    }
}

TEST(RtArray, CapacityRoundingAndInlineStorage) {
    RtArray<double> numbers;
    numbers.Dim(5);
    EXPECT_EQ(numbers.Capacity(), 8);
    EXPECT_TRUE(StoredInline(numbers));
    numbers.Dim(15);
    EXPECT_EQ(numbers.Capacity(), 16);
    EXPECT_TRUE(StoredInline(numbers));
    numbers.Dim(17);
    EXPECT_EQ(numbers.Capacity(), 24);
    EXPECT_FALSE(StoredInline(numbers));
    numbers.Dim(3);  // the block only grows
    EXPECT_EQ(numbers.Capacity(), 24);
    numbers.Dim(0);  // ... except for a first size below 1
    EXPECT_EQ(numbers.Capacity(), 8);
    EXPECT_TRUE(StoredInline(numbers));
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
}

TEST(RtArray, BoundsAtZeroAndLastIndexAndOnePast) {
    RtArray<double> a;
    a.Dim(5);
    a.ElementAt(0) = 1;
    a.ElementAt(4) = 2;
    EXPECT_EQ(a.Data()[0], 1);
    EXPECT_EQ(a.Data()[4], 2);
    EXPECT_RUNTIME_ERROR(a.ElementAt(5), 9);
    EXPECT_RUNTIME_ERROR(a.ElementAt(-1), 9);

    RtArray<double> b;
    b.Dim(2, 3, 4, 5);
    b.ElementAt(1, 2, 3, 4) = 7;
    EXPECT_EQ(b.Data()[b.Count() - 1], 7);
    EXPECT_RUNTIME_ERROR(b.ElementAt(2, 0, 0, 0), 9);
    EXPECT_RUNTIME_ERROR(b.ElementAt(0, 3, 0, 0), 9);
    EXPECT_RUNTIME_ERROR(b.ElementAt(0, 0, 4, 0), 9);
    EXPECT_RUNTIME_ERROR(b.ElementAt(0, 0, 0, 5), 9);
    EXPECT_RUNTIME_ERROR(b.ElementAt(0, 0, 0, -1), 9);

    RtArray<RtString> never;
    EXPECT_RUNTIME_ERROR(never.ElementAt(0), 9);
    RtArray<std::uint8_t> empty;
    empty.Dim(0);
    EXPECT_RUNTIME_ERROR(empty.ElementAt(0), 9);
    empty.Dim(-3, 4);  // dimensions 2 to 4 do not make up for a missing first one
    EXPECT_EQ(empty.DimCount(), 2);
    EXPECT_RUNTIME_ERROR(empty.ElementAt(0, 0), 9);
}

TEST(RtArray, UnusedDimensionsNeitherCheckNorMoveTheIndex) {
    RtArray<double> a;
    a.Dim(3, 4);
    a.ElementAt(2, 3) = 5;
    EXPECT_EQ(a.Data()[11], 5);
    EXPECT_EQ(&a.ElementAt(2, 3, 7, 0), &a.ElementAt(2, 3));
    EXPECT_EQ(&a.ElementAt(2, 3, 0, 2147483647), &a.ElementAt(2, 3));

    // An unused dimension between used ones: all 3 x 4 elements stay distinct.
    RtArray<double> gap;
    gap.Dim(3, 0, 4);
    EXPECT_EQ(gap.DimCount(), 3);
    for (int i3 = 0; i3 < 4; ++i3)
        for (int i1 = 0; i1 < 3; ++i1) gap.ElementAt(i1, 0, i3) = i1 + 10 * i3;
    for (int i3 = 0; i3 < 4; ++i3)
        for (int i1 = 0; i1 < 3; ++i1) EXPECT_EQ(gap.Data()[i1 + 3 * i3], i1 + 10 * i3);
}

TEST(RtArray, NumberIndicesAreTruncatedAndNaNIsOutOfRange) {
    RtArray<double> a;
    a.Dim(5, 2);
    a.At(4.9, 1.5) = 3;
    EXPECT_EQ(a.ElementAt(4, 1), 3);
    EXPECT_EQ(&a.At(-0.5), &a.ElementAt(0));
    EXPECT_RUNTIME_ERROR(a.At(kNaN), 9);
    EXPECT_RUNTIME_ERROR(a.At(0, kNaN), 9);
    EXPECT_RUNTIME_ERROR(a.At(1e20), 9);
    EXPECT_RUNTIME_ERROR(a.At(-1e20), 9);
}

TEST(RtArray, DimClearsAndRedimKeepsWhatFitsBothShapes) {
    RtArray<double> a;
    a.Dim(10);
    for (int i = 0; i < 10; ++i) a.ElementAt(i) = i + 1;
    a.Redim(5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(a.ElementAt(i), i + 1);
    a.Redim(10);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(a.ElementAt(i), i < 5 ? i + 1 : 0);
    a.Dim(10);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(a.ElementAt(i), 0);

    // Two dimensions: rows and columns below both shapes are kept at their indices.
    RtArray<double> grid;
    grid.Dim(3, 4);
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 3; ++i) grid.ElementAt(i, j) = 10 * i + j + 1;
    grid.Redim(2, 6);
    EXPECT_EQ(grid.Dims(), (std::array<std::int32_t, 4>{2, 6, 0, 0}));
    for (int j = 0; j < 6; ++j)
        for (int i = 0; i < 2; ++i) EXPECT_EQ(grid.ElementAt(i, j), j < 4 ? 10 * i + j + 1 : 0);

    // Adding a dimension keeps the old elements at index 0 of it; dropping it keeps index 0 only.
    RtArray<double> line;
    line.Dim(4);
    for (int i = 0; i < 4; ++i) line.ElementAt(i) = i + 1;
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
    for (int i = 0; i < 3; ++i) EXPECT_EQ(line.ElementAt(i), 0);
}

TEST(RtArray, TextElementsAreDeepCopies) {
    RtArray<RtString> a;
    a.Dim(2, 2);
    a.ElementAt(0, 0) = "alpha";
    a.ElementAt(1, 1) = "delta";
    {
        RtArray<RtString> copy;
        copy.CopyFrom(a);
        EXPECT_EQ(copy.Dims(), a.Dims());
        EXPECT_NE(copy.ElementAt(0, 0).Data(), a.ElementAt(0, 0).Data());
        copy.ElementAt(0, 0).Append("!");
        EXPECT_STREQ(a.ElementAt(0, 0).CText(), "alpha");
        EXPECT_STREQ(copy.ElementAt(0, 0).CText(), "alpha!");
    }  // the copy's buffers die here; a's must still be whole
    EXPECT_STREQ(a.ElementAt(1, 1).CText(), "delta");

    RtArray<RtString> constructed(a);
    a.Dim(1);  // clears a; the copy keeps its own texts
    EXPECT_STREQ(constructed.ElementAt(1, 1).CText(), "delta");

    constructed.Redim(3, 3);
    EXPECT_STREQ(constructed.ElementAt(0, 0).CText(), "alpha");
    EXPECT_STREQ(constructed.ElementAt(1, 1).CText(), "delta");
    EXPECT_EQ(constructed.ElementAt(2, 2).Length(), 0u);
    constructed = constructed;  // self-assignment keeps everything
    EXPECT_STREQ(constructed.ElementAt(1, 1).CText(), "delta");

    const RtString list[3] = {"x", "", "zz"};
    RtArray<RtString> fromList;
    fromList.DimFromList(3, list);
    EXPECT_EQ(fromList.DimCount(), 1);
    EXPECT_STREQ(fromList.ElementAt(2).CText(), "zz");
}

TEST(RtArray, ByteArrays) {
    RtArray<std::uint8_t> bytes;
    bytes.Dim(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) bytes.ElementAt(x, y) = static_cast<std::uint8_t>(x + 16 * y);
    for (int v = 0; v < 256; ++v) EXPECT_EQ(bytes.Data()[v], v);
    RtArray<std::uint8_t> copy(bytes);
    bytes.Redim(4, 4);
    EXPECT_EQ(bytes.ElementAt(3, 3), 3 + 16 * 3);
    EXPECT_EQ(copy.ElementAt(15, 15), 255);
    bytes.Dim(4, 4);
    EXPECT_EQ(bytes.ElementAt(3, 3), 0);

    const double values[3] = {1.5, -2, 1e300};
    RtArray<double> numbers;
    numbers.DimFromList(3, values);
    EXPECT_EQ(numbers.ElementAt(2), 1e300);
}

TEST(RtArray, BadSizesEndWithErrorSevenWithoutAllocating) {
    RtArray<double> a;
    EXPECT_RUNTIME_ERROR(a.Dim(kNaN), 7);
    EXPECT_RUNTIME_ERROR(a.Dim(3, kNaN), 7);
    EXPECT_RUNTIME_ERROR(a.Dim(3e9), 7);
    EXPECT_RUNTIME_ERROR(a.Dim(1e300, 1e300, 1e300, 1e300), 7);
    EXPECT_RUNTIME_ERROR(a.Dim(65536, 65536), 7);            // 2^32 elements
    EXPECT_RUNTIME_ERROR(a.Dim(1024, 1024, 1024, 1024), 7);  // 2^40 elements
    EXPECT_RUNTIME_ERROR(a.Dim(2147483647), 7);              // the count fits, its capacity does not
    RtArray<RtString> texts;
    EXPECT_RUNTIME_ERROR(texts.Dim(46341, 46341), 7);  // just past 2^31 elements

    // Sizes of 0 and below are not errors: the array has no elements.
    a.Dim(-5);
    EXPECT_EQ(a.Count(), 0);
    a.Dim(-1e300, 0, 0, 0);
    EXPECT_EQ(a.Dims()[0], 0);
    a.Dim(0.5);
    EXPECT_EQ(a.Count(), 0);
}

TEST(RtArray, BlockThatCannotBeHadIsErrorSeven) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer's allocator does not return null when memory runs out";
#else
    // In the dying child only: address space for what the process has now plus 256 MB, then a block
    // of 800 MB.
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
