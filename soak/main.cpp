// lobshot-soak: whole games of the real game with random keys, checked after every frame.
//
// The keys come from a seed; those that lead to a failure are kept as a replay script.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "diag/diag.h"
#include "platform/backend.h"
#include "players/weapon_table.h"
#include "runner/runner.h"
#include "runner/script.h"
#include "shell/shell.h"
#include "soak/crash_report.h"
#include "soak/soak_driver.h"

namespace {

constexpr const char* USAGE =
    "usage: lobshot-soak [--seed N] [--matches N] [--max-frames N] [--max-players N] [--repro FILE]\n"
    "                   [--quiet]\n"
    "       lobshot-soak --replay FILE [--seed N]\n";

struct CommandLine {
    SoakOptions soak;
    bool seedGiven = false;
    bool quiet = false;
    std::string repro;
    std::string replay;
};

bool ParseNumber(const char* text, std::uint64_t limit, std::uint64_t* value) {
    const std::string s = text;
    if (s.empty() || s.size() > 19 || s.find_first_not_of("0123456789") != std::string::npos) return false;
    *value = std::stoull(s);
    return *value <= limit;
}

// Returns an empty string when the command line is good, else what is wrong with it.
std::string Parse(int argc, char** argv, CommandLine* line) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--quiet") {
            line->quiet = true;
            continue;
        }
        if (i + 1 >= argc) return "missing value after " + arg;
        const char* value = argv[++i];
        std::uint64_t number = 0;
        if (arg == "--repro") {
            line->repro = value;
        } else if (arg == "--replay") {
            line->replay = value;
        } else if (arg == "--seed" && ParseNumber(value, 0xFFFFFFFFu, &number)) {
            line->soak.seed = static_cast<std::uint32_t>(number);
            line->seedGiven = true;
        } else if (arg == "--matches" && ParseNumber(value, 0xFFFFFFFFu, &number)) {
            line->soak.matches = static_cast<std::uint32_t>(number);
        } else if (arg == "--max-frames" && ParseNumber(value, UINT64_MAX >> 1, &number)) {
            line->soak.maxFrames = number;
        } else if (arg == "--max-players" && ParseNumber(value, MAX_PLAYERS, &number) && number >= 2) {
            line->soak.maxPlayers = static_cast<int>(number);
        } else {
            return "bad option " + arg + " " + value;
        }
    }
    if (line->soak.matches == 0 && line->soak.maxFrames == 0) return "give --matches or --max-frames above 0";
    if (line->repro.empty()) line->repro = "lobshot-soak-" + std::to_string(line->soak.seed) + ".script";
    return {};
}

int RunGame(std::uint32_t seed, HeadlessDriver* driver) {
    HeadlessSetClock(seed);
    ShellStartWithSeed(seed);
    HeadlessSetDriver(driver);
    const int status = WinMain(PlatformModuleHandle(), nullptr, "", 1);
    HeadlessSetDriver(nullptr);
    return status;
}

// The replay runner's driver with the soak's rules checked after every frame.
class CheckedScriptDriver : public ScriptDriver {
public:
    explicit CheckedScriptDriver(const RunnerOptions& options) : ScriptDriver(options) {}
    bool Feed() override {
        failure = checker_.Check();
        return failure.empty() && ScriptDriver::Feed();
    }
    std::string failure;

private:
    InvariantChecker checker_;
};

// Plays a script (a failure's keys, or any scenario) with the rules checked after every frame. The
// seed comes from the script's "# args: --seed N" line unless the command line gives one.
int Replay(const CommandLine& line) {
    std::ifstream in(line.replay, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in) {
        std::cerr << "lobshot-soak: cannot read " << line.replay << "\n";
        return 2;
    }
    RunnerOptions options;
    options.scriptName = line.replay;
    std::string error;
    if (!ParseScript(text.str(), line.replay, &options.script, &error)) {
        std::cerr << error << "\n";
        return 2;
    }
    options.seed = line.soak.seed;
    std::uint32_t seed = 0;
    if (!line.seedGiven && std::sscanf(text.str().c_str(), "# args: --seed %u", &seed) == 1)
        options.seed = seed;
    CheckedScriptDriver driver(options);
    const int status = RunGame(options.seed, &driver);
    if (!driver.failure.empty()) {
        std::cout << line.replay << ": after frame " << HeadlessTickCount() << ": " << driver.failure << "\n";
        return 1;
    }
    std::cout << line.replay << ": " << HeadlessTickCount() << " frames, every rule held\n";
    return status == 0 ? driver.ExitStatus() : 1;
}

std::string WeaponName(int weapon) {
    WeaponData data;
    if (GetWeaponData(weapon, &data)) return data.name;
    return "weapon " + std::to_string(weapon);
}

