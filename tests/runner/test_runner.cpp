// Tests of the replay runner's script language (its outputs are checked whole by runner_cases.sh).
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "core/globals.h"
#include "platform/win.h"
#include "runner/script.h"
#include "tests/support/golden.h"

namespace {

std::vector<ScriptCommand> Parse(const std::string& text) {
    std::vector<ScriptCommand> commands;
    std::string error;
    EXPECT_TRUE(ParseScript(text, "t.script", &commands, &error)) << error;
    return commands;
}

// The words are kept in runner/script_words.tsv; a number refused leaves the value as it was.
TEST(Script, KeyNamesInAnyCaseAndDecimalNumbersOnly) {
    for (const auto& row : GoldenRows("runner/script_words.tsv")) {
        std::uint32_t value = 99;
        const bool read =
            row[0] == "key" ? (value = KeyCodeFromName(row[1])) != 0 : ParseDecimal(row[1], &value);
        EXPECT_EQ(read ? std::to_string(value) : "refused", row[2]) << row[1];
        EXPECT_TRUE(read || row[0] == "key" || value == 99) << row[1];
    }
}

TEST(Script, CommandsWithCommentsAndBlankLines) {
    auto c = Parse(
        "# a comment\n\nwait 2\npress Down down ENTER   # three keys\nuntil Aiming|EndOfMatch 10\n"
        "until Title\nrepeat X\nactivate 0\nstate out.json\nclose\n  SAY  good  shot, Ann!  # cheer\n");
    ASSERT_EQ(c.size(), 9u);
    EXPECT_EQ(std::tuple(c[0].kind, c[0].count, c[0].line), std::tuple(ScriptCommand::Wait, 2u, 3));
    EXPECT_EQ(c[1].keys, (std::vector<int>{VK_DOWN, VK_DOWN, VK_RETURN}));
    EXPECT_EQ(c[2].modes, (std::vector<std::uint32_t>{Aiming, EndOfMatch}));
    EXPECT_EQ(std::tuple(c[2].count, c[3].count, c[4].kind, c[5].count),
              std::tuple(10u, 100000u, ScriptCommand::Repeat, 0u));
    EXPECT_EQ(std::tuple(c[6].file, c[6].line, c[7].kind), std::tuple("out.json", 9, ScriptCommand::Close));
    EXPECT_EQ(std::tuple(c[8].kind, c[8].file), std::tuple(ScriptCommand::Say, "good  shot, Ann!"));
    EXPECT_EQ(Parse("wait 0010\nuntil Title 000001\n")[0].count, 10u);
}

TEST(Script, ErrorsNameTheFileAndLineWithGarbageEscapedAndCut) {
    std::vector<ScriptCommand> commands;
    std::string error;
    for (const auto& row : GoldenRows("runner/script_errors.tsv")) {
        EXPECT_FALSE(ParseScript(row[0], "t.script", &commands, &error)) << row[0];
        EXPECT_EQ(error, row[1]);
    }
    EXPECT_FALSE(ParseScript("jump\n", "a\nb.script", &commands, &error));
    EXPECT_EQ(error, "a\\x0Ab.script:1: unknown command \"jump\"");
}

}  // namespace
