// The online menu's pages, keys, drawing and taps.
#include "online/online_menu.h"

#include <string>
#include <vector>

#include "core/globals.h"
#include "display/gdi.h"
#include "display/graphx.h"
#include "net/room_code.h"
#include "net/transport.h"
#include "netplay/lockstep.h"
#include "online/online_start.h"
#include "online/text_entry.h"
#include "platform/clipboard.h"
#include "replay/session.h"
#include "text/text.h"
#include "text/utf8.h"

namespace {

enum class Page { Closed, Main, Code, Relay, Busy, Room, Error };

// A relay's address, or the addresses of a relay of several brokers, comma apart.
constexpr std::string_view RELAY_ALPHABET = "abcdefghijklmnopqrstuvwxyz0123456789.:-/,";
constexpr std::size_t LONGEST_RELAY = 160;

constexpr COLORREF WHITE = RGB(255, 255, 255);
constexpr COLORREF GREY = RGB(170, 170, 170);
constexpr COLORREF PANEL = RGB(16, 12, 40);
constexpr COLORREF HIGHLIGHT = RGB(108, 0, 88);
constexpr int GLYPH = 8, SMALL_GLYPH = 4;  // widths of a character in the two fonts
constexpr int SMALL_COLUMNS = SCREEN_WIDTH / SMALL_GLYPH - 4;

// The title's line offering the menu: small text, leaving the row above it for another offer.
constexpr int OFFER_Y = 180;
constexpr int OFFER_TOP = OFFER_Y - 4, OFFER_BOTTOM = OFFER_Y + 10;
// The on-screen letters: rows of eight buttons, as the pointer's rows hold eight zones.
constexpr int GRID_TOP = 56, GRID_ROW = 16, GRID_COLUMNS = 8;
constexpr int HINT_Y = 190;

// A tappable button of a page: its stretch of columns, its label and the key a tap presses.
struct Button {
    int left, right;
    std::string label;
    int key;
};

// A row of buttons (or one row-wide choice) at picture rows [top, top + 16).
struct Row {
    int top;
    std::vector<Button> buttons;
    bool chosen = false;
};

struct Menu {
    Page page = Page::Closed;
    int cursor = 0;
    OnlineAction action = OnlineAction::Open;
    online::TextEntry code{net::kCodeAlphabet, net::kRoomCodeLength};
    online::TextEntry relay{RELAY_ALPHABET, LONGEST_RELAY};
    std::string status;  // a line under the page's rows: what a copy did, why a text is refused
    std::string error;   // the Error page's reason
    bool busyShown = false;
    bool joining = false;  // a join or watch was started: the next run says if it failed
    bool controlHeld = false;
};

Menu TheMenu;

bool Touch() { return PlatformTouchScreen(); }

void Show(Page page) {
    TheMenu.page = page;
    TheMenu.cursor = 0;
    TheMenu.status.clear();
}

void Fail(const std::string& error) {
    TheMenu.error = TrComposed(error, net::says::kAll);
    Show(Page::Error);
}

// The page's choices, from the cursor's first to its last, each with its key.
std::vector<Button> Choices() {
    const OnlineRoom& room = CurrentOnlineRoom();
    switch (TheMenu.page) {
        case Page::Main: {
            const std::string relay = OnlineRelayNow();
            return {{0, SCREEN_WIDTH, Tr("Open a room"), 'O'},
                    {0, SCREEN_WIDTH, Tr("Join a room"), 'J'},
                    {0, SCREEN_WIDTH, Tr("Watch a room"), 'W'},
                    {0, SCREEN_WIDTH, TrFormat("Relay: %s", relay.empty() ? Tr("none yet") : relay.c_str()),
                     'R'}};
        }
        case Page::Room: {
            std::vector<Button> choices;
            if (!room.inviteLink.empty()) {
                choices.push_back({0, SCREEN_WIDTH, Tr("Copy the invite link"), 'C'});
                if (!room.watchLink.empty())
                    choices.push_back({0, SCREEN_WIDTH, Tr("Copy the watch link"), 'W'});
                if (PlatformCanShare())
                    choices.push_back({0, SCREEN_WIDTH, Tr("Share the invite link"), 'S'});
            } else {
                choices.push_back({0, SCREEN_WIDTH, Tr("Copy the code"), 'C'});
            }
            choices.push_back({0, SCREEN_WIDTH, Tr("Done"), VK_ESCAPE});
            return choices;
        }
        default:
            return {};
    }
}

online::TextEntry& Entry() { return TheMenu.page == Page::Relay ? TheMenu.relay : TheMenu.code; }
std::string_view Alphabet() { return TheMenu.page == Page::Relay ? RELAY_ALPHABET : net::kCodeAlphabet; }

// The key a character of the alphabets is typed with.
int KeyOf(char c) {
    if (c == '.') return VK_OEM_PERIOD;
    if (c == ':') return VK_OEM_1;
    if (c == '-') return VK_OEM_MINUS;
    if (c == '/') return VK_OEM_2;
    return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
}

// The character a key types, or 0.
char CharOf(int key) {
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return static_cast<char>(key);
    if (key >= 0x60 && key <= 0x69) return static_cast<char>('0' + key - 0x60);
    if (key == VK_OEM_PERIOD) return '.';
    if (key == VK_OEM_1) return ':';
    if (key == VK_OEM_MINUS) return '-';
    if (key == VK_OEM_2) return '/';
    return 0;
}

// The rows a page shows and a tap acts on: its choices, or its letters and its action buttons.
std::vector<Row> Rows() {
    std::vector<Row> rows;
    if (TheMenu.page == Page::Code || TheMenu.page == Page::Relay) {
        const std::string_view alphabet = Alphabet();
        const int width = SCREEN_WIDTH / GRID_COLUMNS;
        for (std::size_t i = 0; i < alphabet.size(); ++i) {
            if (i % GRID_COLUMNS == 0)
                rows.push_back({GRID_TOP + GRID_ROW * static_cast<int>(i / GRID_COLUMNS), {}});
            const int left = width * static_cast<int>(i % GRID_COLUMNS);
            rows.back().buttons.push_back(
                {left, left + width, std::string(1, alphabet[i]), KeyOf(alphabet[i])});
        }
        const int top = rows.back().top + GRID_ROW + 6;
        rows.push_back({top,
                        {{0, 80, Tr("Go back"), VK_ESCAPE},
                         {80, 160, Tr("Delete"), VK_BACK},
                         {160, 240, Tr("Paste"), VK_INSERT},
                         {240, 320, TheMenu.page == Page::Relay ? Tr("Keep") : Tr("Go"), VK_RETURN}}});
        return rows;
    }
    const std::vector<Button> choices = Choices();
    const int first = TheMenu.page == Page::Room ? 92 : 40;
    for (std::size_t i = 0; i < choices.size(); ++i)
        rows.push_back(
            {first + 20 * static_cast<int>(i), {choices[i]}, static_cast<int>(i) == TheMenu.cursor});
    if (TheMenu.page == Page::Main)
        rows.push_back({first + 20 * 4 + 8, {{0, SCREEN_WIDTH, Tr("Go back"), VK_ESCAPE}}});
    if (TheMenu.page == Page::Error) rows.push_back({0, {{0, SCREEN_WIDTH, "", VK_ESCAPE}}});
    return rows;
}

// Opens, joins or watches as the menu asks; the Busy page is already on the screen.
void Start() {
    OnlineRequest request;
    request.action = TheMenu.action;
    if (request.action != OnlineAction::Open) request.code = TheMenu.code.Text();
    OnlineRoom room;
    std::string error;
    if (!StartOnline(request, &room, &error)) return Fail(error);
    if (request.action == OnlineAction::Open) return Show(Page::Room);
    TheMenu.joining = true;
    Show(Page::Closed);
}

void Ask(OnlineAction action) {
    TheMenu.action = action;
    // Without a relay there is nowhere to go: the player names one first.
    if (OnlineRelayNow().empty()) {
        Show(Page::Relay);
        TheMenu.status = Tr("Type the relay's address first.");
        return;
    }
    if (action == OnlineAction::Open) {
        Show(Page::Busy);
        TheMenu.busyShown = false;
        return;
    }
    TheMenu.code.Clear();
    Show(Page::Code);
}

// A choice of the main page or the room's page by its key (W watches on the one, copies the watch
// link on the other).
void Choose(int key) {
    switch (key) {
        case 'O':
            return Ask(OnlineAction::Open);
        case 'J':
            return Ask(OnlineAction::Join);
        case 'W':
            if (TheMenu.page == Page::Main) return Ask(OnlineAction::Watch);
            TheMenu.status =
                PlatformCopyText(CurrentOnlineRoom().watchLink) ? Tr("Copied.") : Tr("Could not copy.");
            return;
        case 'R':
            TheMenu.relay.Set(OnlineRelayNow());
            return Show(Page::Relay);
        case 'C': {
            const OnlineRoom& room = CurrentOnlineRoom();
            const bool copied = PlatformCopyText(room.inviteLink.empty() ? room.code : room.inviteLink);
            TheMenu.status = copied ? Tr("Copied.") : Tr("Could not copy.");
            return;
        }
        case 'S':
            if (!PlatformShareLink(Tr("Play Lobshot with me"), CurrentOnlineRoom().inviteLink))
                TheMenu.status = Tr("Could not share.");
            return;
        case VK_ESCAPE:
            return Show(Page::Closed);
        default:
            return;
    }
}

void ListKey(int key) {
    const std::vector<Button> choices = Choices();
    const int count = static_cast<int>(choices.size());
    switch (key) {
        case VK_UP:
            TheMenu.cursor = (TheMenu.cursor + count - 1) % count;
            return;
        case VK_DOWN:
            TheMenu.cursor = (TheMenu.cursor + 1) % count;
            return;
        case VK_RETURN:
        case VK_SPACE:
            return Choose(choices[static_cast<std::size_t>(TheMenu.cursor)].key);
        case VK_ESCAPE:
            return Show(Page::Closed);
        default:
            for (const Button& choice : choices)
                if (choice.key == key) return Choose(key);
    }
}

void Paste() {
    const std::string text = PlatformPastedText();
    if (text.empty()) return;
    std::string code, error;
    if (TheMenu.page == Page::Relay) {
        if (text.size() > LONGEST_RELAY) TheMenu.status = Tr("That is too long for a relay's address.");
        if (text.size() <= LONGEST_RELAY) TheMenu.relay.Set(text);
        return;
    }
    if (!online::CodeFromPaste(text, &code, &error)) {
        TheMenu.status = error;
        return;
    }
    TheMenu.code.Set(code);
    TheMenu.status.clear();
}

void Submit() {
    if (TheMenu.page == Page::Relay) {
        std::string error;
        if (!OnlineKeepRelay(TheMenu.relay.Text(), &error)) {
            TheMenu.status = TrComposed(error, net::says::kAll);
            return;
        }
        Show(Page::Main);
        TheMenu.cursor = 3;
        return;
    }
    if (!TheMenu.code.Full()) {
        TheMenu.status = Tr("A room code has 8 characters.");
        return;
    }
    Show(Page::Busy);
    TheMenu.busyShown = false;
}

void EntryKey(int key) {
    online::TextEntry& entry = Entry();
    if (key == VK_INSERT || (key == 'V' && TheMenu.controlHeld)) return Paste();
    if (const char c = CharOf(key); c != 0) {
        if (!entry.Type(c)) TheMenu.status = entry.Full() ? Tr("That is all of it: Enter to go on.") : "";
        return;
    }
    switch (key) {
        case VK_UP:
        case VK_DOWN:
            return entry.Step(key == VK_UP ? 1 : -1);
        case VK_SPACE:
        case VK_RIGHT:
            if (key == VK_SPACE && entry.Full()) return Submit();
            entry.Confirm();
            return;
        case VK_LEFT:
        case VK_BACK:
            return entry.Back();
        case VK_RETURN:
            return Submit();
        case VK_ESCAPE:
            return Show(Page::Main);
        default:
            return;
    }
}

void PageKey(int key) {
    switch (TheMenu.page) {
        case Page::Main:
        case Page::Room:
            return ListKey(key);
        case Page::Code:
        case Page::Relay:
            return EntryKey(key);
        case Page::Error:
            if (key == VK_RETURN || key == VK_ESCAPE || key == VK_SPACE) Show(Page::Main);
            return;
        default:
            return;
    }
}

// The menu is offered at the title of this machine's window, not while a replay plays, nor in a
// network game but an online room's (where it shows the room's page).
bool Offered() {
    const bool inRoom = !NetRoom().empty() && !CurrentOnlineRoom().code.empty();
    return OnlineAvailable() && CurrentMode == Title && !ReplayPlaying() &&
           (NetRoleNow() == NetRole::Local || inRoom);
}

bool Opens(const InputEvent& input) {
    if (input.kind != InputEvent::KeyDown || input.repeat || !Offered()) return false;
    if (input.value != 'O' && input.value != static_cast<std::uint32_t>(VK_GAMEPAD_X)) return false;
    Show(NetRoleNow() == NetRole::Local ? Page::Main : Page::Room);
    return true;
}

std::vector<std::string> Wrapped(const std::string& text, std::size_t columns) {
    std::vector<std::string> lines;
    std::string rest = text;
    while (Utf8Columns(rest) > columns) {
        const std::size_t end = Utf8Offset(rest, columns);
        const std::size_t space = rest.rfind(' ', end);
        const bool atSpace = space != std::string::npos && space > 0;
        const std::size_t cut = atSpace ? space : end;
        lines.push_back(rest.substr(0, cut));
        rest = rest.substr(atSpace ? cut + 1 : cut);
    }
    lines.push_back(rest);
    return lines;
}

void Centred(HDC dc, int y, bool small, const std::string& text) {
    const int width = static_cast<int>(Utf8Columns(text)) * (small ? SMALL_GLYPH : GLYPH);
    if (small)
        GraphxBitmapString(dc, (SCREEN_WIDTH - width) / 2, y, true, true, "%s", text.c_str());
    else
        GraphxString(dc, (SCREEN_WIDTH - width) / 2, y, WHITE, 0, true, "%s", text.c_str());
}

const char* Heading() {
    switch (TheMenu.page) {
        case Page::Code:
            return TheMenu.action == OnlineAction::Watch ? Tr("Watch a room") : Tr("Join a room");
        case Page::Relay:
            return Tr("The relay");
        case Page::Room:
            return Tr("Your room");
        case Page::Error:
            return Tr("That did not work");
        default:
            return Tr("Play online");
    }
}

const char* Hint() {
    const bool touch = Touch();
    switch (TheMenu.page) {
        case Page::Code:
            return touch ? Tr("Tap the letters, or paste an invite link")
                         : Tr("Type or paste the code (pad: arrows and A)");
        case Page::Relay:
            return touch ? Tr("Tap the letters: ADDRESS:PORT")
                         : Tr("Type it as ADDRESS:PORT, Enter keeps it");
        case Page::Error:
            return touch ? Tr("Tap to go back") : Tr("Enter or Esc: back");
        case Page::Busy:
            return "";
        default:
            return touch ? Tr("Tap a line") : Tr("Arrows and Enter choose, Esc goes back");
    }
}

// The code or relay entered so far, the pad's offered character after it.
void DrawEntry(HDC dc) {
    const online::TextEntry& entry = Entry();
    std::string shown = entry.Text();
    if (TheMenu.page == Page::Code)
        for (std::size_t i = shown.size(); i < net::kRoomCodeLength; ++i) shown += '_';
    if (TheMenu.page == Page::Relay && shown.size() > 38) shown = ".." + shown.substr(shown.size() - 36);
    Centred(dc, 30, false, shown);
    if (entry.Offered() != 0 && !entry.Full()) {
        const int x = (SCREEN_WIDTH - static_cast<int>(shown.size()) * GLYPH) / 2 +
                      static_cast<int>(entry.Text().size()) * GLYPH;
        GraphxFillRect(dc, x, 30, x + GLYPH, 46, HIGHLIGHT);
        GraphxString(dc, x, 30, WHITE, 0, true, "%c", entry.Offered());
    }
}

void DrawRoom(HDC dc) {
    const OnlineRoom& room = CurrentOnlineRoom();
    Centred(dc, 28, false, TrFormat("Code: %s", room.code.c_str()));
    if (room.inviteLink.empty()) {
        Centred(dc, 52, true, Tr("Friends join with this code in Play online."));
    } else {
        Centred(dc, 52, true, Utf8Cut(TrFormat("Invite: %s", room.inviteLink.c_str()), SMALL_COLUMNS));
        Centred(dc, 64, true, Utf8Cut(TrFormat("Watch: %s", room.watchLink.c_str()), SMALL_COLUMNS));
    }
    if (!room.watchCode.empty())
        Centred(dc, 76, true, TrFormat("Spectators watch with %s", room.watchCode.c_str()));
}

void DrawRows(HDC dc) {
    for (const Row& row : Rows()) {
        if (row.chosen) GraphxFillRect(dc, 0, row.top - 2, SCREEN_WIDTH, row.top + 16, HIGHLIGHT);
        for (const Button& button : row.buttons) {
            const int width = static_cast<int>(Utf8Columns(button.label)) * GLYPH;
            const int x = row.buttons.size() == 1 ? 40 : (button.left + button.right - width) / 2;
            GraphxString(dc, x, row.top, row.buttons.size() > 4 ? GREY : WHITE, 0, true, "%s",
                         button.label.c_str());
        }
    }
}

void DrawPage(HDC dc) {
    GraphxFillRect(dc, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, PANEL);
    Centred(dc, 6, false, Heading());
    if (TheMenu.page == Page::Code || TheMenu.page == Page::Relay) DrawEntry(dc);
    if (TheMenu.page == Page::Room) DrawRoom(dc);
    if (TheMenu.page == Page::Busy)
        Centred(dc, 90, false,
                TheMenu.action == OnlineAction::Open ? Tr("Opening a room...") : Tr("Joining the room..."));
    if (TheMenu.page == Page::Error) {
        int y = 40;
        for (const std::string& line : Wrapped(TheMenu.error, SMALL_COLUMNS)) {
            Centred(dc, y, true, line);
            y += 10;
        }
    }
    DrawRows(dc);
    if (!TheMenu.status.empty()) Centred(dc, 176, true, Utf8Cut(TheMenu.status, SMALL_COLUMNS));
    Centred(dc, HINT_Y, true, Hint());
}

}  // namespace

