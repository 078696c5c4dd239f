// Measures the computer players' ladder over whole matches of the real game, as a player meets them.
//
// Each pairing of neighbouring levels (and Expert against Beginner) plays a game from each of SEEDS
// seeds in both seatings, so that both start on the same ground; the seeds take every wind option
// and both gravity options in turn, and each game is MATCHES matches long, the later ones on the
// ground the game's own play has led to. Eight-player games of mixed levels follow, one a seed,
// and then the person-like players of bench/person_player.h against the levels they are meant to
// meet: the anchor the levels are tuned against. From the game's state between frames it counts
// per pairing the wins (with a 95% interval), the turns and minutes a match and the matches not
// over within MATCH_TURN_LIMIT turns, and per level the turns that took armour off an opponent
// (the seat's first shot of the match, and its fourth on), the turns that hurt or destroyed the
// shooter itself (apart from turns that began with lava or flames burning beside it), the seats
// that kept one angle through a match of ten turns or more, the longest run of shots alike from
// one place (and of those that took no armour off an opponent), the time from a turn's start to
// its shot, the weapons bought and fired, the cash held at the end of a match (and of a game's
// third) and the A-Bombs held then, and the eight-player matches each level won, against the share
// its seats would win by chance. Every game runs in a process of its own, at most JOBS at a time. Run it by
// hand, with nice:
//   lobshot-bench-ladder [seeds [matches-per-game [first-pairing last-pairing [jobs [seed]]]]]
// (pairings 0 to 4 the ladder, 5 the eight-player games, 6 to 11 the people; a seed plays its
// games alone); bench/measure_levels.sh runs the lot. For a match that does not end,
// LADDER_SURFACE=1 draws its ground, LADDER_SHOT=FILE.png saves the screen, and LADDER_TRACE=N
// writes every shot from turn N on; LADDER_RUNS=N writes the runs of N shots alike and more.
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/ladder_tables.h"
#include "bench/person_player.h"
#include "computer/brain.h"
#include "core/globals.h"
#include "display/graphx.h"
#include "landscape/landscape.h"
#include "platform/backend.h"
#include "platform/headless/headless_platform.h"
#include "platform/input.h"
#include "players/player_collection.h"
#include "projectiles/fragment.h"
#include "projectiles/projectile_collection.h"
#include "screens/setup_state.h"
#include "shell/shell.h"

namespace {

constexpr int MATCH_TURN_LIMIT = 300;
constexpr int ONE_ANGLE_TURNS = 10;
// Lava or flames this near a tank at the start of its turn may burn it during the turn.
constexpr int BURN_REACH = 24;
std::array<LevelTally, LEVELS> Levels;

double ThreadMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

void Press(int key) {
    PostInput(InputEvent::Down(key, false));
    PostInput(InputEvent::Up(key));
}

std::int32_t ArmourOf(const Player& p) { return p.inGame && p.alive ? p.armour : 0; }

// Plays one game of `matches` matches with the seats given and watches every turn.
class LadderDriver : public HeadlessDriver {
public:
    LadderDriver(std::array<int, PLAYER_SEATS> seats, int players, int gravity, int wind, int matches,
                 PairTally* pair, std::uint32_t seed)
        : seats_(seats), players_(players), gravity_(gravity), wind_(wind), matches_(matches), pair_(pair) {
        for (int i = 0; i < MAX_PLAYERS; ++i)
            people_[static_cast<std::size_t>(i)].Start(
                static_cast<PersonSkill>(std::max(0, seats[static_cast<std::size_t>(i)] - FIRST_PERSON)),
                seed + static_cast<std::uint32_t>(i));
    }

