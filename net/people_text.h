// What people write to each other in a network game (their names and their chat lines), cleaned
// to what every machine can show alike.
//
// Every name and chat line passes through CleanPeopleText before it is sent, shown or kept,
// whatever its source: the command line, a script, this machine's keyboard. What a machine sends is
// therefore clean, and a message whose text is not (CheckMessage in messages.h) comes from a
// machine that broke the rules: it is refused like any other message that makes no sense.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace net {

constexpr std::size_t kMaxNameLength = 16;
constexpr std::size_t kMaxChatLength = 80;

// The text as UTF-8 (a stray byte stands for one character), made fit to show: control and format
// characters (direction overrides, zero-width marks and the like) are left out; every other
// character the game's font cannot draw (it draws codes 32 to 125) becomes '?'; spaces are trimmed
// at both ends and runs of them become one; and the result is cut to `most` characters.
std::string CleanPeopleText(std::string_view text, std::size_t most);

// Whether the text is already as CleanPeopleText leaves it, and within `most` characters.
bool IsCleanPeopleText(std::string_view text, std::size_t most);

}  // namespace net
