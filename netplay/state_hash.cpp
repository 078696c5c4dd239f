// A fingerprint of the game's state, compared between machines at the start of every turn.
#include "netplay/state_hash.h"

#include <cstring>
#include <type_traits>

#include "core/globals.h"
#include "core/random.h"
#include "landscape/landscape.h"
#include "players/player_collection.h"
#include "screens/setup_state.h"

namespace {

class Fnv {
public:
    void Bytes(const void* data, std::size_t size) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) hash_ = (hash_ ^ p[i]) * 0x100000001B3ull;
    }
    template <typename T>
    void Value(T value) {
        static_assert(std::is_integral_v<T> || std::is_enum_v<T>);
        const auto wide = static_cast<std::int64_t>(value);
        Bytes(&wide, sizeof wide);
    }
    std::uint64_t Get() const { return hash_; }

private:
    std::uint64_t hash_ = 0xCBF29CE484222325ull;
};

}  // namespace

std::uint64_t GameStateHash() {
    Fnv h;
    h.Value(FrameCounter);
    h.Value(CurrentMode);
    h.Value(game::RandState());
    h.Value(ViewX);
    h.Value(ViewY);
    h.Value(FireDelay);
    h.Value(ShotsToFire);
    h.Value(SettleCountdown);
    h.Value(LandscapeGravityOption);
    h.Value(WindOption);
    h.Value(MachinesPresent);
    for (int seat = 0; seat < PLAYER_SEATS; ++seat) {
        h.Value(SeatControllers[static_cast<std::size_t>(seat)]);
        h.Value(SeatMachines[static_cast<std::size_t>(seat)]);
        h.Value(SeatsAwayFrom[static_cast<std::size_t>(seat)]);
    }
    h.Value(ShopPlayer);
    if (ThePlayers) {
        h.Value(ThePlayers->numPlayers);
        h.Value(ThePlayers->CurrentIndex());
        h.Value(ThePlayers->wind);
        for (const Player& p : ThePlayers->players) {
            h.Value(p.inGame);
            h.Value(p.alive);
            h.Value(p.x);
            h.Value(p.y);
            h.Value(p.angle);
            h.Value(p.power);
            h.Value(p.weapon);
            for (std::int32_t n : p.stock) h.Value(n);
            h.Value(p.cash);
            h.Value(p.armour);
            h.Value(p.profit);
        }
    }
    if (TheLandscape) {
        h.Value(TheLandscape->width);
        h.Value(TheLandscape->height);
        h.Value(TheLandscape->wind);
        const std::size_t pixels =
            static_cast<std::size_t>(TheLandscape->width) * static_cast<std::size_t>(TheLandscape->height);
        if (pixels <= MaterialMap.size()) h.Bytes(MaterialMap.data(), pixels * sizeof MaterialMap[0]);
    }
    return h.Get();
}
