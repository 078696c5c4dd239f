// Pointer input as keys, by the scripts of pointer_keys.tsv: aiming by drag and its held-key steps,
// firing, the menu bar, the menus' rows, the prompts and the controls beside the picture; and
// looking around, which sends no key.
#include <algorithm>
#include <iterator>
#include <string>
#include <utility>

#include "tests/pointer/pointer_script.h"

namespace {

class PointerKeysScript : public PointerScript {
protected:
    void Start() override { keys = PointerKeys{}; }
    void Tick() override { keys.Tick(screen, &out); }
    // press, fire and centre X Y [MS] (the three buttons), tap X Y (the main button pressed and let
    // go), move X Y, release, wheel NOTCHES, two DX DY (two fingers), control NAME..., letgo; and
    // aim X Y | angle A or power P: the aim from a pivot at (100, 100).
    bool Act(const std::string& word, std::istream& in, const std::string& expected) override {
        static const std::pair<const char*, PointerKeys::Button> buttons[] = {
            {"press", PointerKeys::ButtonMain},
            {"fire", PointerKeys::ButtonFire},
            {"centre", PointerKeys::ButtonCentre}};
        static const char* const controls[] = {"fire", "weapon",  "guide",  "help",  "centre", "yes",
                                               "no",   "quieter", "louder", "sound", "fast"};
        int x = 0, y = 0;
        std::uint32_t ms = 0;
        std::string name;
        for (const auto& [text, button] : buttons)
            if (word == text && in >> x >> y) {
                in >> ms;
                keys.Press(screen, button, x, y, ms, &out);
                return true;
            }
        if (word == "tap" && in >> x >> y) {
            keys.Press(screen, PointerKeys::ButtonMain, x, y, 0, &out);
            keys.Release(screen, &out);
        } else if (word == "move" && in >> x >> y) {
            keys.Move(screen, x, y, &out);
        } else if (word == "two" && in >> x >> y) {
            keys.LookWithTwo(x, y, &out);
        } else if (word == "wheel" && in >> x) {
            keys.Wheel(screen, x, &out);
        } else if (word == "release" || word == "letgo") {
            word == "release" ? keys.Release(screen, &out) : keys.LetGoAll(&out);
        } else if (word == "control") {
            while (in >> name) {
                const long control = std::find(controls, std::end(controls), name) - controls;
                EXPECT_LT(control, std::ssize(controls)) << Where();
                keys.PressControl(screen, PointerKeys::Control(control), 0, &out);
            }
        } else if (word == "aim" && in >> x >> y) {
            const PointerAim aim = AimAt(100, 100, x, y);
            EXPECT_EQ(expected, expected[0] == 'a' ? "angle " + std::to_string(aim.angle)
                                                   : "power " + std::to_string(aim.power))
                << Where();
        } else {
            return false;
        }
        return true;
    }

    PointerKeys keys;
};

TEST_F(PointerKeysScript, EveryCaseOfTheScripts) { Run("pointer/pointer_keys.tsv"); }

}  // namespace
