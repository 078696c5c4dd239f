// Test support: cases written as data, each a row of commands ("verb words; verb words...") that a
// test's own verbs carry out, and "expect NAME=VALUE..." that compares the test's probes as text.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using CommandVerbs = std::map<std::string, std::function<void(std::istream&)>>;
// A probe's value as text, from its name cut at ':' ("armour:1" is {"armour", "1"}).
using CommandProbe = std::function<std::string(const std::vector<std::string>&)>;

// Runs the commands in order; an unknown verb, or an expectation that does not hold, fails the test
// naming the command.
inline void RunCommands(const std::string& commands, const CommandVerbs& verbs, const CommandProbe& probe) {
    std::istringstream lines(commands);
    for (std::string line; std::getline(lines, line, ';');) {
        std::istringstream in(line);
        std::string verb;
        if (!(in >> verb)) continue;
        for (std::string check; verb == "expect" && in >> check;) {
            std::vector<std::string> name;
            std::istringstream parts(check.substr(0, check.find('=')));
            for (std::string part; std::getline(parts, part, ':');) name.push_back(part);
            EXPECT_EQ(probe(name), check.substr(check.find('=') + 1)) << line;
        }
        if (verb == "expect") continue;
        const auto found = verbs.find(verb);
        if (found == verbs.end()) ADD_FAILURE() << "no such command: " << line;
        if (found != verbs.end()) found->second(in);
    }
}

// The next word as a T, or `fallback` when there is none.
template <typename T>
T Next(std::istream& in, T fallback = T{}) {
    T value;
    return in >> value ? value : fallback;
}

// A name's place in a list of names; fails the test when it is not there.
inline int NameIndex(const std::vector<std::string>& names, const std::string& name) {
    const auto found = std::find(names.begin(), names.end(), name);
    EXPECT_NE(found, names.end()) << "no such name: " << name;
    return static_cast<int>(found - names.begin());
}

// Values as the probes give them: numbers joined by commas.
template <typename T>
std::string Listed(const std::vector<T>& values) {
    std::ostringstream out;
    for (std::size_t i = 0; i < values.size(); ++i) out << (i ? "," : "") << values[i];
    return out.str();
}
