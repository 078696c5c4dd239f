// The landscape's shared state, its life, the wind, the view and the small terrain queries.
#include "landscape/landscape.h"

#include <algorithm>

#include "core/data_resource.h"
#include "core/globals.h"
#include "core/random.h"
#include "diag/diag.h"
#include "display/graphx.h"
#include "landscape/pixels.h"

std::array<std::int32_t, MAX_LANDSCAPE_WIDTH * MAX_LANDSCAPE_HEIGHT> MaterialMap{};
int LandscapeSurface = -1;
int SkySurface = -1;
const DiscOffset* DiscOffsets = nullptr;
const std::int32_t* RingStarts = nullptr;

void LandscapeResetForTests() {
    MaterialMap.fill(Air);
    LandscapeSurface = -1;
    SkySurface = -1;
    DiscOffsets = nullptr;
    RingStarts = nullptr;
}

namespace {

constexpr int DISC_TABLE_ID = 130;
constexpr int RING_TABLE_ID = 131;
constexpr std::uint32_t DISC_TABLE_BYTES = DISC_RECORD_COUNT * sizeof(DiscOffset);
constexpr std::uint32_t RING_TABLE_BYTES = RING_START_COUNT * sizeof(std::int32_t);

constexpr int WIDTH_CHOICES = MAX_LANDSCAPE_WIDTH - MIN_LANDSCAPE_WIDTH + 1;
constexpr int HEIGHT_CHOICES = MAX_LANDSCAPE_HEIGHT - MIN_LANDSCAPE_HEIGHT + 1;

// A varying wind moves by at most 4 a turn.
constexpr std::int32_t WIND_CHOICES = 2 * MAX_WIND + 1;
constexpr std::int32_t WIND_STEP = 4;

std::int32_t RandomWind() { return game::rand() % WIND_CHOICES - MAX_WIND; }

}  // namespace

int RandomLandscapeKind() { return game::rand() % 3; }

int RandomSkyKind() { return game::rand() % 4; }

// The tables are read in place from the program's resources. Start-up has already refused to go
// on without them; should one still be missing, the disc walks see an empty table.
void Landscape::Init(int device, int surface) {
    DIAG_SCOPE_NAMED("Landscape::Init", "main");
    LandscapeGravityOption = GRAVITY_ON;
    WindOption = WIND_NO;
    const void* data = nullptr;
    LoadDataResource(DISC_TABLE_ID, DISC_TABLE_BYTES, &data);
    DiscOffsets = static_cast<const DiscOffset*>(data);
    LoadDataResource(RING_TABLE_ID, RING_TABLE_BYTES, &data);
    RingStarts = static_cast<const std::int32_t*>(data);
    CreateOSSurface(&LandscapeSurface, device, surface, MAX_LANDSCAPE_WIDTH, MAX_LANDSCAPE_HEIGHT,
                    MEMORY_KIND_SYSTEM);
    CreateOSSurface(&SkySurface, device, surface, MAX_SKY_WIDTH, MAX_SKY_HEIGHT, MEMORY_KIND_SYSTEM);
}

void Landscape::RandomOffset(int r, std::int32_t* dx, std::int32_t* dy) {
    DIAG_SCOPE_NAMED("Landscape::RandomOffset", "main");
    const int k = game::rand() % RingStarts[r];
    *dx = DiscOffsets[k + 1].dx;
    *dy = DiscOffsets[k + 1].dy;
}

// The size comes first, then the wind, each from its own draws in this order; the option values
// are read only here.
Landscape::Landscape() {
    DIAG_SCOPE_NAMED("Landscape::Landscape", "main");
    width = MIN_LANDSCAPE_WIDTH + game::rand() % WIDTH_CHOICES;
    height = MIN_LANDSCAPE_HEIGHT + game::rand() % HEIGHT_CHOICES;
    skyWidth = width / 4 + SCREEN_WIDTH;
    skyHeight = height / 4 + SCREEN_HEIGHT;
    lowestAir = std::make_unique_for_overwrite<std::int32_t[]>(width);
    topSolid = std::make_unique_for_overwrite<std::int32_t[]>(width);
    gravityOn = LandscapeGravityOption;
    switch (WindOption) {
        case WIND_CONSTANT:
        case WIND_VARIABLE:
            wind = RandomWind();
            windVaries = WindOption == WIND_VARIABLE;
            break;
        case WIND_RANDOM:
            if (game::rand() % 3 != 0) {
                wind = RandomWind();
                windVaries = game::rand() % 2 == 0;
            }
            break;
        default:
            break;
    }
    std::fill_n(MaterialMap.begin(), static_cast<std::size_t>(width) * height, Air);
}

Landscape::~Landscape() {
    DIAG_SCOPE_NAMED("Landscape::~Landscape", "main");
    topSolid.reset();
    lowestAir.reset();
}

void Landscape::VaryWind() {
    DIAG_SCOPE_NAMED("Landscape::VaryWind", "main");
    if (!windVaries) return;
    const std::int32_t lo = std::max(wind - WIND_STEP, -MAX_WIND);
    const std::int32_t hi = std::min(wind + WIND_STEP, MAX_WIND);
    wind = lo + game::rand() % (hi - lo + 1);
}