    bool Feed() override {
        const double now = ThreadMicroseconds();
        if (lastMode_ == Aiming && frames_ > 0) {
            const int level = seats_[static_cast<std::size_t>(shooter_ >= 0 ? shooter_ : 0)];
            double& longest = Levels[static_cast<std::size_t>(level)].longestAimingStepUs;
            longest = std::max(longest, now - lastFeed_);
        }
        if (!Observe()) return false;
        if (matchTurns_ > 0) pair_->frames += 1;
        lastMode_ = CurrentMode;
        frames_ += 1;
        HeadlessTick();
        lastFeed_ = ThreadMicroseconds();
        return true;
    }

private:
    bool Observe() {
        const std::uint32_t mode = CurrentMode;
        if (mode == Title && frames_ % 5 == 4) Press(VK_RETURN);
        if (mode == PlayerChoice && !started_ && ScreenPlayers) {
            started_ = true;
            SetGravityOption(gravity_);
            SetWindOption(wind_);
            for (std::size_t i = 0; i < PLAYER_SEATS; ++i)
                SeatControllers[i] =
                    IsPerson(seats_[i]) ? ControllerHuman : static_cast<Controller>(seats_[i]);
            ScreenPlayers->SetNumPlayers(players_);
            Press(VK_DOWN);
            Press(VK_DOWN);
            Press(VK_DOWN);
            Press(VK_RETURN);
        }
        if (mode == Aiming && TurnsStarted != turnsSeen_) {
            CloseTurn();
            OpenTurn();
        }
        turnsSeen_ = TurnsStarted;
        PeopleAct(mode);
        CountPurchases(mode);
        if (mode == ShotInProgress && lastMode_ == Aiming && open_ && fireFrame_ < 0) {
            fireFrame_ = frames_;
            const Player& p = ThePlayers->players[static_cast<std::size_t>(shooter_)];
            angles_[static_cast<std::size_t>(shooter_)].push_back(p.angle);
            CountSameRun(p);
            if (p.weapon >= 0 && p.weapon < WEAPON_COUNT)
                Levels[static_cast<std::size_t>(seats_[static_cast<std::size_t>(shooter_)])]
                    .weaponsFired[static_cast<std::size_t>(p.weapon)] += 1;
            if (matchTurns_ > traceFrom_)
                std::fprintf(stderr, "turn %d: %s x %d y %d fires angle %d power %d weapon %d\n", matchTurns_,
                             LEVEL_NAMES[seats_[static_cast<std::size_t>(shooter_)]], p.x, p.y, p.angle,
                             p.power, p.weapon);
        }
        if (mode == EndOfMatch && lastMode_ != EndOfMatch) {
            CloseTurn();
            EndMatch(false);
            if (++played_ >= matches_) return false;
        }
        if (matchTurns_ > MATCH_TURN_LIMIT) {
            CloseTurn();
            Report();
            EndMatch(true);
            return false;
        }
        return true;
    }

    // The person-like seats press their keys: in their turns, in the shop (straight to "Finish")
    // and at the end of a match.
    void PeopleAct(std::uint32_t mode) {
        if (mode == Aiming && lastMode_ == WeaponShop)
            for (PersonPlayer& person : people_) person.NewMatch();
        const int current = ThePlayers ? ThePlayers->CurrentIndex() : -1;
        const bool personAims = current >= 0 && IsPerson(seats_[static_cast<std::size_t>(current)]);
        if (mode == Aiming && personAims) {
            std::vector<int> keys;
            people_[static_cast<std::size_t>(current)].Aim(current, &keys);
            for (int key : keys) Press(key);
        }
        if (mode == ShotInProgress && personAims) people_[static_cast<std::size_t>(current)].Watch();
        if (frames_ % 6 != 0) return;
        if (mode == WeaponShop && ShopPlayer >= 0 && IsPerson(seats_[static_cast<std::size_t>(ShopPlayer)]))
            Press(ShopRow == SHOP_FINISH_ROW ? VK_RETURN : VK_DOWN);
        bool person = false;
        for (int i = 0; i < players_; ++i) person = person || IsPerson(seats_[static_cast<std::size_t>(i)]);
        if (mode == EndOfMatch && person && frames_ % 120 == 0) Press(VK_SPACE);
    }

