// Reading UTF-8 a character at a time.
#include "text/utf8.h"

namespace {

constexpr char32_t REPLACEMENT = 0xFFFD;

// The length of the character a lead byte starts and the bits it contributes; 0 for a byte that
// starts none.
int LeadLength(unsigned char lead, char32_t* bits) {
    if (lead < 0x80) return *bits = lead, 1;
    if (lead >= 0xC2 && lead <= 0xDF) return *bits = lead & 0x1F, 2;
    if (lead >= 0xE0 && lead <= 0xEF) return *bits = lead & 0x0F, 3;
    if (lead >= 0xF0 && lead <= 0xF4) return *bits = lead & 0x07, 4;
    return 0;
}

}  // namespace

char32_t Utf8Next(std::string_view text, std::size_t* at) {
    const std::size_t start = (*at)++;
    char32_t code = 0;
    const int length = LeadLength(static_cast<unsigned char>(text[start]), &code);
    if (length == 0 || start + length > text.size()) return REPLACEMENT;
    for (int i = 1; i < length; ++i) {
        const unsigned char next = static_cast<unsigned char>(text[start + i]);
        if ((next & 0xC0) != 0x80) return REPLACEMENT;
        code = (code << 6) | (next & 0x3F);
    }
    // Longer forms than a code point needs, surrogates and codes past U+10FFFF are not characters.
    static constexpr char32_t SMALLEST[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < SMALLEST[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return REPLACEMENT;
    *at = start + length;
    return code;
}

std::size_t Utf8Offset(std::string_view text, std::size_t column) {
    std::size_t at = 0;
    for (std::size_t i = 0; i < column && at < text.size(); ++i) Utf8Next(text, &at);
    return at;
}

std::size_t Utf8Columns(std::string_view text) {
    std::size_t columns = 0;
    for (std::size_t at = 0; at < text.size(); ++columns) Utf8Next(text, &at);
    return columns;
}

std::string Utf8Cut(std::string_view text, std::size_t columns) {
    return std::string(text.substr(0, Utf8Offset(text, columns)));
}
