// Tests of the embedded resources: lookup, overrides and the data tables made at build time (the
// ring starts are checked with the disc at start-up, tests/shell/test_data_tables.cpp).
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <utility>

#include "core/data_resource.h"
#include "platform/resource.h"
#include "shell/shell.h"
#include "tests/support/capture.h"
#include "tests/support/game_fixture.h"

namespace {

class ResourcesTest : public GameTest {};

template <typename T>
T At(const void* data, std::size_t offset) {
    T value;
    std::memcpy(&value, static_cast<const std::uint8_t*>(data) + offset, sizeof value);
    return value;
}

TEST_F(ResourcesTest, DiscOffsetsAreSortedByDistanceThenDxThenDy) {
    const void* d = nullptr;
    ASSERT_TRUE(LoadDataResource(130, 646416, &d));
    auto record = [&](int i) {
        return std::make_pair(At<std::int32_t>(d, 16 * i), At<std::int32_t>(d, 16 * i + 4));
    };
    EXPECT_EQ(record(0), std::make_pair(0, 0));
    EXPECT_EQ(record(1), std::make_pair(-1, 0));
    EXPECT_EQ(record(2), std::make_pair(0, -1));
    EXPECT_EQ(record(3), std::make_pair(0, 1));
    EXPECT_EQ(record(4), std::make_pair(1, 0));
    EXPECT_EQ(record(40397), std::make_pair(-100, -100));
    EXPECT_EQ(record(40400), std::make_pair(100, 100));
    EXPECT_EQ(At<float>(d, 16 * 1 + 8), 1.0f);
    EXPECT_FLOAT_EQ(At<float>(d, 16 * 1 + 12), 3.14159265f);
    EXPECT_EQ(At<float>(d, 12), 0.0f);
    for (int i = 1; i < 40401; ++i) {
        auto [ax, ay] = record(i - 1);
        auto [bx, by] = record(i);
        auto key = [](int x, int y) { return std::make_tuple(x * x + y * y, x, y); };
        ASSERT_LT(key(ax, ay), key(bx, by)) << i;
    }
}

TEST_F(ResourcesTest, ScatterTableHoldsTheDiscOfRadius25OnceEachThenFiller) {
    const void* s = nullptr;
    ASSERT_TRUE(LoadDataResource(135, 20808, &s));
    EXPECT_EQ(At<std::int32_t>(s, 0), -22);
    EXPECT_EQ(At<std::int32_t>(s, 4), -5);
    EXPECT_EQ(At<std::int32_t>(s, 56), -7);
    EXPECT_EQ(At<std::int32_t>(s, 60), -1);
    std::set<std::pair<int, int>> seen;
    for (int i = 0; i < 1961; ++i) {
        int dx = At<std::int32_t>(s, 8 * i), dy = At<std::int32_t>(s, 8 * i + 4);
        ASSERT_LE(dx * dx + dy * dy, 625);
        ASSERT_TRUE(seen.insert({dx, dy}).second);
    }
    EXPECT_EQ(seen.size(), 1961u);
    for (int i = 1961 * 8; i < 20808; ++i) ASSERT_EQ(static_cast<const std::uint8_t*>(s)[i], 0xCC);
}

TEST_F(ResourcesTest, LoadDataResourceRefusesOtherSizesSilentlyAndTracesMissingOnes) {
    TraceCapture out;
    const void* d = &out;
    EXPECT_FALSE(LoadDataResource(131, 404, &d));
    EXPECT_EQ(d, nullptr);
    EXPECT_EQ(out.Text(), "");
    EXPECT_FALSE(LoadDataResource(999, 4, &d));
    EXPECT_EQ(out.Text(),
              "ERROR:-: GetLastError 1814: The specified resource name cannot be found in the image "
              "file.\n\r\n");
}

TEST_F(ResourcesTest, OverridesReplaceOrHideAResourceUntilCleared) {
    const std::uint8_t bytes[] = {1, 2, 3};
    ResourceOverride(RT_RCDATA, MAKEINTRESOURCEA(131), bytes);
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(131), RT_RCDATA);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(SizeofResource(nullptr, found), 3u);
    EXPECT_EQ(static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, found)))[2], 3);
    ResourceOverride(RT_BITMAP, "IDB_NOTHING", {}, true);
    EXPECT_EQ(FindResourceA(nullptr, "IDB_NOTHING", RT_BITMAP), nullptr);
    ResourceClearOverrides();
    found = FindResourceA(nullptr, MAKEINTRESOURCEA(131), RT_RCDATA);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(SizeofResource(nullptr, found), 408u);
    EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCEA(131), RT_WAVE), nullptr);
}

}  // namespace
