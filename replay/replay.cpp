// The replay file: writing it and reading it back strictly, line by line.
#include "replay/replay.h"

#include <charconv>
#include <string_view>

#include "net/people_text.h"

#ifndef LOBSHOT_VERSION
#error "LOBSHOT_VERSION must name the game's version"
#endif

namespace {

constexpr const char* KIND_NAMES[] = {"down",   "up",   "repeat",  "activateapp", "activate", "close",
                                      "joined", "left", "offline", "computer",    "name",     "chat"};
constexpr const char* CONTROLLER_NAMES[] = {"human", "beginner", "easy", "normal", "hard", "expert"};
// Formats 1 and 2 were made by this release only, whose rules for people are rules version 1's.
constexpr int FIRST_FORMAT_VERSION = 1;
constexpr const char* OLD_FORMATS_GAME = "0.1";
constexpr int OLD_FORMATS_RULES = 1;

const char* NameOf(Controller c) {
    return c >= ControllerHuman && c <= ControllerExpert ? CONTROLLER_NAMES[c] : "human";
}

// The computer levels' names in format 1, which knew three.
bool OldComputerName(std::string_view word) { return word == "easy" || word == "normal" || word == "hard"; }

// The text as lines, each checked and taken apart into words as it is read.
class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    // The next line's words; false at the end of the text or when the line is malformed.
    bool Next(std::string* error) {
        words_.clear();
        if (pos_ >= text_.size()) {
            *error = "line " + std::to_string(line_ + 1) + ": the file ends before its end line";
            return false;
        }
        ++line_;
        const std::size_t end = text_.find('\n', pos_);
        if (end == std::string_view::npos) return Fail("the line has no line end", error);
        std::string_view line = text_.substr(pos_, end - pos_);
        pos_ = end + 1;
        for (char c : line)
            if (c < ' ' || c > '~') return Fail("the line holds a character a replay never has", error);
        for (std::size_t start = 0; start <= line.size();) {
            std::size_t space = line.find(' ', start);
            if (space == std::string_view::npos) space = line.size();
            if (space == start) return Fail("the words are not separated by single spaces", error);
            words_.push_back(line.substr(start, space - start));
            start = space + 1;
        }
        return true;
    }

    bool AtEnd() const { return pos_ >= text_.size(); }
    std::size_t Words() const { return words_.size(); }
    std::string_view Word(std::size_t i) const { return words_[i]; }

    bool Fail(const std::string& what, std::string* error) const {
        *error = "line " + std::to_string(line_) + ": " + what;
        return false;
    }

    // Word i as a decimal number from 0 to limit, without sign or leading zeros.
    bool Number(std::size_t i, std::uint32_t limit, std::uint32_t* value, std::string* error) const {
        return Number(0, i, limit, value, error);
    }
    bool Number(std::uint32_t least, std::size_t i, std::uint32_t limit, std::uint32_t* value,
                std::string* error) const {
        std::string_view word = words_[i];
        std::uint32_t parsed = 0;
        auto [end, status] = std::from_chars(word.data(), word.data() + word.size(), parsed);
        if (status != std::errc{} || end != word.data() + word.size() ||
            (word.size() > 1 && word[0] == '0') || parsed < least || parsed > limit)
            return Fail("\"" + std::string(word) + "\" is not a number from " + std::to_string(least) +
                            " to " + std::to_string(limit),
                        error);
        *value = parsed;
        return true;
    }

