// Test support for the weapons.
#include "tests/projectiles/projectiles_fixture.h"

#include <algorithm>
#include <sstream>

#include "core/globals.h"
#include "platform/headless/headless_audio.h"
#include "tests/support/commands.h"

void ProjectilesTest::SetUp() {
    WorldTest::SetUp();
    Explosion::Init(0, 2, nullptr);
    Projectile::Init();
    InitFireRamp();
    players = new PlayerCollection(nullptr, 0, 2);
    ThePlayers = players;
    for (Player& p : players->players) p.alive = false;
    MakeLandscape(640, 300);
}

void ProjectilesTest::TearDown() {
    shots.reset();
    landscape.reset();
    WorldTest::TearDown();
}

void ProjectilesTest::MakeLandscape(int width, int height) {
    shots.reset();
    landscape = AirLandscape(width, height);
    landscape->gravityOn = 1;
    landscape->wind = 0;
    shots = std::make_unique<ProjectileCollection>(landscape.get());
    Played();
}

void ProjectilesTest::Fill(int left, int top, int right, int bottom, std::int32_t material, COLORREF colour) {
    FillLand(*landscape, left, top, right, bottom, material, colour);
}

Player& ProjectilesTest::PlaceTank(int i, int x, int y, std::int32_t armour) {
    Player& p = players->players[i];
    p.inGame = true;
    p.alive = true;
    p.x = x;
    p.y = y;
    p.armour = armour;
    players->numPlayers = std::max(players->numPlayers, i + 1);
    return p;
}

Projectile* ProjectilesTest::Launch(float x, float y, float vx, float vy, std::int32_t kind,
                                    std::int32_t param) {
    auto* p = new Projectile(x, y, vx, vy, kind, param, false);
    shots->Add(p);
    return p;
}

bool ProjectilesTest::Tick(int n) {
    bool busy = false;
    for (int i = 0; i < n; ++i) busy = shots->Update(players);
    return busy;
}

std::vector<Projectile*> ProjectilesTest::Flying(std::int32_t kind) const {
    std::vector<Projectile*> found;
    for (Projectile* p = shots->projectiles; p; p = p->next)
        if (kind < 0 || p->kind == kind) found.push_back(p);
    return found;
}

std::vector<Fragment*> ProjectilesTest::Fragments(std::int32_t type) const {
    std::vector<Fragment*> found;
    for (Fragment* f = shots->fragments; f; f = f->next)
        if (type < 0 || f->type == type) found.push_back(f);
    return found;
}

int ProjectilesTest::Explosions() const {
    int n = 0;
    for (const Explosion* e = shots->explosions; e; e = e->next) ++n;
    return n;
}

int ProjectilesTest::CountMaterial(std::int32_t material) const {
    const auto end = MaterialMap.begin() + static_cast<std::ptrdiff_t>(landscape->width) * landscape->height;
    return static_cast<int>(std::count(MaterialMap.begin(), end, material));
}

std::vector<int> ProjectilesTest::Looping() { return AudioLooping(); }

namespace {

// The names the cases give kinds, fragment types, explosion types and materials, in number order.
const std::vector<std::string> KINDS = {"shell", "debris",     "earth",    "sodsalvo",
                                        "abomb", "earthmover", "firework", "lava"};
const std::vector<std::string> FRAGMENTS = {"wreck", "spark", "flame", "stream", "pixel"};
const std::vector<std::string> BLASTS = {"touch", "shell", "abomb", "earthmover", "firework"};
const std::vector<std::string> MATERIALS = {"air", "earth", "rock", "lava"};

// A colour or parameter, in hex (0x...) or decimal; 0 when there is none.
std::uint32_t Number(std::istream& in, const char* fallback = "0") {
    return static_cast<std::uint32_t>(std::stoul(Next<std::string>(in, fallback), nullptr, 0));
}

template <typename T>
std::string Text(T value, bool hex = false) {
    std::ostringstream out;
    out << (hex ? std::hex : std::dec) << value;
    return out.str();
}

}  // namespace

