// The landscape's operations as the shell uses them; terrain and sky arrive with the landscape work.
#include "landscape/landscape.h"

#include <algorithm>

#include "diag/diag.h"
#include "shell/globals.h"

void Landscape::Init(int, int) {
    DIAG_SCOPE_NAMED("Landscape::Init", "main");
    LandscapeGravityOption = 1;
    WindOption = 0;
}

Landscape::Landscape() { gravityOn = LandscapeGravityOption != 0; }

Landscape::~Landscape() = default;

void Landscape::Generate(int, int, ProgressCallback progress) {
    DIAG_SCOPE_NAMED("Landscape::Generate", "main");
    if (progress) progress(1.0f);
}

void Landscape::Draw(int, int, int, int, int) {}

bool Landscape::DoGravity() { return false; }

void Landscape::VaryWind() {}

void Landscape::ClampView(std::int32_t* viewX, std::int32_t* viewY, int margin) const {
    *viewX = std::clamp(*viewX, 0, std::max(width - SCREEN_WIDTH, 0));
    *viewY = std::clamp(*viewY, 0, std::max(height + margin - SCREEN_HEIGHT, 0));
}

void Landscape::PanView(std::int32_t* viewX, std::int32_t* viewY, std::int32_t* stepX, std::int32_t* stepY,
                        int margin) const {
    *viewX += *stepX;
    *viewY += *stepY;
    std::int32_t x = *viewX, y = *viewY;
    ClampView(viewX, viewY, margin);
    if (x != *viewX) *stepX = -*stepX;
    if (y != *viewY) *stepY = -*stepY;
}