    // Shots in a row alike (place, angle, power and weapon) from the seat aiming now.
    void CountSameRun(const Player& p) {
        const auto s = static_cast<std::size_t>(shooter_);
        const std::array<std::int32_t, 5> shot{p.x, p.y, p.angle, p.power, p.weapon};
        sameRun_[s] = shot == lastShot_[s] ? sameRun_[s] + 1 : 1;
        lastShot_[s] = shot;
        int& longest = Levels[static_cast<std::size_t>(seats_[s])].longestSameRun;
        longest = std::max(longest, sameRun_[s]);
        if (sameRun_[s] >= runsFrom_)
            std::fprintf(
                stderr,
                "run %d: seed %u match %d turn %d %s x %d y %d armour %d angle %d power %d weapon %d\n",
                sameRun_[s], seed_, played_ + 1, matchTurns_, LEVEL_NAMES[seats_[s]], p.x, p.y, p.armour,
                p.angle, p.power, p.weapon);
    }

    // What each seat bought: any stock that grew in the shop since the last frame step.
    void CountPurchases(std::uint32_t mode) {
        if (!ThePlayers) return;
        for (int i = 0; i < players_; ++i) {
            const auto s = static_cast<std::size_t>(i);
            for (std::size_t w = 1; w < WEAPON_COUNT; ++w) {
                const std::int32_t now = ThePlayers->players[s].stock[w];
                if (mode == WeaponShop && now > stock_[s][w])
                    Levels[static_cast<std::size_t>(seats_[s])].weaponsBought[w] += now - stock_[s][w];
                stock_[s][w] = now;
            }
        }
    }

    // A match that did not end: where it stands, on standard error.
    void Report() const {
        std::fprintf(stderr, "not over: seed %u, match %d, gravity %d, wind %d (now %d), width %d;", seed_,
                     played_ + 1, gravity_, wind_, TheLandscape ? TheLandscape->wind : 0,
                     TheLandscape ? TheLandscape->width : 0);
        for (int i = 0; i < players_; ++i) {
            const Player& p = ThePlayers->players[i];
            std::fprintf(stderr, " [%s x %d y %d armour %d angle %d power %d weapon %d stock %d %d %d %d %d]",
                         LEVEL_NAMES[seats_[static_cast<std::size_t>(i)]], p.x, p.y, ArmourOf(p), p.angle,
                         p.power, p.weapon, p.stock[1], p.stock[2], p.stock[3], p.stock[4], p.stock[5]);
        }
        std::fprintf(stderr, "\n");
        if (const char* shot = std::getenv("LADDER_SHOT")) GraphxWriteVisiblePng(shot);
        if (std::getenv("LADDER_SURFACE") && TheLandscape) {
            // The ground in cells of 8 x 8 pixels: # solid, . air, digits the tanks.
            for (int y = 0; y < TheLandscape->height; y += 8) {
                for (int x = 0; x < TheLandscape->width; x += 8) {
                    std::uint32_t colour = 0;
                    char c = TheLandscape->GetPoint(x + 4, y + 4, &colour) ? '#' : '.';
                    for (int i = 0; i < players_; ++i) {
                        const Player& p = ThePlayers->players[i];
                        if (p.alive && p.x / 8 == x / 8 && p.y / 8 == y / 8) c = static_cast<char>('0' + i);
                    }
                    std::fputc(c, stderr);
                }
                std::fputc('\n', stderr);
            }
        }
    }

    void OpenTurn() {
        open_ = true;
        shooter_ = ThePlayers->CurrentIndex();
        startFrame_ = frames_;
        fireFrame_ = -1;
        for (int i = 0; i < MAX_PLAYERS; ++i)
            armour_[static_cast<std::size_t>(i)] = ArmourOf(ThePlayers->players[i]);
        matchTurns_ += 1;
        pair_->turns += 1;
        burning_ = false;
        const Player& me = ThePlayers->players[static_cast<std::size_t>(shooter_)];
        for (const Fragment* f = TheProjectiles ? TheProjectiles->fragments : nullptr; f; f = f->next) {
            if (f->type != FragLavaPixel && f->type != FragFlame) continue;
            if (std::abs(static_cast<int>(f->x) - me.x) <= BURN_REACH &&
                std::abs(static_cast<int>(f->y) - me.y) <= BURN_REACH)
                burning_ = true;
        }
    }

