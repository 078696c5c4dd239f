// libFuzzer target: the picture decoder, through the loaders the game uses for sprites and fonts.
//
// Each input becomes the bytes of one picture resource, loaded as both font sheets (which scales
// it into new surfaces and reads the fixed font from it), copied onto a back page, and drawn from
// as text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>

#include "diag/diag.h"
#include "display/graphx.h"
#include "platform/resource.h"

namespace {

constexpr const char* NAME = "IDB_FUZZED";

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    DiagSetStandardOutput(std::fopen("/dev/null", "w"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    GraphxResetForTests();
    GraphxEnableAdapter(0, 320, 200, true);
    GraphxInit(nullptr, nullptr, false);
    ResourceOverride(RT_BITMAP, NAME, std::span<const std::uint8_t>(data, size));
    GraphxInitBitmappedFont(nullptr, 0, 2, NAME, NAME);
    GraphxCopyBitmapToSurface(0, 2, nullptr, NAME);
    HDC dc = nullptr;
    if (GetHDC(&dc, 0, 2, -1)) {
        GraphxBitmapString(dc, -3, 190, true, false, "%s", "Lobshot {|}~ 0123");
        GraphxBitmapString(dc, 300, -4, false, true, "%s", "AZaz !");
        GraphxString(dc, 250, 195, 0xFFFFFF, 0, true, "%s", "wind");
        ReleaseHDC(dc, 0, 2, -1);
    }
    ResourceClearOverrides();
    return 0;
}