void PrintSummary(const SoakOptions& options, const SoakStats& stats, std::uint64_t frames, double seconds) {
    std::cout << "lobshot-soak: seed " << options.seed << "\n";
    std::cout << "  matches  " << stats.matchesComplete << " complete of " << stats.matchesStarted
              << " started (" << stats.matchesCutShort << " cut short); " << stats.gamesStarted << " games, "
              << stats.gamesAbandoned << " abandoned\n";
    static const char* MODE_NAMES[] = {"aiming", "shot", "shop", "choice", "end", "title"};
    std::cout << "  frames   " << frames << " (";
    for (std::size_t m = 0; m < stats.framesByMode.size(); ++m)
        std::cout << (m ? ", " : "") << MODE_NAMES[m] << " " << stats.framesByMode[m];
    std::cout << ")\n  shots    ";
    for (int w = 0; w < WEAPON_COUNT; ++w)
        std::cout << (w ? ", " : "") << WeaponName(w) << " " << stats.shots[static_cast<std::size_t>(w)];
    std::cout << "; " << stats.refusedShots << " refused\n";
    std::cout << "  computer " << stats.gamesWithComputers << " games with computers ("
              << stats.gamesOnePerson << " with one person, " << stats.gamesAllComputers << " with none), "
              << stats.matchesWithComputers << " matches; turns Beginner/Easy/Normal/Hard/Expert ";
    for (int level = ControllerBeginner; level <= ControllerExpert; ++level)
        std::cout << (level > ControllerBeginner ? "/" : "")
                  << stats.computerTurns[static_cast<std::size_t>(level)];
    std::cout << ", longest " << stats.longestComputerTurn << " frames\n           shots ";
    for (int w = 0; w < WEAPON_COUNT; ++w)
        std::cout << (w ? ", " : "") << WeaponName(w) << " "
                  << stats.computerShots[static_cast<std::size_t>(w)];
    std::cout << "; " << stats.computerShopVisits << " shop visits, longest " << stats.longestComputerShop
              << " frames; " << stats.tablesMovedOn << " end-of-match tables moved on by themselves, longest "
              << stats.longestTable << " frames\n";
    std::cout << "  shop     " << stats.roundsBought << " rounds bought, " << stats.roundsSold << " sold\n";
    std::cout << "  games of";
    for (int n = 2; n <= MAX_PLAYERS; ++n)
        std::cout << " " << n << ":" << stats.gamesByPlayers[static_cast<std::size_t>(n)];
    std::cout << " players; matches with gravity off/on " << stats.matchesByGravity[0] << "/"
              << stats.matchesByGravity[1] << ", wind no/constant/variable/random " << stats.matchesByWind[0]
              << "/" << stats.matchesByWind[1] << "/" << stats.matchesByWind[2] << "/"
              << stats.matchesByWind[3] << "\n";
    std::cout << "  time     " << seconds << " s";
    if (seconds > 0)
        std::cout << " (" << static_cast<std::uint64_t>(static_cast<double>(frames) / seconds)
                  << " frames a second)";
    std::cout << "\n";
}

void WriteRepro(const std::string& path, const SoakDriver& driver, const std::string& what) {
    std::string text = driver.Log().Text();
    text.insert(text.find('\n') + 1, "# lobshot-soak: " + what + "\n");
    std::ofstream(path, std::ios::binary) << text;
}

int Soak(const CommandLine& line) {
    SoakDriver driver(line.soak);
    driver.SetProgress(!line.quiet);
    const auto start = std::chrono::steady_clock::now();
    InstallCrashReport(driver.Log(), driver.Stats(), line.soak.seed, line.repro);
    int status = 1;
    std::string crash;
    try {
        status = RunGame(line.soak.seed, &driver);
    } catch (const std::exception& e) {
        crash = std::string("an exception left the game: ") + e.what();
    }
    RemoveCrashReport();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    const SoakStats& stats = driver.Stats();
    PrintSummary(line.soak, stats, driver.Frames(), elapsed.count());
    std::string failure = stats.failure;
    if (failure.empty() && !crash.empty()) failure = crash;
    if (failure.empty() && status != 0)
        failure = "the game failed to start or stopped with status " + std::to_string(status);
    if (failure.empty() && !driver.Finished()) failure = "the game closed by itself";
    if (failure.empty()) {
        std::cout << "  result   every rule held\n";
        return 0;
    }
    const std::string where = "seed " + std::to_string(line.soak.seed) + ", match " +
                              std::to_string(stats.matchesStarted) + ", frame " +
                              std::to_string(driver.Frames());
    std::cout << "  result   FAILED at " << where << ": " << failure << "\n";
    WriteRepro(line.repro, driver, failure + " (" + where + ")");
    std::cout << "  replay   lobshot-headless --seed " << line.soak.seed << " --script " << line.repro
              << " --state state.json\n"
              << "           lobshot-soak --replay " << line.repro << "\n";
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::cout << USAGE;
        return 0;
    }
    CommandLine line;
    if (const std::string problem = Parse(argc, argv, &line); !problem.empty()) {
        std::cerr << "lobshot-soak: " << problem << "\n" << USAGE;
        return 2;
    }
    DiagConfigureFromEnvironment();
    return line.replay.empty() ? Soak(line) : Replay(line);
}
