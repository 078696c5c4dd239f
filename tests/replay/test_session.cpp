// Tests of the run's replay session: what recording keeps, what playback lets through, and when
// it delivers the recorded input and holds at the end; and of the replay written as the game goes:
// when it reaches the file, how a clean end finishes it, and how the next start keeps what a run
// cut short left.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>

#include <algorithm>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "core/globals.h"
#include "platform/backend.h"
#include "replay/journal.h"
#include "replay/replay.h"
#include "replay/session.h"
#include "replay/store.h"
#include "tests/support/capture.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

std::vector<InputEvent> Delivered;

void Record(const InputEvent& input) { Delivered.push_back(input); }

// Every replay part back to its start, a folder and the trace for the test, and the run's input
// as the game received it.
class ReplayRun : public ::testing::Test {
protected:
    void SetUp() override {
        TearDown();
        Delivered.clear();
        trace_.emplace();
    }
    void TearDown() override {
        ReplayResetForTests();
        ReplayJournalResetForTests();
        PlatformResetForTests();
        GlobalsReset();
    }

    static ReplayRecord Recorded() {
        ReplayRecord r;
        r.seed = 77;
        r.wind = 2;
        r.controllers[3] = ControllerHard;
        r.events = {{0, ReplayEvent::KeyDown, 'Q'},
                    {0, ReplayEvent::KeyUp, 'Q'},
                    {2, ReplayEvent::ActivateApp, 0},
                    {2, ReplayEvent::Close, 0},
                    {2, ReplayEvent::KeyDown, 'Z'}};
        r.steps = 3;
        return r;
    }

    std::string Path(const std::string& name) const { return folder_.Path(name); }
    static std::string Read(const std::string& path) { return TempFolder::Read(path); }
    std::string Trace() const { return trace_->Text(); }

    // Runs frame steps, the journal hearing of each; a turn starts at the last when asked.
    static void Steps(int n, bool turnAtLast = false) {
        for (int i = 0; i < n; ++i) {
            ReplayFrameStepRun();
            ReplayJournalAfterStep(turnAtLast && i == n - 1, false);
        }
    }

    TempFolder folder_;
    std::optional<TraceCapture> trace_;
};

TEST_F(ReplayRun, RecordingKeepsTheStartAndStampsInputWithTheStepsBefore) {
    WindOption = WIND_RANDOM;
    SeatControllers[1] = ControllerEasy;
    ReplayRecordInput(InputEvent::Down('A'));  // before start-up chose the seed: not kept
    EXPECT_EQ(ReplayStart(1234), 1234u);
    EXPECT_TRUE(ReplayTakeInput(InputEvent::Down('A')));
    ReplayRecordInput(InputEvent::Down('A'));
    ReplayFrameStepRun();
    ReplayFrameStepRun();
    ReplayRecordInput(InputEvent::Down(KEY_COUNT));  // no key of the game's: not kept
    EXPECT_TRUE(ReplayTakeInput(InputEvent::WindowActivation(WA_INACTIVE)));
    ReplayRecordInput(InputEvent::Up('A'));
    ReplayFrameStepRun();
    EXPECT_FALSE(ReplayDeliverDue(Record));

    const ReplayRecord& r = ReplayRecorded();
    EXPECT_EQ(std::tuple(r.seed, r.wind, r.controllers[1], r.steps, ReplayFrameSteps()),
              std::tuple(1234u, 3, ControllerEasy, 3u, 3u));
    EXPECT_EQ(r.events,
              (std::vector<ReplayEvent>{{0, ReplayEvent::KeyDown, 'A'}, {2, ReplayEvent::KeyUp, 'A'}}));
}

