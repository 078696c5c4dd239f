// Tests of start-up's checks of the data tables' contents, with hostile values in each table.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <span>
#include <vector>

#include "core/data_resource.h"
#include "platform/resource.h"
#include "shell/data_tables.h"
#include "tests/support/capture.h"
#include "tests/support/game_fixture.h"

namespace {

// Writable copies of the three real tables.
class DataTablesTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        disc = Load<DiscOffset>(130, DISC_TABLE_SIZE);
        rings = Load<std::int32_t>(131, RING_TABLE_SIZE);
        scatter = Load<ScatterOffset>(135, SCATTER_TABLE_SIZE);
    }

    template <typename T>
    static std::vector<T> Load(int id, std::uint32_t size) {
        const void* data = nullptr;
        EXPECT_TRUE(LoadDataResource(id, size, &data));
        std::vector<T> table(size / sizeof(T));
        if (data) std::memcpy(table.data(), data, size);
        return table;
    }

    std::string Disc() const { return DiscTableFault(disc.data()); }
    std::string Rings() const { return RingTableFault(rings.data(), disc.data()); }

public:
    std::vector<DiscOffset> disc;
    std::vector<std::int32_t> rings;
    std::vector<ScatterOffset> scatter;
};

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();

// Each case puts one hostile value into a copy of a real table; the check names the fault, and
// the real table passes.
template <typename T>
struct Damage {
    int at;
    T value;
    const char* fault;
};
template <typename T, typename Check>
void ExpectFaults(std::vector<T>* table, std::initializer_list<Damage<T>> cases, Check check) {
    const std::vector<T> real = *table;
    EXPECT_EQ(check(), "");
    for (const Damage<T>& c : cases) {
        *table = real;
        (*table)[static_cast<std::size_t>(c.at)] = c.value;
        EXPECT_EQ(check(), c.fault) << c.at;
    }
    *table = real;
}

TEST_F(DataTablesTest, DiscRecordsOutOfRangeAreRefusedNamingTheRecord) {
    ExpectFaults<DiscOffset>(
        &disc,
        {{7, {101, 0, 101.0f, 0.0f}, "record 7: offset (101, 0) is beyond 100"},
         {40400, {0, -2147483647 - 1, 1.0f, 0.0f}, "record 40400: offset (0, -2147483648) is beyond 100"},
         {1, {-1, 0, NaN, 3.14159f}, "record 1: distance nan is not the length of (-1, 0)"},
         {1, {-1, 0, 1.5f, 3.14159f}, "record 1: distance 1.500000 is not the length of (-1, 0)"},
         {1, {-1, 0, 1.0f, -4.0f}, "record 1: angle -4.000000 is not within -pi..pi"},
         {0, {1, 0, 1.0f, 0.0f}, "record 0: not the centre"},
         {3, {0, 0, 0.0f, 0.0f}, "record 3: a second centre"},
         {4, {3, 0, 3.0f, 0.0f}, "record 5: nearer than the record before it"}},
        [&] { return Disc(); });
}

TEST_F(DataTablesTest, RingStartsMustStartTheirRing) {
    ExpectFaults<std::int32_t>(&rings,
                               {{0, 1, "entry 0: not 0"},
                                {1, 0, "entry 1: 0 is not a record after the centre"},
                                {101, 40401, "entry 101: 40401 is not a record after the centre"},
                                {101, 40400, "entry 101: 40400 does not start the ring of radius 101"},
                                {3, 24, "entry 3: 24 does not start the ring of radius 3"}},
                               [&] { return Rings(); });
}

TEST_F(DataTablesTest, ScatterOffsetsReadMustLieWithin25) {
    ExpectFaults<ScatterOffset>(&scatter,
                                {{0, {26, 0}, "record 0: offset (26, 0) is beyond 25"},
                                 {1299, {18, -18}, "record 1299: offset (18, -18) is beyond 25"},
                                 {9, {2147483647, 0}, "record 9: offset (2147483647, 0) is beyond 25"},
                                 {1300, {2147483647, 2147483647}, ""},
                                 {5, {25, 0}, ""},
                                 {6, {-15, -20}, ""}},
                                [&] { return ScatterTableFault(scatter.data()); });
}

// The tables are read from bytes of any alignment, as a resource may lie.
TEST_F(DataTablesTest, TablesAtAnOddAddressAreRead) {
    std::vector<std::uint8_t> bytes(SCATTER_TABLE_SIZE + 1);
    scatter[1] = {0, 30};
    std::memcpy(bytes.data() + 1, scatter.data(), SCATTER_TABLE_SIZE);
    EXPECT_EQ(ScatterTableFault(bytes.data() + 1), "record 1: offset (0, 30) is beyond 25");
}

TEST_F(DataTablesTest, StartUpRefusesAMissingShortOrDamagedTableNamingIt) {
    disc[40].distance = NaN;
    rings[50] = 0;
    scatter[100] = {0, 1 << 30};
    const std::uint8_t shortTable[4] = {};
    const struct {
        int id;
        const void* bytes;
        std::size_t size;
        const char* trace;
    } cases[] = {{131, shortTable, 4, "Data resource 131 is missing or not 408 bytes long"},
                 {135, nullptr, 0, "Data resource 135 is missing"},
                 {130, disc.data(), DISC_TABLE_SIZE, "Data resource 130 is damaged: record 40: distance nan"},
                 {131, rings.data(), RING_TABLE_SIZE,
                  "Data resource 131 is damaged: entry 50: 0 is not a record after the centre"},
                 {135, scatter.data(), SCATTER_TABLE_SIZE,
                  "Data resource 135 is damaged: record 100: offset (0, 1073741824) is beyond 25"}};
    for (const auto& c : cases) {
        ResetEverything();
        TraceCapture out;
        ResourceOverride(RT_RCDATA, MAKEINTRESOURCEA(c.id),
                         std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(c.bytes), c.size),
                         c.bytes == nullptr);
        EXPECT_EQ(RunGame(1, {}), 1) << c.id;
        EXPECT_NE(out.Text().find(c.trace), std::string::npos) << out.Text();
        EXPECT_NE(out.Text().find("a data table is missing or damaged"), std::string::npos);
    }
}

}  // namespace