    // A line of the given words count whose first word is the name.
    bool Expect(const char* name, std::size_t words, std::string* error) {
        if (!Next(error)) return false;
        if (words_[0] != name || words_.size() != words)
            return Fail(std::string("expected the ") + name + " line", error);
        return true;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    int line_ = 0;
    std::vector<std::string_view> words_;
};

// The format line and the line naming what made the replay: the rules version (format 3) or the
// release (formats 1 and 2), which must play as this game does.
bool ParseMaker(Reader& in, ReplayRecord* replay, std::string* error) {
    if (!in.Next(error)) return false;
    if (in.Words() != 2 || in.Word(0) != "lobshot-replay")
        return in.Fail("this is not a Lobshot replay", error);
    replay->format = 0;
    for (int f = FIRST_FORMAT_VERSION; f <= REPLAY_FORMAT_VERSION; ++f)
        if (in.Word(1) == std::to_string(f)) replay->format = f;
    if (replay->format == 0)
        return in.Fail("a replay of format " + std::string(in.Word(1)) + ", but this game reads formats " +
                           std::to_string(FIRST_FORMAT_VERSION) + " to " +
                           std::to_string(REPLAY_FORMAT_VERSION),
                       error);
    if (replay->format < REPLAY_FORMAT_VERSION) {
        if (!in.Expect("game", 2, error)) return false;
        if (in.Word(1) != OLD_FORMATS_GAME)
            return in.Fail("a replay of Lobshot " + std::string(in.Word(1)) + ", which this game cannot play",
                           error);
        if (RULES_VERSION != OLD_FORMATS_RULES)
            return in.Fail(
                std::string("made by Lobshot ") + OLD_FORMATS_GAME + ", whose rules have changed since",
                error);
        return true;
    }
    std::uint32_t rules = 0;
    if (!in.Expect("rules", 2, error) || !in.Number(1, 1, UINT32_MAX, &rules, error)) return false;
    if (rules != RULES_VERSION)
        return in.Fail("made by the rules of version " + std::to_string(rules) +
                           ", but this game has version " + std::to_string(RULES_VERSION) +
                           ", which would play it differently",
                       error);
    return true;
}

// The choice line, there only when the player choice started from another than the usual.
bool ParseChoice(Reader& in, ReplayRecord* replay, std::string* error) {
    Reader before = in;
    std::string ignored;
    if (replay->format < REPLAY_FORMAT_VERSION || !in.Next(&ignored) || in.Word(0) != "choice") {
        in = before;
        return true;
    }
    std::uint32_t players = 0, gravity = 0, wind = 0;
    if (in.Words() != 4) return in.Fail("expected the choice line", error);
    if (!in.Number(2, 1, PLAYER_SEATS, &players, error) || !in.Number(2, 1, &gravity, error) ||
        !in.Number(3, 3, &wind, error))
        return false;
    replay->choice = {static_cast<std::int32_t>(players), static_cast<GravityChoice>(gravity),
                      static_cast<WindChoice>(wind)};
    return true;
}

bool ParseHeader(Reader& in, ReplayRecord* replay, std::string* error) {
    if (!ParseMaker(in, replay, error)) return false;
    std::uint32_t wind = 0;
    if (!in.Expect("seed", 2, error) || !in.Number(1, UINT32_MAX, &replay->seed, error)) return false;
    if (!in.Expect("gravity", 2, error) || !in.Number(1, 1, &replay->landscapeGravity, error)) return false;
    if (!in.Expect("wind", 2, error) || !in.Number(1, 3, &wind, error)) return false;
    replay->wind = static_cast<std::int32_t>(wind);
    if (!in.Expect("controllers", 1 + PLAYER_SEATS, error)) return false;
    for (int seat = 0; seat < PLAYER_SEATS; ++seat) {
        const std::string_view word = in.Word(1 + seat);
        int found = -1;
        for (int c = ControllerHuman; c <= ControllerExpert; ++c)
            if (word == CONTROLLER_NAMES[c] &&
                (replay->format > FIRST_FORMAT_VERSION || c == ControllerHuman))
                found = c;
        const bool oldComputer = replay->format == FIRST_FORMAT_VERSION ? OldComputerName(word) : found > 0;
        if (replay->format < REPLAY_FORMAT_VERSION && oldComputer)
            return in.Fail(OLD_COMPUTERS_REFUSAL, error);
        if (found < 0)
            return in.Fail("\"" + std::string(in.Word(1 + seat)) + "\" is not a controller", error);
        replay->controllers[static_cast<std::size_t>(seat)] = static_cast<Controller>(found);
    }
    return ParseChoice(in, replay, error);
}

// A remark's words after its kind: the machine, then the text, clean and within its length (a name
// may be empty, a chat line may not).
bool ParseRemark(Reader& in, ReplayEvent* event, std::string* error) {
    if (in.Words() < 3 || (event->kind == ReplayEvent::Chat && in.Words() < 4))
        return in.Fail("the remark has the wrong number of words", error);
    if (!in.Number(2, MAX_MACHINES - 1, &event->value, error)) return false;
    for (std::size_t i = 3; i < in.Words(); ++i) event->text += (i > 3 ? " " : "") + std::string(in.Word(i));
    const bool name = event->kind == ReplayEvent::Name;
    if (!net::IsCleanPeopleText(event->text, name ? net::kMaxNameLength : net::kMaxChatLength))
        return in.Fail(std::string("the ") + (name ? "name" : "chat line") + " is not one the game writes",
                       error);
    return true;
}

// One event line after its stamp; the stamp has been read and checked.
bool ParseEvent(Reader& in, std::uint32_t step, ReplayRecord* replay, std::string* error) {
    int kind = -1;
    for (int k = 0; k < static_cast<int>(std::size(KIND_NAMES)); ++k)
        if (in.Word(1) == KIND_NAMES[k]) kind = k;
    if (kind >= ReplayEvent::Computer && replay->format < REPLAY_FORMAT_VERSION) kind = -1;
    if (kind < 0) return in.Fail("\"" + std::string(in.Word(1)) + "\" is not an event", error);
    ReplayEvent event;
    event.step = step;
    event.kind = static_cast<ReplayEvent::Kind>(kind);
    if (ReplayEventIsRemark(event)) {
        if (!ParseRemark(in, &event, error)) return false;
        replay->events.push_back(event);
        return true;
    }
    const bool close = event.kind == ReplayEvent::Close || event.kind == ReplayEvent::Offline;
    if (in.Words() != (close ? 2u : 3u)) return in.Fail("the event has the wrong number of words", error);
    const bool machine = event.kind == ReplayEvent::Joined || event.kind == ReplayEvent::Left;
    const std::uint32_t limit = event.kind == ReplayEvent::ActivateApp ? 1
                                : event.kind == ReplayEvent::Activate  ? 2
                                : machine                              ? MAX_MACHINES - 1
                                                                       : KEY_COUNT - 1;
    if (!close && !in.Number(machine ? 1 : 0, 2, limit, &event.value, error)) return false;
    replay->events.push_back(event);
    return true;
}

}  // namespace

