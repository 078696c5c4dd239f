// Build-time tool: compiles the translations (resources/po/LANG.po, gettext's PO format) into the
// game's catalogue, a C++ source of sorted tables that text/text.cpp searches (text/catalogue.h),
// and the web page's texts (those the .po files place in page/) into a script of the page that
// defines lobshotTexts, by language, for page/texts.js. It refuses a translation whose printf
// directives differ from its source's, a text that is not UTF-8 and what it cannot read;
// untranslated and fuzzy entries are left out, so the game shows the English.
//
// Usage: compile_po OUT.cpp PAGE.js LANG.po...   (each file's name without .po is its language)
#include <algorithm>
#include <cstdio>
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
    bool onPage = false;  // a "#:" reference names a file of page/
    bool inGame = false;  // one names another file
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

// Notes where a "#:" line places an entry: in the page's scripts, in the game or both.
void Place(const std::string& references, Entry* entry) {
    std::size_t at = 2;
    while ((at = references.find_first_not_of(' ', at)) != std::string::npos) {
        const std::size_t end = std::min(references.find(' ', at), references.size());
        (references.compare(at, 5, "page/") == 0 ? entry->onPage : entry->inGame) = true;
        at = end;
    }
}

// The entries of a PO file, each string's continuation lines joined; an entry placed nowhere is
// the game's.
std::vector<Entry> ReadPo(const std::filesystem::path& path) {
    std::ifstream in(path);
    if (!in) throw Failure(path.string() + ": cannot be read");
    std::vector<Entry> entries;
    Entry current;
    std::string* target = nullptr;
    std::string line, last;
    int number = 0;
    auto finish = [&] {
        if (!current.onPage) current.inGame = true;
        if (!current.english.empty() || !current.texts.empty()) entries.push_back(current);
        current = Entry{};
        target = nullptr;
    };
    while (std::getline(in, line)) {
        const std::string where = path.string() + ":" + std::to_string(++number);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (line[0] == '#') {
            // An entry's comments come before it: the last entry, if whole, ends here.
            if (!current.texts.empty()) finish();
            if (line.starts_with("#,") && line.find("fuzzy") != std::string::npos) current.fuzzy = true;
            if (line.starts_with("#:")) Place(line, &current);
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

// A JavaScript string literal of text, every character past ASCII as an escape.
std::string ScriptLiteral(const std::string& text) {
    std::string out = "\"";
    for (std::size_t at = 0; at < text.size();) {
        const char32_t code = Utf8Next(text, &at);
        if (code == '"' || code == '\\') {
            out += '\\';
            out += static_cast<char>(code);
        } else if (code < 0x20 || code >= 0x7F) {
            char escape[16];
            std::snprintf(escape, sizeof escape, "\\u{%X}", static_cast<unsigned>(code));
            out += escape;
        } else {
            out += static_cast<char>(code);
        }
    }
    return out + "\"";
}

// The kept translations of one file, by their English.
std::map<std::string, Entry> Translations(const std::filesystem::path& path) {
    std::map<std::string, Entry> kept;
    for (const Entry& e : ReadPo(path)) {
        const std::string where = path.string() + ": \"" + e.english + "\"";
        if (!Keep(e, where)) continue;
        if (!kept.emplace(e.english, e).second) throw Failure(where + " is translated twice");
    }
    return kept;
}

// The page's texts of one language, as a property of lobshotTexts.
std::string PageTable(const std::string& language, const std::map<std::string, Entry>& kept) {
    std::string out = "  \"" + language + "\": {\n";
    for (const auto& [english, e] : kept)
        if (e.onPage && e.englishMany.empty())
            out += "    " + ScriptLiteral(english) + ": " + ScriptLiteral(e.texts[0]) + ",\n";
    return out + "  },\n";
}

// The table of one language's texts of the game and its line in the list of catalogues.
std::string Table(const std::string& language, std::map<std::string, Entry> kept, std::string* list) {
    std::erase_if(kept, [](const auto& entry) { return !entry.second.inGame; });
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
    if (argc < 4) {
        std::cerr << "usage: compile_po OUT.cpp PAGE.js LANG.po...\n";
        return 2;
    }
    try {
        std::string tables, list, page;
        for (int i = 3; i < argc; ++i) {
            const std::filesystem::path path = argv[i];
            const auto kept = Translations(path);
            tables += Table(path.stem().string(), kept, &list);
            page += PageTable(path.stem().string(), kept);
        }
        std::ofstream script(argv[2]);
        script << "// Made by tools/lang/compile_po from resources/po: the page's texts by language.\n"
               << "var lobshotTexts = {\n"
               << page << "};\n";
        if (!script) throw Failure(std::string(argv[2]) + ": cannot be written");
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
