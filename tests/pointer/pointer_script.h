// Test support: pointer scripts, files of lines each a step of what a pointer does or what the
// screen shows, or a check of the keys made since the last check. The words are described at the
// top of tests/pointer/pointer_keys.tsv; a backend's test adds the words of its own events.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "pointer/pointer_keys.h"
#include "tests/support/golden.h"
#include "tests/support/pointer_notes.h"

class PointerScript : public ::testing::Test {
protected:
    // One of the backend's own words (what the pointer does), with the row's expectation if it
    // has one; false for a word it does not know.
    virtual bool Act(const std::string& word, std::istream& args, const std::string& expected) = 0;
    // The backend looks at its events and ticks within the frame step the screen shows.
    virtual void Tick() = 0;
    // A case begins: the pointer starts afresh.
    virtual void Start() = 0;
    // The screen changed (a backend that keeps it elsewhere is told).
    virtual void Show() {}

    // Runs every case of tests/NAME: the lines before the first case set up the screen every case
    // starts from.
    void Run(const std::string& name) {
        PointerScreen start;
        for (const auto& row : GoldenRows(name)) {
            std::istringstream args(row[0]);
            std::string word;
            args >> word;
            where_ = row[0];
            if (word == "case") {
                if (case_.empty()) start = screen;
                case_ = row[0];
                screen = start;
                int dx = 0, dy = 0;
                PointerTakeLook(&dx, &dy);
                Start();
                out.clear();
            } else if (!Screen(word, args) && !Frames(word, args) &&
                       !Check(word, row.size() > 1 ? row[1] : "") &&
                       !Act(word, args, row.size() > 1 ? row[1] : "")) {
                ADD_FAILURE() << "no such word: " << row[0];
            }
            Show();
        }
    }
    // Where a script is, for the messages of its checks.
    std::string Where() const { return case_ + ": " + where_; }

    PointerScreen screen;
    std::vector<InputEvent> out;

private:
    // The words that change the screen.
    bool Screen(const std::string& word, std::istream& in) {
        static const std::pair<const char*, PointerScreen::Mode> modes[] = {
            {"title", PointerScreen::Title},     {"choice", PointerScreen::PlayerChoice},
            {"shop", PointerScreen::WeaponShop}, {"aiming", PointerScreen::Aiming},
            {"shot", PointerScreen::Shot},       {"end", PointerScreen::EndOfMatch}};
        std::string name;
        int value = 0;
        if (word == "mode") {
            in >> name;
            for (const auto& [text, mode] : modes)
                if (name == text) screen.mode = mode;
        } else if (word == "set") {
            in >> name >> value;
            if (name == "frame") screen.frame = static_cast<std::uint32_t>(value);
            if (name == "stock") screen.weaponsInStock = static_cast<std::uint32_t>(value);
            for (auto [field, place] : {std::pair{"angle", &screen.angle},
                                        {"power", &screen.power},
                                        {"seat", &screen.seat},
                                        {"cursor", &screen.cursor},
                                        {"weapon", &screen.weapon},
                                        {"weapons", &screen.weaponCount}})
                if (name == field) *place = value;
        } else if (word == "aims" || word == "prompt") {
            in >> name;
            (word == "aims" ? screen.mayAim : screen.prompt) = name == "yes";
        } else if (word == "settle") {
            screen.frame += SETTLE_FRAMES;
        } else if (word == "pivot") {
            in >> screen.pivotX >> screen.pivotY;
        } else if (word == "tank") {
            in >> value;
            screen.tankShown.at(value) = true;
            in >> screen.tankX.at(value) >> screen.tankY.at(value);
        } else if (word == "tanks") {
            in >> name;
            for (std::size_t i = 0; i < name.size(); ++i) screen.tankShown.at(i) = name[i] == '1';
        } else if (word == "yes") {
            in >> screen.yesTop >> screen.yesBottom;
        } else if (word == "arrow") {
            auto& arrow = screen.lookArrows.at(screen.lookArrowCount++);
            in >> arrow.x >> arrow.y >> arrow.lookX >> arrow.lookY;
        } else if (word == "bar") {
            in >> screen.barTop;
            screen.barZoneCount = Zones(in, screen.barZones.data());
        } else if (word == "row") {
            in >> value;
            PointerRow& row = screen.rows.at(value);
            in >> row.top >> row.bottom >> row.cursor >> row.cursorAfter;
            row.zoneCount = Zones(in, row.zones.data());
            screen.rowCount = std::max(screen.rowCount, value + 1);
        } else if (word == "clear") {
            screen = PointerScreen{};
        } else {
            return false;
        }
        return true;
    }
    // Zones as LEFT RIGHT KEY..., the key "tank" for the next tank's; how many.
    static int Zones(std::istream& in, PointerZone* zones) {
        int count = 0;
        std::string key;
        for (PointerZone* z = zones; in >> z->left >> z->right >> key; ++z, ++count)
            z->key = key == "tank" ? PointerZone::NEXT_TANK : KeyFromName(key);
        return count;
    }
    // tick: a look at the events within the frame step; step [N]: N new frame steps, each looked
    // at; frames: new frame steps until one brings nothing more (at most 200).
    bool Frames(const std::string& word, std::istream& in) {
        int steps = 1;
        if (word == "tick") Tick();
        if (word != "step" && word != "frames") return word == "tick";
        if (word == "frames" || !(in >> steps)) steps = word == "frames" ? 200 : 1;
        for (int i = 0; i < steps; ++i) {
            const std::size_t before = out.size();
            screen.frame += 1;
            Show();
            Tick();
            if (word == "frames" && out.size() == before) break;
        }
        return true;
    }
    // keys | NOTE: the keys, in order (- for none); count | KEY=N... [LAST]: how many times keys
    // went down, and the last event; look | DX DY: how far the picture has been asked to move.
    bool Check(const std::string& word, const std::string& expected) {
        std::istringstream words(expected);
        if (word == "keys") {
            EXPECT_EQ(Note(out), expected) << Where();
        } else if (word == "count") {
            for (std::string w; words >> w;) {
                const std::size_t equals = w.find('=');
                if (equals == std::string::npos)
                    EXPECT_EQ(out.empty() ? "" : NoteWord(out.back()), w) << Where() << ": " << Note(out);
                else
                    EXPECT_EQ(Count(out, KeyFromName(w.substr(0, equals))), std::stoi(w.substr(equals + 1)))
                        << Where() << ": " << w << " in " << Note(out);
            }
        } else if (word == "look") {
            int dx = 0, dy = 0, expectedX = 0, expectedY = 0;
            PointerTakeLook(&dx, &dy);
            words >> expectedX >> expectedY;
            EXPECT_TRUE(dx == expectedX && dy == expectedY) << Where() << ": looked " << dx << "," << dy;
        } else {
            return false;
        }
        out.clear();
        return true;
    }

    std::string case_, where_;
};