    void CloseTurn() {
        if (!open_ || !ThePlayers) return;
        open_ = false;
        const auto s = static_cast<std::size_t>(shooter_);
        LevelTally& t = Levels[static_cast<std::size_t>(seats_[s])];
        std::int32_t opponentLoss = 0;
        for (int i = 0; i < MAX_PLAYERS; ++i) {
            if (i == shooter_) continue;
            opponentLoss += armour_[static_cast<std::size_t>(i)] - ArmourOf(ThePlayers->players[i]);
        }
        const Player& me = ThePlayers->players[s];
        if (matchTurns_ > traceFrom_) {
            const ShotMemory& m = RememberedShot(shooter_);
            std::fprintf(stderr, "  landed %d at %d,%d; lost %d\n", m.landed, m.landX, m.landY, opponentLoss);
        }
        const bool hurt = ArmourOf(me) < armour_[s];
        const bool killed = armour_[s] > 0 && !me.alive;
        const int shot = ++shots_[s];
        t.turns += 1;
        if (shot == 1) {
            t.firstShots += 1;
            t.firstHits += opponentLoss > 0;
        } else if (shot >= 4) {
            t.laterShots += 1;
            t.laterHits += opponentLoss > 0;
        }
        if (hurt && std::getenv("LADDER_SELF"))
            std::fprintf(stderr,
                         "self-hurt: seed %u match %d turn %d %s x %d y %d angle %d power %d weapon %d%s\n",
                         seed_, played_ + 1, matchTurns_, LEVEL_NAMES[seats_[s]], me.x, me.y, me.angle,
                         me.power, me.weapon, killed ? " destroyed" : "");
        (burning_ ? t.burntHurts : t.selfHurts) += hurt;
        (burning_ ? t.burntKills : t.selfKills) += killed;
        if (fireFrame_ >= 0) {
            missRun_[s] = opponentLoss > 0 ? 0 : (sameRun_[s] > 1 && missRun_[s] > 0 ? missRun_[s] + 1 : 1);
            t.longestMissRun = std::max(t.longestMissRun, missRun_[s]);
            const int wait = static_cast<int>(fireFrame_ - startFrame_);
            t.fireFrames += wait;
            t.fired += 1;
            t.longestToFire = std::max(t.longestToFire, wait);
        }
    }

