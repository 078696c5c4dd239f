// Parser of the picture sources. Syntax, one statement a line:
//   # comment                 blank lines and comments are skipped
//   picture NAME              starts the block of settings for one picture
//   symbol C RRGGBB           pixel-art character C stands for that colour; symbols given
//                             before the first "picture" line hold in every block
//   art NAME WIDTH HEIGHT     followed by exactly HEIGHT rows of WIDTH symbol characters
//   KEY VALUE...              any other setting; the builders say which keys they read
#include "source_file.h"

#include <charconv>
#include <fstream>
#include <sstream>

namespace {

std::vector<std::string> splitWords(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

template <typename T>
bool parseNumber(const std::string& text, T& out) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && ptr == end;
}

// Reads the rows of an art block that starts at the "art" line, checking every row's length.
Art readArt(const Entry& head, std::vector<std::string>& lines, std::size_t& next, const std::string& file) {
    Art art;
    art.where = head.where;
    art.width = head.integer(1, 1, 4096);
    art.height = head.integer(2, 1, 4096);
    for (int r = 0; r < art.height; ++r, ++next) {
        std::string where = file + ":" + std::to_string(next + 1);
        if (next >= lines.size()) throw SourceError(where + ": art '" + head.word(0) + "' ends early");
        std::string row = lines[next];
        while (!row.empty() && (row.back() == '\r' || row.back() == ' ')) row.pop_back();
        if (static_cast<int>(row.size()) != art.width)
            throw SourceError(where + ": art row has " + std::to_string(row.size()) +
                              " characters, expected " + std::to_string(art.width));
        art.rows.push_back(row);
    }
    return art;
}

// Files one statement into the current block.
void addStatement(SourceBlock& block, Entry entry, std::vector<std::string>& lines, std::size_t& next,
                  const std::string& file) {
    const std::string& key = entry.words[0];
    if (key == "symbol") {
        if (entry.size() != 2 || entry.word(0).size() != 1) entry.fail("expected: symbol C RRGGBB");
        block.symbols[entry.word(0)[0]] = entry.colour(1);
    } else if (key == "art") {
        if (entry.size() != 3) entry.fail("expected: art NAME WIDTH HEIGHT");
        if (block.arts.count(entry.word(0))) entry.fail("art '" + entry.word(0) + "' given twice");
        block.arts[entry.word(0)] = readArt(entry, lines, next, file);
    } else {
        block.entries.push_back(std::move(entry));
    }
}

}  // namespace

void Entry::fail(const std::string& what) const { throw SourceError(where + ": " + what); }

const std::string& Entry::word(std::size_t i) const {
    if (i + 1 >= words.size()) fail("'" + words[0] + "' needs at least " + std::to_string(i + 1) + " values");
    return words[i + 1];
}

double Entry::number(std::size_t i, double lo, double hi) const {
    double v = 0;
    std::istringstream in(word(i));
    if (!(in >> v) || !in.eof()) fail("'" + word(i) + "' is not a number");
    if (v < lo || v > hi)
        fail("'" + words[0] + "' value " + word(i) + " is outside " + std::to_string(lo) + " to " +
             std::to_string(hi));
    return v;
}

int Entry::integer(std::size_t i, int lo, int hi) const {
    int v = 0;
    if (!parseNumber(word(i), v)) fail("'" + word(i) + "' is not a whole number");
    if (v < lo || v > hi)
        fail("'" + words[0] + "' value " + word(i) + " is outside " + std::to_string(lo) + " to " +
             std::to_string(hi));
    return v;
}

Rgb Entry::colour(std::size_t i) const {
    const std::string& text = word(i);
    std::uint32_t v = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v, 16);
    if (text.size() != 6 || ec != std::errc() || ptr != text.data() + text.size())
        fail("'" + text + "' is not a colour RRGGBB");
    return rgbFromHex(v);
}

std::string Entry::rest(std::size_t from) const {
    std::string out = word(from);
    for (std::size_t i = from + 2; i < words.size(); ++i) out += " " + words[i];
    return out;
}

bool SourceBlock::has(const std::string& key) const { return !all(key).empty(); }

std::vector<const Entry*> SourceBlock::all(const std::string& key) const {
    std::vector<const Entry*> out;
    for (const Entry& e : entries)
        if (e.words[0] == key) out.push_back(&e);
    return out;
}

const Entry& SourceBlock::entry(const std::string& key) const {
    auto found = all(key);
    if (found.empty()) throw SourceError(where + ": '" + name + "' has no '" + key + "' line");
    if (found.size() > 1) found[1]->fail("'" + key + "' given twice");
    return *found[0];
}

double SourceBlock::number(const std::string& key, double lo, double hi) const {
    return entry(key).number(0, lo, hi);
}

int SourceBlock::integer(const std::string& key, int lo, int hi) const {
    return entry(key).integer(0, lo, hi);
}

Rgb SourceBlock::colour(const std::string& key) const { return entry(key).colour(0); }

std::vector<Rgb> SourceBlock::colours(const std::string& key, std::size_t minCount) const {
    const Entry& e = entry(key);
    if (e.size() < minCount) e.fail("'" + key + "' needs at least " + std::to_string(minCount) + " colours");
    std::vector<Rgb> out;
    for (std::size_t i = 0; i < e.size(); ++i) out.push_back(e.colour(i));
    return out;
}

const Art& SourceBlock::art(const std::string& artName, int width, int height) const {
    auto it = arts.find(artName);
    if (it == arts.end()) throw SourceError(where + ": '" + name + "' has no art '" + artName + "'");
    if (it->second.width != width || it->second.height != height)
        throw SourceError(it->second.where + ": art '" + artName + "' must be " + std::to_string(width) +
                          "x" + std::to_string(height));
    return it->second;
}

Rgb SourceBlock::symbol(char c, const std::string& at) const {
    auto it = symbols.find(c);
    if (it == symbols.end()) throw SourceError(at + ": symbol '" + std::string(1, c) + "' has no colour");
    return it->second;
}

RgbImage SourceBlock::artImage(const std::string& artName, int width, int height) const {
    const Art& a = art(artName, width, height);
    RgbImage image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.set(x, y, symbol(a.rows[y][x], a.where));
    return image;
}

const SourceBlock& SourceFile::picture(const std::string& name) const {
    for (const SourceBlock& b : blocks)
        if (b.name == name) return b;
    throw SourceError(path.string() + ": no 'picture " + name + "' block");
}

SourceFile readSourceFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    if (!in) throw SourceError(path.string() + ": cannot be read");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);

    SourceFile file;
    file.path = path;
    file.blocks.push_back({});
    file.blocks.back().where = path.string();
    for (std::size_t next = 0; next < lines.size();) {
        std::string where = path.string() + ":" + std::to_string(next + 1);
        auto words = splitWords(lines[next++]);
        if (words.empty() || words[0][0] == '#') continue;
        Entry entry{std::move(words), where};
        if (entry.words[0] == "picture") {
            if (entry.size() != 1) entry.fail("expected: picture NAME");
            file.blocks.push_back({});
            file.blocks.back().name = entry.word(0);
            file.blocks.back().symbols = file.blocks.front().symbols;
            file.blocks.back().where = where;
            continue;
        }
        addStatement(file.blocks.back(), std::move(entry), lines, next, path.string());
    }
    return file;
}
