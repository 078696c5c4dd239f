// libFuzzer target: hostile contents of the data tables, through start-up's checks and, when they
// pass, through the code that reads the tables: craters, debris, random disc offsets and the Sod
// Salvo's scatter on a small landscape.
//
// The real tables are the base; an input is a list of 8-byte patches, each a table (byte 0 modulo
// 3: disc 130, rings 131, scatter 135), a 4-byte-aligned place in it (bytes 1 to 3, little-endian,
// modulo the table's size) and the 32-bit value written there (bytes 4 to 7). An empty input runs
// the real tables.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/globals.h"
#include "diag/diag.h"
#include "display/graphx.h"
#include "landscape/landscape.h"
#include "players/player_collection.h"
#include "projectiles/projectile_collection.h"
#include "shell/data_tables.h"
#include "shell/shell.h"

namespace {

constexpr int WIDTH = 240;
constexpr int HEIGHT = 120;
constexpr int FLIGHT_TICKS = 100;

void Require(bool holds) {
    if (!holds) std::abort();
}

struct Tables {
    std::vector<DiscOffset> disc = std::vector<DiscOffset>(DISC_RECORD_COUNT);
    std::vector<std::int32_t> rings = std::vector<std::int32_t>(RING_START_COUNT);
    std::vector<ScatterOffset> scatter = std::vector<ScatterOffset>(SCATTER_TABLE_RECORDS);

    std::uint8_t* Bytes(int table) {
        if (table == 0) return reinterpret_cast<std::uint8_t*>(disc.data());
        if (table == 1) return reinterpret_cast<std::uint8_t*>(rings.data());
        return reinterpret_cast<std::uint8_t*>(scatter.data());
    }
    static std::size_t Size(int table) {
        return table == 0 ? DISC_TABLE_SIZE : table == 1 ? RING_TABLE_SIZE : SCATTER_TABLE_SIZE;
    }
};

Tables Real;
Landscape* Land = nullptr;
PlayerCollection* Players = nullptr;

// Air above, earth in the middle, rock below, in the material map and in the picture.
void ResetTerrain() {
    HDC dc = nullptr;
    const bool drawn = GetHDC(&dc, OFFSCREEN, LandscapeSurface, -1);
    for (int y = 0; y < HEIGHT; ++y) {
        const std::int32_t material = y < 50 ? Air : y < 90 ? Earth : Rock;
        for (int x = 0; x < WIDTH; ++x) Land->Cell(x, y) = material;
        if (drawn) GraphxFillRect(dc, 0, y, WIDTH, y + 1, material == Air ? 0xFFFFFF : 0x205080 * material);
    }
    if (drawn) ReleaseHDC(dc, OFFSCREEN, LandscapeSurface, -1);
    Land->ScanAllColumns();
}

// Every ring radius gives an offset of the table, never the centre (debris divides by its length).
void DrawOffsets() {
    for (int r = 1; r < RING_START_COUNT; ++r) {
        std::int32_t dx = 0, dy = 0;
        Landscape::RandomOffset(r, &dx, &dy);
        Require((dx != 0 || dy != 0) && dx >= -100 && dx <= 100 && dy >= -100 && dy <= 100);
    }
}

// Every explosion type at a corner and beyond an edge.
void Explode(ProjectileCollection* shots) {
    const float spots[][2] = {{WIDTH - 1, HEIGHT - 1}, {-30, 60}};
    for (int type = ExplosionShell; type <= ExplosionFirework; ++type) {
        for (const auto& spot : spots) {
            const Explosion blast(spot[0], spot[1], type, 0);
            blast.ThrowDebris(shots, Land);
            blast.DigCrater(Land);
        }
    }
}

// A Sod Salvo fired across the landscape and flown until it lands; the clods it sheds are made
// (their positions come from the table) but not flown.
void FlySalvo(ProjectileCollection* shots) {
    auto* salvo = new Projectile(10.0f, 30.0f, 2.0f, -0.6f, KindSodSalvo, 0, true);
    shots->Add(salvo);
    for (int tick = 0; tick < FLIGHT_TICKS && salvo->Fly(shots, Land, Players, 0.0f); ++tick) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    DiagSetStandardOutput(std::fopen("/dev/null", "w"));
    FillSineTable();
    GraphxEnableAdapter(0, SCREEN_WIDTH, SCREEN_HEIGHT, true);
    GraphxInit(nullptr, nullptr, false);
    Landscape::Init(0, 2);
    Projectile::Init();
    Require(DiscOffsets && RingStarts && Weapons.ScatterTable);
    std::memcpy(Real.Bytes(0), DiscOffsets, DISC_TABLE_SIZE);
    std::memcpy(Real.Bytes(1), RingStarts, RING_TABLE_SIZE);
    std::memcpy(Real.Bytes(2), Weapons.ScatterTable, SCATTER_TABLE_SIZE);
    Players = new PlayerCollection(nullptr, 0, 2);
    Land = new Landscape();
    Land->width = WIDTH;
    Land->height = HEIGHT;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Tables tables;
    for (int t = 0; t < 3; ++t) std::memcpy(tables.Bytes(t), Real.Bytes(t), Tables::Size(t));
    for (std::size_t i = 0; i + 8 <= size; i += 8) {
        const int table = data[i] % 3;
        const std::size_t at =
            (data[i + 1] | data[i + 2] << 8 | data[i + 3] << 16) % Tables::Size(table) & ~3u;
        std::memcpy(tables.Bytes(table) + at, data + i + 4, 4);
    }
    const bool discFit = DiscTableFault(tables.disc.data()).empty() &&
                         RingTableFault(tables.rings.data(), tables.disc.data()).empty();
    const bool scatterFit = ScatterTableFault(tables.scatter.data()).empty();
    if (!discFit && !scatterFit) return 0;

    // Accepted tables are read where start-up would leave them; the refused ones stay the real ones.
    if (discFit) {
        DiscOffsets = tables.disc.data();
        RingStarts = tables.rings.data();
    }
    if (scatterFit) Weapons.ScatterTable = tables.scatter.data();
    ResetTerrain();
    if (discFit) {
        ProjectileCollection debris(Land);
        DrawOffsets();
        Explode(&debris);
    }
    if (scatterFit) {
        ProjectileCollection clods(Land);
        FlySalvo(&clods);
    }
    DiscOffsets = Real.disc.data();
    RingStarts = Real.rings.data();
    Weapons.ScatterTable = Real.scatter.data();
    return 0;
}
