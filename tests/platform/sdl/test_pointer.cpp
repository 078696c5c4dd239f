// Tests of the SDL backend's pointer: window points to the picture's, and mouse and touch events
// through SDL's own event queue to the game's keys (SDL's mouse made from touches left aside), and
// two fingers looking around.
#include <gtest/gtest.h>

#include <tuple>
#include <utility>
#include <vector>

#include "platform/sdl/sdl_pointer.h"
#include "pointer/pointer_keys.h"
#include "tests/support/pointer_notes.h"

namespace {

using Inputs = std::vector<InputEvent>;

TEST(SdlPointerPlaces, WindowPointsMapThroughThePicturesFourByThreeBox) {
    // 1000x600: the picture is 800x600 between bars 100 wide, and on a bar a point lies outside
    // the picture, to its side; 640x720: bars above and below.
    const struct {
        int w, h;
        double wx, wy;
        int x, y;
    } cases[] = {{1000, 600, 100, 0, 0, 0},       {1000, 600, 899.9, 599.9, 319, 199},
                 {1000, 600, 500, 300, 160, 100}, {1000, 600, 50, 300, -20, 100},
                 {1000, 600, 950, 300, 340, 100}, {640, 720, 0, 120, 0, 0}};
    for (const auto& c : cases) {
        int x = 0, y = 0;
        SdlPicturePoint(c.w, c.h, c.wx, c.wy, &x, &y);
        EXPECT_EQ(std::make_pair(x, y), std::make_pair(c.x, c.y))
            << c.w << "x" << c.h << " " << c.wx << "," << c.wy;
    }
}

// The events are pushed onto SDL's queue and taken from it as the backend takes them. Without a
// window, window points are the picture's; the fingers' are at the middle of a pixel. The current
// tank's pivot is at (100, 100), the barrel straight up at power 0.
class SdlPointerEvents : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        screen.mode = PointerScreen::Aiming;
        screen.frame = 10;
        screen.mayAim = true;
        screen.seat = 0;
        screen.pivotX = screen.pivotY = 100;
        screen.angle = 90;
        PointerShowScreen(screen);
    }
    void TearDown() override {
        Inputs out;
        SdlPointerLetGo(&out);
        PointerShowScreen(PointerScreen{});
        SDL_QuitSubSystem(SDL_INIT_EVENTS);
    }

    void Push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError(); }
    void Finger(Uint32 type, SDL_FingerID finger, float x, float y) {
        SDL_Event event{};
        event.tfinger = {type, 0, 1, finger, (x + 0.5f) / 320.0f, (y + 0.5f) / 200.0f, 0, 0, 0, 0};
        Push(event);
    }
    void Button(Uint32 type, Uint8 button, int x, int y, Uint32 which = 0) {
        SDL_Event event{};
        event.button.type = type;
        event.button.which = which;
        event.button.button = button;
        event.button.x = x;
        event.button.y = y;
        Push(event);
    }
    // Everything queued, as the backend takes it, then a frame step's tick.
    Inputs Take() {
        Inputs out;
        SDL_Event event;
        while (SDL_PollEvent(&event)) EXPECT_TRUE(SdlPointerEvent(event, &out)) << event.type;
        SdlPointerTick(&out);
        return out;
    }
    // What is queued, then frame steps until the pointer has nothing more to send.
    Inputs TakeAndSettle() {
        Inputs all = Take();
        for (int i = 0; i < 100; ++i) {
            screen.frame += 1;
            PointerShowScreen(screen);
            const Inputs out = Take();
            if (out.empty()) break;
            all.insert(all.end(), out.begin(), out.end());
        }
        return all;
    }

    PointerScreen screen;
};