TEST_F(ReplayRun, PlaybackSetsTheStartAndDeliversEachStepsInputUpToTheClose) {
    ReplayLoad(Recorded(), false);
    EXPECT_TRUE(ReplayTakeInput(InputEvent::AppActivation(true)));  // the window's first activation
    EXPECT_EQ(ReplayStart(5), 77u);
    EXPECT_EQ(std::tuple(ReplayPlaying(), WindOption, SeatControllers[3]),
              std::tuple(true, 2, ControllerHard));

    // Real keys and activation never reach the game; the close does, and nothing is recorded.
    for (const InputEvent& input : {InputEvent::Down('X'), InputEvent::WindowActivation(WA_INACTIVE),
                                    InputEvent::AppActivation(false), InputEvent::CloseRequest()})
        EXPECT_EQ(ReplayTakeInput(input), input == InputEvent::CloseRequest()) << input.kind;
    ReplayRecordInput(InputEvent::Down('X'));

    EXPECT_TRUE(ReplayDeliverDue(Record));
    EXPECT_EQ(Delivered, (std::vector<InputEvent>{InputEvent::Down('Q'), InputEvent::Up('Q')}));
    EXPECT_FALSE(ReplayDeliverDue(Record));
    ReplayFrameStepRun();
    EXPECT_FALSE(ReplayDeliverDue(Record));
    ReplayFrameStepRun();
    // The close is the last input delivered: the window is gone.
    EXPECT_TRUE(ReplayDeliverDue(Record));
    EXPECT_EQ(Delivered,
              (std::vector<InputEvent>{InputEvent::Down('Q'), InputEvent::Up('Q'),
                                       InputEvent::AppActivation(false), InputEvent::CloseRequest()}));
    EXPECT_FALSE(ReplayFinished());
    EXPECT_TRUE(ReplayDeliverDue(Record));
    ReplayFrameStepRun();
    EXPECT_EQ(std::tuple(ReplayFinished(), ReplayHolding()), std::tuple(true, false));
    EXPECT_EQ(ReplayRecorded().events, Recorded().events) << "playback records nothing";
}

// A step's computer keys come in the step, after the input due before it: in playback, from the
// replay; in a catch-up the computers' own (here none, with no game) and the recorded ones passed
// over, the difference traced and the recorded ones kept by the recording that carries on.
TEST_F(ReplayRun, ComputerKeysComeInTheirStepFromTheReplayOrInACatchUpFromTheComputers) {
    ReplayRecord r;
    r.events = {{0, ReplayEvent::KeyDown, 'Q'},
                {0, ReplayEvent::Computer, 'X'},
                {0, ReplayEvent::Computer, 'Z'},
                {1, ReplayEvent::KeyUp, 'Q'}};
    r.steps = 2;
    for (bool catchUp : {false, true}) {
        Delivered.clear();
        ReplayLoad(r, false, catchUp);
        ReplayStart(1);
        EXPECT_TRUE(ReplayDeliverDue(Record));
        EXPECT_FALSE(ReplayDeliverDue(Record)) << "the computers' keys wait for the step";
        ReplayComputerKeys(Record);
        ReplayFrameStepRun();
        EXPECT_TRUE(ReplayDeliverDue(Record));
        ReplayFrameStepRun();
        const std::vector<InputEvent> played = {InputEvent::Down('Q'), InputEvent::Computer('X'),
                                                InputEvent::Computer('Z'), InputEvent::Up('Q')};
        const std::vector<InputEvent> caughtUp = {played[0], played[3]};
        EXPECT_EQ(Delivered, catchUp ? caughtUp : played);
        EXPECT_EQ(Trace().find("pressed other keys at frame step 0") != std::string::npos, catchUp);
        EXPECT_EQ(ReplayRecording(), catchUp);
    }
    EXPECT_EQ(ReplayRecorded().events, r.events);
}