bool OnlineMenuShown() { return TheMenu.page != Page::Closed; }

bool OnlineMenuTakeInput(const InputEvent& input) {
    if (input.IsKey() && input.value == static_cast<std::uint32_t>(VK_CONTROL))
        TheMenu.controlHeld = input.kind == InputEvent::KeyDown;
    if (TheMenu.page != Page::Closed && CurrentMode != Title) Show(Page::Closed);
    if (TheMenu.page == Page::Closed) return Opens(input);
    if (!input.IsKey()) return false;
    if (input.kind == InputEvent::KeyDown && TheMenu.page != Page::Busy)
        PageKey(static_cast<int>(input.value));
    return true;
}

void OnlineMenuDraw(int device, int surface) {
    if (TheMenu.page != Page::Closed && CurrentMode != Title) Show(Page::Closed);
    if (TheMenu.page == Page::Closed && !Offered()) return;
    HDC dc = nullptr;
    if (!GetHDC(&dc, device, surface, -1)) return;
    if (TheMenu.page == Page::Closed)
        Centred(dc, OFFER_Y, true, Touch() ? Tr("Tap here to play online") : Tr("O or pad X: Play online"));
    else
        DrawPage(dc);
    ReleaseHDC(dc, device, surface, -1);
    // A start waits until its page has been shown once, as it may take a few seconds.
    if (TheMenu.page == Page::Busy && TheMenu.busyShown) Start();
    if (TheMenu.page == Page::Busy) TheMenu.busyShown = true;
}

