// Test support for the players and the set-up screens.
#include "tests/players/players_fixture.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "core/globals.h"
#include "players/menu_bar.h"
#include "players/weapon_table.h"
#include "tests/support/commands.h"

namespace {

void InstallPictures() {
    for (const char* tank : {"IDB_TANKRED", "IDB_TANKBLUE", "IDB_TANKYELLOW", "IDB_TANKMAGENTA",
                             "IDB_TANKGREEN", "IDB_TANKCYAN", "IDB_TANKORANGE", "IDB_TANKGREY"})
        InstallPicture(tank, TANK_WIDTH, TANK_HEIGHT,
                       [](int x, int y) { return x + y == 0 ? 0u : TANK_INK; });
    for (const char* bar : {"IDB_MENUBAR", "IDB_MENUBAR2"})
        InstallPicture(bar, 320, 20, [](int, int) { return 0u; });
    // Each sock is filled with its own shade of blue, so the menu bar shows which one was used.
    const char* socks[] = {"IDB_WINDSOCKL2", "IDB_WINDSOCKL1", "IDB_WINDSOCK0", "IDB_WINDSOCKR1",
                           "IDB_WINDSOCKR2"};
    for (int i = 0; i < WIND_SOCK_COUNT; ++i) {
        const std::uint32_t shade = RGB(0, 0, 40 * (i + 1));
        InstallPicture(socks[i], 15, 15, [shade](int, int) { return static_cast<COLORREF>(shade); });
    }
}

}  // namespace

void PlayersTest::SetUp() {
    WorldTest::SetUp();
    InstallPictures();
    // Fonts whose every glyph is a solid block.
    InstallPicture("IDB_SMALLCHARS", 94 * 4, 8, [](int x, int) { return x % 4 ? TANK_INK : 0; });
    InstallPicture("IDB_NORMALCHARS", 94 * 8, 16, [](int x, int) { return x % 8 ? TANK_INK : 0; });
    GraphxInitBitmappedFont(nullptr, 0, 2, "IDB_NORMALCHARS", "IDB_SMALLCHARS");
    InitWeaponData();
    players = new PlayerCollection(nullptr, 0, 2);
    ThePlayers = players;
    projectiles = new ProjectileCollection(nullptr);
    TheProjectiles = projectiles;
}

void PlayersTest::ClearBackPage() { ClearScreen(0, 2, 0, -1, 0, 0, 0); }

COLORREF PlayersTest::BackPixel(int x, int y) { return PixelOf(0, 2, x, y); }

int PlayersTest::InkIn(int left, int top, int right, int bottom) {
    int ink = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) ink += BackPixel(x, y) != 0 ? 1 : 0;
    return ink;
}

Player& PlayersTest::Start(int count) {
    players->SetNumPlayers(count);
    players->NewMatch();
    Played();
    return *players->Get(0);
}

void PlayersTest::MakeLandscape(int width, int height, int ground) {
    delete TheLandscape;
    landscape = new Landscape();
    TheLandscape = landscape;
    projectiles->landscape = landscape;
    landscape->width = width;
    landscape->height = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) landscape->Cell(x, y) = y >= ground ? Earth : Air;
    for (int i = 0; i < MAX_PLAYERS; ++i) {
        players->Get(i)->x = 20 + 20 * i;
        players->Get(i)->y = ground - 1;
    }
}

std::vector<const Projectile*> Members(const ProjectileCollection& collection) {
    std::vector<const Projectile*> members;
    for (const Projectile* p = collection.projectiles; p; p = p->next) members.push_back(p);
    return members;
}

namespace {

// The fields of a player that the cases set and probe.
const std::vector<std::pair<std::string, std::int32_t Player::*>> FIELDS = {
    {"x", &Player::x},
    {"y", &Player::y},
    {"armour", &Player::armour},
    {"cash", &Player::cash},
    {"profit", &Player::profit},
    {"turndamage", &Player::turnDamage},
    {"fall", &Player::fallDistance},
    {"angle", &Player::angle},
    {"power", &Player::power},
    {"weapon", &Player::weapon}};

std::int32_t& Field(Player& player, const std::string& name) {
    const auto found =
        std::find_if(FIELDS.begin(), FIELDS.end(), [&](const auto& f) { return f.first == name; });
    EXPECT_NE(found, FIELDS.end()) << "no such field: " << name;
    return player.*(found == FIELDS.end() ? &Player::power : found->second);
}

}  // namespace

