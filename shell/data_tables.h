// What the game's data tables must hold before start-up lets the code that reads them run.
//
// The disc table (RCDATA 130) and its ring starts (131) are read by the landscape's crater walks
// and by Landscape::RandomOffset; the scatter table (135) by the Sod Salvo in flight. Their values
// become coordinates, loop bounds, divisors and indices, so start-up checks every value those
// readers rely on and refuses a table that breaks one. Each check takes the table's bytes (of the
// size start-up has already checked, any alignment) and returns an empty text when the table is
// fit, otherwise what is wrong with its first bad entry.
#pragma once

#include <cstdint>
#include <string>

#include "landscape/landscape.h"
#include "projectiles/projectile.h"

constexpr std::uint32_t DISC_TABLE_SIZE = DISC_RECORD_COUNT * sizeof(DiscOffset);
constexpr std::uint32_t RING_TABLE_SIZE = RING_START_COUNT * sizeof(std::int32_t);
constexpr int SCATTER_TABLE_RECORDS = 2601;
constexpr std::uint32_t SCATTER_TABLE_SIZE = SCATTER_TABLE_RECORDS * sizeof(ScatterOffset);
// The Sod Salvo reads the first 1300 records (Projectile::ScatterEarth); the rest are never read.
constexpr int SCATTER_RECORDS_READ = 1300;
constexpr int SCATTER_REACH = 25;

// The disc table: record 0 is the centre (0, 0) at distance 0 and no other record is; every offset
// lies within 100 on both axes; every distance is finite, within 0.01 of the offset's length and
// no smaller than the one before it (walks stop at the first record beyond their radius); every
// angle is finite and within -pi..pi.
std::string DiscTableFault(const void* disc);

// The ring starts, checked against a disc table that passed DiscTableFault: entry 0 is 0 and entry
// r (1 to 101) lies in 1..DISC_RECORD_COUNT-1 with every record before it closer than r and the
// record at it at distance r or more (so a draw below entry r, plus one, picks a record of the
// disc that is never the centre).
std::string RingTableFault(const void* rings, const void* disc);

// The scatter table: each of the first SCATTER_RECORDS_READ records lies within the closed disc of
// radius 25 around the shell.
std::string ScatterTableFault(const void* scatter);
