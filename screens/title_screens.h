// The title and terraforming screens' own data: the version on the title and the progress bar.
#pragma once

#include <cstdint>

// The version written on the title screen.
constexpr int VERSION_MAJOR = 0;
constexpr int VERSION_MINOR = 1;

// The progress bar: 253 one-pixel columns from x 32, rows 48 to 60.
constexpr int PROGRESS_BAR_COLUMNS = 253;
constexpr int PROGRESS_BAR_LEFT = 32;
constexpr int PROGRESS_BAR_TOP = 48;
constexpr int PROGRESS_BAR_BOTTOM = 61;

// Columns of the bar shown for a progress from 0 to 1 (clamped to 0..253).
int ProgressBarColumns(float progress);
// Colour (0x00BBGGRR) of bar column i: red through yellow, green and cyan to blue.
std::uint32_t ProgressBarColour(int column);

extern int TerraDevice;
extern int TerraSurface;