void PlayersTest::Play(const std::string& commands) {
    std::string outcome;        // what the last turn change, glide or fall said
    std::int32_t view[2] = {};  // the view's top-left corner
    auto player = [&](std::istream& in) -> Player& { return *players->Get(Next<int>(in)); };
    const CommandVerbs verbs = {
        {"view", [&](std::istream& in) { view[0] = Next<int>(in), view[1] = Next<int>(in); }},
        {"glide",
         [&](std::istream& in) {
             const std::string to = Next<std::string>(in);
             const int a = Next<int>(in), b = to == "view" ? Next<int>(in) : 0;
             Landscape land;
             land.width = Next<int>(in);
             land.height = Next<int>(in);
             outcome.clear();
             for (int n = Next<int>(in), arrived = 0; n > 0 && !arrived; --n) {
                 const int before = view[0];
                 arrived = to == "view"     ? PlayerCollection::GlideView(a, b, &view[0], &view[1], 20, &land)
                           : to == "player" ? players->GlideToPlayer(a, &view[0], &view[1], 20, &land)
                                            : players->GlideToBarrel(a, &view[0], &view[1], 20, &land);
                 outcome +=
                     (outcome.empty() ? "" : ",") + std::to_string(view[0] - before) + (arrived ? "" : "+");
             }
         }},
        {"wind",
         [&](std::istream& in) {
             players->wind = Next<int>(in);
             players->UpdateMenu();
         }},
        {"chart", [&](std::istream&) { players->UpdateArmourChart(); }},
        {"draw",
         [&](std::istream& in) {
             Player& p = player(in);
             const int x = Next<int>(in), y = Next<int>(in);
             ClearBackPage();
             p.Draw(0, 2, x, y, Next<std::string>(in) == "guide");
         }},
        {"start", [&](std::istream& in) { Start(Next<int>(in)); }},
        {"land",
         [&](std::istream& in) {
             const int width = Next<int>(in), height = Next<int>(in);
             MakeLandscape(width, height, Next<int>(in));
         }},
        {"current", [&](std::istream& in) { players->current = Next<int>(in); }},
        {"dead", [&](std::istream& in) { player(in).alive = false; }},
        {"set",
         [&](std::istream& in) {
             Player& p = player(in);
             const std::string field = Next<std::string>(in);
             Field(p, field) = Next<int>(in);
         }},
        {"damage",
         [&](std::istream& in) {
             const int amount = Next<int>(in), attacker = Next<int>(in);
             players->DamagePlayer(amount, attacker, Next<int>(in), projectiles);
         }},
        {"stock",
         [&](std::istream& in) {
             Player& p = player(in);
             for (std::int32_t& count : p.stock) count = Next<int>(in);
         }},
        {"fire", [&](std::istream&) { players->Fire(projectiles); }},
        {"settle", [&](std::istream&) { players->SettleMatch(); }},
        {"next", [&](std::istream&) { outcome = std::to_string(players->NextTurn()); }},
        {"dig",
         [&](std::istream& in) {
             const int x = Next<int>(in), top = Next<int>(in), bottom = Next<int>(in);
             const int material = NameIndex({"air", "earth", "rock"}, Next<std::string>(in, "air"));
             for (int y = top; y < bottom; ++y) landscape->Cell(x, y) = material;
         }},
        {"fall",
         [&](std::istream&) {
             int frames = 0;
             while (players->DoGravity(landscape, projectiles) && frames < 1000) ++frames;
             outcome = std::to_string(frames);
         }},
    };
    RunCommands(commands, verbs, [&](const std::vector<std::string>& p) -> std::string {
        if (p[0] == "outcome") return outcome;
        if (p[0] == "played") return Listed(Played());
        auto at = [&](std::size_t i) { return std::stoi(p.at(i)); };
        if (p[0] == "current") return std::to_string(players->current);
        if (p[0] == "view") return Listed(std::vector<int>{view[0], view[1]});
        if (p[0] == "back") return Listed(std::vector<COLORREF>{BackPixel(at(1), at(2))});
        if (p[0] == "ink") return std::to_string(InkIn(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT) > 0);
        if (p[0] == "at") return std::to_string(players->PlayerAt(at(1), at(2)));
        if (p[0] == "contains") return std::to_string(players->Get(at(1))->Contains(at(2), at(3)));
        if (p[0] == "sock") return std::to_string(WindSockIndex(at(1)));
        if (p[0] == "sockshade")
            return std::to_string(GetBValue(PixelOf(OFFSCREEN, players->menuBarSurface, 134, 9)));
        if (p[0] == "chart")
            return std::to_string(PixelOf(OFFSCREEN, players->chartBarSurface, at(1), at(2)) != 0);
        if (p[0] == "pieces") return std::to_string(Members(*projectiles).size());
        if (p[0] == "shot") {
            // The newest projectile, its numbers to four places.
            const Projectile& s = *Members(*projectiles).at(0);
            const std::vector<float> fields = {
                s.x, s.y, s.vx, s.vy, s.gravity, float(s.kind), float(s.tracked)};
            const int field = NameIndex({"x", "y", "vx", "vy", "gravity", "kind", "tracked"}, p.at(1));
            std::ostringstream out;
            out << std::round(fields[static_cast<std::size_t>(field)] * 1e4f) / 1e4f + 0.0f;
            return out.str();
        }
        Player& player = *players->Get(std::stoi(p.at(1)));
        if (p[0] == "alive") return std::to_string(player.alive);
        if (p[0] == "stock") return Listed(std::vector<int>(player.stock.begin(), player.stock.end()));
        return std::to_string(Field(player, p[0]));
    });
}