TEST_F(SdlPointerEvents, AFingerAimsAndTwoLookAround) {
    Finger(SDL_FINGERDOWN, 7, 100, 50);   // straight up, power 50
    Finger(SDL_FINGERMOTION, 7, 70, 60);  // up and left: 53 degrees, power 50
    Inputs out = Take();
    Finger(SDL_FINGERUP, 7, 70, 60);
    const Inputs rest = TakeAndSettle();
    out.insert(out.end(), rest.begin(), rest.end());
    EXPECT_EQ(Count(out, 'Z'), 90 - 53);
    EXPECT_EQ(Count(out, 'X'), 0);
    EXPECT_EQ(Count(out, 'Q'), 50);
    // Two fingers move the picture with their middle and aim nowhere; nor does the first, left alone.
    for (const auto& [type, finger, x, y] : {std::tuple{SDL_FINGERDOWN, 8, 120, 120},
                                             {SDL_FINGERDOWN, 9, 160, 120},
                                             {SDL_FINGERMOTION, 8, 150, 140},
                                             {SDL_FINGERMOTION, 9, 190, 140},
                                             {SDL_FINGERUP, 9, 190, 140},
                                             {SDL_FINGERMOTION, 8, 0, 0},
                                             {SDL_FINGERUP, 8, 0, 0}})
        Finger(type, finger, static_cast<float>(x), static_cast<float>(y));
    EXPECT_TRUE(TakeAndSettle().empty());
    int lookX = 0, lookY = 0;
    PointerTakeLook(&lookX, &lookY);
    EXPECT_EQ(std::make_pair(lookX, lookY), std::make_pair(-30, -20));
    // A double tap fires once the aim is there; the lifted finger no longer drags.
    Finger(SDL_FINGERDOWN, 9, 120, 120);
    Finger(SDL_FINGERUP, 9, 120, 120);
    Finger(SDL_FINGERDOWN, 9, 121, 121);
    Finger(SDL_FINGERMOTION, 7, 0, 0);
    Finger(SDL_FINGERUP, 9, 121, 121);
    out = TakeAndSettle();
    EXPECT_EQ(Count(out, 'X'), 90 + 37);  // below the pivot on its right: flat right
    EXPECT_EQ(Count(out, VK_SPACE), 1);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.back(), InputEvent::Up(VK_SPACE));
}

TEST_F(SdlPointerEvents, TheMouseAimsFiresAndTurnsThePowerButNotTheMouseSdlMakesFromTouches) {
    Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 100, 50, SDL_TOUCH_MOUSEID);
    Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 100, 50, SDL_TOUCH_MOUSEID);
    EXPECT_TRUE(Take().empty());
    SDL_Event wheel{};
    wheel.wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.y = 2;
    Push(wheel);
    wheel.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
    wheel.wheel.y = -1;
    Push(wheel);
    screen.frame += 1;
    PointerShowScreen(screen);
    EXPECT_EQ(Count(Take(), 'Q'), 3);
    screen.power = 3;
    screen.frame += SETTLE_FRAMES;
    PointerShowScreen(screen);
    Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 200, 100, 0);  // right: angle 180, power 100
    SDL_Event motion{};
    motion.motion.type = SDL_MOUSEMOTION;
    motion.motion.x = 100;
    motion.motion.y = 80;  // up: angle 90, power 20
    Push(motion);
    Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 100, 80, 0);
    Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 5, 5, 0);
    const Inputs out = TakeAndSettle();
    EXPECT_EQ(Count(out, 'Q'), 17);
    EXPECT_EQ(Count(out, 'X'), Count(out, 'Z'));  // turned right a step, then back
    EXPECT_EQ(Count(out, VK_SPACE), 1);
}

TEST_F(SdlPointerEvents, TheMenusTakeATapAndLosingTheFocusLetsGoOfTheHelp) {
    screen.mode = PointerScreen::Title;
    PointerShowScreen(screen);
    Finger(SDL_FINGERDOWN, 1, 160, 100);
    Finger(SDL_FINGERUP, 1, 160, 100);
    EXPECT_EQ(Note(Take()), "Space");
    screen.mode = PointerScreen::Aiming;
    screen.barTop = 180;
    screen.barZoneCount = 1;
    screen.barZones[0] = {0, 44, VK_F1};
    PointerShowScreen(screen);
    Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 10, 190, 0);
    Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 10, 190, 0);
    Inputs out = Take();
    SdlPointerLetGo(&out);
    EXPECT_EQ(Note(out), "F1");
}

}  // namespace
