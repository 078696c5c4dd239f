// The destructible landscape of one match: materials, picture, sky, view, wind, craters and falling earth.
//
// Every landscape pixel is held twice: as a material in MaterialMap (index y * width + x of the
// current landscape) and as a colour in LandscapeSurface, where Air is the colour key white so the
// sky shows through. Coordinates are whole pixels, x to the right and y downwards from the top-left
// (0, 0); pixel (x, y) exists when 0 <= x < width and 0 <= y < height. Colours are colour
// references 0x00BBGGRR; the surface keeps 16 bits a pixel, so a colour read back may differ from
// the one written in its low bits.
//
// Landscape::Init runs once at start-up, after the display, and makes the state shared by every
// landscape: MaterialMap, the two surfaces and the two disc tables. The shell then makes one
// Landscape per match (entering mode 6) and calls Generate on it before anything else; between
// the two the column summaries are undefined. Every operation that changes materials rescans the
// columns it touched before it returns. Pixel work borrows the surface's drawing context once per
// operation; an operation that cannot get it changes nothing in the surface (see each one).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

// Materials of MaterialMap; solid means anything but Air. Lava is set lava of a running stream,
// solid like Earth, and becomes Rock when the stream ends.
enum Material : std::int32_t {
    Air = 0,
    Earth = 1,
    Rock = 2,
    Lava = 3,
};

// A landscape's size lies between the smallest and the largest, both included; MaterialMap and
// the two surfaces are made as big as the largest landscape and sky.
constexpr int MIN_LANDSCAPE_WIDTH = 640;
constexpr int MIN_LANDSCAPE_HEIGHT = 300;
constexpr int MAX_LANDSCAPE_WIDTH = 1200;
constexpr int MAX_LANDSCAPE_HEIGHT = 500;
constexpr int MAX_SKY_WIDTH = 620;
constexpr int MAX_SKY_HEIGHT = 325;

// Winds run from -MAX_WIND to MAX_WIND.
constexpr std::int32_t MAX_WIND = 9;

// One record of the disc table: an offset, its distance from the centre and its angle
// atan2(dy, dx) in radians (0 for the centre). The table holds every offset with |dx|, |dy| <= 100,
// sorted by dx * dx + dy * dy, then dx, then dy, so walking it from the start while the distance
// stays below r visits the open disc of radius r nearest first (complete for r <= 100).
struct DiscOffset {
    std::int32_t dx;
    std::int32_t dy;
    float distance;
    float angle;
};
static_assert(sizeof(DiscOffset) == 16, "disc records are 16 bytes, as stored in the resource");

constexpr int DISC_RECORD_COUNT = 201 * 201;
// RingStarts[r], for r from 0 to 101, counts the records closer than r: the index of the first
// record at distance r or more.
constexpr int RING_START_COUNT = 102;

// Process-wide state of the landscape, made by Landscape::Init and kept for the whole run.
extern std::array<std::int32_t, MAX_LANDSCAPE_WIDTH * MAX_LANDSCAPE_HEIGHT> MaterialMap;
extern int LandscapeSurface;            // off-screen surface number, 1200x500
extern int SkySurface;                  // off-screen surface number, 620x325
extern const DiscOffset* DiscOffsets;   // RCDATA 130, DISC_RECORD_COUNT records
extern const std::int32_t* RingStarts;  // RCDATA 131, RING_START_COUNT entries

// Tests: forget the tables and surfaces and clear MaterialMap, as before Landscape::Init.
void LandscapeResetForTests();

// Random style choices of Generate: terrain kind 0 to 2 and sky kind 0 to 3, one draw each.
int RandomLandscapeKind();
int RandomSkyKind();

class Landscape {
public:
    // Progress of Generate: the fraction of the columns done, from 0 to just below 1.
    using ProgressCallback = void (*)(float progress);

    // Once at start-up, with the device and surface the two landscape surfaces are made for: sets
    // the option defaults (gravity ON, wind NO), points the disc tables at their resources and
    // makes LandscapeSurface and SkySurface.
    static void Init(int device, int surface);
    // A random offset of the disc of radius r (1 to 101): one of the RingStarts[r] records after the
    // centre, that is every offset closer than r plus (-r, 0). One draw.
    static void RandomOffset(int r, std::int32_t* dx, std::int32_t* dy);

