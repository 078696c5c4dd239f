// The destructible landscape: its materials, its picture, the sky behind it, the view and the wind.
//
// The shell makes one Landscape for each match and calls these operations from its modes; the
// terrain itself (generation, craters, falling earth) fills this class as it is built.
#pragma once

#include <cstdint>

class Landscape {
public:
    // Progress callback of Generate: a fraction from 0 to 1.
    using ProgressCallback = void (*)(float progress);

    // Once at start-up: the option defaults, the disc tables and the two landscape surfaces.
    static void Init(int device, int surface);

    Landscape();
    ~Landscape();
    Landscape(const Landscape&) = delete;
    Landscape& operator=(const Landscape&) = delete;

    // Makes the terrain; -1 for either style asks for a random one.
    void Generate(int landscapeKind, int skyKind, ProgressCallback progress);
    void Draw(int device, int surface, int viewX, int viewY, int margin);
    // True while loose earth is still falling.
    bool DoGravity();
    void VaryWind();
    // Keeps the view inside the landscape: x in 0..width-320, y in 0..height+margin-200.
    void ClampView(std::int32_t* viewX, std::int32_t* viewY, int margin) const;
    // Moves the view by the steps, reversing a step at an edge.
    void PanView(std::int32_t* viewX, std::int32_t* viewY, std::int32_t* stepX, std::int32_t* stepY, int margin) const;

    int width = 640;
    int height = 300;
    std::int32_t wind = 0;
    bool windVaries = false;
    bool gravityOn = true;
};