    void EndMatch(bool unfinished) {
        int alive = -1;
        int standing = 0;
        for (int i = 0; i < players_; ++i) {
            if (ThePlayers->players[i].inGame && ThePlayers->players[i].alive) {
                alive = i;
                standing += 1;
            }
        }
        pair_->matches += 1;
        if (unfinished) {
            pair_->unfinished += 1;
        } else if (standing == 1 && players_ == 2) {
            (alive == seatA_ ? pair_->winsA : pair_->winsB) += 1;
        } else if (standing == 1) {
            Levels[static_cast<std::size_t>(seats_[static_cast<std::size_t>(alive)])].mixedWins += 1;
        } else if (standing == 0) {
            pair_->draws += 1;
        }
        for (int i = 0; i < players_; ++i) {
            const auto s = static_cast<std::size_t>(i);
            const std::vector<std::int32_t>& angles = angles_[s];
            if (static_cast<int>(angles.size()) >= ONE_ANGLE_TURNS) {
                LevelTally& t = Levels[static_cast<std::size_t>(seats_[s])];
                t.longSeats += 1;
                t.oneAngleSeats +=
                    std::all_of(angles.begin(), angles.end(), [&](std::int32_t a) { return a == angles[0]; });
            }
            angles_[s].clear();
            shots_[s] = 0;
            LevelTally& t = Levels[static_cast<std::size_t>(seats_[s])];
            t.endSeats += 1;
            t.endCash += ThePlayers->players[i].cash;
            t.endBombs += ThePlayers->players[i].stock[WeaponABomb] > 0;
            t.mixedSeats += players_ > 2 && !unfinished;
            if (played_ == 2) {
                t.thirdSeats += 1;
                t.thirdCash += ThePlayers->players[i].cash;
            }
        }
        matchTurns_ = 0;
    }

public:
    int seatA_ = 0;
    std::uint32_t seed_ = 0;
    // Turns of a match past this one are written to standard error as they are fired.
    int traceFrom_ =
        std::getenv("LADDER_TRACE") ? std::atoi(std::getenv("LADDER_TRACE")) : MATCH_TURN_LIMIT + 1;
    // Runs of this many shots alike and more are written to standard error, shot by shot.
    int runsFrom_ = std::getenv("LADDER_RUNS") ? std::atoi(std::getenv("LADDER_RUNS")) : MATCH_TURN_LIMIT + 1;

private:
    std::array<int, PLAYER_SEATS> seats_;
    std::array<PersonPlayer, MAX_PLAYERS> people_;
    std::array<std::array<std::int32_t, WEAPON_COUNT>, MAX_PLAYERS> stock_{};
    std::array<std::array<std::int32_t, 5>, MAX_PLAYERS> lastShot_{};
    std::array<int, MAX_PLAYERS> sameRun_{};
    std::array<int, MAX_PLAYERS> missRun_{};  // the shots of the run that hurt no opponent
    int players_;
    int gravity_;
    int wind_;
    int matches_;
    PairTally* pair_;
    bool started_ = false;
    long frames_ = 0;
    double lastFeed_ = 0.0;
    std::uint32_t lastMode_ = Title;
    std::uint32_t turnsSeen_ = 0;
    int played_ = 0;
    int matchTurns_ = 0;
    bool open_ = false;
    bool burning_ = false;  // lava or flames beside the shooter as its turn began
    int shooter_ = -1;
    long startFrame_ = 0;
    long fireFrame_ = -1;
    std::array<std::int32_t, MAX_PLAYERS> armour_{};
    std::array<int, MAX_PLAYERS> shots_{};
    std::array<std::vector<std::int32_t>, MAX_PLAYERS> angles_;
};

// What a game's process sends back.
struct GameResult {
    PairTally pair;
    std::array<LevelTally, LEVELS> levels;
};

struct Running {
    pid_t pid;
    int fd;
    PairTally* pair;
};

void Collect(Running& r) {
    GameResult result{};
    std::size_t got = 0;
    auto* bytes = reinterpret_cast<char*>(&result);
    while (got < sizeof result) {
        const ssize_t n = read(r.fd, bytes + got, sizeof result - got);
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    close(r.fd);
    waitpid(r.pid, nullptr, 0);
    if (got != sizeof result) {
        std::fprintf(stderr, "a game's process failed\n");
        return;
    }
    r.pair->matches += result.pair.matches;
    r.pair->winsA += result.pair.winsA;
    r.pair->winsB += result.pair.winsB;
    r.pair->draws += result.pair.draws;
    r.pair->unfinished += result.pair.unfinished;
    r.pair->turns += result.pair.turns;
    r.pair->frames += result.pair.frames;
    for (int l = 0; l < LEVELS; ++l) {
        LevelTally& to = Levels[static_cast<std::size_t>(l)];
        const LevelTally& from = result.levels[static_cast<std::size_t>(l)];
        to.turns += from.turns;
        to.firstShots += from.firstShots;
        to.firstHits += from.firstHits;
        to.laterShots += from.laterShots;
        to.laterHits += from.laterHits;
        to.selfHurts += from.selfHurts;
        to.selfKills += from.selfKills;
        to.burntHurts += from.burntHurts;
        to.burntKills += from.burntKills;
        to.fireFrames += from.fireFrames;
        to.fired += from.fired;
        to.longestToFire = std::max(to.longestToFire, from.longestToFire);
        to.longestSameRun = std::max(to.longestSameRun, from.longestSameRun);
        to.longestMissRun = std::max(to.longestMissRun, from.longestMissRun);
        to.longSeats += from.longSeats;
        to.oneAngleSeats += from.oneAngleSeats;
        to.longestAimingStepUs = std::max(to.longestAimingStepUs, from.longestAimingStepUs);
        for (std::size_t w = 0; w < WEAPON_COUNT; ++w) {
            to.weaponsFired[w] += from.weaponsFired[w];
            to.weaponsBought[w] += from.weaponsBought[w];
        }
        to.endSeats += from.endSeats;
        to.endCash += from.endCash;
        to.endBombs += from.endBombs;
        to.thirdSeats += from.thirdSeats;
        to.thirdCash += from.thirdCash;
        to.mixedSeats += from.mixedSeats;
        to.mixedWins += from.mixedWins;
    }
}

std::vector<Running> Children;

// Starts the game in a process of its own once fewer than `jobs` run.
void Play(std::uint32_t seed, std::array<int, PLAYER_SEATS> seats, int players, int gravity, int wind,
          int matches, int seatA, PairTally* pair, int jobs) {
    while (static_cast<int>(Children.size()) >= jobs) {
        Collect(Children.front());
        Children.erase(Children.begin());
    }
    int fds[2];
    if (pipe(fds) != 0) return;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        GameResult result{};
        Levels = {};
        LadderDriver driver(seats, players, gravity, wind, matches, &result.pair, seed);
        driver.seatA_ = seatA;
        driver.seed_ = seed;
        HeadlessSetClock(seed);
        ShellStartWithSeed(seed);
        HeadlessSetDriver(&driver);
        WinMain(PlatformModuleHandle(), nullptr, "", 1);
        HeadlessSetDriver(nullptr);
        result.levels = Levels;
        const ssize_t written = write(fds[1], &result, sizeof result);
        _exit(written == static_cast<ssize_t>(sizeof result) ? 0 : 1);
    }
    close(fds[1]);
    Children.push_back(Running{pid, fds[0], pair});
}

void Drain() {
    for (Running& r : Children) Collect(r);
    Children.clear();
}

// The seats of one game of pairing `p`, seed number `n`, in the seating given.
std::array<int, PLAYER_SEATS> SeatsOf(int p, int n, int seating, int* players) {
    std::array<int, PLAYER_SEATS> seats{};
    *players = 2;
    if (p == MIXED) {
        // Eight players: every level in every seat over the seeds.
        *players = 8;
        for (int i = 0; i < 8; ++i) seats[static_cast<std::size_t>(i)] = ControllerBeginner + (i + n) % 5;
        return seats;
    }
    seats[0] = seating == 0 ? PAIRINGS[p].a : PAIRINGS[p].b;
    seats[1] = seating == 0 ? PAIRINGS[p].b : PAIRINGS[p].a;
    return seats;
}

}  // namespace