const char* ReplayGameVersion() {
    static const std::string version = LOBSHOT_VERSION " rules " + std::to_string(RULES_VERSION);
    return version.c_str();
}

bool ReplayEventIsRemark(const ReplayEvent& event) {
    return event.kind == ReplayEvent::Name || event.kind == ReplayEvent::Chat;
}

InputEvent ReplayEventInput(const ReplayEvent& event) {
    switch (event.kind) {
        case ReplayEvent::KeyDown:
        case ReplayEvent::KeyRepeat:
            return InputEvent::Down(static_cast<int>(event.value), event.kind == ReplayEvent::KeyRepeat);
        case ReplayEvent::KeyUp:
            return InputEvent::Up(static_cast<int>(event.value));
        case ReplayEvent::ActivateApp:
            return InputEvent::AppActivation(event.value != 0);
        case ReplayEvent::Activate:
            return InputEvent::WindowActivation(event.value);
        case ReplayEvent::Joined:
        case ReplayEvent::Left:
            return InputEvent::Machine(event.kind == ReplayEvent::Joined, static_cast<int>(event.value));
        case ReplayEvent::Offline:
            return InputEvent::OffNetwork();
        case ReplayEvent::Computer:
            return InputEvent::Computer(static_cast<int>(event.value));
        default:
            return InputEvent::CloseRequest();
    }
}

bool ReplayEventFor(const InputEvent& input, std::uint32_t step, ReplayEvent* event) {
    event->step = step;
    event->value = input.value;
    switch (input.kind) {
        case InputEvent::ComputerKey:
            event->kind = ReplayEvent::Computer;
            return input.value < KEY_COUNT;
        case InputEvent::KeyDown:
        case InputEvent::KeyUp:
            if (input.value >= KEY_COUNT) return false;
            event->kind = input.kind == InputEvent::KeyUp ? ReplayEvent::KeyUp
                          : input.repeat                  ? ReplayEvent::KeyRepeat
                                                          : ReplayEvent::KeyDown;
            return true;
        case InputEvent::ActivateApp:
            event->kind = ReplayEvent::ActivateApp;
            event->value = input.value != 0 ? 1 : 0;
            return true;
        case InputEvent::Activate:
            // Anything but the two active states deactivates.
            event->kind = ReplayEvent::Activate;
            if (event->value > WA_CLICKACTIVE) event->value = WA_INACTIVE;
            return true;
        case InputEvent::Close:
        case InputEvent::NetworkEnded:
            event->kind = input.kind == InputEvent::Close ? ReplayEvent::Close : ReplayEvent::Offline;
            event->value = 0;
            return true;
        case InputEvent::MachineJoined:
        case InputEvent::MachineLeft:
            if (input.value < 1 || input.value >= MAX_MACHINES) return false;
            event->kind = input.kind == InputEvent::MachineJoined ? ReplayEvent::Joined : ReplayEvent::Left;
            return true;
        default:
            return false;
    }
}

std::string FormatReplayHead(const ReplayRecord& replay) {
    std::string text = "lobshot-replay " + std::to_string(replay.format) + "\n";
    text += replay.format < REPLAY_FORMAT_VERSION ? std::string("game ") + OLD_FORMATS_GAME + "\n"
                                                  : "rules " + std::to_string(RULES_VERSION) + "\n";
    text += "seed " + std::to_string(replay.seed) + "\n";
    text += "gravity " + std::to_string(replay.landscapeGravity) + "\n";
    text += "wind " + std::to_string(replay.wind) + "\n";
    text += "controllers";
    for (Controller c : replay.controllers) text += std::string(" ") + NameOf(c);
    text += "\n";
    const StartChoice& choice = replay.choice;
    if (!(choice == StartChoice{}))
        text += "choice " + std::to_string(choice.players) + " " + std::to_string(choice.gravity) + " " +
                std::to_string(choice.wind) + "\n";
    return text;
}

