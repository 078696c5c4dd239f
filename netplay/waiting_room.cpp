// Who is in the room: kinds and round trips as the host measures them, its list passed on, and the
// waiting room's lines.
#include "netplay/waiting_room.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>

#include "core/globals.h"
#include "netplay/chat.h"
#include "netplay/session.h"
#include "netplay/stamps.h"
#include "netplay/watchers.h"
#include "players/player_collection.h"
#include "text/text.h"
#include "text/utf8.h"

namespace netplay {

namespace {

// The last ping sent to a connection, and the round trip its answer took.
struct Measure {
    std::uint32_t asked = 0;
    std::int64_t askedAt = -1;  // -1: answered, or never asked
    int ms = 0;
};

struct Room {
    net::MachineKind own = net::MachineKind::Game;
    std::array<net::MachineKind, MAX_MACHINES> kinds{};  // host: what each machine runs
    std::map<net::PeerId, Measure> pings;                // host: by connection
    std::uint32_t nextPing = 0;                          // the number of the round's ping
    std::int64_t lastRound = -1;
    std::int64_t lastSaid = -1;
    net::People said;   // host: the list last passed on
    net::People heard;  // a guest or spectator: the host's word
};

Room TheRoom;

// A text and spaces after it to `columns` columns (printf's padding counts bytes, not letters).
std::string Padded(const std::string& text, std::size_t columns) {
    return text + std::string(columns - std::min(columns, Utf8Columns(text)), ' ');
}

// A machine's line: its person's name, what it runs the game in and its round trip ("host" for
// the host's own).
std::string MachineLine(const net::Person& person) {
    char line[64];
    const std::string name = Utf8Cut(MachineNameShown(person.machine), net::kMaxNameLength);
    const std::string trip = person.machine == 0   ? Tr("host")
                             : person.ping_ms == 0 ? "..."
                                                   : TrFormat("%d ms", static_cast<int>(person.ping_ms));
    std::snprintf(line, sizeof line, "%s %s %s", Padded(name, 16).c_str(),
                  Padded(person.kind == net::MachineKind::Page ? Tr("page") : Tr("game"), 4).c_str(),
                  trip.c_str());
    return line;
}

// The spectators by name, cut to what a line holds; empty without any.
std::string SpectatorsLine(const net::People& people) {
    std::string names;
    for (const net::Person& person : people.people)
        if (person.watching) names += (names.empty() ? "" : ", ") + (person.name.empty() ? "?" : person.name);
    if (names.empty()) return names;
    std::string line = TrFormat("Watching: %s", names.c_str());
    if (TheLink.role == NetRole::Host)
        line = people.spectators_heard ? TrFormat("Watching, heard (W): %s", names.c_str())
                                       : TrFormat("Watching, unheard (W): %s", names.c_str());
    return Utf8Columns(line) > 39 ? Utf8Cut(line, 36) + "..." : line;
}

int MachinesIn(const net::People& people) {
    return static_cast<int>(std::count_if(people.people.begin(), people.people.end(),
                                          [](const net::Person& person) { return !person.watching; }));
}

int Seats() { return ThePlayers ? ThePlayers->numPlayers : 2; }

}  // namespace

void SetOwnKind(net::MachineKind kind) { TheRoom.own = kind; }
net::MachineKind OwnKind() { return TheRoom.own; }

void MachineKindIs(int machine, net::MachineKind kind) {
    TheRoom.kinds[static_cast<std::size_t>(machine)] = kind;
}

void PingAnswered(net::PeerId peer, const net::Ping& ping) {
    const auto found = TheRoom.pings.find(peer);
    if (found == TheRoom.pings.end() || found->second.askedAt < 0 || ping.number != found->second.asked)
        return;
    const std::int64_t trip = std::clamp<std::int64_t>(NowMs() - found->second.askedAt, 1, net::kMaxPingMs);
    found->second.ms = static_cast<int>(trip);
    found->second.askedAt = -1;
}

int PingOf(net::PeerId peer) {
    const auto found = TheRoom.pings.find(peer);
    return found == TheRoom.pings.end() ? 0 : found->second.ms;
}

void ForgetPings(net::PeerId peer) { TheRoom.pings.erase(peer); }

net::People PeopleNow() {
    if (TheLink.role != NetRole::Host) return TheRoom.heard;
    net::People people;
    people.people.push_back({false, 0, TheRoom.own, 0, ""});
    for (int m = 1; m < MAX_MACHINES; ++m)
        if (StreamOf(m).connected)
            people.people.push_back({false, static_cast<std::uint8_t>(m),
                                     TheRoom.kinds[static_cast<std::size_t>(m)],
                                     static_cast<std::uint16_t>(PingOf(StreamOf(m).peer)), ""});
    for (const SpectatorSeen& seen : SpectatorsNow())
        people.people.push_back(
            {true, 0, seen.kind, static_cast<std::uint16_t>(PingOf(seen.peer)), seen.name});
    people.spectators_heard = SpectatorsHeard();
    return people;
}

void KeepPeopleKnown() {
    const std::int64_t now = NowMs();
    // Everyone is asked every round, and one that came since at once.
    const bool round = TheRoom.lastRound < 0 || now - TheRoom.lastRound >= PING_EVERY_MS;
    if (round) {
        TheRoom.lastRound = now;
        TheRoom.nextPing += 1;
    }
    auto ask = [round, now](net::PeerId peer) {
        if (!round && TheRoom.pings.count(peer) != 0) return;
        TheRoom.pings[peer].asked = TheRoom.nextPing;
        TheRoom.pings[peer].askedAt = now;
        SendTo(peer, net::Ping{TheRoom.nextPing, false});
    };
    for (int m = 1; m < MAX_MACHINES; ++m)
        if (StreamOf(m).connected) ask(StreamOf(m).peer);
    for (const SpectatorSeen& seen : SpectatorsNow()) ask(seen.peer);
    if (TheRoom.lastSaid >= 0 && now - TheRoom.lastSaid < PEOPLE_EVERY_MS) return;
    net::People people = PeopleNow();
    if (people == TheRoom.said) return;
    TheRoom.said = people;
    TheRoom.lastSaid = now;
    Broadcast(people);
}

void PeopleHeard(const net::People& people) { TheRoom.heard = people; }

void PingAsked(const net::Ping& ping) {
    if (!ping.answer) SendOwn(net::Ping{ping.number, true});
}

std::vector<std::string> WaitingRoomLines() {
    const net::People people = PeopleNow();
    std::vector<std::string> lines = {Tr("Waiting room   T: chat   F4: room code")};
    for (const net::Person& person : people.people)
        if (!person.watching) lines.push_back(MachineLine(person));
    if (const std::string watching = SpectatorsLine(people); !watching.empty()) lines.push_back(watching);
    const int seats = Seats();
    lines.push_back(EverySeatFilled() ? Tr("Every seat has a player")
                                      : TrFormat("%d of %d seats have a player",
                                                 std::min(MachinesIn(people), seats), seats));
    lines.push_back(TheLink.role == NetRole::Host ? Tr("Enter, pad A or a tap starts")
                                                  : Tr("The host starts the game"));
    return lines;
}

bool EverySeatFilled() { return MachinesIn(PeopleNow()) >= Seats(); }

bool WaitingRoomKey(std::uint32_t key) {
    if (TheLink.role != NetRole::Host || CurrentMode != Title || key != SPECTATORS_HEARD_KEY) return false;
    SetSpectatorsHeard(!SpectatorsHeard());
    TheRoom.lastSaid = -1;
    KeepPeopleKnown();
    return true;
}

void ResetWaitingRoom() {
    const net::MachineKind own = TheRoom.own;
    TheRoom = Room{};
    TheRoom.own = own;
}

}  // namespace netplay
