// Helpers private to the landscape's files: the borrowed surface context, table sines, colour scaling.
#pragma once

#include <cstdint>

#include "core/globals.h"
#include "display/gdi.h"
#include "display/graphx.h"
#include "landscape/landscape.h"

namespace landscape {

constexpr COLORREF WHITE = 0xFFFFFF;

// The drawing context of an off-screen surface, borrowed for the life of this object (or until
// Release). Check it before drawing: a surface that cannot lend its context is left alone.
class SurfaceContext {
public:
    explicit SurfaceContext(int surface) : surface_(surface) { lent_ = GetHDC(&dc_, OFFSCREEN, surface, -1); }
    ~SurfaceContext() { Release(); }
    SurfaceContext(const SurfaceContext&) = delete;
    SurfaceContext& operator=(const SurfaceContext&) = delete;

    explicit operator bool() const { return lent_; }
    HDC dc() const { return dc_; }
    void Release() {
        if (lent_) ReleaseHDC(dc_, OFFSCREEN, surface_, -1);
        lent_ = false;
    }

private:
    int surface_;
    HDC dc_ = nullptr;
    bool lent_ = false;
};

// How many disc records may be walked: none when the table could not be loaded.
inline int DiscRecordCount() { return DiscOffsets ? DISC_RECORD_COUNT : 0; }

// Sine and cosine of a whole angle in tenths of a degree, read from SineTable; a negative angle
// reads the mirrored entry.
inline float TableSin(int a) {
    return a >= 0 ? SineTable[a % SINE_TABLE_SIZE] : -SineTable[(-a) % SINE_TABLE_SIZE];
}
inline float TableCos(int a) {
    return a >= 0 ? SineTable[(a + 900) % SINE_TABLE_SIZE] : SineTable[(900 - a) % SINE_TABLE_SIZE];
}

// Each channel truncated times k and kept to its low 8 bits.
inline COLORREF ScaleColour(COLORREF colour, float k) {
    auto channel = [k](int value) { return static_cast<int>(static_cast<float>(value) * k) & 0xFF; };
    return RGB(channel(GetRValue(colour)), channel(GetGValue(colour)), channel(GetBValue(colour)));
}

}  // namespace landscape
