// Where the relay of online rooms is: the brokers' addresses as a player gives them, where they are
// found, and which broker keeps which room.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace net {

// The broker a machine uses when nothing names another.
constexpr const char* kDefaultRelay = "127.0.0.1:1883";

// A relay reached over TLS (a public one) is written with this in front: "mqtts://ADDRESS:PORT".
constexpr const char* kTlsRelayScheme = "mqtts://";

// Takes kTlsRelayScheme off the front of *address: true if it was there.
bool TakeTlsScheme(std::string* address);

// A relay of several brokers is written as their addresses in a fixed order, comma apart:
// "ADDRESS:PORT,ADDRESS:PORT". Every machine of a room is given the same list; the room's code names
// the broker that keeps it (net::RelayOfCode), so a guest finds its host's broker by the code it types.
// One address is a relay of one broker, as it always was.
constexpr char kRelaySeparator = ',';
constexpr std::size_t kMostRelayBrokers = 16;

// Checks a relay's address as the player gives it, "ADDRESS:PORT" or "mqtts://ADDRESS:PORT"
// (net::ParseHostPort's rules, no control characters, and no spaces in the address). Returns false with a
// message for the player in *error, naming `source` (where the value came from, "--relay" for instance).
bool CheckRelayAddress(const std::string& text, const std::string& source, std::string* error);

// Splits a relay setting into its brokers' addresses, each checked as CheckRelayAddress checks it.
// False with a message for the player in *error, naming `source`, if one is not valid or there
// are more than kMostRelayBrokers.
bool SplitRelays(const std::string& setting, const std::string& source, std::vector<std::string>* relays,
                 std::string* error);
bool CheckRelays(const std::string& setting, const std::string& source, std::string* error);

// The address of the broker of the room `code` (as net::ParseRoomCode reads it) in the relay
// setting `setting`; false with a message as SplitRelays gives it.
bool RelayForCode(const std::string& setting, const std::string& code, std::string* relay,
                  std::string* error);

// The places a relay's address may come from, first to last; a null or empty one is not given.
struct RelaySources {
    const char* option = nullptr;       // --relay ADDRESS:PORT[,ADDRESS:PORT...]
    const char* environment = nullptr;  // LOBSHOT_RELAY
    const char* configHome = nullptr;   // XDG_CONFIG_HOME: the settings file is CONFIG/lobshot/relay
    const char* home = nullptr;  // HOME: without an absolute XDG_CONFIG_HOME, HOME/.config/lobshot/relay
};

// The relay to use: the first of the sources given, the settings file if it exists (one line,
// ADDRESS:PORT or a list of them; its line ending and surrounding blanks are ignored), else
// kDefaultRelay. Each is checked as CheckRelays checks it. Returns false with a message for the player in
// *error when the first given is not a valid address, or the settings file exists but cannot be read.
bool FindRelay(const RelaySources& sources, std::string* address, std::string* error);

// The sources of this process: its --relay value (null if none) and its environment.
RelaySources RelaySourcesOfProcess(const char* option);

}  // namespace net
