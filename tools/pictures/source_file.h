// Reads the picture sources (parameters, colour symbols, pixel art) with line-exact errors.
#pragma once

#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "image.h"

// A malformed or missing source; the message names the file and line where it can.
struct SourceError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// One parameter line: its words (the key first) and where it stands.
struct Entry {
    std::vector<std::string> words;
    std::string where;  // "file:line"

    std::size_t size() const { return words.size() - 1; }  // number of values after the key
    [[noreturn]] void fail(const std::string& what) const;
    const std::string& word(std::size_t i) const;  // value i, counting from 0 after the key
    double number(std::size_t i, double lo, double hi) const;
    int integer(std::size_t i, int lo, int hi) const;
    Rgb colour(std::size_t i) const;           // value i written as RRGGBB
    std::string rest(std::size_t from) const;  // values from i on, joined by single blanks
};

// A block of pixel art: rows of symbol characters, all the same length.
struct Art {
    int width = 0;
    int height = 0;
    std::vector<std::string> rows;
    std::string where;
};

// The lines between one "picture NAME" line and the next (or the top of the file).
class SourceBlock {
public:
    std::string name;
    std::string where;
    std::vector<Entry> entries;
    std::map<std::string, Art> arts;
    std::map<char, Rgb> symbols;

    bool has(const std::string& key) const;
    const Entry& entry(const std::string& key) const;  // exactly one line with this key
    std::vector<const Entry*> all(const std::string& key) const;
    double number(const std::string& key, double lo, double hi) const;
    int integer(const std::string& key, int lo, int hi) const;
    Rgb colour(const std::string& key) const;
    std::vector<Rgb> colours(const std::string& key, std::size_t minCount) const;
    const Art& art(const std::string& name, int width, int height) const;
    Rgb symbol(char c, const std::string& where) const;
    RgbImage artImage(const std::string& name, int width, int height) const;
};

class SourceFile {
public:
    std::filesystem::path path;
    std::vector<SourceBlock> blocks;  // blocks[0] holds the lines before the first "picture"

    const SourceBlock& top() const { return blocks.front(); }
    const SourceBlock& picture(const std::string& name) const;
};

SourceFile readSourceFile(const std::filesystem::path& path);
