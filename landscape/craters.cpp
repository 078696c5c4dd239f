// Craters, scorch marks and falling earth: the ways weapons change the landscape after generation.
//
// Discs are walked through DiscOffsets nearest first, so a walk stops at the first record beyond
// its radius. Shading changes colours only; Air keeps its white key colour.
#include "core/random.h"
#include "diag/diag.h"
#include "landscape/landscape.h"
#include "landscape/pixels.h"

namespace {

using landscape::DiscRecordCount;
using landscape::SurfaceContext;
using landscape::WHITE;

// Mode 1 of ShadeDisc: twelve rays round the circle, from an angle in radians to tenths of a
// degree.
constexpr int RAY_COUNT = 12;
constexpr float TURNS_PER_RADIAN = 0.15915483f;
constexpr float RAY_STRENGTH = 0.3f;
constexpr float RING_GROWTH = 1.3f;

// Scales the colour of pixel (x, y) by k when it exists and is solid.
void ShadeAt(const Landscape& land, HDC dc, int x, int y, float k) {
    if (!land.Inside(x, y) || land.Cell(x, y) == Air) return;
    SetPixel(dc, x, y, landscape::ScaleColour(GetPixel(dc, x, y), k));
}

// Shading factor of a ring record at distance d: from factor at rInner back to 1 at rOuter, in mode
// 1 with rays added and capped at 1.
float RingFactor(const DiscOffset& record, int rInner, int rOuter, int mode, float factor) {
    const float g = 1.0f - factor;
    const float along = (record.distance - static_cast<float>(rInner)) / static_cast<float>(rOuter - rInner);
    if (mode == 0) return along * g + factor;
    const int rayAngle = RAY_COUNT * static_cast<int>(record.angle * TURNS_PER_RADIAN * 3600.0f);
    const float k = (along * RING_GROWTH + landscape::TableSin(rayAngle) * RAY_STRENGTH) * g + factor;
    return k > 1.0f ? 1.0f : k;
}

// Falling earth, step 2: searching up from the column's lowest Air, the lowest solid pixel with
// Air directly below it; -1 when the column is settled.
int LowestOverhang(const Landscape& land, int x) {
    const int top = land.topSolid[x];
    int a = land.lowestAir[x];
    while (a > top && land.Cell(x, a) != Air) --a;
    if (a <= top) return -1;
    for (int s = a - 1; s >= top; --s) {
        if (land.Cell(x, s) != Air) return s;
    }
    return -1;
}

// Falling earth, step 3: rows topSolid to s move one row down, in MaterialMap from the bottom up
// and in the picture as one column-wide copy; the vacated top row becomes Air.
void DropColumn(Landscape& land, HDC dc, int x, int s) {
    const int top = land.topSolid[x];
    for (int r = s; r >= top; --r) land.Cell(x, r + 1) = land.Cell(x, r);
    land.Cell(x, top) = Air;
    BitBlt(dc, x, top + 1, 1, s - top + 1, dc, x, top, SRCCOPY);
    SetPixel(dc, x, top, WHITE);
    land.topSolid[x] += 1;
}

}  // namespace

// Earth and lava always go. Rock goes when a fresh fraction times d / r falls below rockFactor:
// nearly always near the centre, with chance rockFactor at the rim; rockFactor 0 keeps all rock
// and one above 1 removes it all. Each rock pixel draws one number, earth none.
void Landscape::Hole(int x, int y, int r, bool keepTerrain, float rockFactor) {
    DIAG_SCOPE_NAMED("Landscape::Hole", "main");
    SurfaceContext context(LandscapeSurface);
    if (context && !keepTerrain) {
        const float radius = static_cast<float>(r);
        const int count = DiscRecordCount();
        for (int n = 0; n < count && DiscOffsets[n].distance <= radius; ++n) {
            const DiscOffset& record = DiscOffsets[n];
            const int px = x + record.dx;
            const int py = y + record.dy;
            if (!Inside(px, py) || Cell(px, py) == Air) continue;
            if (Cell(px, py) == Rock) {
                const float u = static_cast<float>(game::rand()) * game::RAND_FRACTION;
                if (u * record.distance / radius >= rockFactor) continue;
            }
            Cell(px, py) = Air;
            SetPixel(context.dc(), px, py, WHITE);
        }
    }
    context.Release();
    ScanAllColumns();
}

// 1. Borrow the picture. 2. Darken the inner disc (closer than rInner) to factor. 3. Shade the
// ring out to rOuter, included, by the mode's factor; an unknown mode leaves the ring alone.
void Landscape::ShadeDisc(int x, int y, int rInner, int rOuter, int mode, float factor) {
    DIAG_SCOPE_NAMED("Landscape::ShadeDisc", "main");
    SurfaceContext context(LandscapeSurface);
    if (!context) return;
    const int count = DiscRecordCount();
    int n = 0;
    for (; n < count && DiscOffsets[n].distance < static_cast<float>(rInner); ++n)
        ShadeAt(*this, context.dc(), x + DiscOffsets[n].dx, y + DiscOffsets[n].dy, factor);
    if (mode != 0 && mode != 1) return;
    for (; n < count && DiscOffsets[n].distance <= static_cast<float>(rOuter); ++n) {
        const DiscOffset& record = DiscOffsets[n];
        ShadeAt(*this, context.dc(), x + record.dx, y + record.dy,
                RingFactor(record, rInner, rOuter, mode, factor));
    }
}

void Landscape::ShadePoint(int x, int y, float factor) {
    DIAG_SCOPE_NAMED("Landscape::ShadePoint", "main");
    SurfaceContext context(LandscapeSurface);
    if (context) ShadeAt(*this, context.dc(), x, y, factor);
}

// Each call drops, in every unsettled column, everything above the column's lowest gap that has
// terrain over it by one row, so loose earth falls a pixel a frame and keeps its colours. Settled
// columns are skipped on their summaries alone; lowestAir is left as it was, and the search of a
// later call climbs from there through the earth that has landed.
bool Landscape::DoGravity() {
    DIAG_SCOPE_NAMED("Landscape::DoGravity", "main");
    if (gravityOn == 0) return false;
    SurfaceContext context(LandscapeSurface);
    if (!context) return false;
    bool moved = false;
    for (int x = 0; x < width; ++x) {
        if (lowestAir[x] <= topSolid[x]) continue;
        const int s = LowestOverhang(*this, x);
        if (s < 0) continue;
        DropColumn(*this, context.dc(), x, s);
        moved = true;
    }
    return moved;
}
