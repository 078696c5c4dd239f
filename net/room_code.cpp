// Room codes and random names: spelling bits in the code alphabet, drawing them, reading them back.
#include "net/room_code.h"

#include <sys/random.h>

#include <vector>

namespace net {
namespace {

// getentropy hands out at most this many bytes a call.
constexpr std::size_t kEntropyChunk = 256;
constexpr std::size_t kMaxRandomCode = 64;

bool InAlphabet(char c) { return kCodeAlphabet.find(c) != std::string_view::npos; }

}  // namespace

std::string SpellCode(std::span<const std::uint8_t> bytes, std::size_t length) {
    // Bits are taken from a window refilled a byte at a time, oldest bits highest.
    std::string code;
    std::uint32_t window = 0;
    int bits = 0;
    std::size_t next = 0;
    while (code.size() < length) {
        if (bits < kCodeBitsPerCharacter) {
            window = (window << 8) | bytes[next++];
            bits += 8;
        }
        bits -= kCodeBitsPerCharacter;
        code += kCodeAlphabet[(window >> bits) & 0x1F];
    }
    return code;
}

bool MakeRandomCode(std::size_t length, std::string* code, std::string* error) {
    if (length < 1 || length > kMaxRandomCode) {
        *error = "a random name has 1 to 64 characters";
        return false;
    }
    std::vector<std::uint8_t> bytes((length * kCodeBitsPerCharacter + 7) / 8);
    static_assert(kMaxRandomCode * kCodeBitsPerCharacter / 8 <= kEntropyChunk);
    if (getentropy(bytes.data(), bytes.size()) != 0) {
        *error = "the system's random source failed";
        return false;
    }
    *code = SpellCode(bytes, length);
    return true;
}

bool MakeRoomCode(std::string* code, std::string* error) {
    return MakeRandomCode(kRoomCodeLength, code, error);
}

bool ParseRoomCode(std::string_view text, std::string* code, std::string* error) {
    // Capitals from small letters; separators anywhere are skipped.
    std::string read;
    for (char c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c == ' ' || c == '-') continue;
        if (!InAlphabet(c)) {
            *error = "a room code has only the letters A to Z without I and O, and the digits 2 to 9";
            return false;
        }
        read += c;
    }
    if (read.size() != kRoomCodeLength) {
        *error = "a room code has " + std::to_string(kRoomCodeLength) + " characters";
        return false;
    }
    *code = read;
    return true;
}

std::size_t RelayOfCode(std::string_view code, std::size_t count) {
    std::uint64_t value = 0;
    for (const char c : code) value = value * kCodeAlphabet.size() + kCodeAlphabet.find(c);
    return count <= 1 ? 0 : static_cast<std::size_t>(value % count);
}

bool MakeRoomCodes(std::string* code, std::string* watch_code, std::string* error) {
    return MakeRoomCodesOn(0, 1, code, watch_code, error);
}

bool MakeRoomCodesOn(std::size_t relay, std::size_t count, std::string* code, std::string* watch_code,
                     std::string* error) {
    if (relay >= count) {
        *error = "no broker " + std::to_string(relay) + " among " + std::to_string(count);
        return false;
    }
    const auto drawOn = [&](std::string* drawn) {
        do {
            if (!MakeRoomCode(drawn, error)) return false;
        } while (RelayOfCode(*drawn, count) != relay);
        return true;
    };
    do {
        if (!drawOn(code) || !drawOn(watch_code)) return false;
    } while (*code == *watch_code);
    return true;
}

std::string RoomLink(const std::string& page, const std::string& code) { return page + "#room=" + code; }
std::string WatchLink(const std::string& page, const std::string& watch_code) {
    return page + "#watch=" + watch_code;
}

bool CheckRoomPage(const std::string& page, const std::string& source, std::string* error) {
    bool plain = !page.empty();
    for (char c : page) plain = plain && static_cast<unsigned char>(c) > ' ' && c != '#' && c != 0x7F;
    if (!plain) *error = source + ": the page's address has no spaces or '#', as http://example.org/lobshot/";
    return plain;
}

}  // namespace net
