// Tests of entering a room's code: pasted text (codes, links, hostile text) and the pad's letters.
#include <gtest/gtest.h>

#include <string>

#include "net/room_code.h"
#include "online/text_entry.h"

namespace {

TEST(TextEntryTest, PastedTextGivesTheCodeOfACodeOrALinkAndNothingElse) {
    const std::string tooLong = "https://play.example.org/#room=K7QX2M9P&" + std::string(10 * 1024, 'a');
    const struct {
        std::string text;
        const char* code;  // null: refused
    } cases[] = {{"K7QX2M9P", "K7QX2M9P"},
                 {"  k7qx-2m9p\r\n", "K7QX2M9P"},
                 {"https://play.example.org/#room=K7QX2M9P", "K7QX2M9P"},
                 {"https://play.example.org/#seed=4&watch=k7qx2m9p&relay=a:1", "K7QX2M9P"},
                 {"https://play.example.org/#room=K7QX", nullptr},
                 {"https://play.example.org/", nullptr},
                 {"K7QX\x1b[2J2M9P", nullptr},
                 {std::string("K7QX\0002M9P", 9), nullptr},
                 {"https://play.example.org/#room=K7QX2M9P\x07", nullptr},
                 {tooLong, nullptr},
                 {"", nullptr}};
    for (const auto& c : cases) {
        std::string code, error;
        const bool taken = online::CodeFromPaste(c.text, &code, &error);
        EXPECT_EQ(taken, c.code != nullptr) << c.text.substr(0, 60);
        EXPECT_EQ(c.code ? code : error.empty() ? "" : "refused", c.code ? c.code : "refused");
    }
}

TEST(TextEntryTest, TypingThePadAndBackKeepToTheAlphabetAndTheLength) {
    online::TextEntry entry(net::kCodeAlphabet, net::kRoomCodeLength);
    EXPECT_FALSE(entry.Type('O'));  // not of the alphabet
    EXPECT_TRUE(entry.Type('k'));
    entry.Step(-1);  // wraps to the last character
    EXPECT_EQ(entry.Offered(), 'Z');
    entry.Step(1);  // and back round to the first
    EXPECT_EQ(entry.Offered(), '2');
    EXPECT_TRUE(entry.Confirm());
    EXPECT_TRUE(entry.Confirm());  // the character stays offered for the next place
    EXPECT_EQ(entry.Text(), "K22");
    entry.Back();
    EXPECT_EQ(entry.Text(), "K2");
    for (int i = 0; i < 10; ++i) entry.Type('9');
    EXPECT_EQ(entry.Text(), "K2999999");
    EXPECT_TRUE(entry.Full());
    EXPECT_FALSE(entry.Confirm());
}

}  // namespace
