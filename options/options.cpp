// The Options screen over the title: its rows, its keys, its typing and its drawing.
#include "options/options.h"

#include <algorithm>
#include <array>
#include <bitset>

#include "core/globals.h"
#include "display/graphx.h"
#include "net/people_text.h"
#include "net/relay_address.h"
#include "net/transport.h"
#include "replay/session.h"
#include "sound/sound.h"
#include "text/text.h"
#include "text/utf8.h"

namespace {

enum Row {
    SCREEN_ROW,
    VOLUME_ROW,
    SOUND_ROW,
    NAME_ROW,
    RELAY_ROW,
    LANGUAGE_ROW,
    NUMBERS_ROW,
    BACK_ROW,
    ROWS
};

constexpr const char* LABELS[ROWS] = {TrLater("Screen"),       TrLater("Volume"), TrLater("Sound"),
                                      TrLater("Name"),         TrLater("Relay"),  TrLater("Language"),
                                      TrLater("Tank numbers"), TrLater("Go back")};
constexpr const char* LANGUAGE_NAMES[] = {TrLater("Automatic"), TrLater("English"), TrLater("German"),
                                          TrLater("French"), TrLater("Spanish")};

// Rows 18 pixels apart under the heading; each value starts at column VALUE_X, so a value holds
// VALUE_CELLS characters of the 8-pixel font.
constexpr int HEADING_Y = 4;
constexpr int FIRST_ROW_Y = 28;
constexpr int ROW_STEP = 18;
constexpr int LABEL_X = 8;
constexpr int VALUE_X = 120;
constexpr int GLYPH_WIDTH = 8;
constexpr std::size_t VALUE_CELLS = (SCREEN_WIDTH - VALUE_X) / GLYPH_WIDTH;
constexpr int HINT_Y = 186;
constexpr int SMALL_CHAR_WIDTH = 4;
constexpr COLORREF WHITE = RGB(255, 255, 255);
constexpr COLORREF HIGHLIGHT_FILL = RGB(108, 0, 88);
constexpr COLORREF HIGHLIGHT_EDGE = RGB(135, 0, 110);
constexpr int TITLE_HINT_X = 2;

struct Options {
    OptionsDoor door;
    bool shown = false;
    Settings settings;
    int row = SCREEN_ROW;
    bool typing = false;
    std::string typed;
    std::string fault;  // why the last typed line was not taken, shown until the next key
    bool shift = false;
    std::bitset<KEY_COUNT> held;  // keys pressed for the screen, whose releases are its own too
};
Options TheOptions;

bool RowShown(int row) { return row != SCREEN_ROW || TheOptions.door.fullscreenShown; }

const char* Switch(bool on) { return on ? Tr("On") : Tr("Off"); }

int LanguageIndex(const std::string& language) {
    for (std::size_t i = 0; i < SETTINGS_LANGUAGES.size(); ++i)
        if (language == SETTINGS_LANGUAGES[i]) return static_cast<int>(i);
    return 0;
}

// The value of a row as shown; a typed one ends in a cursor, a long one shows its end.
std::string Value(int row) {
    const Settings& s = TheOptions.settings;
    std::string value;
    switch (row) {
        case SCREEN_ROW:
            value = s.fullscreen ? Tr("Full screen") : Tr("Window");
            break;
        case VOLUME_ROW:
            value = "< " + std::to_string(s.volume) + "% >";
            break;
        case SOUND_ROW:
            value = Switch(!s.mute);
            break;
        case NAME_ROW:
        case RELAY_ROW:
            value = row == NAME_ROW ? s.name : s.relay;
            if (TheOptions.typing && TheOptions.row == row)
                value = TheOptions.typed + "_";
            else if (value.empty())
                value = Tr("(none)");
            break;
        case LANGUAGE_ROW:
            value = Tr(LANGUAGE_NAMES[LanguageIndex(s.language)]);
            break;
        case NUMBERS_ROW:
            value = Switch(s.tankNumbers);
            break;
        default:
            break;
    }
    const std::size_t columns = Utf8Columns(value);
    return columns > VALUE_CELLS ? value.substr(Utf8Offset(value, columns - VALUE_CELLS)) : value;
}

void Changed(bool keep) {
    if (TheOptions.door.changed) TheOptions.door.changed(TheOptions.settings, keep);
}

// Left (step -1) or right (+1) on the cursor's row; Enter and Space step right.
void Step(int step) {
    Settings& s = TheOptions.settings;
    switch (TheOptions.row) {
        case SCREEN_ROW:
            s.fullscreen = !s.fullscreen;
            break;
        case VOLUME_ROW:
            s.volume = std::clamp(s.volume + step * SETTINGS_VOLUME_STEP, 0, 100);
            s.mute = false;
            break;
        case SOUND_ROW:
            s.mute = !s.mute;
            break;
        case LANGUAGE_ROW: {
            const int count = static_cast<int>(SETTINGS_LANGUAGES.size());
            s.language = SETTINGS_LANGUAGES[static_cast<std::size_t>(
                (LanguageIndex(s.language) + step + count) % count)];
            break;
        }
        case NUMBERS_ROW:
            s.tankNumbers = !s.tankNumbers;
            break;
        default:
            return;
    }
    SoundPlay(SOUND_CONFIRM);
    Changed(false);
}

void Close() {
    TheOptions.shown = false;
    TheOptions.typing = false;
    SoundPlay(SOUND_CONFIRM);
    Changed(true);
}

void MoveCursor(int step) {
    int row = TheOptions.row + step;
    if (row >= 0 && row < ROWS && !RowShown(row)) row += step;
    if (row < 0 || row >= ROWS) return;
    TheOptions.row = row;
    SoundPlay(SOUND_CLICK);
}

// The character a key types into the name (letters, digits, Space) or the relay (letters, digits,
// '.', '-', ':', '/'); 0 for none.
char Typed(int key, bool shift, bool relay) {
    if (key >= 'A' && key <= 'Z') return static_cast<char>(shift ? key : key - 'A' + 'a');
    if (key >= '0' && key <= '9') return static_cast<char>(key);
    if (!relay) return key == VK_SPACE ? ' ' : 0;
    return key == VK_OEM_PERIOD  ? '.'
           : key == VK_OEM_MINUS ? '-'
           : key == VK_OEM_1     ? ':'
           : key == VK_OEM_2     ? '/'
                                 : 0;
}

// Enter on a typed line: the name is cleaned (nothing left: none), the relay checked.
void KeepTyped() {
    Settings& s = TheOptions.settings;
    if (TheOptions.row == NAME_ROW) {
        s.name = net::CleanPeopleText(TheOptions.typed, net::kMaxNameLength);
    } else if (std::string error; TheOptions.typed.empty() ||
                                  net::CheckRelayAddress(TheOptions.typed, TrLater("The relay"), &error)) {
        s.relay = TheOptions.typed;
    } else {
        TheOptions.fault = error;
        SoundPlay(SOUND_CLICK);
        return;
    }
    TheOptions.typing = false;
    SoundPlay(SOUND_CONFIRM);
    Changed(false);
}

void TypingKey(int key) {
    std::string& typed = TheOptions.typed;
    const bool relay = TheOptions.row == RELAY_ROW;
    const std::size_t longest = relay ? SETTINGS_LONGEST_LINE - 16 : net::kMaxNameLength;
    if (key == VK_RETURN) {
        KeepTyped();
    } else if (key == VK_ESCAPE) {
        TheOptions.typing = false;
    } else if (key == VK_BACK) {
        if (!typed.empty()) typed.pop_back();
    } else if (const char c = Typed(key, TheOptions.shift, relay); c != 0 && typed.size() < longest) {
        typed += c;
    }
}

void Key(int key) {
    TheOptions.fault.clear();
    if (TheOptions.typing) return TypingKey(key);
    const bool typedRow = TheOptions.row == NAME_ROW || TheOptions.row == RELAY_ROW;
    switch (key) {
        case VK_UP:
        case VK_DOWN:
            MoveCursor(key == VK_UP ? -1 : 1);
            break;
        case VK_LEFT:
        case VK_RIGHT:
            if (!typedRow) Step(key == VK_LEFT ? -1 : 1);
            break;
        case VK_RETURN:
        case VK_SPACE:
            if (TheOptions.row == BACK_ROW) {
                Close();
            } else if (typedRow) {
                TheOptions.typing = true;
                TheOptions.typed =
                    TheOptions.row == NAME_ROW ? TheOptions.settings.name : TheOptions.settings.relay;
            } else {
                Step(1);
            }
            break;
        case VK_ESCAPE:
            Close();
            break;
        default:
            break;
    }
}

void Open() {
    TheOptions.shown = true;
    TheOptions.settings = TheOptions.door.current();
    TheOptions.row = RowShown(SCREEN_ROW) ? SCREEN_ROW : VOLUME_ROW;
    TheOptions.typing = false;
    TheOptions.fault.clear();
    SoundPlay(SOUND_CONFIRM);
}

int RowY(int row) { return FIRST_ROW_Y + ROW_STEP * row; }

std::string Hint() {
    if (TheOptions.row == NUMBERS_ROW) return Tr("Each tank's number over it, for colour-blind eyes");
    if (!TheOptions.fault.empty()) return TrComposed(TheOptions.fault, net::says::kAll);
    if (TheOptions.typing) return Tr("Type, then Enter to keep it or Esc to drop it");
    if (PointerTouch()) return Tr("Tap a value to change it");
    return Tr("Arrows: choose and change   Enter: type   Esc: back");
}

void DrawSmallCentred(HDC dc, int y, const std::string& text) {
    const int width = static_cast<int>(Utf8Columns(text)) * SMALL_CHAR_WIDTH;
    GraphxBitmapString(dc, std::max(0, (SCREEN_WIDTH - width) / 2), y, true, true, "%s", text.c_str());
}

void DrawScreen(HDC dc) {
    GraphxFillRect(dc, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, RGB(0, 0, 0));
    const char* heading = Tr("Options");
    const int headingWidth = static_cast<int>(Utf8Columns(heading)) * GLYPH_WIDTH;
    GraphxString(dc, (SCREEN_WIDTH - headingWidth) / 2, HEADING_Y, WHITE, 0, true, "%s", heading);
    const int y = RowY(TheOptions.row);
    GraphxFillRect(dc, 0, y - 1, SCREEN_WIDTH, y + 16, HIGHLIGHT_FILL);
    GraphxLine(dc, 0, y - 1, SCREEN_WIDTH, y - 1, HIGHLIGHT_EDGE, 1, PEN_SOLID);
    GraphxLine(dc, 0, y + 15, SCREEN_WIDTH, y + 15, HIGHLIGHT_EDGE, 1, PEN_SOLID);
    for (int row = 0; row < ROWS; ++row) {
        if (!RowShown(row)) continue;
        GraphxString(dc, LABEL_X, RowY(row), WHITE, 0, true, "%s", Tr(LABELS[row]));
        GraphxString(dc, VALUE_X, RowY(row), WHITE, 0, true, "%s", Value(row).c_str());
    }
    DrawSmallCentred(dc, HINT_Y, Hint());
}

// In the title's bottom left corner, in the small font as the version is in the right one.
void DrawTitleHint(HDC dc) {
    GraphxBitmapString(dc, TITLE_HINT_X, OPTIONS_HINT_Y, false, true, "%s",
                       OptionsTitleHint(PointerTouch()).c_str());
}

}  // namespace

