// Tests of the online menu through the real game loop (the title's offer, the pages' keys, the
// requests it starts, its errors, and taps on its lines), and of entering a room's code: pasted text
// (codes, links, hostile text) and the pad's letters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/globals.h"
#include "net/room_code.h"
#include "online/online_menu.h"
#include "online/online_start.h"
#include "online/text_entry.h"
#include "pointer/pointer_keys.h"
#include "tests/support/game_fixture.h"

namespace {

std::vector<OnlineRequest> Requests;
bool StartFails = false;

bool RecordStart(const OnlineRequest& request, OnlineRoom* room, std::string* error) {
    Requests.push_back(request);
    if (StartFails) *error = "The relay cannot be reached.";
    if (!StartFails) room->code = "K7QX2M9P";
    return !StartFails;
}

std::string Relay() { return "relay.example.org:1883"; }

class OnlineMenuTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        Requests.clear();
        StartFails = false;
        SetOnlineStarter(&RecordStart);
        SetOnlineRelay(&Relay, nullptr);
    }
    // Plays the keys, then a few quiet steps (a start waits for its page to be shown).
    void Play(const std::vector<int>& keys) {
        std::vector<StepDriver::Step> steps{Keys()};
        for (int key : keys) steps.push_back(Keys({key}));
        for (int i = 0; i < 3; ++i) steps.push_back(Keys());
        ASSERT_EQ(RunGame(1, steps), 0);
    }
};

std::vector<int> Typed(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<int> Join(std::vector<int> keys) {
    keys.insert(keys.begin(), {'O', VK_DOWN, VK_RETURN});
    return keys;
}

TEST_F(OnlineMenuTest, KeysOpenJoinAndWatchRoomsAndTheTitleKeepsItsOwn) {
    std::vector<int> typed = Join(Typed("K7QX2M9P"));
    typed.push_back(VK_RETURN);
    std::vector<int> pad{'O', VK_DOWN, VK_DOWN, VK_GAMEPAD_X};  // pad X on the menu does nothing
    pad.push_back(VK_RETURN);
    pad.push_back(VK_UP);
    for (int i = 0; i < 9; ++i) pad.push_back(VK_SPACE);  // eight letters taken, then the room
    // A start that fails: the error page takes Enter back to the menu, where Enter opens a room again
    // (Shift: a step while it tries).
    const std::vector<int> failing{'O', VK_RETURN, VK_SHIFT, VK_RETURN, VK_RETURN};
    const struct {
        const char* name;
        std::vector<int> keys;
        std::size_t started;
        OnlineAction action;
        const char* code;
        bool shown;
        GameMode mode = Title;
    } cases[] = {
        {"open", {VK_GAMEPAD_X, VK_RETURN}, 1, OnlineAction::Open, "", true},
        {"open by its letter", {'O', 'O'}, 1, OnlineAction::Open, "", true},
        {"join typed", typed, 1, OnlineAction::Join, "K7QX2M9P", false},
        {"join pasted", Join({VK_INSERT, VK_RETURN}), 1, OnlineAction::Join, "K7QX2M9P", false},
        {"watch by pad", pad, 1, OnlineAction::Watch, "22222222", false},
        {"a short code is not sent", Join({'K', '7', VK_RETURN}), 0, {}, "", true},
        {"back, back, then the title's Enter",
         Join({VK_ESCAPE, VK_ESCAPE, VK_RETURN}),
         0,
         {},
         "",
         false,
         PlayerChoice},
        {"up wraps to the relay", {'O', VK_UP, VK_RETURN, VK_BACK, VK_ESCAPE}, 0, {}, "", true},
        {"a failed start", failing, 2, OnlineAction::Open, "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResetEverything();
        SetUp();
        StartFails = c.keys == failing;
        HeadlessClipboardTwin().pasted = "https://play.example.org/#room=k7qx-2m9p\n";
        Play(c.keys);
        ASSERT_EQ(Requests.size(), c.started);
        for (const OnlineRequest& request : Requests) {
            EXPECT_EQ(request.action, c.action);
            EXPECT_EQ(request.code, c.code);
        }
        EXPECT_EQ(OnlineMenuShown(), c.shown);
        EXPECT_EQ(CurrentMode, c.mode);
    }
}

TEST_F(OnlineMenuTest, TapsOnTheOfferAndOnTheMenusLettersPressTheirKeys) {
    PointerKeys pointer;
    const auto tap = [&pointer](int x, int y) {
        std::vector<InputEvent> out;
        pointer.Press(PointerScreenShown(), PointerKeys::ButtonMain, x, y, 0, &out);
        pointer.Release(PointerScreenShown(), &out);
        return out.empty() ? 0 : static_cast<int>(out[0].value);
    };
    std::vector<int> title, menu;
    ASSERT_EQ(RunGame(1, {Keys(), Keys(), Do([&] {
                              title = {tap(160, 182), tap(160, 100)};
                          }),
                          Keys({'O'}), Keys({VK_DOWN}), Keys({VK_RETURN}), Keys(), Do([&] {
                              menu = {tap(20, 58), tap(300, 106), tap(280, 130)};
                          })}),
              0);
    EXPECT_EQ(title, (std::vector<int>{'O', VK_SPACE}));
    EXPECT_EQ(menu, (std::vector<int>{'2', 'Z', VK_RETURN}));  // the first letter, the last, Go
}

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
