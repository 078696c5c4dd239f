// One scene that draws every primitive of the display layer across all four edges of the page
// (pictures loaded and scaled, clipped and keyed copies, stretches, pixels, lines of each pen,
// rectangles, block copies and text) and compares the shown page with the picture scene.png.
#include "display/context.h"
#include "tests/display/display_fixture.h"
#include "tests/support/pictures.h"

namespace {

constexpr std::uint16_t GREY = 0x4208;

// A 20x20 off-screen surface of distinct colours, black at (0, 0) and white at (1, 0).
int MakeSource() {
    int s = -1;
    EXPECT_TRUE(CreateOSSurface(&s, 0, 2, 20, 20, MEMORY_KIND_SYSTEM));
    Surface* surface = nullptr;
    getDD(OFFSCREEN, s, nullptr, &surface, nullptr, -1);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) surface->Row(y)[x] = static_cast<std::uint16_t>((1 + x + 20 * y) * 157);
    surface->Row(0)[0] = 0;
    surface->Row(0)[1] = 0xFFFF;
    return s;
}

// Pictures of each depth, loaded into surfaces of their own size or scaled to a given one.
int Load(const char* name, int width = 0, int height = 0) {
    int s = -1;
    EXPECT_TRUE(
        GraphxBitmapToOSSurface(&s, 0, 2, nullptr, name, MEMORY_KIND_SYSTEM, width, height, true, true))
        << name;
    return s;
}

bool Ink(int x, int y) { return x >= 8 && x % 4 != 0 && (x * 7 + y * 3 + x / 5) % 5 < 2; }

void InstallPictures() {
    InstallBitmap("IDB_NORMALCHARS", BuildFontBmp(8, 16, Ink));
    InstallBitmap("IDB_SMALLCHARS", BuildFontBmp(4, 8, Ink));
    InstallPicture("IDB_RGB", 3, 2,
                   [](int x, int y) { return RGB(x == 0 ? 255 : 0, y == 0 ? 255 : 0, x == 2 ? 255 : 0); });
    InstallBitmap("IDB_EIGHT", BuildBmp({.width = 5,
                                         .height = 3,
                                         .bits = 8,
                                         .pixel = [](int x, int y) { return std::uint32_t((x + y) % 3); },
                                         .palette = {RGB(0, 0, 0), RGB(255, 255, 255), RGB(0x40, 0x80, 0xC0)},
                                         .topDown = true}));
    InstallBitmap("IDB_MONO",
                  BuildBmp({.width = 10,
                            .height = 2,
                            .bits = 1,
                            .pixel = [](int x, int y) { return std::uint32_t(x == 9 || (x == 0 && y == 1)); },
                            .palette = {0x000000, 0xFFFFFF},
                            .fileHeader = false}));
    InstallPicture("IDB_PAIR", 2, 1, [](int x, int) { return x ? 0xFFFFFFu : 0u; });
}

// Copies of the source through the device: at each edge and corner, keyed, stretched, and the
// context path with its stretch marker; and the pictures of each depth.
void DrawCopies(int source) {
    auto at = [source](int x, int y, const ColourKey* key = nullptr, bool contexts = false) {
        EXPECT_EQ(GraphxBlitSurfaceAt(OFFSCREEN, source, 0, 2, x, y, 0, 0, 20, 20, true, contexts,
                                      key != nullptr, key),
                  GRAPHX_BLIT_OK);
    };
    const int edges[][2] = {{-5, -5},  {310, -8},  {-12, 190}, {310, 185},
                            {-19, 70}, {100, 199}, {319, 70},  {150, -19}};
    for (const auto& e : edges) at(e[0], e[1]);
    const ColourKey black{0, 0};
    const ColourKey white{0xFFFF, 0xFFFF};
    const ColourKey range{157, 157 * 20};
    at(30, 25, &black);
    at(55, 25, &white);
    at(80, 25, &range);
    at(105, 25, &black, true);
    for (bool contexts : {false, true})
        EXPECT_EQ(GraphxBlitSurface(OFFSCREEN, source, 0, 2, 130 + 60 * contexts, 25, 170 + 60 * contexts, 55,
                                    0, 0, 20, 20, true, contexts, false, nullptr, true),
                  GRAPHX_BLIT_OK);
    const struct {
        int surface, width, height;
    } pictures[] = {{Load("IDB_RGB"), 3, 2},
                    {Load("IDB_EIGHT"), 5, 3},
                    {Load("IDB_MONO"), 10, 2},
                    {Load("IDB_PAIR", 8, 2), 8, 2}};
    for (int i = 0; i < 4; ++i) {
        const auto& p = pictures[i];
        EXPECT_EQ(GraphxBlitSurfaceAt(OFFSCREEN, p.surface, 0, 2, 260, 25 + 5 * i, 0, 0, p.width, p.height,
                                      true, false, false, nullptr),
                  GRAPHX_BLIT_OK);
    }
}