void OnlineMenuDescribe(PointerScreen* screen) {
    if (TheMenu.page == Page::Closed) {
        // The offer's row goes after any other line of the title that offers a screen.
        if (!Offered() || screen->rowCount >= static_cast<int>(screen->rows.size())) return;
        PointerRow& row = screen->rows[static_cast<std::size_t>(screen->rowCount++)];
        row.top = OFFER_TOP;
        row.bottom = OFFER_BOTTOM;
        row.zoneCount = 1;
        row.zones[0] = {0, SCREEN_WIDTH, 'O'};
        return;
    }
    screen->mode = PointerScreen::Online;
    screen->rowCount = 0;
    for (const Row& row : Rows()) {
        if (screen->rowCount >= static_cast<int>(screen->rows.size())) break;
        PointerRow& described = screen->rows[static_cast<std::size_t>(screen->rowCount++)];
        described.top = row.top - 2;
        described.bottom = TheMenu.page == Page::Error ? SCREEN_HEIGHT : row.top + 16;
        for (const Button& button : row.buttons)
            if (described.zoneCount < static_cast<int>(described.zones.size()))
                described.zones[static_cast<std::size_t>(described.zoneCount++)] = {button.left, button.right,
                                                                                    button.key};
    }
}

void OnlineMenuRunStarted() {
    if (!TheMenu.joining) return;
    TheMenu.joining = false;
    if (NetRoleNow() != NetRole::Local) return;
    const std::string why = NetFailure().empty() ? Tr("The room could not be joined.") : NetFailure() + ".";
    Fail(why + " " + Tr("Check the code, and that the room's host is still in it."));
}

void OnlineMenuResetForTests() { TheMenu = Menu{}; }
