// Tests of display devices and numbered surfaces: numbering, address resolution and its messages,
// start-up without a display, restoring lost pages, shutdown rows and the error-code table.
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
        {OFFSCREEN, -1, -1, false, "ERROR:getDD: off-screen surface number out of range (-1)"},
        {OFFSCREEN, 0, 9, false,
         "ERROR:getDD: Must specify destination device to get DDraw object for an offscreen surface "
         "(nDest=9)"},
        {OFFSCREEN, 0, -2, false, "(nDest=-2)"},
        {9, 1, -1, false, "ERROR:getDD: Display device out of range (9)"},
        {-1, 1, -1, false, "ERROR:getDD: Display device out of range (-1)"},
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

TEST_F(SurfaceTableTest, ResolvingHandsOutTheRightObjects) {
    const int s = MakeSurface(4, 4);
    DisplayObject* dd = reinterpret_cast<DisplayObject*>(1);
    DR* record = nullptr;
    Surface* surface = nullptr;
    ASSERT_TRUE(getDD(OFFSCREEN, s, &dd, &surface, &record, 5));
    EXPECT_EQ(dd, nullptr);
    EXPECT_EQ(surface, nullptr);
    EXPECT_EQ(record, nullptr);
    ASSERT_TRUE(getDD(0, 1, &dd, &surface, &record, -1));
    EXPECT_EQ(record, &DisplayTable[0]);
    EXPECT_NE(dd, nullptr);
    EXPECT_NE(surface, Resolve(0, 2));
    EXPECT_EQ(surface->width, 320);
    EXPECT_EQ(Resolve(0, 2)->height, 200);
    EXPECT_TRUE(Trace().empty()) << Trace();

    DisplayFaultPlan.throwOnResolve = true;
    EXPECT_FALSE(getDD(0, 1, nullptr, &surface, nullptr, -1));
    EXPECT_TRUE(Traced("ERROR:getDD: Exception"));
}

TEST_F(SurfaceTableTest, EnablingChecksTheDeviceNumber) {
    GraphxEnableAdapter(8, 320, 200, true);
    EXPECT_TRUE(Traced("ERROR:GraphxEnableAdapter: nDevice"));
    EXPECT_FALSE(UseAdapter(8));
    EXPECT_TRUE(Traced("ERROR:UseAdapter: bad n"));
    EXPECT_TRUE(UseAdapter(0));
    EXPECT_FALSE(UseAdapter(1));
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
    EXPECT_EQ(CountNot(0, 1, 0), 0);

    GraphxResetForTests();
    DisplayFaultPlan.failAllPages = true;
    GraphxEnableAdapter(0, 320, 200, true);
    GraphxInit(nullptr, nullptr, false);
    EXPECT_TRUE(Traced("Couldn't create surfaces for device 0: DDERR_OUTOFMEMORY"));
    int number = -1;
    EXPECT_FALSE(CreateOSSurface(&number, 0, 2, 8, 8, MEMORY_KIND_SYSTEM));
    ExpectTraced({"pDDS==NULL, n=0, s=2", "Have you tried to get the texture surface"});
}

TEST_F(SurfaceTableTest, ThreeDimensionalSetUpIsNotAvailable) {
    GraphxResetForTests();
    GraphxEnableAdapter(0, 320, 200, true);
    EXPECT_FALSE(GraphxInit(nullptr, nullptr, true));
    EXPECT_TRUE(Traced("ERROR:GraphxInit: Problem with D3DInit"));
    EXPECT_EQ(MakeSurface(2, 2), 0);
}

TEST_F(SurfaceTableTest, EnumerationRecordsOnlyWellNamedAdapters) {
    DDEnumCallBackEx(nullptr, "second", "\\\\.\\DISPLAY9", nullptr, nullptr);
    EXPECT_TRUE(Traced("ERROR:DDEnumCallBackEx: an too high (9)"));
    DDEnumCallBackEx(nullptr, "odd", "monitor", nullptr, nullptr);
    EXPECT_TRUE(Traced("ERROR:DDEnumCallBackEx: bad adapter name 'monitor'"));
}

using RestoreTest = DisplayTest;

TEST_F(RestoreTest, LostPagesComeBackOnReactivation) {
    Diag.TraceLowSeverity = true;
    Surface* visible = Resolve(0, 1);
    DisplayLoseSurface(visible);
    EXPECT_EQ(SurfaceIsLost(Resolve(0, 2)), DDERR_SURFACELOST);
    EXPECT_TRUE(GraphxRestoreDisplays());
    EXPECT_EQ(SurfaceIsLost(visible), DD_OK);
    EXPECT_EQ(SurfaceIsLost(Resolve(0, 2)), DD_OK);
    ExpectTraced({"restored primary surface 0. dimensions: 320x200",
                  "restored backbuffer surface 0. dimensions: 320x200", "GraphxRestoreDisplays: Finished"});
}

