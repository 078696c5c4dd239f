// Test support for the display layer: a fresh device 0 and raw access to its pixels.
#include "tests/display/display_fixture.h"

#include "platform/resource.h"

void DisplayTest::SetUp() {
    Diag.TraceLowSeverity = false;
    ResourceClearOverrides();
    StartDevices({0});
}

void DisplayTest::TearDown() {
    GraphxResetForTests();
    ResourceClearOverrides();
    Diag.TraceLowSeverity = false;
}

void DisplayTest::StartDevices(std::initializer_list<int> devices) {
    GraphxResetForTests();
    for (int n : devices) GraphxEnableAdapter(n, 320, 200, true);
    GraphxInit(nullptr, nullptr, false);
}

int DisplayTest::MakeSurface(int width, int height) {
    int number = -1;
    EXPECT_TRUE(CreateOSSurface(&number, 0, 2, width, height, MEMORY_KIND_SYSTEM));
    return number;
}

Surface* DisplayTest::Resolve(int n, int s, int nDest) {
    Surface* surface = nullptr;
    EXPECT_TRUE(getDD(n, s, nullptr, &surface, nullptr, nDest));
    return surface;
}

void DisplayTest::FillRaw(int n, int s, std::uint16_t value) {
    Surface* surface = Resolve(n, s);
    for (int y = 0; y < surface->height; ++y) std::fill_n(surface->Row(y), surface->width, value);
}

int DisplayTest::CountNot(int n, int s, std::uint16_t value) {
    Surface* surface = Resolve(n, s);
    int count = 0;
    for (int y = 0; y < surface->height; ++y) {
        for (int x = 0; x < surface->width; ++x) count += surface->Row(y)[x] != value;
    }
    return count;
}
