// The title screen and the terraforming screen with its progress bar.
#include "screens/title_screens.h"

#include <string>

#include "core/globals.h"
#include "core/random.h"
#include "diag/diag.h"
#include "display/graphx.h"
#include "screens/screens.h"
#include "text/text.h"

int TerraDevice = 0;
int TerraSurface = -1;

namespace {

constexpr int BACK_PAGE = 2;

// The words over a picture: centred lines in either font, each with its shadow.
struct PictureLine {
    int y;
    bool small;
    COLORREF colour, shadow;
    const char* text;
};
constexpr PictureLine TITLE_LINES[] = {
    {64, true, RGB(0xF0, 0xC8, 0xF0), RGB(0x1A, 0x0A, 0x28),
     TrLater("Artillery duels for two to eight players")},
};
constexpr PictureLine TERRAFORMING_LINES[] = {
    {70, false, RGB(0xFF, 0xFF, 0xFF), RGB(0x00, 0x00, 0x10), TrLater("Raising hills and carving valleys")},
    {88, true, RGB(0x9C, 0xC8, 0xF0), RGB(0x00, 0x00, 0x10),
     TrLater("Please wait while the new landscape is made")},
};

// Copies a picture to an off-screen surface and writes its words over it in the language of the moment.
template <std::size_t N>
void LoadPictureWithWords(int surface, HINSTANCE instance, const char* picture,
                          const PictureLine (&lines)[N]) {
    GraphxCopyBitmapToSurface(OFFSCREEN, surface, instance, picture);
    HDC dc = nullptr;
    if (!GetHDC(&dc, OFFSCREEN, surface, -1)) return;
    for (const PictureLine& line : lines)
        GraphxShadowedLine(dc, line.y, line.small, line.colour, line.shadow, Tr(line.text));
    ReleaseHDC(dc, OFFSCREEN, surface, -1);
}

// Copies the whole 320x200 picture of an off-screen surface to a page.
void CopyPicture(int surface, int device, int page) {
    GraphxBlitSurfaceAt(OFFSCREEN, surface, device, page, 0, 0, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, true,
                        false, false, nullptr);
}

// On a touch screen the picture's "Press Enter or Space to play" is covered by a band saying to tap.

}  // namespace

int ProgressBarColumns(float progress) {
    auto n = static_cast<int>(progress * PROGRESS_BAR_COLUMNS);
    if (n > PROGRESS_BAR_COLUMNS) n = PROGRESS_BAR_COLUMNS;
    return n > 0 ? n : 0;
}

std::uint32_t ProgressBarColour(int column) {
    int k = 255 * column;
    if (column < 63) return PackColour(255, k / 63, 0);
    if (column < 126) return PackColour(255 + (16065 - k) / 63, 255, 0);
    if (column < 189) return PackColour(0, 255, (k - 32130) / 63);
    return PackColour(0, 255 + (48195 - k) / 63, 255);
}

void InitTitleScreen(int surface, HINSTANCE instance) {
    DIAG_SCOPE_NAMED("General|InitTitleScreen", "General");
    LoadPictureWithWords(surface, instance, "IDB_TITLESCREEN", TITLE_LINES);
}

void UpdateTitleScreen(int device, int surface) {
    DIAG_SCOPE_NAMED("General|UpdateTitleScreen", "General");
    CopyPicture(BackdropSurface, device, surface);
    HDC dc = nullptr;
    if (!GetHDC(&dc, device, surface, -1)) return;
    GraphxBitmapString(dc, 275, 191, false, true, Tr("version %i.%i"), VERSION_MAJOR, VERSION_MINOR);
    // How to start, in the words of the device: keys, or a tap on a touch screen.
    GraphxShadowedLine(dc, 74, false, RGB(0xFF, 0xFF, 0xFF), RGB(0x2A, 0x0A, 0x30),
                       Tr(ScreenWords(ScreenText::TitlePlay)));
    ReleaseHDC(dc, device, surface, -1);
}

void InitTerraformingScreen(int device, int surface, HINSTANCE instance) {
    DIAG_SCOPE_NAMED("General|InitTerraformingScreen", "General");
    ClearScreen(device, BACK_PAGE, 0, -1, 0, 0, 0);
    GraphxFlip(device);
    TerraDevice = device;
    TerraSurface = surface;
    LoadPictureWithWords(surface, instance, "IDB_TERRASCREEN", TERRAFORMING_LINES);
}

void UpdateTerraformingScreen(float progress) {
    DIAG_SCOPE_NAMED("General|UpdateTerraformingScreen", "General");
    CopyPicture(TerraSurface, TerraDevice, BACK_PAGE);
    HDC dc = nullptr;
    if (GetHDC(&dc, TerraDevice, BACK_PAGE, -1)) {
        int columns = ProgressBarColumns(progress);
        for (int i = 0; i < columns; ++i)
            GraphxFillRect(dc, PROGRESS_BAR_LEFT + i, PROGRESS_BAR_TOP, PROGRESS_BAR_LEFT + i + 1,
                           PROGRESS_BAR_BOTTOM, ProgressBarColour(i));
        ReleaseHDC(dc, TerraDevice, BACK_PAGE, -1);
    }
    GraphxFlip(TerraDevice);
}
