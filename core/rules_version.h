// The rules' version: one number that changes whenever what the game computes from its input does.
//
// A replay names the rules it was played by and is played only by a game of the same rules; a
// network game admits only machines of the same rules (the Hello's version, replay.h's
// ReplayGameVersion), and the web page keeps its files in a cache named by it (page/sw.js.in, read
// by page/Site.cmake). Raise it by hand whenever a change to the rules changes an expected scenario
// snapshot or a golden replay's state: tests/golden.cmake fingerprints those files and fails until
// the number is raised and the new fingerprint recorded beside it (tests/golden.fingerprint).
//
// Version 1 is the first whose replays hold the computer players' keys. Replays of formats 1 and 2
// (Lobshot 0.1) play by its rules when only people play them.
#pragma once

constexpr int RULES_VERSION = 1;
