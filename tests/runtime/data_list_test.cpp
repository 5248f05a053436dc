#include <gtest/gtest.h>

#include "runtime/runtime.h"
#include "tests/runtime/runtime_error_expect.h"

namespace {

const DataItem kItems[] = {{2.5, nullptr}, {0, "12abc"}, {0, "hello"}, {12345678901.0, nullptr}};
DataList g_list = {kItems, 4, 0};
DataList g_other = {kItems + 2, 1, 0};

}  // namespace

TEST(DataList, ItemsAreReadInOrderAndConverted) {
    EXPECT_RUNTIME_ERROR(ReadDataNumber(), 20);  // no list chosen yet (each test runs in its own process)
    RestoreData(g_list);
    EXPECT_EQ(ReadDataNumber(), 2.5);
    EXPECT_EQ(ReadDataNumber(), 12);  // a text item by the text-to-number rule
    EXPECT_STREQ(ReadDataText().CText(), "hello");
    EXPECT_STREQ(ReadDataText().CText(), "1.23456789e+010");  // a number item by the number text rule
    EXPECT_RUNTIME_ERROR(ReadDataNumber(), 20);               // past the end

    RestoreData(g_list);
    EXPECT_STREQ(ReadDataText().CText(), "2.5");
    RestoreData(g_other);
    EXPECT_EQ(ReadDataNumber(), 0);  // "hello" reads as 0
    EXPECT_EQ(g_list.next, 1);       // the other list keeps its place
    EXPECT_RUNTIME_ERROR(ReadDataText(), 20);
    DataList empty = {nullptr, 0, 0};
    RestoreData(empty);
    EXPECT_RUNTIME_ERROR(ReadDataText(), 20);
}
