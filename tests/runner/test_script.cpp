// Tests of the replay runner's script language.
#include <gtest/gtest.h>

#include "core/globals.h"
#include "platform/win.h"
#include "runner/script.h"

namespace {

std::vector<ScriptCommand> Parse(const std::string& text) {
    std::vector<ScriptCommand> commands;
    std::string error;
    EXPECT_TRUE(ParseScript(text, "t.script", &commands, &error)) << error;
    return commands;
}

std::string ErrorOf(const std::string& text) {
    std::vector<ScriptCommand> commands;
    std::string error;
    EXPECT_FALSE(ParseScript(text, "t.script", &commands, &error));
    return error;
}

TEST(Script, KeyNamesInAnyCase) {
    EXPECT_EQ(KeyCodeFromName("Enter"), VK_RETURN);
    EXPECT_EQ(KeyCodeFromName("ESC"), VK_ESCAPE);
    EXPECT_EQ(KeyCodeFromName("space"), VK_SPACE);
    EXPECT_EQ(KeyCodeFromName("shift"), VK_SHIFT);
    EXPECT_EQ(KeyCodeFromName("Down"), VK_DOWN);
    EXPECT_EQ(KeyCodeFromName("PadX"), VK_GAMEPAD_X);
    EXPECT_EQ(KeyCodeFromName("pady"), VK_GAMEPAD_Y);
    EXPECT_EQ(KeyCodeFromName("f1"), VK_F1);
    EXPECT_EQ(KeyCodeFromName("F12"), VK_F12);
    EXPECT_EQ(KeyCodeFromName("z"), 'Z');
    EXPECT_EQ(KeyCodeFromName("7"), '7');
    for (const char* bad : {"F0", "F13", "F01", "Tab", "", "ab", "-", "F1x"})
        EXPECT_EQ(KeyCodeFromName(bad), 0) << bad;
}

TEST(Script, CommandsWithCommentsAndBlankLines) {
    auto c = Parse(
        "# a comment\n\nwait 2\npress Down down ENTER   # three keys\nuntil Aiming|EndOfMatch 10\n"
        "until Title\nrepeat X\nactivate 0\nstate out.json\nclose\n  SAY  good  shot, Ann!  # cheer\n");
    ASSERT_EQ(c.size(), 9u);
    EXPECT_EQ(c[0].kind, ScriptCommand::Wait);
    EXPECT_EQ(c[0].count, 2u);
    EXPECT_EQ(c[0].line, 3);
    EXPECT_EQ(c[1].keys, (std::vector<int>{VK_DOWN, VK_DOWN, VK_RETURN}));
    EXPECT_EQ(c[2].modes, (std::vector<std::uint32_t>{Aiming, EndOfMatch}));
    EXPECT_EQ(c[2].count, 10u);
    EXPECT_EQ(c[3].count, 100000u);
    EXPECT_EQ(c[4].kind, ScriptCommand::Repeat);
    EXPECT_EQ(c[5].count, 0u);
    EXPECT_EQ(c[6].file, "out.json");
    EXPECT_EQ(c[6].line, 9);
    EXPECT_EQ(c[7].kind, ScriptCommand::Close);
    EXPECT_EQ(c[8].kind, ScriptCommand::Say);
    EXPECT_EQ(c[8].file, "good  shot, Ann!");
}

TEST(Script, ErrorsNameTheFileAndLine) {
    EXPECT_EQ(ErrorOf("wait 1\njump 3\n"), "t.script:2: unknown command \"jump\"");
    EXPECT_EQ(ErrorOf("press Enter Bogus\n"), "t.script:1: unknown key \"Bogus\"");
    EXPECT_EQ(ErrorOf("wait -1\n"), "t.script:1: bad tick count \"-1\"");
    EXPECT_EQ(ErrorOf("wait 99999999999\n"), "t.script:1: bad tick count \"99999999999\"");
    EXPECT_EQ(ErrorOf("\n\nuntil Terraform\n"), "t.script:3: unknown mode \"Terraform\"");
    EXPECT_EQ(ErrorOf("until Aiming 0\n"), "t.script:1: bad tick limit \"0\"");
    EXPECT_EQ(ErrorOf("activate 2\n"), "t.script:1: activate takes 0 or 1");
    EXPECT_EQ(ErrorOf("down A B\n"), "t.script:1: down takes one key");
    EXPECT_EQ(ErrorOf("press\n"), "t.script:1: press needs keys");
    EXPECT_EQ(ErrorOf("close now\n"), "t.script:1: close takes 0 argument(s)");
    EXPECT_EQ(ErrorOf("state\n"), "t.script:1: state takes 1 argument(s)");
    EXPECT_EQ(ErrorOf("say  # nothing\n"), "t.script:1: say needs a line to say");
}

TEST(Script, GarbageInErrorsComesEscapedAndCut) {
    EXPECT_EQ(ErrorOf("press A \x01\xff\x1b[2J\n"), "t.script:1: unknown key \"\\x01\\xFF\\x1B[2J\"");
    EXPECT_EQ(ErrorOf("wa\x7fit 1\n"), "t.script:1: unknown command \"wa\\x7Fit\"");
    EXPECT_EQ(ErrorOf("\n\nuntil Aiming|\"Title\\\n"), "t.script:3: unknown mode \"\\x22Title\\x5C\"");
    EXPECT_EQ(ErrorOf(std::string("wait 1\0002\n", 9)), "t.script:1: bad tick count \"1\\x002\"");
    const std::string longKey(100, 'k');
    EXPECT_EQ(ErrorOf("press " + longKey + "\n"),
              "t.script:1: unknown key \"" + longKey.substr(0, 60) + "...\"");
    std::vector<ScriptCommand> commands;
    std::string error;
    EXPECT_FALSE(ParseScript("jump\n", "a\nb.script", &commands, &error));
    EXPECT_EQ(error, "a\\x0Ab.script:1: unknown command \"jump\"");
}

TEST(Script, DecimalNumbersOnly) {
    std::uint32_t value = 99;
    for (const char* good : {"0", "007", "4294967295", "0000000000004294967295"}) {
        EXPECT_TRUE(ParseDecimal(good, &value)) << good;
    }
    EXPECT_EQ(value, 4294967295u);
    EXPECT_TRUE(ParseDecimal("007", &value));
    EXPECT_EQ(value, 7u);
    value = 99;
    for (const char* bad :
         {"", "+7", "-0", " 7", "7 ", "0x10", "1e3", "4294967296", "18446744073709551617", "7a"})
        EXPECT_FALSE(ParseDecimal(bad, &value)) << bad;
    EXPECT_EQ(value, 99u);
    EXPECT_EQ(Parse("wait 0010\nuntil Title 000001\n")[0].count, 10u);
}

}  // namespace
