// Test support for the players and the set-up screens.
#include "tests/players/players_fixture.h"

#include "core/globals.h"
#include "players/weapon_table.h"

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
