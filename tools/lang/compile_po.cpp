// Build-time tool: compiles the translations (resources/po/LANG.po, gettext's PO format) into the
// game's catalogue, a C++ source of sorted tables that text/text.cpp searches (text/catalogue.h).
// It refuses a translation whose printf directives differ from its source's, a text that is not
// UTF-8 and what it cannot read; untranslated and fuzzy entries are left out, so the game shows the
// English.
//
// Usage: compile_po OUT.cpp LANG.po...   (each file's name without .po is its language)
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "text/utf8.h"

namespace {

struct Entry {
    std::string english, englishMany;
    std::vector<std::string> texts;  // msgstr, or msgstr[0], msgstr[1], ...
    bool fuzzy = false;
};

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The text of a quoted PO string, its escapes undone.
std::string Unquote(const std::string& quoted, const std::string& where) {
    if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"')
        throw Failure(where + ": expected a quoted string");
    std::string text;
    for (std::size_t i = 1; i + 1 < quoted.size(); ++i) {
        char c = quoted[i];
        if (c == '"') throw Failure(where + ": a quote inside a string must be \\\"");
        if (c == '\\') {
            if (i + 2 >= quoted.size()) throw Failure(where + ": a string ends in a backslash");
            const char escaped = quoted[++i];
            c = escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped;
            if (escaped != 'n' && escaped != 't' && escaped != '"' && escaped != '\\')
                throw Failure(where + ": unknown escape \\" + std::string(1, escaped));
        }
        text += c;
    }
    return text;
}

// The printf directives of a text, in order, each as its length and conversion ("d", "s", "zu");
// %i counts as %d, and a '*' width or precision as an int of its own.
std::vector<std::string> Directives(const std::string& text, const std::string& where) {
    std::vector<std::string> found;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') continue;
        if (++i < text.size() && text[i] == '%') continue;
        while (i < text.size() && std::string_view("-+ #0'").find(text[i]) != std::string_view::npos) ++i;
        while (i < text.size() &&
               (std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == '.' || text[i] == '*')) {
            if (text[i] == '*') found.push_back("d");
            ++i;
        }
        std::string kind;
        while (i < text.size() && std::string_view("hlLzjt").find(text[i]) != std::string_view::npos)
            kind += text[i++];
        if (i >= text.size() || std::string_view("diouxXcspfeEgG").find(text[i]) == std::string_view::npos)
            throw Failure(where + ": a '%' that starts no directive (write %% for a percent sign)");
        found.push_back(kind + (text[i] == 'i' ? 'd' : text[i]));
    }
    return found;
}

void CheckText(const std::string& text, const std::string& where) {
    for (std::size_t at = 0; at < text.size();)
        if (Utf8Next(text, &at) == 0xFFFD) throw Failure(where + ": the text is not UTF-8");
}

// Checks an entry and says whether it holds a translation to keep.
bool Keep(const Entry& e, const std::string& where) {
    if (e.english.empty() || e.fuzzy) return false;
    const auto wanted = Directives(e.english, where);
    if (!e.englishMany.empty() && Directives(e.englishMany, where) != wanted)
        throw Failure(where + ": the plural's directives differ from the singular's");
    if (e.texts.size() != (e.englishMany.empty() ? 1u : 2u))
        throw Failure(where + ": a counted text has two forms, msgstr[0] and msgstr[1]");
    if (std::any_of(e.texts.begin(), e.texts.end(), [](const std::string& t) { return t.empty(); }))
        return false;
    for (const std::string& text : e.texts) {
        CheckText(text, where);
        if (Directives(text, where) != wanted)
            throw Failure(where + ": the translation's printf directives differ from those of \"" +
                          e.english + "\"");
    }
    return true;
}

// The keyword a PO line starts with and its string, continuation lines joined.
std::vector<Entry> ReadPo(const std::filesystem::path& path) {
    std::ifstream in(path);
    if (!in) throw Failure(path.string() + ": cannot be read");
    std::vector<Entry> entries;
    Entry current;
    std::string* target = nullptr;
    std::string line, last;
    int number = 0;
    auto finish = [&] {
        if (!current.english.empty() || !current.texts.empty()) entries.push_back(current);
        current = Entry{};
        target = nullptr;
    };
    while (std::getline(in, line)) {
        const std::string where = path.string() + ":" + std::to_string(++number);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (line[0] == '#') {
            if (line.starts_with("#,") && line.find("fuzzy") != std::string::npos) current.fuzzy = true;
            continue;
        }
        if (line[0] == '"') {
            if (!target) throw Failure(where + ": a string belongs to no keyword");
            *target += Unquote(line, where);
            continue;
        }
        const std::size_t space = line.find(' ');
        const std::string keyword = line.substr(0, space);
        const std::string value = space == std::string::npos ? "" : Unquote(line.substr(space + 1), where);
        if (keyword == "msgid") {
            if (!current.texts.empty()) finish();
            current.english = value;
            target = &current.english;
        } else if (keyword == "msgid_plural") {
            current.englishMany = value;
            target = &current.englishMany;
        } else if (keyword == "msgstr" || keyword == "msgstr[" + std::to_string(current.texts.size()) + "]") {
            current.texts.push_back(value);
            target = &current.texts.back();
        } else {
            throw Failure(where + ": unknown keyword '" + keyword + "'");
        }
    }
    finish();
    return entries;
}

// A C++ string literal of text, every byte past ASCII as an octal escape.
std::string Literal(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            const char digits[] = {'\\', static_cast<char>('0' + (c >> 6)),
                                   static_cast<char>('0' + ((c >> 3) & 7)), static_cast<char>('0' + (c & 7)),
                                   0};
            out += digits;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// The table of one language and its line in the list of catalogues.
std::string Table(const std::string& language, const std::filesystem::path& path, std::string* list) {
    std::map<std::string, Entry> kept;
    for (const Entry& e : ReadPo(path)) {
        const std::string where = path.string() + ": \"" + e.english + "\"";
        if (!Keep(e, where)) continue;
        if (!kept.emplace(e.english, e).second) throw Failure(where + " is translated twice");
    }
    *list += "    {\"" + language + "\", " + (kept.empty() ? "nullptr" : language) + ", " +
             std::to_string(kept.size()) + "},\n";
    if (kept.empty()) return "";
    std::string out = "constexpr CatalogueEntry " + language + "[] = {\n";
    for (const auto& [english, e] : kept) {
        const bool counted = !e.englishMany.empty();
        out += "    {" + Literal(english) + ", " + (counted ? Literal(e.englishMany) : "nullptr") + ", " +
               Literal(e.texts[0]) + ", " + (counted ? Literal(e.texts[1]) : "nullptr") + "},\n";
    }
    return out + "};\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: compile_po OUT.cpp LANG.po...\n";
        return 2;
    }
    try {
        std::string tables, list;
        for (int i = 2; i < argc; ++i) {
            const std::filesystem::path path = argv[i];
            tables += Table(path.stem().string(), path, &list);
        }
        std::ofstream out(argv[1]);
        out << "// Made by tools/lang/compile_po from resources/po: edit those.\n#include <iterator>\n\n"
            << "#include \"text/catalogue.h\"\n\nnamespace {\n\n"
            << tables << "\n}  // namespace\n\nconst Catalogue CATALOGUES[] = {\n"
            << list << "};\nconst std::size_t CATALOGUE_COUNT = std::size(CATALOGUES);\n";
        if (!out) throw Failure(std::string(argv[1]) + ": cannot be written");
    } catch (const Failure& failure) {
        std::cerr << "compile_po: " << failure.what() << "\n";
        return 1;
    }
    return 0;
}
