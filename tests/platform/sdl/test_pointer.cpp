// Tests of the SDL backend's pointer, by the scripts of sdl_pointer.tsv: window points to the
// picture's, and mouse and touch events through SDL's own event queue to the game's keys (SDL's
// mouse made from touches left aside), and two fingers looking around.
#include "platform/sdl/sdl_pointer.h"
#include "tests/pointer/pointer_script.h"

namespace {

// The events are pushed onto SDL's queue and taken from it as the backend takes them. Without a
// window, window points are the picture's; the fingers' are at the middle of a pixel.
class SdlPointerScript : public PointerScript {
protected:
    void SetUp() override { ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError(); }
    void TearDown() override {
        LetGo();
        SDL_QuitSubSystem(SDL_INIT_EVENTS);
    }
    static void LetGo() {
        std::vector<InputEvent> ignored;
        SdlPointerLetGo(&ignored);
        PointerShowScreen(PointerScreen{});
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
    void Start() override { LetGo(); }
    void Show() override { PointerShowScreen(screen); }
    // Everything queued, as the backend takes it, then a frame step's tick.
    void Tick() override {
        SDL_Event event;
        while (SDL_PollEvent(&event)) EXPECT_TRUE(SdlPointerEvent(event, &out)) << event.type;
        SdlPointerTick(&out);
    }
    // finger down|motion|up ID X Y, mouse down|up left|right X Y [touch] (SDL's mouse made from
    // touches), motion X Y, wheel NOTCHES [flipped], letgo (the focus lost); and point W H X Y | PX
    // PY: where a window point of a W x H window falls in the picture.
    bool Act(const std::string& word, std::istream& in, const std::string& expected) override {
        std::string kind, extra;
        SDL_Event event{};
        float x = 0, y = 0;
        if (word == "finger" && in >> kind >> event.tfinger.fingerId >> x >> y) {
            event.type = kind == "down" ? SDL_FINGERDOWN : kind == "up" ? SDL_FINGERUP : SDL_FINGERMOTION;
            event.tfinger.touchId = 1;
            event.tfinger.x = (x + 0.5f) / 320.0f;
            event.tfinger.y = (y + 0.5f) / 200.0f;
        } else if (word == "mouse" && in >> kind >> extra >> event.button.x >> event.button.y) {
            event.type = kind == "down" ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
            event.button.button = extra == "left" ? SDL_BUTTON_LEFT : SDL_BUTTON_RIGHT;
            event.button.which = in >> extra ? SDL_TOUCH_MOUSEID : 0;
        } else if (word == "motion" && in >> event.motion.x >> event.motion.y) {
            event.type = SDL_MOUSEMOTION;
        } else if (word == "wheel" && in >> event.wheel.y) {
            event.type = SDL_MOUSEWHEEL;
            event.wheel.direction = in >> extra ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
        } else if (word == "letgo") {
            SdlPointerLetGo(&out);
            return true;
        } else if (word == "point") {
            int w = 0, h = 0, px = 0, py = 0;
            double wx = 0, wy = 0;
            in >> w >> h >> wx >> wy;
            SdlPicturePoint(w, h, wx, wy, &px, &py);
            EXPECT_EQ(std::to_string(px) + " " + std::to_string(py), expected) << Where();
            return true;
        } else {
            return false;
        }
        EXPECT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
        return true;
    }
};

TEST_F(SdlPointerScript, EveryCaseOfTheScripts) { Run("platform/sdl/sdl_pointer.tsv"); }

}  // namespace
