// Test support: tables of expectations kept as data files beside the tests that read them.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// The rows of tests/NAME in the source tree, each cut into its fields at " | ". Blank lines and
// comments (a line "#" or starting "# ") are skipped. In a field, \n, \r, \\ and \xHH stand for their
// character, and a lone - for an empty field. A missing or empty file fails the test that reads it.
inline std::vector<std::vector<std::string>> GoldenRows(const std::string& name) {
    std::ifstream in(std::string(LOBSHOT_SOURCE_DIR) + "/tests/" + name);
    std::vector<std::vector<std::string>> rows;
    auto unescape = [](const std::string& field) {
        std::string out;
        if (field == "-") return out;
        for (std::size_t i = 0; i < field.size(); ++i) {
            if (field[i] != '\\' || i + 1 == field.size()) {
                out += field[i];
                continue;
            }
            const char c = field[++i];
            if (c == 'x') {
                out += static_cast<char>(std::stoi(field.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                out += c == 'n' ? '\n' : c == 'r' ? '\r' : c;
            }
        }
        return out;
    };
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line == "#" || line.starts_with("# ")) continue;
        std::vector<std::string> fields;
        for (std::size_t start = 0;;) {
            const std::size_t bar = line.find(" | ", start);
            fields.push_back(unescape(line.substr(start, bar - start)));
            if (bar == std::string::npos) break;
            start = bar + 3;
        }
        rows.push_back(fields);
    }
    EXPECT_FALSE(rows.empty()) << "no rows in tests/" << name;
    return rows;
}

// A field of bytes as the tables write them, apart by spaces: numbers (hexadecimal after 0x) and
// small letters, each repeated N times when followed by *N ("5 0 x*81 0xFF").
inline std::vector<std::uint8_t> GoldenBytes(const std::string& field) {
    std::vector<std::uint8_t> bytes;
    std::istringstream words(field);
    for (std::string word; words >> word;) {
        const std::size_t star = word.find('*');
        const std::size_t count = star == std::string::npos ? 1 : std::stoul(word.substr(star + 1));
        const bool number = std::isdigit(static_cast<unsigned char>(word[0]));
        bytes.insert(bytes.end(), count,
                     static_cast<std::uint8_t>(number ? std::stoul(word, nullptr, 0) : word[0]));
    }
    return bytes;
}
