// Tests of display devices and numbered surfaces: numbering, address resolution and its messages,
// start-up without a display, restoring lost pages, shutdown order and the error-code table.
#include <string>

#include "display/device/dd_errors.h"
#include "tests/display/display_fixture.h"
#include "tests/support/golden.h"

namespace {

using SurfaceTableTest = DisplayTest;

TEST_F(SurfaceTableTest, NumbersRunFromZeroAndTheHundredAndFirstIsRefused) {
    for (int expected = 0; expected < 100; ++expected) ASSERT_EQ(MakeSurface(2, 2), expected);
    int number = -7;
    EXPECT_FALSE(CreateOSSurface(&number, 0, 2, 2, 2, MEMORY_KIND_SYSTEM));
    EXPECT_EQ(number, -7);
    EXPECT_TRUE(Traced("ERROR:CreateOSSurface: Too many off-screen surfaces"));
    EXPECT_NE(Resolve(OFFSCREEN, 0), nullptr);
    EXPECT_NE(Resolve(OFFSCREEN, 99), nullptr);
    EXPECT_EQ(OSSurfaceCount, 100);
}

TEST_F(SurfaceTableTest, RefusedCreationHandsOutNoNumber) {
    EXPECT_EQ(MakeSurface(4, 4), 0);
    DisplayFaultPlan.failSurfaceCreations = 1;
    int number = -1;
    EXPECT_FALSE(CreateOSSurface(&number, 0, 2, 30, 40, 9));
    ExpectTraced({"CreateSurface with ANY memory: DDERR_OUTOFMEMORY", "Tried to make 30x40 surface"});
    EXPECT_EQ(OSSurfaceCount, 1);
    EXPECT_EQ(MakeSurface(4, 4), 1);
    EXPECT_EQ(Resolve(OFFSCREEN, 1)->width, 4);
}

// Each address that does not resolve to a surface (addresses.tsv) says why.
TEST_F(SurfaceTableTest, EveryAddressMessage) {
    MakeSurface(4, 4);
    for (const auto& row : GoldenRows("display/addresses.tsv")) {
        TraceCapture capture;
        Surface* surface = reinterpret_cast<Surface*>(1);
        EXPECT_EQ(getDD(std::stoi(row[0]), std::stoi(row[1]), nullptr, &surface, nullptr, std::stoi(row[2])),
                  row[3] == "yes")
            << row[4];
        EXPECT_NE(capture.Text().find(row[4]), std::string::npos) << capture.Text();
        EXPECT_TRUE(row[3] == "no" || surface == nullptr) << row[4];
    }
}

TEST_F(SurfaceTableTest, StartUpWithoutADisplayStillSucceedsButMakesNoSurface) {
    GraphxResetForTests();
    DisplayFaultPlan.failDisplayObject = true;
    GraphxEnableAdapter(0, 320, 200, true);
    EXPECT_TRUE(GraphxInit(nullptr, nullptr, false));
    EXPECT_TRUE(Traced("DirectDrawCreate - DDERR_NODIRECTDRAWHW for guid 0"));
    int number = -1;
    EXPECT_FALSE(CreateOSSurface(&number, 0, 2, 320, 200, MEMORY_KIND_SYSTEM));
    EXPECT_TRUE(Traced("Tried to access Direct Draw object that wasn't ready (0)"));
    EXPECT_EQ(GraphxCanFlip(0, 1), 0x80070057u);
}

TEST_F(SurfaceTableTest, PagesFallBackToAnyMemoryAndTheirAbsenceStopsSurfaces) {
    GraphxResetForTests();
    DisplayFaultPlan.failVideoPages = true;
    GraphxEnableAdapter(0, 320, 200, true);
    GraphxInit(nullptr, nullptr, false);
    EXPECT_TRUE(Traced("Couldn't get video memory for primary surface of device 0, using system memory"));
    EXPECT_EQ(MakeSurface(8, 8), 0);

    GraphxResetForTests();
    DisplayFaultPlan.failAllPages = true;
    GraphxEnableAdapter(0, 320, 200, true);
    GraphxInit(nullptr, nullptr, false);
    EXPECT_TRUE(Traced("Couldn't create surfaces for device 0: DDERR_OUTOFMEMORY"));
    int number = -1;
    EXPECT_FALSE(CreateOSSurface(&number, 0, 2, 8, 8, MEMORY_KIND_SYSTEM));
}

// What each operation does with a lost page or source (lost_surfaces.tsv): restores it and goes
// on, or gives up after a bounded number of tries and says so.
TEST_F(DisplayTest, LostSurfacesAreRestoredOrGivenUpAfterABound) {
    for (const auto& row : GoldenRows("display/lost_surfaces.tsv")) {
        SCOPED_TRACE(row[0] + ", " + row[7]);
        StartDevices({0});
        TraceCapture capture;
        Diag.TraceLowSeverity = true;
        const int source = MakeSurface(20, 20);
        FillRaw(OFFSCREEN, source, 0xFFFF);
        DisplayLoseSurface(row[1] == "3" ? Resolve(OFFSCREEN, source) : Resolve(0, std::stoi(row[1])));
        DisplayFaultPlan.failRestores = std::stoi(row[2]);
        DisplayFaultPlan.restoreKeepsLost = row[3] == "yes";
        if (row[4] == "WRONGMODE") DisplayFaultPlan.restoreError = DDERR_WRONGMODE;
        HDC dc = nullptr;
        bool succeeded = false;
        if (row[0] == "context" && (succeeded = GetHDC(&dc, 0, 2, -1))) ReleaseHDC(dc, 0, 2, -1);
        if (row[0] == "clear") succeeded = ClearScreen(0, 2, 0xFFFF, -1, 0, 0, 0);
        if (row[0] == "copy")
            succeeded = GraphxBlitSurfaceAt(OFFSCREEN, source, 0, 2, 0, 0, 0, 0, 20, 20, true, false, false,
                                            nullptr) == GRAPHX_BLIT_OK;
        if (row[0] == "restore") succeeded = RestoreIfLost(Resolve(0, 1));
        if (row[0] == "restore all") succeeded = GraphxRestoreDisplays();
        EXPECT_EQ(succeeded, row[5] == "yes");
        EXPECT_TRUE(row[6].empty() || DisplayFaultPlan.restoreCalls == std::stoi(row[6]))
            << DisplayFaultPlan.restoreCalls;
        EXPECT_NE(capture.Text().find(row[7]), std::string::npos) << capture.Text();
        EXPECT_TRUE((row[0] != "clear" && row[0] != "copy") || (CountNot(0, 2, 0) > 0) == succeeded);
    }
}

TEST_F(DisplayTest, FinalizeReleasesSurfacesInOrderAndDevicesFromTheTop) {
    MakeSurface(2, 2);
    MakeSurface(2, 2);
    Diag.TraceLowSeverity = true;
    GraphxFinalize();
    const std::string rows = Trace();
    const char* ordered[] = {"Off-screen surface 0 released",
                             "Off-screen surface 1 released",
                             "DirectDraw object 1 wasn't initialised",
                             "Releasing DirectDraw object 0: ",
                             "   back buffer released",
                             "   primary surface released",
                             "   DD object released"};
    std::size_t at = 0;
    for (const char* row : ordered) {
        const std::size_t found = rows.find(row, at);
        ASSERT_NE(found, std::string::npos) << row << "\n" << rows;
        at = found;
    }
    EXPECT_FALSE(OSSurfaceTable[0].inUse);
}

TEST(DisplayErrorNames, EveryKnownCodeHasItsOwnOrdinal) {
    std::vector<bool> seen(109, false);
    int known = 0;
    const std::uint32_t shared[] = {E_FAIL, E_NOTIMPL, E_INVALIDARG, E_OUTOFMEMORY, 0x800401F0u};
    auto visit = [&](std::uint32_t code) {
        const int number = DDErrorNumber(code);
        if (number == 108) return;
        EXPECT_FALSE(seen[number]) << DDErrorName(code);
        seen[number] = true;
        ++known;
    };
    for (std::uint32_t code = 0; code < 1000; ++code) visit(MakeDisplayResult(code));
    for (std::uint32_t code : shared) visit(code);
    EXPECT_EQ(known, 107);
    EXPECT_EQ(DDErrorNumber(DDERR_WRONGMODE), 106);
    EXPECT_STREQ(DDErrorName(0x800401F0u), "DDERR_NOTINITIALIZED");
    EXPECT_STREQ(DDErrorName(0x12345678), "Unknown Error");
}

}  // namespace