int main(int argc, char** argv) {
    const int seeds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 96;
    const int matches = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2;
    const int first = argc > 3 ? std::clamp(std::atoi(argv[3]), 0, PAIRING_COUNT - 1) : 0;
    const int last = argc > 4 ? std::clamp(std::atoi(argv[4]), first, PAIRING_COUNT - 1) : PAIRING_COUNT - 1;
    const int jobs = argc > 5 ? std::clamp(std::atoi(argv[5]), 1, 8) : 1;
    // A sixth argument plays only the games of that seed (one reported as not over, say).
    const auto only = static_cast<std::uint32_t>(argc > 6 ? std::strtoul(argv[6], nullptr, 10) : 0);
    std::printf(
        "%d seeds a pairing, each in both seatings, %d matches a game; the seeds take every wind option "
        "and both gravity options in turn\n\n",
        seeds, matches);
    std::printf("%-18s %7s %6s %5s %5s %8s %7s %6s %10s %6s\n", "pairing", "matches", "A wins", "draws",
                "over", "turns/m", "min/m", "A win%", "95% range", "s/turn");
    for (int p = first; p <= last; ++p) {
        PairTally pair;
        for (int n = 0; n < seeds; ++n) {
            const std::uint32_t seed =
                1000u * static_cast<std::uint32_t>(p + 1) + static_cast<std::uint32_t>(n);
            if (only != 0 && seed != only) continue;
            for (int seating = 0; seating < (p == MIXED ? 1 : 2); ++seating) {
                int players = 2;
                const std::array<int, PLAYER_SEATS> seats = SeatsOf(p, n, seating, &players);
                Play(seed, seats, players, (n / 4) % 2, n % 4, matches, seating, &pair, jobs);
            }
        }
        Drain();
        PrintPairing(p, pair);
    }
    PrintLevels(Levels);
    return 0;
}