// The windowed player keeps the last picture: no close is delivered and no step runs at the end;
// Space and Esc work the player, not the game.
TEST_F(ReplayRun, TheWindowedPlayerHoldsAtTheEndAndTakesSpaceAndEsc) {
    ReplayLoad(Recorded(), true);
    ReplayStart(5);
    // Space toggles fast-forward; held, it does not toggle again.
    for (const InputEvent& space :
         {InputEvent::Down(VK_SPACE), InputEvent::Down(VK_SPACE, true), InputEvent::Up(VK_SPACE)}) {
        EXPECT_FALSE(ReplayTakeInput(space));
        EXPECT_TRUE(ReplayFastForward());
    }

    ReplayDeliverDue(Record);
    ReplayFrameStepRun();
    ReplayFrameStepRun();
    EXPECT_TRUE(ReplayDeliverDue(Record));
    ASSERT_EQ(Delivered.size(), 3u);
    EXPECT_EQ(Delivered[2].kind, InputEvent::ActivateApp);
    EXPECT_FALSE(ReplayDeliverDue(Record));
    EXPECT_FALSE(ReplayHolding());
    ReplayFrameStepRun();
    EXPECT_TRUE(ReplayHolding());

    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(ReplayTakeInput(InputEvent::Down(VK_ESCAPE)));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_CLOSE);
}

// The head is written once recording has started; new events reach the file at a turn's start or
// once the flush interval has passed since the last append, not before; the clean end adds the end
// line and renames the file to the replay's name, holding exactly the replay recorded.
TEST_F(ReplayRun, ReachesTheFileAtTurnsAndIntervalsAndIsRenamedWhole) {
    const std::string file = Path("run.lobshot-replay"), partial = file + ".partial";
    ReplayJournalToFile(file);
    Steps(1);
    EXPECT_FALSE(fs::exists(partial)) << "recording has not started";
    ReplayStart(31);
    Steps(1);
    const std::string head = Read(partial);
    EXPECT_EQ(head, FormatReplayHead(ReplayRecorded()));

    ReplayRecordInput(InputEvent::Down('Z'));
    Steps(5);
    EXPECT_EQ(Read(partial), head) << "nothing due yet";
    Steps(1, true);
    EXPECT_EQ(Read(partial), head + "1 down 90\n") << "a turn started";

    ReplayRecordInput(InputEvent::Up('Z'));
    Steps(JOURNAL_FLUSH_STEPS - 1);
    EXPECT_EQ(Read(partial), head + "1 down 90\n");
    Steps(1);
    EXPECT_EQ(Read(partial), head + "1 down 90\n7 up 90\n") << "the interval passed";

    ReplayRecordInput(InputEvent::CloseRequest());
    std::string saved, error;
    ASSERT_TRUE(ReplayJournalFinish(&saved, &error)) << error;
    EXPECT_EQ(std::tuple(saved, fs::exists(partial), Read(file)),
              std::tuple(file, false, FormatReplay(ReplayRecorded())));
    EXPECT_EQ(ReplayRecorded().events.size(), 3u);
}

// The game's journal is named in its folder once the seed is known, and is held locked while it
// is written: another game's start neither keeps it nor prunes it. A run that did not start
// removes its journal, and finishing without one leaves the caller to write the replay whole.
TEST_F(ReplayRun, TheGamesJournalIsNamedForItsSeedAndHeldWhileWritten) {
    ReplayJournalInFolder(Path("replays"));
    ReplayStart(4242);
    Steps(1);
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(Path("replays"))) files.push_back(entry.path());
    ASSERT_EQ(files.size(), 1u);
    const std::string partial = files[0].string();
    EXPECT_TRUE(partial.ends_with("-seed4242.lobshot-replay.partial")) << partial;
    fs::last_write_time(partial, fs::file_time_type::clock::now() - std::chrono::hours(1));
    EXPECT_TRUE(ReplayFileInUse(partial));
    EXPECT_TRUE(ReplayKeepCutShort(Path("replays")).empty());
    EXPECT_EQ(ReplayPrune(Path("replays"), KEPT_REPLAYS), 0u);
    EXPECT_TRUE(fs::exists(partial));
    ReplayJournalAbandon();
    EXPECT_EQ(std::tuple(fs::exists(partial), ReplayFileInUse(partial)), std::tuple(false, false));
    std::string saved, error;
    EXPECT_FALSE(ReplayJournalFinish(&saved, &error));
    EXPECT_EQ(error, "no replay was written");
}

