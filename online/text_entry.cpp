// Entering a room's code or a relay's address, and finding a code in pasted text.
#include "online/text_entry.h"

#include <cctype>

#include "net/room_code.h"
#include "text/text.h"

namespace online {

namespace {

// The code after the first "room=" or "watch=" of a link, up to '&' or the end; empty when none.
std::string_view CodeOfLink(std::string_view text) {
    for (std::string_view key : {"room=", "watch="}) {
        const std::size_t at = text.find(key);
        if (at == std::string_view::npos) continue;
        std::string_view code = text.substr(at + key.size());
        return code.substr(0, code.find('&'));
    }
    return {};
}

}  // namespace

bool CodeFromPaste(std::string_view text, std::string* code, std::string* error) {
    if (text.size() > kLongestPaste) {
        *error = Tr("That is too long for a room code or a link.");
        return false;
    }
    // Blanks and line ends around a copied code or link are dropped; inside one they are refused.
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    for (char c : text) {
        if (static_cast<unsigned char>(c) < ' ' || c == 0x7F) {
            *error = Tr("That is not a room code or a link.");
            return false;
        }
    }
    const std::string_view link = CodeOfLink(text);
    std::string why;
    if (net::ParseRoomCode(link.empty() ? text : link, code, &why)) return true;
    *error = Tr("That is not a room code or a link.");
    return false;
}

bool TextEntry::Type(char c) {
    if (Full()) return false;
    for (char candidate : {c, static_cast<char>(std::toupper(static_cast<unsigned char>(c))),
                           static_cast<char>(std::tolower(static_cast<unsigned char>(c)))}) {
        if (candidate == '\0' || alphabet_.find(candidate) == std::string_view::npos) continue;
        text_ += candidate;
        return true;
    }
    return false;
}

void TextEntry::Step(int direction) {
    const int size = static_cast<int>(alphabet_.size());
    if (offered_ < 0)
        offered_ = direction > 0 ? 0 : size - 1;
    else
        offered_ = (offered_ + (direction > 0 ? 1 : size - 1)) % size;
}

bool TextEntry::Confirm() { return offered_ >= 0 && Type(Offered()); }

void TextEntry::Back() {
    if (!text_.empty()) text_.pop_back();
}

void TextEntry::Set(std::string_view text) {
    Clear();
    for (char c : text) Type(c);
}

void TextEntry::Clear() {
    text_.clear();
    offered_ = -1;
}

}  // namespace online