// The sky scrolls so that both ends of the landscape meet both ends of the sky: about a quarter of
// the landscape's speed. The terrain goes over it with white left out, so Air shows the sky.
bool Landscape::Draw(int device, int surface, int viewX, int viewY, int margin) {
    DIAG_SCOPE_NAMED("Landscape::Draw", "main");
    const int viewHeight = SCREEN_HEIGHT - margin;
    const int sx = (skyWidth - SCREEN_WIDTH) * viewX / (width - SCREEN_WIDTH);
    const int sy = (skyHeight + margin - SCREEN_HEIGHT) * viewY / (height + margin - SCREEN_HEIGHT);
    GraphxBlitSurfaceAt(OFFSCREEN, SkySurface, device, surface, 0, 0, sx, sy, sx + SCREEN_WIDTH,
                        sy + viewHeight, true, false, false, nullptr);
    const ColourKey white{landscape::WHITE, landscape::WHITE};
    GraphxBlitSurfaceAt(OFFSCREEN, LandscapeSurface, device, surface, 0, 0, viewX, viewY,
                        viewX + SCREEN_WIDTH, viewY + viewHeight, true, false, true, &white);
    return true;
}

// With the menu bar's margin m the view may go m rows lower, so that the last landscape row sits
// just above the bar.
void Landscape::ClampView(std::int32_t* viewX, std::int32_t* viewY, int margin) const {
    DIAG_SCOPE_NAMED("Landscape::ClampView", "main");
    if (*viewX < 0) *viewX = 0;
    if (*viewX + SCREEN_WIDTH >= width) *viewX = width - SCREEN_WIDTH;
    if (*viewY < 0) *viewY = 0;
    if (*viewY - margin + SCREEN_HEIGHT >= height) *viewY = height + margin - SCREEN_HEIGHT;
}

void Landscape::PanView(std::int32_t* viewX, std::int32_t* viewY, std::int32_t* stepX, std::int32_t* stepY,
                        int margin) const {
    DIAG_SCOPE_NAMED("Landscape::PanView", "main");
    *viewX += *stepX;
    *viewY += *stepY;
    if (*viewX < 0) {
        *viewX = 0;
        *stepX = -*stepX;
    }
    if (*viewY < 0) {
        *viewY = 0;
        *stepY = -*stepY;
    }
    if (*viewX > width - SCREEN_WIDTH) {
        *viewX = width - SCREEN_WIDTH;
        *stepX = -*stepX;
    }
    if (*viewY > height + margin - SCREEN_HEIGHT) {
        *viewY = height + margin - SCREEN_HEIGHT;
        *stepY = -*stepY;
    }
}

std::int32_t Landscape::SurfaceY(int x) const {
    DIAG_SCOPE_NAMED("Landscape::SurfaceY", "main");
    for (int y = 0; y < height; ++y) {
        if (Cell(x, y) != Air) return y - 1;
    }
    return height - 1;
}

// MaterialMap answers even when the picture cannot: the colour is then left as it was.
bool Landscape::GetPoint(int x, int y, std::uint32_t* colour) const {
    DIAG_SCOPE_NAMED("Landscape::GetPoint", "main");
    if (!Inside(x, y) || Cell(x, y) == Air) return false;
    landscape::SurfaceContext context(LandscapeSurface);
    if (context) *colour = GetPixel(context.dc(), x, y);
    return true;
}

void Landscape::SetPoint(int x, int y, std::uint32_t colour, std::int32_t material) {
    DIAG_SCOPE_NAMED("Landscape::SetPoint", "main");
    if (!Inside(x, y)) return;
    landscape::SurfaceContext context(LandscapeSurface);
    if (!context) return;
    Cell(x, y) = material;
    SetPixel(context.dc(), x, y, colour);
    ScanColumn(x);
}

void Landscape::ReplaceMaterial(std::int32_t from, std::int32_t to) {
    DIAG_SCOPE_NAMED("Landscape::ReplaceMaterial", "main");
    std::replace(MaterialMap.begin(), MaterialMap.begin() + static_cast<std::ptrdiff_t>(width) * height, from,
                 to);
}

// Scanning up from the bottom row, the first Air met is the lowest; the last solid met is the top.
void Landscape::ScanColumn(int x) {
    DIAG_SCOPE_NAMED("Landscape::ScanColumn", "main");
    std::int32_t lowest = -1;
    std::int32_t top = height - 1;
    for (int y = height - 1; y >= 0; --y) {
        if (Cell(x, y) == Air) {
            if (lowest == -1) lowest = y;
        } else {
            top = y;
        }
    }
    lowestAir[x] = lowest == -1 ? height - 1 : lowest;
    topSolid[x] = top;
}

// The same scan as ScanColumn for every column, done a row at a time from the bottom so that
// MaterialMap is read in memory order.
void Landscape::ScanAllColumns() {
    DIAG_SCOPE_NAMED("Landscape::ScanAllColumns", "main");
    std::fill_n(lowestAir.get(), width, -1);
    std::fill_n(topSolid.get(), width, height - 1);
    for (int y = height - 1; y >= 0; --y) {
        const std::int32_t* row = &Cell(0, y);
        for (int x = 0; x < width; ++x) {
            if (row[x] != Air)
                topSolid[x] = y;
            else if (lowestAir[x] == -1)
                lowestAir[x] = y;
        }
    }
    std::replace(lowestAir.get(), lowestAir.get() + width, -1, height - 1);
}