std::string FormatReplayEvent(const ReplayEvent& e) {
    std::string text = std::to_string(e.step) + " " + KIND_NAMES[e.kind];
    if (e.kind != ReplayEvent::Close && e.kind != ReplayEvent::Offline) text += " " + std::to_string(e.value);
    if (!e.text.empty()) text += " " + e.text;
    return text + "\n";
}

std::string FormatReplayEnd(const ReplayRecord& replay) {
    return (replay.cutShort ? "cut " : "end ") + std::to_string(replay.steps) + "\n";
}

std::string FormatReplay(const ReplayRecord& replay) {
    std::string text = FormatReplayHead(replay);
    for (const ReplayEvent& e : replay.events) text += FormatReplayEvent(e);
    return text + FormatReplayEnd(replay);
}

namespace {

// A stamp or the end line's count within the longest run, or the reason it is not.
bool WithinADay(const Reader& in, std::uint32_t step, std::string* error) {
    if (step <= REPLAY_LONGEST_STEPS) return true;
    return in.Fail("the run reaches frame step " + std::to_string(step) + "; a replay runs at most " +
                       std::to_string(REPLAY_LONGEST_STEPS) + " (a day)",
                   error);
}

// The end or cut line, its words read; true when the run it closes is a whole replay.
bool ParseEndLine(Reader& in, std::uint32_t previous, ReplayRecord* replay, std::string* error) {
    replay->cutShort = in.Word(0) == "cut";
    if (in.Words() != 2) return in.Fail("the end line has the wrong number of words", error);
    if (!in.Number(1, INT32_MAX, &replay->steps, error)) return false;
    if (replay->steps < previous) return in.Fail("the run ends before its last event", error);
    if (replay->steps - previous > REPLAY_QUIET_STEPS)
        return in.Fail("the run goes on " + std::to_string(replay->steps - previous) +
                           " frame steps after its last event; a replay goes on at most " +
                           std::to_string(REPLAY_QUIET_STEPS) + " (six hours)",
                       error);
    if (!WithinADay(in, replay->steps, error)) return false;
    if (!in.AtEnd()) return in.Fail("there is more after the end line", error);
    return true;
}

// The events and the end line. Reading what a run cut short left (`cut`), the events stop quietly
// at the text's end or at the first line that is not one.
bool ParseBody(Reader& in, bool cut, ReplayRecord* replay, std::string* error) {
    std::uint32_t previous = 0;
    for (;;) {
        if (cut && in.AtEnd()) break;
        if (!in.Next(error)) {
            if (cut) break;
            return false;
        }
        if (in.Word(0) == "end" || in.Word(0) == "cut") return ParseEndLine(in, previous, replay, error);
        std::uint32_t step = 0;
        bool good = in.Words() >= 2 && in.Number(0, INT32_MAX, &step, error);
        if (!good && !cut)
            return in.Words() < 2 ? in.Fail("expected an event or the end line", error) : false;
        if (good && step < previous) {
            if (!cut) return in.Fail("the events are out of order", error);
            good = false;
        }
        if (good && !WithinADay(in, step, error)) {
            if (!cut) return false;
            good = false;
        }
        if (good && !ParseEvent(in, step, replay, error)) {
            if (!cut) return false;
            good = false;
        }
        if (!good) break;
        previous = step;
    }
    replay->cutShort = true;
    replay->steps = previous;
    return true;
}

bool ParseText(const std::string& text, bool cut, ReplayRecord* replay, std::string* error) {
    *replay = ReplayRecord{};
    if (text.size() > LARGEST_REPLAY_FILE) {
        *error = "line 0: the file is longer than a replay can be";
        return false;
    }
    Reader in(text);
    return ParseHeader(in, replay, error) && ParseBody(in, cut, replay, error);
}

}  // namespace

bool ParseReplay(const std::string& text, ReplayRecord* replay, std::string* error) {
    return ParseText(text, false, replay, error);
}

bool ParseCutShortReplay(const std::string& text, ReplayRecord* replay, std::string* error) {
    // A torn last line (no line end: the write that was to finish it never came) is left out.
    const std::size_t whole = text.rfind('\n');
    return ParseText(text.substr(0, whole == std::string::npos ? 0 : whole + 1), true, replay, error);
}
