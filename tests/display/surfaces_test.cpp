// Tests of display devices and numbered surfaces: numbering, address resolution and its messages,
// start-up without a display, restoring lost pages, shutdown order and the error-code table.
#include <string>

#include "display/device/dd_errors.h"
#include "tests/display/display_fixture.h"

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

TEST_F(SurfaceTableTest, EveryAddressMessage) {
    MakeSurface(4, 4);
    const struct {
        int n, s, nDest;
        bool resolves;
        const char* row;
    } cases[] = {
        {OFFSCREEN, 1, -1, false, "ERROR:getDD: off-screen surface number out of range (1)"},
        {OFFSCREEN, 0, 9, false,
         "ERROR:getDD: Must specify destination device to get DDraw object for an offscreen surface "
         "(nDest=9)"},
        {9, 1, -1, false, "ERROR:getDD: Display device out of range (9)"},
        {1, 2, -1, false, "ERROR:getDD: Tried to access Direct Draw object that wasn't ready (1)"},
        {0, 4, -1, false, "ERROR:getDD: Bad display number (4)"},
        {0, 0, -1, false, "ERROR:getDD: Bad display number (0)"},
        {0, 3, -1, true, "ERROR:getDD: *lplpDDS is null"},
    };
    for (const auto& c : cases) {
        TraceCapture capture;
        Surface* surface = reinterpret_cast<Surface*>(1);
        EXPECT_EQ(getDD(c.n, c.s, nullptr, &surface, nullptr, c.nDest), c.resolves) << c.row;
        EXPECT_NE(capture.Text().find(c.row), std::string::npos) << capture.Text();
        EXPECT_TRUE(!c.resolves || surface == nullptr) << c.row;
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

// What each operation does with a lost page or source: restores it and goes on, or gives up after
// a bounded number of tries and says so. `plan` sets up the device's faults for the row.
TEST_F(DisplayTest, LostSurfacesAreRestoredOrGivenUpAfterABound) {
    enum Op { CONTEXT, CLEAR, COPY, RESTORE, RESTORE_ALL };
    const struct {
        Op op;
        int lose;  // 1 the visible page, 2 the back page, 3 the copy's source
        int failRestores;
        bool keepsLost;
        std::uint32_t restoreError;
        bool succeeds;
        int restoreCalls;
        const char* row;
    } cases[] = {
        {CONTEXT, 2, 0, false, 0, true, 1, "GetHDC: restored surface"},
        {CONTEXT, 1, 0, true, 0, false, 4,
         "ERROR:GetHDC: Restores a few times but can't get a DC - giving up"},
        {CONTEXT, 1, 1, false, DDERR_WRONGMODE, false, 1, "ERROR:GetHDC: restore error 106"},
        {CLEAR, 2, 0, false, 0, true, 1, ""},
        {CLEAR, 2, 1, false, 0, false, 1, "ERROR:ClearScreen: lpDDS->Blt, couldn't restore surface"},
        {CLEAR, 2, 0, true, 0, false, -1, "surface still lost"},
        {COPY, 2, 0, false, 0, true, 1, ""},
        {COPY, 3, 0, false, 0, true, 1, ""},
        {COPY, 2, 1, false, 0, false, 1, "Blt or BltFast returned Couldn't restore destination surface"},
        {COPY, 2, 0, true, 0, false, -1, "Gave up after 8 restores of lost surfaces"},
        {RESTORE, 1, 3, false, 0, true, 4, ""},
        {RESTORE, 1, 1000, false, 0, false, 8, ""},
        {RESTORE_ALL, 1, 0, false, 0, true, 1, "restored backbuffer surface 0. dimensions: 320x200"},
        {RESTORE_ALL, 1, 100, false, DDERR_WRONGMODE, false, 1, "Couldn't restore primary surface 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "operation " << c.op << ", row " << c.row);
        StartDevices({0});
        TraceCapture capture;
        Diag.TraceLowSeverity = true;
        const int source = MakeSurface(20, 20);
        FillRaw(OFFSCREEN, source, 0xFFFF);
        DisplayLoseSurface(c.lose == 3 ? Resolve(OFFSCREEN, source) : Resolve(0, c.lose));
        DisplayFaultPlan.failRestores = c.failRestores;
        DisplayFaultPlan.restoreKeepsLost = c.keepsLost;
        if (c.restoreError) DisplayFaultPlan.restoreError = c.restoreError;
        HDC dc = nullptr;
        bool succeeded = false;
        switch (c.op) {
            case CONTEXT:
                succeeded = GetHDC(&dc, 0, 2, -1);
                if (succeeded) ReleaseHDC(dc, 0, 2, -1);
                break;
            case CLEAR:
                succeeded = ClearScreen(0, 2, 0xFFFF, -1, 0, 0, 0);
                break;
            case COPY:
                succeeded = GraphxBlitSurfaceAt(OFFSCREEN, source, 0, 2, 0, 0, 0, 0, 20, 20, true, false,
                                                false, nullptr) == GRAPHX_BLIT_OK;
                break;
            case RESTORE:
                succeeded = RestoreIfLost(Resolve(0, 1));
                break;
            case RESTORE_ALL:
                succeeded = GraphxRestoreDisplays();
                break;
        }
        EXPECT_EQ(succeeded, c.succeeds);
        EXPECT_TRUE(c.restoreCalls < 0 || DisplayFaultPlan.restoreCalls == c.restoreCalls)
            << DisplayFaultPlan.restoreCalls;
        EXPECT_NE(capture.Text().find(c.row), std::string::npos) << capture.Text();
        EXPECT_TRUE((c.op != CLEAR && c.op != COPY) || (CountNot(0, 2, 0) > 0) == c.succeeds);
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
