// Names and chat in a network game (chat.cpp): each machine's person's name, and the short lines
// people send each other, over the picture and never in the game's state.
//
// Names: a guest gives its person's name in its hello, the host keeps every machine's and passes
// them all on (host.cpp); every machine shows them through MachineNames (core/globals.h). Chat: a
// guest sends its person's lines to the host, which takes a few from each machine at a time and
// passes each one on to every machine and spectator, the sender too; a machine that sends too
// many is muted for a while. Both are kept in the replay as remarks. The keyboard (keyboard.cpp)
// hands the chat its keys first; notices.cpp draws what the chat shows.
#pragma once

#include <cstddef>
#include <deque>
#include <string>

#include "net/messages.h"
#include "net/transport.h"
#include "platform/input.h"

struct NetworkMessages;

namespace netplay {

// The host takes at most CHAT_BURST lines from one machine within CHAT_WINDOW_MS; a machine that
// sends more is muted for CHAT_MUTE_MS, and everyone is told so once.
constexpr std::size_t CHAT_BURST = 5;
constexpr int CHAT_WINDOW_MS = 10000;
constexpr int CHAT_MUTE_MS = 30000;
// The lines kept to look back on, and how long a new line stays over the picture.
constexpr std::size_t CHAT_KEPT = 10;
constexpr int CHAT_SHOWN_MS = 6000;
// T starts a line; F3 shows or hides the last lines. The game uses neither.
constexpr int CHAT_KEY = 'T';
constexpr int CHAT_LOG_KEY = VK_F3;

// A machine's person's name as this machine now knows it (clean, maybe empty): shown from now on,
// and kept in the replay when it changed.
void SetMachineName(int machine, const std::string& name);
// Every machine's name, as the host passes them on.
net::Names NamesNow();
// A guest's or spectator's word of the names from the host.
void TakeNames(const net::Names& names);

// This machine's person says a line, cleaned first (nothing when nothing is left): the host takes it
// as its own machine's, a guest or spectator sends it to the host.
void Say(const std::string& text);
// Host: a joined machine's line. One speaking for another machine, or saying it was muted, breaks
// the rules (the machine is dropped); a line over the rate is let go.
void HostTakeChat(int machine, const net::Chat& chat);
// A guest's or spectator's line (or word of a muting) from the host.
void ChatHeard(const net::Chat& chat);

// Whether the players hear the spectators' lines at first: not, as the watch link is made to be
// handed round more widely than the room's code, so that strangers may be watching; the spectators
// always hear each other, and the host may let the players hear them too (its W in the waiting
// room, or NetLetPlayersHearSpectators).
constexpr bool SPECTATORS_HEARD_AT_FIRST = false;
// Host: a spectator's line, within the same bound as a machine's (a spectator over it is muted, not
// the room); one that names itself or says it was muted breaks the rules and its spectator is dropped.
void HostTakeSpectatorChat(net::PeerId peer, const std::string& name, const net::SpectatorChat& chat);
// A spectator's line (or word of a muting) from the host.
void SpectatorChatHeard(const net::SpectatorChat& chat);
void SetSpectatorsHeard(bool heard);
bool SpectatorsHeard();

// A key from this machine's keyboard: true when it is the chat's and must not reach the game. The
// chat key starts a line; while one is typed, every key is the line's (letters, digits and Space;
// Shift for capitals; Backspace rubs out, Enter sends, Esc puts it away), and the release of a key
// the chat took is the chat's too. The log key shows or hides the last lines.
bool ChatKey(const InputEvent& input, bool shift);
// What the chat shows over the picture now: the new lines (or, while the log is up, the last
// CHAT_KEPT), and the line being typed.
void ChatOverlay(NetworkMessages* messages);
// A joining machine has loaded the game so far: the lines it heard meanwhile go into its replay after
// it.
void RecordEarlyRemarks();
// The last CHAT_KEPT lines, oldest first, each "NAME: TEXT" as shown.
const std::deque<std::string>& ChatLog();
void ResetChat();

}  // namespace netplay
