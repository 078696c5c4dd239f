// Names and chat lines cleaned to what every machine can show alike.
#include "net/people_text.h"

namespace net {

namespace {

// The font's first and last codes.
constexpr char32_t kFirstDrawn = 32;
constexpr char32_t kLastDrawn = 125;
constexpr char32_t kNotACharacter = 0xFFFFFFFF;

// The next code point at `at`, moving past it; a byte that starts no well-formed sequence stands
// for a character of its own that no font draws.
char32_t NextCodePoint(std::string_view text, std::size_t* at) {
    const auto lead = static_cast<unsigned char>(text[(*at)++]);
    if (lead < 0x80) return lead;
    const int extra = lead >= 0xF0 && lead < 0xF5   ? 3
                      : lead >= 0xE0 && lead < 0xF0 ? 2
                      : lead >= 0xC2 && lead < 0xE0 ? 1
                                                    : -1;
    if (extra < 0 || *at + static_cast<std::size_t>(extra) > text.size()) return kNotACharacter;
    char32_t code = lead & (0x3F >> extra);
    for (int i = 0; i < extra; ++i) {
        const auto next = static_cast<unsigned char>(text[*at + static_cast<std::size_t>(i)]);
        if ((next & 0xC0) != 0x80) return kNotACharacter;
        code = (code << 6) | (next & 0x3F);
    }
    *at += static_cast<std::size_t>(extra);
    return code;
}

// Control characters, and the format characters that change how the text around them reads:
// direction marks, embeddings, overrides and isolates, zero-width marks, the soft hyphen and the
// byte-order mark.
bool LeftOut(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0xAD || c == 0x61C || c == 0x180E ||
           (c >= 0x200B && c <= 0x200F) || (c >= 0x202A && c <= 0x202E) || (c >= 0x2060 && c <= 0x206F) ||
           c == 0xFEFF || (c >= 0xFFF9 && c <= 0xFFFB);
}

}  // namespace

std::string CleanPeopleText(std::string_view text, std::size_t most) {
    std::string clean;
    for (std::size_t at = 0; at < text.size();) {
        const char32_t c = NextCodePoint(text, &at);
        if (LeftOut(c)) continue;
        const char shown = c >= kFirstDrawn && c <= kLastDrawn ? static_cast<char>(c) : '?';
        if (shown == ' ' && (clean.empty() || clean.back() == ' ')) continue;
        clean += shown;
    }
    if (clean.size() > most) clean.resize(most);
    while (!clean.empty() && clean.back() == ' ') clean.pop_back();
    return clean;
}

bool IsCleanPeopleText(std::string_view text, std::size_t most) {
    return text.size() <= most && CleanPeopleText(text, most) == text;
}

}  // namespace net
