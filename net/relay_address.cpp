// Where the relay of online rooms is: checking addresses, finding the ones to use, and the broker of a room.
#include "net/relay_address.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "net/room_code.h"
#include "net/transport.h"

namespace net {

namespace {

// Longer than any address a player means; a settings file longer than a full list of them is not one.
constexpr std::size_t kLongestAddress = 300;
constexpr std::size_t kLongestSetting = kLongestAddress * kMostRelayBrokers;

bool Given(const char* value) { return value != nullptr && *value != '\0'; }

std::string Trimmed(const std::string& text) {
    const char* blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// The settings file's path, or "" when neither XDG_CONFIG_HOME nor HOME is set.
std::string SettingsPath(const RelaySources& sources) {
    if (Given(sources.configHome) && sources.configHome[0] == '/')
        return std::string(sources.configHome) + "/lobshot/relay";
    if (Given(sources.home)) return std::string(sources.home) + "/.config/lobshot/relay";
    return "";
}

// Reads the settings file's one line. A missing file is not an error: *found stays false.
bool ReadSettings(const std::string& path, bool* found, std::string* line, std::string* error) {
    errno = 0;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        if (errno == ENOENT || errno == ENOTDIR) return true;
        *error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    *found = true;
    std::ostringstream text;
    text << file.rdbuf();
    const std::string whole = text.str();
    if (whole.size() > kLongestSetting) {
        *error = Compose(says::kRelayNotOneLine, {path});
        return false;
    }
    *line = Trimmed(whole);
    return true;
}

}  // namespace

bool TakeTlsScheme(std::string* address) {
    if (address->rfind(kTlsRelayScheme, 0) != 0) return false;
    address->erase(0, std::strlen(kTlsRelayScheme));
    return true;
}

bool CheckRelayAddress(const std::string& given, const std::string& source, std::string* error) {
    std::string text = given, host, problem;
    TakeTlsScheme(&text);
    std::uint16_t port = 0;
    if (text.size() > kLongestAddress) {
        *error = Compose(says::kRelayTooLong, {source});
        return false;
    }
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < ' ' || c == 0x7F) {
            *error = Compose(says::kRelayControl, {source});
            return false;
        }
    }
    if (!ParseHostPort(text, &host, &port, &problem)) {
        *error = Compose(says::kRelayNotAddress, {source, problem, kDefaultRelay});
        return false;
    }
    for (const char c : host) {
        if (c == ' ') {
            *error = Compose(says::kRelaySpace, {source, given});
            return false;
        }
    }
    return true;
}

bool SplitRelays(const std::string& setting, const std::string& source, std::vector<std::string>* relays,
                 std::string* error) {
    relays->clear();
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = setting.find(kRelaySeparator, start);
        relays->push_back(setting.substr(start, end == std::string::npos ? end : end - start));
        if (!CheckRelayAddress(relays->back(), source, error)) return false;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    if (relays->size() > kMostRelayBrokers) {
        *error = Compose(says::kRelayTooLong, {source});
        return false;
    }
    return true;
}

bool CheckRelays(const std::string& setting, const std::string& source, std::string* error) {
    std::vector<std::string> relays;
    return SplitRelays(setting, source, &relays, error);
}

bool RelayForCode(const std::string& setting, const std::string& code, std::string* relay,
                  std::string* error) {
    std::vector<std::string> relays;
    if (!SplitRelays(setting, "the relay", &relays, error)) return false;
    *relay = relays[RelayOfCode(code, relays.size())];
    return true;
}

bool FindRelay(const RelaySources& sources, std::string* address, std::string* error) {
    if (Given(sources.option)) {
        *address = sources.option;
        return CheckRelays(*address, "--relay", error);
    }
    if (Given(sources.environment)) {
        *address = sources.environment;
        return CheckRelays(*address, "LOBSHOT_RELAY", error);
    }
    const std::string path = SettingsPath(sources);
    bool found = false;
    if (!path.empty() && !ReadSettings(path, &found, address, error)) return false;
    if (found) return CheckRelays(*address, path, error);
    *address = kDefaultRelay;
    return true;
}

RelaySources RelaySourcesOfProcess(const char* option) {
    RelaySources sources;
    sources.option = option;
    sources.environment = std::getenv("LOBSHOT_RELAY");
    sources.configHome = std::getenv("XDG_CONFIG_HOME");
    sources.home = std::getenv("HOME");
    return sources;
}

}  // namespace net
