// The door through which the game's menus open, join or watch an online room.
//
// Only the program knows the relay's transports (the native game's MQTT client, the page's
// WebSocket), so it registers a starter at start-up; the menus ask through here and stay the same
// on every build. Without a starter (the headless runner) nothing can be opened online.
#pragma once

#include <string>

enum class OnlineAction { Open, Join, Watch };

struct OnlineRequest {
    OnlineAction action = OnlineAction::Open;
    std::string code;   // the room's code (Join) or the watch code (Watch); empty to open one
    std::string relay;  // the relay to use; empty for the program's own choice
};

// What a started room tells the menus to show.
struct OnlineRoom {
    std::string code;        // the code friends type to join
    std::string inviteLink;  // a page address that joins the room, empty without a page
    std::string watchLink;   // a page address that watches it, empty without a page
    std::string watchCode;   // the code spectators type to watch (a host's only)
};

// Starts the request; true with the room filled in, false with *error saying why in the player's words.
using OnlineStarter = bool (*)(const OnlineRequest& request, OnlineRoom* room, std::string* error);

// With `offered`, the title offers online play; a program may start rooms it is given without.
void SetOnlineStarter(OnlineStarter starter, bool offered = true);
// Whether the title offers online play: a starter is registered and offered.
bool OnlineAvailable();
bool StartOnline(const OnlineRequest& request, OnlineRoom* room, std::string* error);

// The relay the menus offer: the program says which one it uses now ("" when none is named yet, and
// the player is asked to type one) and keeps one the player typed (checked, then kept in the
// settings where the program has them; false with *error in the player's words). Without them the
// menus show no relay and cannot change it.
using OnlineRelayReader = std::string (*)();
using OnlineRelayKeeper = bool (*)(const std::string& relay, std::string* error);
void SetOnlineRelay(OnlineRelayReader reader, OnlineRelayKeeper keeper);
std::string OnlineRelayNow();
bool OnlineKeepRelay(const std::string& relay, std::string* error);

// The room this machine is in, as its starter reported it (empty when none).
const OnlineRoom& CurrentOnlineRoom();

// No starter, no relay and no room.
void OnlineStartResetForTests();
