// The page's side of an online room around the game: its person's name kept in the page's storage,
// the chat field, and the line that says the page keeps a room.
//
// The program (programs/lobshot_web.cpp) calls these while it starts a room; the page's script
// (page/room.js) draws the fields and the line, and hands back what the person typed.
#pragma once

#include <string>

// The name the page keeps for its person, or, the first time, the one they type when asked (the
// game's thread waits for the answer; an empty answer is a person without a name). Raw text: the
// caller cleans it and hands the clean name to WebKeepPersonName.
std::string WebPersonName();
void WebKeepPersonName(const std::string& name);

// Shows the chat field; a line sent from it reaches `say` as typed (the caller cleans it).
void WebSetChat(void (*say)(const std::string& line));

// The page keeps room `code`: it says so on screen with the links that join (`invite`) and watch it
// (`watch`), and warns its person before the page closes, which ends the room.
void WebShowHostedRoom(const std::string& code, const std::string& invite, const std::string& watch);

// The page's own address without its fragment ("https://example.org/lobshot/"), for links.
std::string WebPageAddress();