// Pixels in the corners, fills over each edge, lines of each pen, clipped or ending inside.
void DrawShapes(HDC dc) {
    const int corners[][2] = {{0, 0}, {319, 0}, {0, 199}, {319, 199}};
    for (const auto& c : corners) SetPixel(dc, c[0], c[1], RGB(255, 255, 0));
    const RECT fills[] = {
        {40, 60, 43, 64}, {60, -5, 70, 3}, {-5, 90, 4, 100}, {315, 100, 330, 110}, {60, 196, 70, 260}};
    for (const RECT& r : fills) GraphxFillRect(dc, r.left, r.top, r.right, r.bottom, RGB(0, 255, 255));
    GraphxLine(dc, -50, 120, 400, 120, RGB(255, 0, 0), 1, PEN_SOLID);
    GraphxLine(dc, 290, -50, 290, 300, RGB(255, 0, 0), 1, PEN_SOLID);
    GraphxLine(dc, -1000, -1000, 1000, 1000, RGB(0, 255, 0), 1, PEN_SOLID);
    GraphxLine(dc, -100000000, 175, 100000000, 175, RGB(0, 0, 255), 5, PEN_DASHED);
    GraphxLine(dc, 230, 70, 240, 70, 0xFFFFFF, 3, PEN_SOLID);
    GraphxLine(dc, 250, 70, 270, 85, 0xFFFFFF, 1, PEN_SOLID);
    GraphxLine(dc, 280, 70, 280, 70, 0xFFFFFF, 1, PEN_SOLID);
    GraphxLine(dc, 20, 140, 119, 140, 0xFFFFFF, 1, PEN_DOTTED);
    GraphxLine(dc, 20, 145, 119, 145, 0xFFFFFF, 1, PEN_DASHED);
    GraphxLine(dc, 300, 130, 330, 150, 0xFFFFFF, 1, PEN_SOLID);
    HPEN pen = CreatePen(PS_SOLID, 1, 0xFFFFFF);
    HGDIOBJ previous = SelectObject(dc, pen);
    MoveToEx(dc, 200, 90, nullptr);
    LineTo(dc, 210, 90);
    LineTo(dc, 210, 100);
    SelectObject(dc, previous);
    DeleteObject(pen);
}

// Block copies from a 4x4 bitmap over each edge, an or-mode copy, stretches (one clipped) and a
// column copied one row down within the page.
void DrawBlocks(HDC dc) {
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = MakeBitmap(4, 4);
    SelectObject(memory, bitmap);
    for (int i = 0; i < 16; ++i) SetPixel(memory, i % 4, i / 4, RGB(16 * i, 255 - 16 * i, 128));
    const int edges[][2] = {{-2, 40}, {318, 40}, {120, -2}, {120, 198}};
    for (const auto& e : edges) EXPECT_TRUE(BitBlt(dc, e[0], e[1], 4, 4, memory, 0, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(dc, 140, 100, 4, 4, memory, -3, 2, SRCCOPY));
    EXPECT_TRUE(BitBlt(dc, 150, 100, 4, 4, memory, 0, 0, SRCPAINT));
    EXPECT_TRUE(StretchBlt(dc, 160, 100, 8, 8, memory, 0, 0, 2, 2, SRCCOPY));
    EXPECT_TRUE(StretchBlt(dc, 316, 150, 8, 8, memory, 2, 2, 2, 2, SRCCOPY));
    EXPECT_TRUE(BitBlt(dc, 180, 101, 1, 8, dc, 140, 100, SRCCOPY));
    EXPECT_TRUE(BitBlt(dc, 140, 101, 1, 8, dc, 140, 100, SRCCOPY));
    DeleteDC(memory);
    DeleteObject(bitmap);
}

// Text of both fonts, copied and or-ed, plain text in colours, and cut by the page's edges.
void DrawWords(HDC dc) {
    GraphxBitmapString(dc, 10, 152, false, false, "AZ");
    GraphxBitmapString(dc, 30, 152, true, false, "A");
    GraphxBitmapString(dc, 40, 152, false, true, "%i~7", 7);
    GraphxBitmapString(dc, 308, 160, false, false, "AB");
    GraphxBitmapString(dc, 200, 192, false, false, "AB");
    GraphxString(dc, 60, 152, 0xFFFFFF, 0x0000FF, false, "%i", 100);
    GraphxString(dc, 90, 152, 0x00FF00, 0x0000FF, true, "A");
}

TEST_F(DisplayTest, TheSceneShowsEveryPrimitiveClippedAtEveryEdge) {
    InstallPictures();
    GraphxInitBitmappedFont(nullptr, 0, 2, "IDB_NORMALCHARS", "IDB_SMALLCHARS");
    ASSERT_TRUE(ClearScreen(0, 2, GREY, -1, 0, 0, 0));
    ASSERT_TRUE(ClearScreen(0, 2, 0x1234, 50, 60, 52, 63));
    DrawCopies(MakeSource());
    HDC dc = nullptr;
    ASSERT_TRUE(GetHDC(&dc, 0, 2, -1));
    DrawShapes(dc);
    DrawBlocks(dc);
    DrawWords(dc);
    ReleaseHDC(dc, 0, 2, -1);
    GraphxFlip(0);
    ExpectShownPageIs("display/scene");
    EXPECT_EQ(Trace(), "ERROR:GraphxBitmapString: Char out of range (U+007E)\r\n");
}

}  // namespace