void ProjectilesTest::Play(const std::string& commands) {
    std::string outcome;        // what the last tick, run or blast said
    std::int32_t view[2] = {};  // the view's top-left corner
    auto floats = [](std::istream& in, int n) {
        std::vector<float> f;
        for (int i = 0; i < n; ++i) f.push_back(Next<float>(in));
        return f;
    };
    const CommandVerbs verbs = {
        {"land",
         [&](std::istream& in) {
             const int width = Next<int>(in);
             MakeLandscape(width, Next<int>(in));
         }},
        {"fill",
         [&](std::istream& in) {
             const std::vector<float> r = floats(in, 4);
             const int material = NameIndex(MATERIALS, Next<std::string>(in));
             Fill(int(r[0]), int(r[1]), int(r[2]), int(r[3]), material, Number(in, "0x3060a0"));
         }},
        {"tank",
         [&](std::istream& in) {
             const std::vector<float> at = floats(in, 3);
             PlaceTank(int(at[0]), int(at[1]), int(at[2]), Next<int>(in, 100));
         }},
        {"gravity", [&](std::istream& in) { shots->gravity = Next<float>(in); }},
        {"landgravity", [&](std::istream& in) { landscape->gravityOn = Next<int>(in); }},
        {"wind", [&](std::istream& in) { landscape->wind = Next<int>(in); }},
        {"launch",
         [&](std::istream& in) {
             const int kind = NameIndex(KINDS, Next<std::string>(in));
             const std::vector<float> v = floats(in, 4);
             Launch(v[0], v[1], v[2], v[3], kind, static_cast<std::int32_t>(Number(in)));
         }},
        {"fragment",
         [&](std::istream& in) {
             const int type = NameIndex(FRAGMENTS, Next<std::string>(in));
             const std::vector<float> at = floats(in, 2);
             const int life = Next<int>(in);
             shots->AddFragment(new Fragment(at[0], at[1], type, life, Number(in)));
         }},
        {"blast",
         [&](std::istream& in) {
             const int type = NameIndex(BLASTS, Next<std::string>(in));
             const std::vector<float> at = floats(in, 2);
             outcome = Text(Explosion(at[0], at[1], type, 0).InflictDamage(players, shots.get()));
         }},
        {"tick", [&](std::istream& in) { outcome = Text(Tick(Next<int>(in, 1))); }},
        {"pour",  // the row of each pixel placed, in runs of one row: ROW*PIXELS
         [&](std::istream& in) {
             const std::vector<float> at = floats(in, 3);
             shots->AddFragment(new Fragment(at[0] + 0.5f, at[1] + 0.5f, FragLavaStream, 300));
             std::vector<std::pair<int, int>> runs;
             for (int t = 0; t < int(at[2]) && Tick(); ++t) {
                 const std::vector<Fragment*> pixels = Fragments(FragLavaPixel);
                 if (pixels.empty()) continue;
                 const int row = static_cast<int>(pixels[0]->y);
                 if (!runs.empty() && runs.back().first == row) ++runs.back().second;
                 if (runs.empty() || runs.back().first != row) runs.emplace_back(row, 1);
             }
             outcome.clear();
             for (const auto& [row, pixels] : runs)
                 outcome += (outcome.empty() ? "" : ",") + Text(row) + "*" + Text(pixels);
         }},
        {"gone",
         [&](std::istream& in) {
             const int kind = NameIndex(KINDS, Next<std::string>(in));
             for (int t = 0; t < 1000 && !Flying(kind).empty(); ++t) Tick();
         }},
        {"tracked",
         [&](std::istream& in) {
             const std::vector<float> at = floats(in, 2);
             shots->Add(new Projectile(at[0], at[1], 0.0f, 0.0f, KindShell, 0, true));
         }},
        {"view", [&](std::istream& in) { view[0] = Next<int>(in), view[1] = Next<int>(in); }},
        {"follow",
         [&](std::istream& in) {
             Projectile& newest = *Flying().at(0);
             newest.x = Next<float>(in);
             newest.y = Next<float>(in);
             Tick();
             shots->FollowView(&view[0], &view[1], 20, landscape.get());
         }},
        {"clear", [&](std::istream&) { ClearScreen(0, 2, 0, -1, 0, 0, 0); }},
        {"draw",
         [&](std::istream& in) {
             const int x = Next<int>(in), y = Next<int>(in);
             shots->Draw(0, 2, x, y, Next<int>(in));
         }},
        {"run",
         [&](std::istream&) {
             int ticks = 0;
             while (Tick() && ticks < 1000) ++ticks;
             outcome = Text(ticks);
         }},
    };
    RunCommands(commands, verbs, [&](const std::vector<std::string>& p) -> std::string {
        auto at = [&](std::size_t i) { return std::stoi(p.at(i)); };
        // The i-th of a list given newest first, counted from the oldest.
        auto oldest = [](const auto& list, std::size_t i) { return list.at(list.size() - 1 - i); };
        const std::string& what = p[0];
        if (what == "outcome") return outcome;
        if (what == "view") return Listed(std::vector<int>{view[0], view[1]});
        if (what == "tracked") return Text(shots->trackedAlive);
        if (what == "screen") return Text(PixelOf(0, 2, at(1), at(2)), true);
        if (what == "explosion") return Text(shots->explosions->type) + "," + Text(shots->explosions->y);
        if (what == "flying") return Text(Flying(p.size() > 1 ? NameIndex(KINDS, p[1]) : -1).size());
        if (what == "fragments")
            return Text(Fragments(p.size() > 1 ? NameIndex(FRAGMENTS, p[1]) : -1).size());
        if (what == "explosions") return Text(Explosions());
        if (what == "played") return Listed(Played());
        if (what == "looping") return Listed(Looping());
        if (what == "armour") return Text(players->players[at(1)].armour);
        if (what == "profit") return Text(players->players[at(1)].profit);
        if (what == "cell") return MATERIALS.at(static_cast<std::size_t>(landscape->Cell(at(1), at(2))));
        if (what == "picture") return Text(Picture(at(1), at(2)), true);
        if (what == "count") return Text(CountMaterial(NameIndex(MATERIALS, p.at(1))));
        if (what == "shot") {
            const Projectile& s = *oldest(Flying(), static_cast<std::size_t>(at(1)));
            const std::string& field = p.at(2);
            return field == "x"       ? Text(s.x)
                   : field == "prevx" ? Text(s.prevX)
                   : field == "param" ? Text(s.param)
                   : field == "y"     ? Text(s.y)
                   : field == "vx"    ? Text(s.vx)
                   : field == "vy"    ? Text(s.vy)
                                      : Text(static_cast<int>(s.firstStep));
        }
        const Fragment& f =
            *oldest(Fragments(NameIndex(FRAGMENTS, p.at(1))), static_cast<std::size_t>(at(2)));
        return p.at(3) == "colour" ? Text(f.colour, true) : Text(p[3] == "x" ? f.x : f.y);
    });
}