void OptionsUse(const OptionsDoor& door) {
    TheOptions.door = door;
    TheOptions.settings = door.current ? door.current() : Settings{};
}

bool OptionsTankNumbers() { return OptionsAvailable() && TheOptions.settings.tankNumbers; }

bool OptionsAvailable() { return TheOptions.door.current != nullptr; }

bool OptionsShown() { return TheOptions.shown; }

bool OptionsTakeInput(const InputEvent& input) {
    if (!input.IsKey() || input.value >= KEY_COUNT) return false;
    const auto key = static_cast<int>(input.value);
    if (input.kind == InputEvent::KeyUp) {
        const bool mine = TheOptions.held[static_cast<std::size_t>(key)];
        TheOptions.held[static_cast<std::size_t>(key)] = false;
        if (key == VK_SHIFT) TheOptions.shift = false;
        return mine;
    }
    if (!TheOptions.shown) {
        const bool opens = (key == 'P' || key == VK_F1) && !input.repeat && CurrentMode == Title &&
                           OptionsAvailable() && !ReplayPlaying();
        if (!opens) return false;
        Open();
    } else if (key == VK_SHIFT) {
        TheOptions.shift = true;
    } else {
        Key(key);
    }
    TheOptions.held[static_cast<std::size_t>(key)] = true;
    return true;
}

