// Names and chat in a network game: the names every machine shows, the lines people send, the
// host's bound on how many a machine may send, and the line being typed.
#include "netplay/chat.h"

#include <array>
#include <map>
#include <utility>
#include <vector>

#include "core/globals.h"
#include "diag/diag.h"
#include "net/people_text.h"
#include "netplay/host.h"
#include "netplay/notices.h"
#include "netplay/session.h"
#include "netplay/watchers.h"
#include "replay/session.h"
#include "screens/screens.h"
#include "text/text.h"

namespace netplay {

namespace {

// The lines a machine sent lately, as the host counts them, and until when it is muted.
struct Rate {
    std::deque<std::int64_t> sent;  // milliseconds of the network's clock
    std::int64_t mutedUntil = 0;
};

struct ChatState {
    std::deque<std::string> log;                 // the last CHAT_KEPT lines, oldest first
    std::deque<std::int64_t> shownTill;          // when each line in the log leaves the picture
    std::array<Rate, MAX_MACHINES> rates;        // host: each machine's lines
    std::map<net::PeerId, Rate> spectatorRates;  // host: each spectator's
    bool spectatorsHeard = SPECTATORS_HEARD_AT_FIRST;
    bool typing = false;
    std::string typed;
    bool logShown = false;
    std::array<bool, KEY_COUNT> taken{};  // keys the chat took going down
    // The last lines a joining machine heard before it loaded the game so far, for its replay.
    std::vector<ReplayEvent> early;
};

ChatState TheChat;

// A name or line kept in the replay; the last CHAT_KEPT lines a joining machine hears before it
// loaded the game so far are kept for it (the names so far come with the game).
void Remark(ReplayEvent::Kind kind, int machine, const std::string& text) {
    if (ReplayRecordRemark(kind, machine, text) || kind != ReplayEvent::Chat) return;
    TheChat.early.push_back({0, kind, static_cast<std::uint32_t>(machine), text});
    if (TheChat.early.size() > CHAT_KEPT) TheChat.early.erase(TheChat.early.begin());
}

// The host's bound on one machine's or spectator's lines: a line within it passes; the line that
// goes over it mutes the sender, which everyone who hears its lines is told once; later ones, until
// the muting ends, are let go quietly.
enum class Bound { Pass, Muted, JustMuted };

Bound WithinRate(Rate& rate) {
    const std::int64_t now = NowMs();
    if (now < rate.mutedUntil) return Bound::Muted;
    while (!rate.sent.empty() && now - rate.sent.front() >= CHAT_WINDOW_MS) rate.sent.pop_front();
    if (rate.sent.size() < CHAT_BURST) {
        rate.sent.push_back(now);
        return Bound::Pass;
    }
    rate.sent.clear();
    rate.mutedUntil = now + CHAT_MUTE_MS;
    return Bound::JustMuted;
}

// A line kept, and shown for a while.
void ShowLine(const std::string& line) {
    DiagTrace(DIAG_DEBUG, "net", __LINE__, "Chat", "%s", line.c_str());
    TheChat.log.push_back(line);
    TheChat.shownTill.push_back(NowMs() + CHAT_SHOWN_MS);
    if (TheChat.log.size() > CHAT_KEPT) {
        TheChat.log.pop_front();
        TheChat.shownTill.pop_front();
    }
}

// A spectator as its lines are headed.
std::string SpectatorLabel(const std::string& name) {
    return (name.empty() ? "A spectator" : name) + " (watching)";
}

// A machine's line everyone hears: kept, shown for a while, and kept in the replay.
void Show(int machine, const std::string& text) {
    ShowLine(MachineLabel(machine) + ": " + text);
    Remark(ReplayEvent::Chat, machine, text);
}

// Host: a line of a machine's (its own, or a joined machine's) goes to everyone, within the bound.
void HostLine(int machine, const std::string& text) {
    const Bound bound = WithinRate(TheChat.rates[static_cast<std::size_t>(machine)]);
    if (bound == Bound::JustMuted) {
        const net::Chat muted{static_cast<std::uint8_t>(machine), "", true};
        Broadcast(muted);
        ChatHeard(muted);
    }
    if (bound != Bound::Pass) return;
    const net::Chat chat{static_cast<std::uint8_t>(machine), text};
    Broadcast(chat);
    Show(machine, text);
}

// The character a key types: letters (capitals with Shift), digits and Space; 0 for none.
char Typed(std::uint32_t key, bool shift) {
    if (key >= 'A' && key <= 'Z') return static_cast<char>(shift ? key : key - 'A' + 'a');
    if ((key >= '0' && key <= '9') || key == VK_SPACE) return static_cast<char>(key);
    return 0;
}

// A key going down while a line is typed.
void TypeKey(std::uint32_t key, bool shift) {
    if (key == VK_RETURN) {
        TheChat.typing = false;
        Say(TheChat.typed);
    } else if (key == VK_ESCAPE) {
        TheChat.typing = false;
    } else if (key == VK_BACK) {
        if (!TheChat.typed.empty()) TheChat.typed.pop_back();
    } else if (const char c = Typed(key, shift); c != 0 && TheChat.typed.size() < net::kMaxChatLength) {
        TheChat.typed += c;
    }
}

}  // namespace

void SetMachineName(int machine, const std::string& name) {
    std::string& kept = MachineNames[static_cast<std::size_t>(machine)];
    if (kept == name) return;
    kept = name;
    Remark(ReplayEvent::Name, machine, name);
}

net::Names NamesNow() { return net::Names{{MachineNames.begin(), MachineNames.end()}}; }

void TakeNames(const net::Names& names) {
    for (std::size_t m = 0; m < names.names.size() && m < MAX_MACHINES; ++m)
        SetMachineName(static_cast<int>(m), names.names[m]);
}

void Say(const std::string& text) {
    const std::string line = net::CleanPeopleText(text, net::kMaxChatLength);
    if (line.empty() || !Active()) return;
    if (Watching()) return SendOwn(net::SpectatorChat{"", line});
    if (TheLink.role == NetRole::Host) return HostLine(0, line);
    SendOwn(net::Chat{static_cast<std::uint8_t>(TheLink.me), line});
}

void HostTakeChat(int machine, const net::Chat& chat) {
    if (chat.machine != machine || chat.muted)
        return Drop(machine, net::DisconnectReason::Malformed, "a chat line not its own");
    HostLine(machine, chat.text);
}

void ChatHeard(const net::Chat& chat) {
    if (chat.muted)
        return Notice(TrFormat("%s was muted for sending too much", MachineLabel(chat.machine).c_str()));
    Show(chat.machine, chat.text);
}

// The spectators always hear each other; the players too when the host lets them. The host names
// the line, so that no spectator speaks for another.
void HostTakeSpectatorChat(net::PeerId peer, const std::string& name, const net::SpectatorChat& chat) {
    if (!chat.name.empty() || chat.muted) return DropWatcher(peer, net::DisconnectReason::Malformed);
    const Bound bound = WithinRate(TheChat.spectatorRates[peer]);
    if (bound == Bound::Muted) return;
    const net::SpectatorChat named{name, bound == Bound::Pass ? chat.text : "", bound == Bound::JustMuted};
    if (!TheChat.spectatorsHeard) return SendToWatchers(named);
    Broadcast(named);
    SpectatorChatHeard(named);
}

void SpectatorChatHeard(const net::SpectatorChat& chat) {
    if (chat.muted)
        return Notice(TrFormat("%s was muted for sending too much", SpectatorLabel(chat.name).c_str()));
    ShowLine(SpectatorLabel(chat.name) + ": " + chat.text);
}

void SetSpectatorsHeard(bool heard) { TheChat.spectatorsHeard = heard; }
bool SpectatorsHeard() { return TheChat.spectatorsHeard; }

bool ChatKey(const InputEvent& input, bool shift) {
    const std::uint32_t key = input.value;
    if (input.kind == InputEvent::KeyUp) return std::exchange(TheChat.taken[key], false);
    if (!TheChat.typing && (input.repeat || (key != CHAT_KEY && key != CHAT_LOG_KEY))) return false;
    TheChat.taken[key] = true;
    if (TheChat.typing) {
        TypeKey(key, shift);
    } else if (key == CHAT_KEY) {
        TheChat.typing = true;
        TheChat.typed.clear();
    } else {
        TheChat.logShown = !TheChat.logShown;
    }
    return true;
}

void ChatOverlay(NetworkMessages* messages) {
    messages->chatLog = TheChat.logShown;
    const std::int64_t now = NowMs();
    for (std::size_t i = 0; i < TheChat.log.size(); ++i)
        if (TheChat.logShown || now < TheChat.shownTill[i]) messages->chat.push_back(TheChat.log[i]);
    messages->typing = TheChat.typing;
    messages->typed = TheChat.typed;
}

void RecordEarlyRemarks() {
    for (const ReplayEvent& e : TheChat.early) ReplayRecordRemark(e.kind, static_cast<int>(e.value), e.text);
    TheChat.early.clear();
}

const std::deque<std::string>& ChatLog() { return TheChat.log; }

void ResetChat() { TheChat = ChatState{}; }

}  // namespace netplay
