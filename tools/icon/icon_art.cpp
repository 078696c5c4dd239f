// The reader of the icon's pixel art (see icon_art.h).
#include "tools/icon/icon_art.h"

#include <fstream>
#include <map>
#include <sstream>

namespace {

std::string Where(const std::string& path, int line) { return path + ":" + std::to_string(line) + ": "; }

// "none" for see-through, or six hexadecimal digits RRGGBB.
bool ParseColour(const std::string& text, IconRgba* colour) {
    if (text == "none") {
        *colour = {0, 0, 0, 0};
        return true;
    }
    if (text.size() != 6 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return false;
    const unsigned long value = std::stoul(text, nullptr, 16);
    *colour = {static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 8),
               static_cast<std::uint8_t>(value), 255};
    return true;
}

}  // namespace

IconArt ReadIconArt(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw IconSourceError(path + ": cannot read the icon's source");
    std::map<char, IconRgba> symbols;
    IconArt art;
    std::string text;
    int line = 0;
    while (art.width == 0 && std::getline(in, text)) {
        ++line;
        std::istringstream words(text);
        std::string verb, name, value;
        if (!(words >> verb) || verb[0] == '#') continue;
        IconRgba colour{};
        if (verb == "symbol" && words >> name >> value && name.size() == 1 && ParseColour(value, &colour)) {
            symbols[name[0]] = colour;
        } else if (verb == "art" && words >> name >> art.width >> art.height && art.width > 0 &&
                   art.height > 0) {
            art.pixels.reserve(static_cast<std::size_t>(art.width) * art.height);
        } else {
            throw IconSourceError(Where(path, line) +
                                  "expected \"symbol CHAR RRGGBB|none\" or \"art NAME WIDTH HEIGHT\"");
        }
    }
    if (art.width == 0) throw IconSourceError(path + ": no art in the file");
    for (int row = 0; row < art.height; ++row) {
        ++line;
        if (!std::getline(in, text)) throw IconSourceError(Where(path, line) + "the art ends early");
        if (static_cast<int>(text.size()) != art.width)
            throw IconSourceError(Where(path, line) + "the row is not " + std::to_string(art.width) +
                                  " pixels wide");
        for (char c : text) {
            auto symbol = symbols.find(c);
            if (symbol == symbols.end())
                throw IconSourceError(Where(path, line) + "no colour for symbol '" + std::string(1, c) + "'");
            art.pixels.push_back(symbol->second);
        }
    }
    return art;
}
