// The soak runner's last words when the game crashes.
//
// It says where the crash happened and writes the key script that leads there, from a signal
// handler (or the sanitizers' death callback).
#pragma once

#include <cstdint>
#include <string>

class KeyLog;
struct SoakStats;

// Watches for a crash until RemoveCrashReport; the log, the stats and the path must outlive it.
void InstallCrashReport(const KeyLog& log, const SoakStats& stats, std::uint32_t seed,
                        const std::string& path);
void RemoveCrashReport();

// The key script so far, written with the calls a signal handler may make; false when the file
// cannot be written. No key presses are pending between ticks, only the last wait.
bool WriteKeysForCrash(const char* path, const KeyLog& log);
