// Tests of replays: the file's format and its strict reading, the input a recording keeps, and
// the replay folder's atomic writes and pruning.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/files.h"
#include "replay/replay.h"
#include "replay/store.h"
#include "tests/support/golden.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

// The files and folders synced so far, in order, as the system saw them.
std::vector<std::string> SyncedPaths;

}  // namespace

// Every fsync of the test program passes through here on its way to the system's, so that a test
// can see what was synced and in which order.
extern "C" int fsync(int fd) {
    using Sync = int (*)(int);
    static const auto systems = reinterpret_cast<Sync>(dlsym(RTLD_NEXT, "fsync"));
    std::error_code code;
    const fs::path target = fs::read_symlink("/proc/self/fd/" + std::to_string(fd), code);
    if (!code) SyncedPaths.push_back(target.string());
    return systems(fd);
}

namespace {

ReplayRecord Sample() {
    ReplayRecord r;
    r.seed = 4294967295u;
    r.landscapeGravity = 1;
    r.wind = 3;
    r.controllers = {ControllerHuman, ControllerBeginner, ControllerEasy,  ControllerNormal,
                     ControllerHard,  ControllerExpert,   ControllerHuman, ControllerHard};
    r.events = {{0, ReplayEvent::KeyDown, 13},    {0, ReplayEvent::KeyUp, 13},
                {7, ReplayEvent::KeyRepeat, 255}, {9, ReplayEvent::ActivateApp, 0},
                {9, ReplayEvent::Activate, 2},    {10, ReplayEvent::Joined, 7},
                {11, ReplayEvent::Left, 1},       {11, ReplayEvent::Offline, 0},
                {11, ReplayEvent::Computer, 90},  {12, ReplayEvent::Close, 0}};
    r.steps = 12;
    return r;
}

std::string SampleText() {
    return "lobshot-replay 3\nrules " + std::to_string(RULES_VERSION) +
           "\nseed 4294967295\ngravity 1\nwind 3\ncontrollers human beginner easy normal hard expert human "
           "hard\n0 down 13\n0 up 13\n7 repeat 255\n9 activateapp 0\n9 activate 2\n10 joined 7\n11 left 1\n"
           "11 offline\n11 computer 90\n12 close\nend 12\n";
}

// The text with its line number `line` (1-based) replaced.
std::string WithLine(int line, const std::string& replacement) {
    std::string text = SampleText();
    std::size_t start = 0;
    for (int i = 1; i < line; ++i) start = text.find('\n', start) + 1;
    return text.replace(start, text.find('\n', start) - start, replacement);
}

// The replay's text without its end line.
std::string Unended(const ReplayRecord& replay) {
    const std::string text = FormatReplay(replay);
    return text.substr(0, text.rfind("end "));
}

// A key every 1,000,000 steps, each gap shorter than a quiet spell may be, to a day's run.
ReplayRecord DayLong() {
    ReplayRecord daylong;
    for (std::uint32_t step = 1000000; step < REPLAY_LONGEST_STEPS; step += 1000000)
        daylong.events.push_back({step, ReplayEvent::KeyDown, 'Q'});
    daylong.steps = REPLAY_LONGEST_STEPS;
    return daylong;
}

// What the strict reader says of the text: empty when it reads.
std::string ErrorOf(const std::string& text, ReplayRecord* parsed = nullptr) {
    ReplayRecord ignored;
    std::string error;
    return ParseReplay(text, parsed ? parsed : &ignored, &error) ? std::string() : error;
}

// Every kind of event is written as the sample shows and read back as it was; so are a network
// game's names and chat lines, kept as remarks (refusals.tsv holds the remarks the game would not
// write).
TEST(ReplayFile, WritesAndReadsBackEveryKindOfEventAndRemark) {
    EXPECT_EQ(FormatReplay(Sample()), SampleText());
    ReplayRecord remarks = Sample();
    remarks.events.insert(remarks.events.begin() + 5, {{10, ReplayEvent::Name, 0, "Ann"},
                                                       {10, ReplayEvent::Name, 7, ""},
                                                       {10, ReplayEvent::Chat, 7, "good shot, Ann!"}});
    EXPECT_NE(FormatReplay(remarks).find("\n10 name 0 Ann\n10 name 7\n10 chat 7 good shot, Ann!\n"),
              std::string::npos);
    for (const ReplayRecord& record : {Sample(), remarks, ReplayRecord{}}) {
        ReplayRecord parsed;
        ASSERT_EQ(ErrorOf(FormatReplay(record), &parsed), "");
        EXPECT_EQ(parsed, record);
    }
}

// Lobshot 0.1's replays (formats 1 and 2, "game 0.1", no computer keys) are read and written back
// as they were while only people play them (refusals.tsv holds those naming a computer or holding a
// computer's key).
TEST(ReplayFile, ReadsLobshotZeroPointOnesPeoplesReplays) {
    for (const char* format : {"1", "2"}) {
        const std::string text = std::string("lobshot-replay ") + format +
                                 "\ngame 0.1\nseed 5\ngravity 0\nwind 0\ncontrollers human human human "
                                 "human human human human human\n3 down 13\nend 9\n";
        ReplayRecord parsed;
        ASSERT_EQ(ErrorOf(text, &parsed), "");
        EXPECT_EQ(parsed.format, format[0] - '0');
        EXPECT_EQ(FormatReplay(parsed), text);
    }
}

// A file cut anywhere, even at a line end, is not a whole replay; a cut line ends a replay as an
// end line does, and says the run was cut short.
TEST(ReplayFile, RefusesEveryTruncationAndReadsACutLine) {
    const std::string text = SampleText();
    for (std::size_t length = 0; length < text.size(); ++length)
        EXPECT_EQ(ErrorOf(text.substr(0, length)).rfind("line ", 0), 0u) << length;
    EXPECT_EQ(ErrorOf(text.substr(0, text.size() - 1)), "line 17: the line has no line end");
    ReplayRecord parsed;
    ASSERT_EQ(ErrorOf(WithLine(17, "cut 12"), &parsed), "");
    EXPECT_TRUE(parsed.cutShort);
    EXPECT_EQ(parsed.steps, 12u);
}

// What a run cut short left, cut at any byte: the head and every whole event line after it are
// kept, a torn last line is left out, and the run is cut at the last kept event. Less than the
// whole head is nothing to keep. A whole replay reads as it is.
TEST(ReplayFile, ACutShortRunIsReadToItsLastWholeLine) {
    const ReplayRecord whole = Sample();
    std::string text = FormatReplayHead(whole);
    const std::size_t head = text.size();
    std::vector<std::size_t> lineEnds;
    for (const ReplayEvent& e : whole.events) lineEnds.push_back((text += FormatReplayEvent(e)).size());
    ReplayRecord parsed;
    std::string error;
    for (std::size_t length = 0; length <= text.size(); ++length) {
        const bool kept = ParseCutShortReplay(text.substr(0, length), &parsed, &error);
        ASSERT_EQ(kept, length >= head) << length << ": " << error;
        if (!kept) continue;
        std::size_t events = 0;
        while (events < lineEnds.size() && lineEnds[events] <= length) ++events;
        ASSERT_EQ(parsed.events.size(), events) << length;
        EXPECT_TRUE(std::equal(parsed.events.begin(), parsed.events.end(), whole.events.begin()));
        EXPECT_TRUE(parsed.cutShort);
        EXPECT_EQ(parsed.steps, events ? whole.events[events - 1].step : 0u);
        // Written again, it is a replay the game reads strictly, ending in its cut line.
        ReplayRecord again;
        ASSERT_EQ(ErrorOf(FormatReplay(parsed), &again), "");
        EXPECT_EQ(again, parsed);
        EXPECT_TRUE(FormatReplay(parsed).ends_with("\ncut " + std::to_string(parsed.steps) + "\n"));
    }
    ASSERT_TRUE(ParseCutShortReplay(SampleText(), &parsed, &error)) << error;
    EXPECT_EQ(parsed, Sample());
    EXPECT_FALSE(parsed.cutShort);
    // A damaged line ends what is kept there, and the lines after it are not read.
    ASSERT_TRUE(ParseCutShortReplay(WithLine(9, "7 repeat 256"), &parsed, &error)) << error;
    EXPECT_EQ(parsed.events.size(), 2u);
    EXPECT_EQ(parsed.steps, 0u);
}

// A run goes on at most REPLAY_QUIET_STEPS after its last event (after step 0 when it has none)
// and reaches at most REPLAY_LONGEST_STEPS in all, however its keys are spread: a short file
// claiming billions of frame steps is refused at once, with the figures. What a run cut short left
// is kept up to its last event within the longest run.
TEST(ReplayFile, ReadsRunsUpToTheLongestAGameCanBe) {
    ReplayRecord parsed;
    ASSERT_EQ(ErrorOf(WithLine(17, "end " + std::to_string(12 + REPLAY_QUIET_STEPS)), &parsed), "");
    EXPECT_EQ(parsed.steps, 12 + REPLAY_QUIET_STEPS);
    ReplayRecord quiet;
    quiet.steps = REPLAY_QUIET_STEPS;
    EXPECT_EQ(ErrorOf(FormatReplay(quiet)), "");
    const ReplayRecord daylong = DayLong();
    EXPECT_EQ(ErrorOf(FormatReplay(daylong)), "");
    std::string error;
    ASSERT_TRUE(ParseCutShortReplay(Unended(daylong) + "5000000 down 81\n", &parsed, &error)) << error;
    EXPECT_EQ(parsed.events, daylong.events);
    EXPECT_EQ(parsed.steps, daylong.events.back().step);
}

// The reasons for the sample's damaged lines are kept in refusals.tsv; runs longer than a day are
// refused wherever their keys lie.
TEST(ReplayFile, RefusesOtherVersionsDamageAndEndlessRunsWithTheLineAndReason) {
    for (auto row : GoldenRows("replay/refusals.tsv")) {
        for (std::string& field : row) {
            for (std::size_t at; (at = field.find("$R")) != std::string::npos;)
                field.replace(at, 2, std::to_string(RULES_VERSION));
            for (std::size_t at; (at = field.find("$N")) != std::string::npos;)
                field.replace(at, 2, std::to_string(RULES_VERSION + 1));
        }
        const std::string text = row[0] == "0" ? row[1] : WithLine(std::stoi(row[0]), row[1]);
        EXPECT_NE(ErrorOf(text).find(row[2]), std::string::npos) << row[2] << "\ngot: " << ErrorOf(text);
    }
    const ReplayRecord daylong = DayLong();
    const std::pair<std::string, std::string> longer[] = {
        {Unended(ReplayRecord{}) + "end 2147483647\n", "line 7: the run goes on 2147483647 frame steps"},
        {Unended(daylong) + "end 4320001\n",
         "line 11: the run reaches frame step 4320001; a replay runs at most 4320000 (a day)"},
        {Unended(daylong) + "5000000 down 81\nend 5000000\n", "line 11: the run reaches frame step 5000000"}};
    for (const auto& [text, message] : longer)
        EXPECT_NE(ErrorOf(text).find(message), std::string::npos) << message;
}

// What a recording keeps of the input reaching the game, and the input it plays back: the same
// event again, and for the canonical input, that input.
TEST(ReplayEvents, KeepKeysActivationCloseAndTheNetworksNewsAsTheGameReadsThem) {
    const struct {
        InputEvent input;
        ReplayEvent event;
        bool canonical;
    } kept[] = {
        {InputEvent::Down('Q'), {5, ReplayEvent::KeyDown, 'Q'}, true},
        {InputEvent::Down('Q', true), {5, ReplayEvent::KeyRepeat, 'Q'}, true},
        {InputEvent::Up(VK_F1), {5, ReplayEvent::KeyUp, VK_F1}, true},
        {InputEvent{InputEvent::ActivateApp, 7, false}, {5, ReplayEvent::ActivateApp, 1}, false},
        {InputEvent::AppActivation(false), {5, ReplayEvent::ActivateApp, 0}, true},
        {InputEvent::WindowActivation(WA_CLICKACTIVE), {5, ReplayEvent::Activate, WA_CLICKACTIVE}, true},
        {InputEvent::WindowActivation(9), {5, ReplayEvent::Activate, WA_INACTIVE}, false},
        {InputEvent::WindowActivation(WA_INACTIVE), {5, ReplayEvent::Activate, WA_INACTIVE}, true},
        {InputEvent::Machine(true, 7), {5, ReplayEvent::Joined, 7}, true},
        {InputEvent::Machine(false, 2), {5, ReplayEvent::Left, 2}, true},
        {InputEvent::OffNetwork(), {5, ReplayEvent::Offline, 0}, true},
        {InputEvent::CloseRequest(), {5, ReplayEvent::Close, 0}, true},
        {InputEvent::Computer('X'), {5, ReplayEvent::Computer, 'X'}, true},
    };
    for (const auto& k : kept) {
        SCOPED_TRACE(k.event.kind);
        ReplayEvent e;
        ASSERT_TRUE(ReplayEventFor(k.input, 5, &e));
        EXPECT_EQ(e, k.event);
        ASSERT_TRUE(ReplayEventFor(ReplayEventInput(k.event), 5, &e));
        EXPECT_EQ(e, k.event);
        if (k.canonical) {
            EXPECT_EQ(ReplayEventInput(k.event), k.input);
        }
    }
    // Only machines that can join, and only the game's keys.
    ReplayEvent e;
    for (const InputEvent& input :
         {InputEvent::Machine(true, 0), InputEvent::Machine(false, MAX_MACHINES),
          InputEvent::Computer(KEY_COUNT), InputEvent::Down(KEY_COUNT), InputEvent::Up(KEY_COUNT)})
        EXPECT_FALSE(ReplayEventFor(input, 4, &e)) << input.kind;
}

class ReplayFolder : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return folder_.Path(name); }

    void Touch(const std::string& name, int minutesAgo) const {
        std::ofstream(Path(name)) << "x";
        fs::last_write_time(Path(name), fs::file_time_type::clock::now() - std::chrono::minutes(minutesAgo));
    }

    std::size_t Count(const std::string& suffix) const {
        std::size_t n = 0;
        for (const auto& entry : fs::directory_iterator(folder_.Dir()))
            n += entry.path().string().ends_with(suffix);
        return n;
    }

    TempFolder folder_;
};

