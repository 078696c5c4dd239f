// A short text the player enters on the online menu (a room's code, a relay's address): typed,
// chosen character by character with a pad's arrows, tapped on the screen's letters, or pasted.
//
// The characters come from one alphabet; a typed one is taken in either case. With a pad the
// arrows pick the next character (Step) and a press takes it (Confirm); the character picked stays
// offered for the next place, as a pad's player mostly wants a neighbour of it next.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace online {

// The most of a paste that is looked at: a longer one is refused whole.
constexpr std::size_t kLongestPaste = 2048;

// The room code in pasted text: a code as net::ParseRoomCode reads it, or an invite or watch link
// (anything with "room=CODE" or "watch=CODE" in it, the code ended by '&' or the text's end).
// False with *error in the player's words for anything else, text with control characters and text
// longer than kLongestPaste.
bool CodeFromPaste(std::string_view text, std::string* code, std::string* error);

class TextEntry {
public:
    TextEntry(std::string_view alphabet, std::size_t longest) : alphabet_(alphabet), longest_(longest) {}

    const std::string& Text() const { return text_; }
    // The character the pad offers for the next place, or 0 when none.
    char Offered() const { return offered_ < 0 ? 0 : alphabet_[static_cast<std::size_t>(offered_)]; }
    bool Full() const { return text_.size() >= longest_; }

    // A typed character; false when it is not of the alphabet in either case, or the text is full.
    bool Type(char c);
    // The pad: the next (+1) or previous (-1) character of the alphabet offered, wrapping round.
    void Step(int direction);
    // The pad: the offered character taken; false when none is offered or the text is full.
    bool Confirm();
    // The last character taken back.
    void Back();
    void Set(std::string_view text);
    void Clear();

private:
    std::string_view alphabet_;
    std::size_t longest_;
    std::string text_;
    int offered_ = -1;
};

}  // namespace online
