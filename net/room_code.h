// Room codes of online play: the eight characters a host reads out and its guests type in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace net {

// The characters of codes and of other random names: digits and capital letters without the ones
// easily taken for another (0 and O, 1 and I). 32 of them, so each carries 5 bits.
constexpr std::string_view kCodeAlphabet = "23456789ABCDEFGHJKLMNPQRSTUVWXYZ";
constexpr int kCodeBitsPerCharacter = 5;

// A room code has 8 characters: 40 random bits, drawn afresh for every room from the system's
// strong random source (never from the game's seed, which the room's players see).
constexpr std::size_t kRoomCodeLength = 8;

// The name of `length` characters that the bits of `bytes` spell, 5 bits a character, most
// significant bit of the first byte first. `bytes` holds at least ceil(5 * length / 8) bytes;
// bits beyond are ignored.
std::string SpellCode(std::span<const std::uint8_t> bytes, std::size_t length);

// A fresh name of `length` characters (1 to 64) from the system's strong random source. Returns
// false with a message in *error if the source fails.
bool MakeRandomCode(std::size_t length, std::string* code, std::string* error);

// A fresh room code.
bool MakeRoomCode(std::string* code, std::string* error);

// A fresh room code and, apart from it, the room's watch code: drawn on their own, so that the one
// spectators are given tells nothing of the one that lets a machine in to play.
bool MakeRoomCodes(std::string* code, std::string* watch_code, std::string* error);

// Which of `count` brokers (1 or more) keeps the room or spectators' room `code`, a code as
// ParseRoomCode reads it (a relay of several brokers: net/relay_address.h): the code read as a
// number, first character most significant, each character its place in kCodeAlphabet, modulo
// `count`. Codes are drawn evenly, so rooms spread evenly over the brokers.
std::size_t RelayOfCode(std::string_view code, std::size_t count);

// A fresh room code and watch code as MakeRoomCodes draws them, both naming broker `relay` of
// `count` (below it): each is drawn afresh until it does, so it is as random as any code of that
// broker.
bool MakeRoomCodesOn(std::size_t relay, std::size_t count, std::string* code, std::string* watch_code,
                     std::string* error);

// Reads a room code as a player types it: small letters count as capitals, and spaces and hyphens
// are skipped ("abcd-efgh"). Returns false with a message for the player in
// *error if what is left is not kRoomCodeLength characters of the alphabet.
bool ParseRoomCode(std::string_view text, std::string* code, std::string* error);

// The link that opens room `code` in the game's web page at `page` (its address without a
// fragment, as "https://example.org/lobshot/"): PAGE#room=CODE; and the link that watches it by its
// watch code: PAGE#watch=WATCHCODE.
std::string RoomLink(const std::string& page, const std::string& code);
std::string WatchLink(const std::string& page, const std::string& watch_code);
// Whether `page` can be such an address: not empty, no '#', no spaces or control characters.
// False with a message naming `source` (the option or variable it came from) in *error.
bool CheckRoomPage(const std::string& page, const std::string& source, std::string* error);

}  // namespace net