// Replays and the desync reports beside them are each kept to the newest fifty; a temporary file of
// either kind is removed once it is old enough that no write can still be making it.
TEST_F(ReplayFolder, PruningKeepsTheNewestFiftyReplaysAndReportsAndClearsLeftoverTemporaries) {
    for (int i = 0; i < 53; ++i) Touch("game" + std::to_string(i) + ".lobshot-replay", 100 - i);
    for (int i = 0; i < 52; ++i) Touch("desync-7-machine1-frame" + std::to_string(i) + ".txt", 200 - i);
    for (const char* name :
         {"notes.txt", "desync-notes.md", "notes.txt.partial", "old.lobshot-replay.partial"})
        Touch(name, 1000);
    Touch("desync-7-machine2-frame9.txt.partial", 11);
    Touch("now.lobshot-replay.partial", 0);
    Touch("desync-7-machine3-frame9.txt.partial", 9);
    const std::string dir = folder_.Dir().string();
    EXPECT_EQ(ReplayPrune(dir, KEPT_REPLAYS), 7u);
    EXPECT_EQ(Count(".lobshot-replay"), 50u);
    EXPECT_EQ(Count(".txt") - 1, 50u) << "the reports and notes.txt";
    for (const char* gone : {"game2.lobshot-replay", "desync-7-machine1-frame1.txt",
                             "old.lobshot-replay.partial", "desync-7-machine2-frame9.txt.partial"})
        EXPECT_FALSE(fs::exists(Path(gone))) << gone;
    for (const char* kept :
         {"game3.lobshot-replay", "desync-7-machine1-frame2.txt", "notes.txt", "desync-notes.md",
          "notes.txt.partial", "now.lobshot-replay.partial", "desync-7-machine3-frame9.txt.partial"})
        EXPECT_TRUE(fs::exists(Path(kept))) << kept;
    EXPECT_EQ(ReplayPrune(dir, KEPT_REPLAYS), 0u);
    EXPECT_EQ(ReplayPrune(Path("missing"), KEPT_REPLAYS), 0u);
}

