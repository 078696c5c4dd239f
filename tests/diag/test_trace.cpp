// Tests of the trace facility: row forms, the error copy, the size cap and the exception trail.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "diag/diag.h"
#include "platform/win.h"
#include "tests/support/capture.h"
#include "tests/support/game_fixture.h"
#include "tests/support/temp_folder.h"

namespace {

class TraceTest : public GameTest {};

// Plain rows go to standard output with the error prefix, low rows only when asked for; the last
// error is an error row; long messages are cut at 299 characters.
TEST_F(TraceTest, PlainRowsGoToStandardOutputCutAt299Characters) {
    TraceCapture out;
    DiagTrace(DIAG_ERROR, "main", 12, "Open", "failed %i %s %c", 7, "x", 'y');
    DiagTrace(DIAG_DEBUG, "main", 0, "Time", "took %ims", 3);
    DiagTrace(DIAG_LOW, "main", 5, "Quiet", "->");
    Diag.TraceLowSeverity = true;
    DiagTrace(DIAG_LOW, "main", 5, "Quiet", "->");
    EXPECT_FALSE(DestroyWindow(nullptr));
    DiagLastError();
    DiagTrace(DIAG_DEBUG, "main", 1, "F", "%s", std::string(400, 'a').c_str());
    EXPECT_EQ(out.Text(),
              "ERROR:Open: failed 7 x y\r\nTime: took 3ms\r\nQuiet: ->\r\n"
              "ERROR:-: GetLastError 1400: Invalid window handle.\n\r\nF: " +
                  std::string(299, 'a') + "\r\n");
}

TEST_F(TraceTest, HtmlRowsCarryTheirClassAndErrorsAreCopiedWithoutOneOrThePrefix) {
    std::FILE* trace = std::tmpfile();
    std::FILE* errors = std::tmpfile();
    Diag.TraceHtml = Diag.TraceToFile = Diag.TraceLowSeverity = true;
    Diag.TraceFile = trace;
    Diag.ErrorFile = errors;

    DiagTrace(DIAG_LOW, "Graphx", 3, "GetHDC", "->");
    DiagTrace(DIAG_DEBUG, "Graphx", 0, "Restore", "%s", "restored surface");
    DiagTrace(DIAG_ERROR, "Sound", 76, "SoundInit", "bad <%i>", 4);
    DiagTrace(7, "X", 1, "Odd", "row");

    EXPECT_EQ(
        TraceCapture::ReadAll(trace),
        "<TR class=\"severity_low\"><TD>Graphx</TD><TD>3</TD><TD>GetHDC</TD><TD><PRE>-></PRE></TD></TR>\r\n"
        "<TR class=\"severity_debug\"><TD>Graphx</TD><TD></TD><TD>Restore</TD><TD><PRE>restored surface"
        "</PRE></TD></TR>\r\n"
        "<TR class=\"severity_high\"><TD>Sound</TD><TD>76</TD><TD>SoundInit</TD><TD><PRE>bad <4></PRE>"
        "</TD></TR>\r\n"
        "<TD>X</TD><TD>1</TD><TD>Odd</TD><TD><PRE>row</PRE></TD></TR>\r\n");
    EXPECT_EQ(TraceCapture::ReadAll(errors),
              "<TR><TD>Sound</TD><TD>76</TD><TD>SoundInit</TD><TD><PRE>bad <4></PRE></TD></TR>\r\n");

    // Plain, the error copy has no prefix.
    Diag.TraceHtml = false;
    DiagTrace(DIAG_ERROR, "main", 1, "F", "gone");
    EXPECT_TRUE(TraceCapture::ReadAll(trace).ends_with("</TR>\r\nERROR:F: gone\r\n"));
    EXPECT_TRUE(TraceCapture::ReadAll(errors).ends_with("</TR>\r\nF: gone\r\n"));
}

TEST_F(TraceTest, AFullFileEndsWithTheNoticeAndNothingIsWrittenAnywhereAfterwards) {
    const TempFolder folder;
    const std::string path = folder.Path("trace.txt");
    std::ofstream(path, std::ios::binary) << std::string(DIAG_TRACE_LIMIT + 1, 'x');
    TraceCapture out;
    Diag.TraceToFile = true;
    Diag.TraceFile = std::fopen(path.c_str(), "ab");
    DiagTrace(DIAG_ERROR, "main", 1, "F", "first");
    DiagTrace(DIAG_ERROR, "main", 1, "F", "second");
    EXPECT_TRUE(Diag.TraceTruncated);
    EXPECT_EQ(Diag.TraceFile, nullptr);

    Diag.TraceToFile = false;
    DiagTrace(DIAG_ERROR, "main", 1, "F", "to standard output?");
    EXPECT_EQ(out.Text(), "");

    EXPECT_EQ(TempFolder::Read(path).substr(DIAG_TRACE_LIMIT + 1),
              "----- This trace file has been truncated because it is too long -----");
}

// Three operations deep, an exception leaves one row per operation on its way out, innermost first.
void Innermost() {
    DiagScope scope("Innermost", "main", 30);
    throw std::runtime_error("boom");
}
void Middle() {
    DiagScope scope("Middle", "main", 20);
    Innermost();
}
void Outer() {
    DiagScope scope("Outer", "main", 10, true);
    Middle();
}

TEST_F(TraceTest, ExceptionTrailWritesOneRowPerOperationInnermostFirstAndOnlyThen) {
    TraceCapture out;
    Diag.TraceLowSeverity = true;
    EXPECT_THROW(Outer(), std::runtime_error);
    const std::string trail =
        "Outer: ->\r\nInnermost: <- EXCEPTION\r\nMiddle: <- EXCEPTION\r\nOuter: <- EXCEPTION\r\n";
    EXPECT_EQ(out.Text(), trail);

    // Without low rows, or when the operation ends normally, scopes write nothing more.
    Diag.TraceLowSeverity = false;
    EXPECT_THROW(Outer(), std::runtime_error);
    { DiagScope quiet("Quiet", "main", 1); }
    Diag.TraceLowSeverity = true;
    { DiagScope traced("Traced", "Graphx", 9, true); }
    EXPECT_EQ(out.Text(), trail + "Traced: ->\r\nTraced: <-\r\n");
}

// Without the counter the stopwatch reports and yields zero; with it, it measures from the last
// start (before any start, from the counter's origin).
TEST_F(TraceTest, TheStopwatchMeasuresOnlyWithTheCounter) {
    TraceCapture out;
    DiagStartTiming();
    EXPECT_EQ(DiagStopTiming(), 0.0);
    EXPECT_EQ(DiagGetTime(), 0.0);
    EXPECT_EQ(
        out.Text(),
        "ERROR:DiagStartTiming: Timer is not available.\r\nERROR:DiagStopTiming: Timer is not available.\r\n"
        "ERROR:DiagGetTime: Timer is not available.\r\n");
    DiagEnableTimer();
    EXPECT_GT(DiagStopTiming(), 0.0);
    DiagStartTiming();
    const double interval = DiagStopTiming();
    EXPECT_TRUE(interval >= 0.0 && interval < 1.0) << interval;
    EXPECT_EQ(out.Text().size(), 139u) << "nothing more is reported";
}

TEST_F(TraceTest, EnvironmentOpensAnHtmlTraceWithADocumentHead) {
    const TempFolder folder;
    const std::string path = folder.Path("trace.html");
    setenv("LOBSHOT_TRACE_FILE", path.c_str(), 1);
    setenv("LOBSHOT_TRACE_HTML", "1", 1);
    DiagConfigureFromEnvironment();
    unsetenv("LOBSHOT_TRACE_FILE");
    unsetenv("LOBSHOT_TRACE_HTML");
    DiagTrace(DIAG_ERROR, "main", 1, "F", "x");
    DiagReset();
    const std::string text = TempFolder::Read(path);
    EXPECT_EQ(text.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(text.find("tr.severity_high"), std::string::npos);
    EXPECT_NE(text.find("<TR class=\"severity_high\"><TD>main</TD>"), std::string::npos);
}

}  // namespace