TEST_F(RestoreTest, WrongModeStopsTheRestoreAtOnce) {
    DisplayLoseSurface(Resolve(0, 1));
    DisplayFaultPlan.failRestores = 100;
    DisplayFaultPlan.restoreError = DDERR_WRONGMODE;
    EXPECT_FALSE(GraphxRestoreDisplays());
    EXPECT_EQ(DisplayFaultPlan.restoreCalls, 1);
    EXPECT_TRUE(Traced("ERROR:GraphxRestoreDisplays: Couldn't restore primary surface 0"));
    EXPECT_FALSE(Traced("Finished"));
}

TEST_F(RestoreTest, RestoreIfLostAnswersAtOnceOrGivesUpAfterItsBound) {
    Surface* visible = Resolve(0, 1);
    EXPECT_TRUE(RestoreIfLost(visible));
    EXPECT_EQ(DisplayFaultPlan.restoreCalls, 0);

    DisplayLoseSurface(visible);
    DisplayFaultPlan.failRestores = 3;
    EXPECT_TRUE(RestoreIfLost(visible));
    EXPECT_EQ(DisplayFaultPlan.restoreCalls, 4);

    DisplayLoseSurface(visible);
    DisplayFaultPlan.restoreCalls = 0;
    DisplayFaultPlan.failRestores = 1000;
    EXPECT_FALSE(RestoreIfLost(visible));
    EXPECT_EQ(DisplayFaultPlan.restoreCalls, 8);

    DisplayFaultPlan.isLostError = DDERR_GENERIC;
    EXPECT_FALSE(RestoreIfLost(visible));
    EXPECT_TRUE(Traced("ERROR:RestoreIfLost: isLost 18"));
}

TEST_F(RestoreTest, FinalizeReleasesSurfacesInOrderAndDevicesFromTheTop) {
    MakeSurface(2, 2);
    MakeSurface(2, 2);
    Diag.TraceLowSeverity = true;
    GraphxFinalize();
    const std::string rows = Trace();
    const char* ordered[] = {"Off-screen surface 0 released",
                             "Off-screen surface 1 released",
                             "DirectDraw object 7 wasn't initialised, so it hasn't been released",
                             "DirectDraw object 1 wasn't initialised",
                             "Releasing DirectDraw object 0: ",
                             "   D3DDevice was NULL",
                             "   D3D was NULL",
                             "   back buffer released",
                             "   backbuffer3 released",
                             "   primary surface released",
                             "   primarysurface3 released",
                             "   DD2 object released",
                             "   DD object released"};
    std::size_t at = 0;
    for (const char* row : ordered) {
        const std::size_t found = rows.find(row, at);
        ASSERT_NE(found, std::string::npos) << row << "\n" << rows;
        at = found;
    }
    EXPECT_FALSE(OSSurfaceTable[0].inUse);
    EXPECT_EQ(OSSurfaceTable[1].copies[0], nullptr);
    EXPECT_EQ(DisplayTable[0].primary3, nullptr);
}

TEST(DisplayErrorNames, OrdinalsFollowTheAlphabeticalTable) {
    EXPECT_EQ(DDErrorNumber(DD_OK), 0);
    EXPECT_EQ(DDErrorNumber(MakeDisplayResult(5)), 1);
    EXPECT_EQ(DDErrorNumber(DDERR_GENERIC), 18);
    EXPECT_EQ(DDErrorNumber(DDERR_INVALIDRECT), 32);
    EXPECT_EQ(DDErrorNumber(DDERR_SURFACELOST), 94);
    EXPECT_EQ(DDErrorNumber(DDERR_WRONGMODE), 106);
    EXPECT_EQ(DDErrorNumber(MakeDisplayResult(560)), 107);
    EXPECT_EQ(DDErrorNumber(0x12345678), 108);
    EXPECT_STREQ(DDErrorName(DD_OK), "DD_OK");
    EXPECT_STREQ(DDErrorName(DDERR_INVALIDPARAMS), "DDERR_INVALIDPARAMS");
    EXPECT_STREQ(DDErrorName(0x800401F0u), "DDERR_NOTINITIALIZED");
    EXPECT_STREQ(DDErrorName(MakeDisplayResult(699)), "DDERR_DEVICEDOESNTOWNSURFACE");
    EXPECT_STREQ(DDErrorName(0x12345678), "Unknown Error");
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
}

}  // namespace