// Saving makes the folder, names each run apart and prunes; the write syncs the temporary's
// contents before the rename and the folder after it, so that the new name survives a crash.
TEST_F(ReplayFolder, SavingMakesTheFolderNamesEachRunApartSyncsAndPrunes) {
    const std::string folder = Path("data/lobshot/replays");
    std::string first, second, error;
    ASSERT_TRUE(ReplaySaveInDirectory(folder, Sample(), 1, &first, &error)) << error;
    SyncedPaths.clear();
    ASSERT_TRUE(ReplaySaveInDirectory(folder, Sample(), 2, &second, &error)) << error;
    ASSERT_EQ(SyncedPaths.size(), 2u);
    EXPECT_EQ(SyncedPaths[0], (fs::canonical(folder) / fs::path(second).filename()).string() + ".partial");
    EXPECT_EQ(SyncedPaths[1], fs::canonical(folder).string());
    EXPECT_NE(first, second);
    ReplayRecord back;
    ASSERT_TRUE(ReplayReadFile(second, &back, &error)) << error;
    EXPECT_EQ(back, Sample());
    EXPECT_NE(second.find("-seed4294967295"), std::string::npos);

    ASSERT_TRUE(ReplaySaveInDirectory(folder, Sample(), 1, &first, &error)) << error;
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    EXPECT_TRUE(fs::exists(first));
    EXPECT_FALSE(ReplaySaveInDirectory("", Sample(), 1, &first, &error));
    EXPECT_NE(error.find("no folder"), std::string::npos);
}