    // A landscape of random size (640 to 1200 by 300 to 500) with the options' gravity and wind,
    // all Air in MaterialMap. Draws: width, height, then the wind's draws.
    Landscape();
    ~Landscape();
    Landscape(const Landscape&) = delete;
    Landscape& operator=(const Landscape&) = delete;

    // Builds the terrain and paints the sky; -1 for a kind asks for a random one (terrain first).
    // Calls progress with 0 first and then every fifth column.
    void Generate(int kind, int skyKind, ProgressCallback progress);
    // Fills column x from the bottom row up to columnHeight rows above it (clamped to the
    // landscape) in style 4 (lit green earth on rock) or 5 (brown earth under grass, on rock), and
    // makes the rows above Air in MaterialMap only. slope is the terrain's dh/dx, which lights
    // style 4.
    void SetTerrainHeight(int x, int columnHeight, int style, double slope);

    // Copies sky and terrain into the 320 x (200 - margin) view at (0, 0) of (device, surface).
    bool Draw(int device, int surface, int viewX, int viewY, int margin);
    // Forces a view position inside the landscape: x in 0..width-320, y in 0..height+margin-200.
    void ClampView(std::int32_t* viewX, std::int32_t* viewY, int margin) const;
    // Moves the view by the steps; at an edge the view stops there and that step turns round.
    void PanView(std::int32_t* viewX, std::int32_t* viewY, std::int32_t* stepX, std::int32_t* stepY,
                 int margin) const;
    // At the start of every turn: a varying wind moves by at most 4, staying in -9..9.
    void VaryWind();

    // Where a tank stands in column x (0..width-1): the row above the topmost solid pixel, -1 when
    // the top row is solid, height-1 when the column has none.
    std::int32_t SurfaceY(int x) const;
    // True when (x, y) is inside and solid; then also its colour, when the context is available.
    bool GetPoint(int x, int y, std::uint32_t* colour) const;
    // Writes one pixel's material and colour and rescans its column; nothing outside.
    void SetPoint(int x, int y, std::uint32_t colour, std::int32_t material);
    // Every pixel of one material becomes another; colours and column summaries are left alone.
    void ReplaceMaterial(std::int32_t from, std::int32_t to);
    // Recompute lowestAir and topSolid of one column, or of all.
    void ScanColumn(int x);
    void ScanAllColumns();

    // Removes the closed disc of radius r (1 to 100) around (x, y): earth and lava always, rock
    // with a chance that falls from 1 at the centre to rockFactor at the rim. keepTerrain removes
    // nothing. Rescans every column in any case.
    void Hole(int x, int y, int r, bool keepTerrain, float rockFactor);
    // Darkens the solid pixels closer than rInner to factor of their colour and shades the ring out
    // to rOuter (<= 100) back to full colour: mode 0 smoothly, mode 1 with twelve darker rays.
    void ShadeDisc(int x, int y, int rInner, int rOuter, int mode, float factor);
    // Scales the colour of one solid pixel by factor.
    void ShadePoint(int x, int y, float factor);
    // Lets unsupported terrain fall one row in every column that has some; true when any moved.
    bool DoGravity();

    // Per column: the lowest Air pixel (height-1 when none) and the topmost solid one (height-1
    // when none). lowestAir > topSolid when solid stands over Air somewhere in the column (or the
    // column has no Air at all); lowestAir <= topSolid means settled.
    std::unique_ptr<std::int32_t[]> lowestAir;
    std::unique_ptr<std::int32_t[]> topSolid;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t skyWidth = 0;    // width / 4 + 320
    std::int32_t skyHeight = 0;   // height / 4 + 200
    std::uint32_t gravityOn = 0;  // earth falls only when non-zero
    std::int32_t wind = 0;        // -MAX_WIND to MAX_WIND
    bool windVaries = false;

    // Whether pixel (x, y) exists, and its MaterialMap entry (only for a pixel that exists).
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    std::int32_t& Cell(int x, int y) const { return MaterialMap[static_cast<std::size_t>(y) * width + x]; }
};
