// Tests of the replay runner's script language.
#include <gtest/gtest.h>

#include "core/globals.h"
#include "headless/script.h"
#include "platform/win.h"

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
        "until Title\nrepeat X\nactivate 0\nstate out.json\nclose\n");
    ASSERT_EQ(c.size(), 8u);
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
}

}  // namespace