void OptionsSoundChanged(int volume, bool mute) {
    TheOptions.settings.volume = volume;
    TheOptions.settings.mute = mute;
}

std::vector<std::string> OptionsLines() {
    std::vector<std::string> lines;
    for (int row = 0; row < ROWS; ++row)
        if (RowShown(row)) lines.push_back(std::string(Tr(LABELS[row])) + "  " + Value(row));
    return lines;
}

void OptionsDraw(int device, int surface) {
    const bool titleHint = !TheOptions.shown && OptionsAvailable() && CurrentMode == Title;
    if (!TheOptions.shown && !titleHint) return;
    HDC dc = nullptr;
    if (!GetHDC(&dc, device, surface, -1)) return;
    if (TheOptions.shown)
        DrawScreen(dc);
    else
        DrawTitleHint(dc);
    ReleaseHDC(dc, device, surface, -1);
}

void OptionsPointerRows(PointerScreen* screen) {
    screen->mode = PointerScreen::Options;
    screen->cursor = TheOptions.row;
    screen->rowCount = 0;
    for (int row = 0; row < ROWS; ++row) {
        if (!RowShown(row)) continue;
        PointerRow& pointerRow = screen->rows[static_cast<std::size_t>(screen->rowCount++)];
        pointerRow.top = RowY(row) - 1;
        pointerRow.bottom = RowY(row) + ROW_STEP - 1;
        pointerRow.cursor = row;
        const bool typedRow = row == NAME_ROW || row == RELAY_ROW;
        if (row == BACK_ROW || typedRow) {
            pointerRow.zoneCount = 1;
            pointerRow.zones[0] = {0, SCREEN_WIDTH, row == BACK_ROW ? VK_ESCAPE : VK_RETURN};
            continue;
        }
        const int middle = (VALUE_X + SCREEN_WIDTH) / 2;
        pointerRow.zoneCount = 2;
        pointerRow.zones[0] = {VALUE_X - GLYPH_WIDTH, middle, VK_LEFT};
        pointerRow.zones[1] = {middle, SCREEN_WIDTH, VK_RIGHT};
    }
}

void OptionsTitleRows(PointerScreen* screen) {
    if (!OptionsAvailable()) return;
    PointerRow& row = screen->rows[static_cast<std::size_t>(screen->rowCount++)];
    row.top = OPTIONS_HINT_Y - 1;
    row.bottom = SCREEN_HEIGHT;
    row.zoneCount = 1;
    row.zones[0] = {0, SCREEN_WIDTH / 2, 'P'};
}

std::string OptionsTitleHint(bool touch) { return touch ? Tr("Tap here: Options") : Tr("P: Options"); }

void OptionsResetForTests() { TheOptions = Options{}; }