// A journal that cannot be made is given up with one row, and the run is then saved whole.
TEST_F(ReplayRun, AJournalThatCannotBeMadeIsGivenUpOnce) {
    ReplayJournalToFile(Path("missing/run.lobshot-replay"));
    ReplayStart(1);
    Steps(3, true);
    const std::string trace = Trace();
    EXPECT_NE(trace.find("ERROR:ReplayJournal: The replay cannot be written as the game goes (cannot make"),
              std::string::npos)
        << trace;
    EXPECT_EQ(std::count(trace.begin(), trace.end(), '\n'), 1) << trace;
    std::string saved, error;
    EXPECT_FALSE(ReplayJournalFinish(&saved, &error));
    EXPECT_EQ(error, "the replay could not be written as the game went");
}

// At the next start, each leftover is kept, with one row each: a run cut short (its torn last line,
// which would read as another key, left out) as NAME-cut-short.lobshot-replay ending in its cut
// line; a whole replay whose rename never came under its own name; one without a whole head is
// removed; one another game holds is left alone.
TEST_F(ReplayRun, TheNextStartKeepsWhatARunCutShortLeft) {
    ReplayRecord run;
    run.seed = 9;
    run.events = {{3, ReplayEvent::KeyDown, 'Q'}, {5, ReplayEvent::KeyUp, 'Q'}, {8, ReplayEvent::Close, 0}};
    run.steps = 8;
    const std::string whole = FormatReplay(run);
    const std::string torn = whole.substr(0, whole.find("5 up") + 6);
    std::ofstream(Path("a.lobshot-replay.partial")) << torn;
    std::ofstream(Path("b.lobshot-replay.partial")) << whole;
    std::ofstream(Path("c.lobshot-replay.partial")) << "lobshot-replay 1\ngame";
    std::ofstream(Path("d.lobshot-replay.partial")) << whole;
    std::ofstream(Path("e.txt.partial")) << whole;
    const int held = ::open(Path("d.lobshot-replay.partial").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    std::vector<std::string> kept = ReplayKeepCutShort(folder_.Dir().string());
    std::sort(kept.begin(), kept.end());
    ASSERT_EQ(kept, (std::vector<std::string>{Path("a-cut-short.lobshot-replay"), Path("b.lobshot-replay")}));
    ReplayRecord parsed;
    std::string error;
    ASSERT_TRUE(ReplayReadFile(kept[0], &parsed, &error)) << error;
    EXPECT_EQ(std::tuple(parsed.cutShort, parsed.steps, parsed.events),
              std::tuple(true, 3u, std::vector<ReplayEvent>{run.events[0]}));
    EXPECT_TRUE(Read(kept[0]).ends_with("\n3 down 81\ncut 3\n"));
    EXPECT_EQ(Read(kept[1]), whole);
    for (const char* name : {"a.lobshot-replay.partial", "b.lobshot-replay.partial",
                             "c.lobshot-replay.partial", "d.lobshot-replay.partial", "e.txt.partial"})
        EXPECT_EQ(fs::exists(Path(name)), name[0] >= 'd') << name;
    const std::string trace = Trace();
    EXPECT_NE(
        trace.find("The replay of a run cut short was kept as " + kept[0] + ": 1 events, to frame step 3"),
        std::string::npos)
        << trace;
    EXPECT_NE(trace.find("without a whole head"), std::string::npos) << trace;
    EXPECT_EQ(std::count(trace.begin(), trace.end(), '\n'), 3) << trace;

    // Kept again, nothing changes; once the other game lets go, its file is kept too, under a
    // name of its own.
    EXPECT_TRUE(ReplayKeepCutShort(folder_.Dir().string()).empty());
    ::close(held);
    std::ofstream(Path("b.lobshot-replay.partial")) << torn;
    kept = ReplayKeepCutShort(folder_.Dir().string());
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, (std::vector<std::string>{Path("b-cut-short.lobshot-replay"), Path("d.lobshot-replay")}));
}

}  // namespace
