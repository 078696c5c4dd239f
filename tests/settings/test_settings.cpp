// Tests of the settings file: what a file's text makes and reports, a missing or huge file, the
// round trip, and a write that fails.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "settings/settings.h"
#include "tests/support/capture.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace std::literals;

struct Case {
    std::string_view text;
    Settings expected;
    std::vector<std::string> faults;
};

Settings Make(bool fullscreen, int volume, bool mute, std::string name, std::string relay,
              std::vector<std::string> unknown = {}) {
    Settings settings;
    settings.fullscreen = fullscreen;
    settings.volume = volume;
    settings.mute = mute;
    settings.name = std::move(name);
    settings.relay = std::move(relay);
    settings.unknown = std::move(unknown);
    return settings;
}

// The language, tank numbers and last game's choice of a file that has them.
Settings WithGame(Settings settings) {
    settings.language = "de";
    settings.tankNumbers = true;
    settings.game = {true, 3, {0, 2, 5, 0, 1, 0, 0, 4}, 1, 2};
    return settings;
}

// The same settings: the same text in the file (which holds every one of them).
void ExpectSame(const Settings& expected, const Settings& got) {
    EXPECT_EQ(SettingsText(expected), SettingsText(got));
}

TEST(Settings, TextMakesSettingsAndReportsEachBadLine) {
    const std::string longLine = "name = " + std::string(300, 'a');
    const Case cases[] = {
        {"", Make(true, 100, false, "", ""), {}},
        {"# c\r\nfullscreen = false\r\n  volume=70 \nmute = true\nname =  Ada  Lovelace the First\n"
         "relay = relay.example.org:1883\n\n",
         Make(false, 70, true, "Ada Lovelace the", "relay.example.org:1883"),
         {}},
        {"volume = 101\nvolume = -1\nvolume = 7x\nfullscreen = yes\nmute\nname = \x01\x02\nrelay = nowhere\n"
         "volume = 30",
         Make(true, 30, false, "", ""),
         {"f line 1: volume is a number from 0 to 100", "f line 2: volume is a number from 0 to 100",
          "f line 3: volume is a number from 0 to 100", "f line 4: fullscreen is true or false",
          "f line 5: the line is not key = value", "f line 6: the line is not text", "f line 7: "}},
        {"colour = red\n= 3\n",
         Make(true, 100, false, "", "", {"colour = red"}),
         {"f line 1: unknown key \"colour\"", "f line 2: unknown key \"\""}},
        {"language = de\ntank_numbers = true\nplayers = 3\nseats = human easy expert human beginner human "
         "human hard\ngravity = on\nwind = variable\nlanguage = xx\nplayers = 9\nseats = human\n"
         "gravity = 1\nwind = gale\ntank_numbers = 1\n",
         WithGame(Make(true, 100, false, "", "")),
         {"f line 7: language is", "f line 8: players is", "f line 9: seats are", "f line 10: gravity is",
          "f line 11: wind is", "f line 12: tank_numbers is"}},
        {"\x7f\xff\x00junk\nmute = true\n"sv,
         Make(true, 100, true, "", ""),
         {"f line 1: the line is not text"}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(std::string(test.text));
        std::vector<std::string> faults;
        ExpectSame(test.expected, SettingsParse(test.text, "f", &faults));
        ASSERT_EQ(test.faults.size(), faults.size());
        for (std::size_t i = 0; i < faults.size(); ++i)
            EXPECT_TRUE(faults[i].starts_with(test.faults[i])) << faults[i];
    }
    std::vector<std::string> faults;
    ExpectSame(Make(true, 100, false, "", ""), SettingsParse(longLine + "\n", "f", &faults));
    EXPECT_EQ(std::vector<std::string>{"f line 1: the line is too long"}, faults);
}

TEST(Settings, MissingFileIsTheDefaultsSilentlyAndAHugeOneIsCut) {
    TempFolder folder;
    TraceCapture trace;
    ExpectSame(Settings{}, SettingsRead(folder.Path("none")));
    EXPECT_EQ("", trace.Text());
    std::ofstream(folder.Path("huge")) << "volume = 40\n"
                                       << std::string(SETTINGS_LARGEST_FILE, '#') << "\nmute = true\n";
    ExpectSame(Make(true, 40, false, "", ""), SettingsRead(folder.Path("huge")));
    EXPECT_NE(std::string::npos, trace.Text().find("longer than 64 KiB")) << trace.Text();
}

TEST(Settings, WrittenSettingsReadBackAndAFailedWriteLeavesTheOldFile) {
    TempFolder folder;
    const std::string path = folder.Path("lobshot/settings");
    const Settings written = WithGame(Make(false, 30, true, "Ada", "10.0.0.1:1883", {"colour = red"}));
    ASSERT_TRUE(SettingsWrite(path, written));
    ExpectSame(written, SettingsRead(path));
    EXPECT_TRUE(TempFolder::Read(path).starts_with("#"));

    // A folder where the temporary file would go makes the write fail, even for root.
    std::filesystem::create_directory(path + ".partial");
    TraceCapture trace;
    EXPECT_FALSE(SettingsWrite(path, Settings{}));
    ExpectSame(written, SettingsRead(path));
    EXPECT_NE(std::string::npos, trace.Text().find("not saved in " + path)) << trace.Text();
}

TEST(Settings, TheCommandLineOverridesThisRunOnly) {
    struct Row {
        std::vector<const char*> args;
        bool fullscreen, mute;
    };
    const Settings saved = Make(false, 60, false, "Ada", "");
    const Row rows[] = {{{}, false, false},
                        {{"--fullscreen"}, true, false},
                        {{"--windowed", "--mute"}, false, true},
                        {{"--nosound"}, false, false}};
    for (const Row& row : rows) {
        SettingsOverrides overrides;
        for (const char* arg : row.args) EXPECT_TRUE(SettingsTakeOption(arg, &overrides)) << arg;
        const Settings run = SettingsForRun(saved, overrides);
        EXPECT_EQ(row.fullscreen, run.fullscreen) << row.args.size();
        EXPECT_EQ(row.mute, run.mute) << row.args.size();
        EXPECT_EQ(60, run.volume);
    }
    SettingsOverrides overrides;
    EXPECT_FALSE(SettingsTakeOption("--name", &overrides));
    EXPECT_TRUE(SettingsTakeOption("--nosound", &overrides) && overrides.nosound);
}

}  // namespace