// A write either replaces the file whole or leaves it as it was, and never leaves its temporary.
TEST_F(ReplayFolder, WritesAreAtomic) {
    const std::string path = Path("run.lobshot-replay");
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path, "old\n", &error)) << error;
    ASSERT_TRUE(WriteFileAtomically(path, SampleText(), &error)) << error;
    EXPECT_EQ(TempFolder::Read(path), SampleText());
    EXPECT_FALSE(fs::exists(path + ".partial"));

    // The temporary cannot be made: nothing changes.
    EXPECT_FALSE(WriteFileAtomically(Path("missing/run.lobshot-replay"), SampleText(), &error));
    EXPECT_NE(error.find("cannot make"), std::string::npos);
    EXPECT_FALSE(fs::exists(Path("missing")));

    // The rename fails (the name is a folder holding a file): the temporary goes, the folder stays.
    fs::create_directories(Path("taken/inside"));
    EXPECT_FALSE(WriteFileAtomically(Path("taken"), SampleText(), &error));
    EXPECT_NE(error.find("cannot rename"), std::string::npos);
    EXPECT_FALSE(fs::exists(Path("taken.partial")));
    EXPECT_TRUE(fs::is_directory(Path("taken/inside")));
}

// The folder follows XDG_DATA_HOME when it is an absolute path, else the home folder.
TEST(ReplayDirectory, FollowsXdgDataHomeThenHome) {
    const char* savedData = std::getenv("XDG_DATA_HOME");
    const char* savedHome = std::getenv("HOME");
    const std::string data = savedData ? savedData : "", home = savedHome ? savedHome : "";
    setenv("XDG_DATA_HOME", "/data", 1);
    setenv("HOME", "/home/player", 1);
    EXPECT_EQ(ReplayDirectory(), "/data/lobshot/replays");
    setenv("XDG_DATA_HOME", "relative", 1);
    EXPECT_EQ(ReplayDirectory(), "/home/player/.local/share/lobshot/replays");
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(ReplayDirectory(), "/home/player/.local/share/lobshot/replays");
    unsetenv("HOME");
    EXPECT_EQ(ReplayDirectory(), "");
    if (savedData) setenv("XDG_DATA_HOME", data.c_str(), 1);
    if (savedHome) setenv("HOME", home.c_str(), 1);
}

}  // namespace
