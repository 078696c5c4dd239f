// The current language and the look-up of translations in the compiled catalogues.
#include "text/text.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/backend.h"
#include "text/catalogue.h"

namespace {

constexpr const char* LANGUAGES[] = {"en", "de", "fr", "es"};

// The language of this run and its catalogue (null for English); chosen from the system on first
// use unless SetLanguage came first.
struct LanguageState {
    bool chosen = false;
    const char* code = "en";
    const Catalogue* catalogue = nullptr;
};
LanguageState TheLanguage;

// The language a locale or language name ("de_AT.UTF-8", "fr-CA", "es") names, if the game speaks
// it; null otherwise.
const char* Spoken(std::string_view name) {
    const std::string_view code = name.substr(0, name.find_first_of("_-.@"));
    for (const char* language : LANGUAGES)
        if (code == language) return language;
    return nullptr;
}

bool Set(const char* value) { return value && *value; }

void Choose(const char* code) {
    TheLanguage = {true, code, nullptr};
    for (std::size_t i = 0; i < CATALOGUE_COUNT; ++i)
        if (std::strcmp(CATALOGUES[i].language, code) == 0) TheLanguage.catalogue = &CATALOGUES[i];
}

const LanguageState& Current() {
    if (!TheLanguage.chosen) SetLanguage("auto");
    return TheLanguage;
}

const CatalogueEntry* Find(const char* english) {
    const Catalogue* catalogue = Current().catalogue;
    if (!catalogue || !english) return nullptr;
    std::size_t low = 0, high = catalogue->count;
    while (low < high) {
        const std::size_t middle = (low + high) / 2;
        const int order = std::strcmp(catalogue->entries[middle].english, english);
        if (order == 0) return &catalogue->entries[middle];
        if (order < 0)
            low = middle + 1;
        else
            high = middle;
    }
    return nullptr;
}

// Whether n takes the language's form for one: French counts 0 as one too.
bool TakesOne(long n) { return std::strcmp(Current().code, "fr") == 0 ? n == 0 || n == 1 : n == 1; }

}  // namespace

const char* Tr(const char* english) {
    const CatalogueEntry* entry = Find(english);
    return entry && !entry->englishMany ? entry->text : english;
}

const char* TrPlural(const char* one, const char* many, long n) {
    const CatalogueEntry* entry = Find(one);
    const bool single = TakesOne(n);
    if (!entry || !entry->englishMany || std::strcmp(entry->englishMany, many) != 0)
        return n == 1 ? one : many;
    return single ? entry->text : entry->textMany;
}

namespace {

// The blanks of `text` if it is `format` with each %s filled: each literal piece of the format is
// found in turn, the last at the end.
bool Matches(std::string_view format, std::string_view text, std::vector<std::string>* blanks) {
    const std::size_t first = format.find("%s");
    if (first == std::string_view::npos) return format == text;
    if (text.substr(0, first) != format.substr(0, first)) return false;
    std::size_t at = first;
    for (std::size_t start = first + 2;;) {
        const std::size_t next = format.find("%s", start);
        const std::string_view piece =
            format.substr(start, next == std::string_view::npos ? next : next - start);
        const std::size_t found =
            next == std::string_view::npos
                ? (text.size() >= at + piece.size() ? text.size() - piece.size() : text.npos)
                : text.find(piece, at);
        if (found == text.npos || found < at || text.substr(found, piece.size()) != piece) return false;
        blanks->emplace_back(text.substr(at, found - at));
        if (next == std::string_view::npos) return true;
        at = found + piece.size();
        start = next + 2;
    }
}

}  // namespace

std::string TrComposed(const std::string& english, std::span<const char* const> formats) {
    for (const char* format : formats) {
        std::vector<std::string> blanks;
        if (!Matches(format, english, &blanks)) continue;
        std::string text;
        std::size_t blank = 0;
        for (const char* c = Tr(format); *c != '\0'; ++c) {
            if (c[0] == '%' && c[1] == 's' && blank < blanks.size()) {
                text += TrComposed(blanks[blank++], formats);
                ++c;
            } else {
                text += *c;
            }
        }
        return text;
    }
    return Tr(english.c_str());
}

std::string TrFormat(const char* english, ...) {
    std::va_list args, again;
    va_start(args, english);
    va_copy(again, args);
    const char* format = Tr(english);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, again);
    va_end(again);
    va_end(args);
    return text;
}

bool SetLanguage(std::string_view code) {
    if (code == "auto") {
        const std::string browser = backend::SystemLanguage();
        Choose(LanguageFromLocale({std::getenv("LANGUAGE"), std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"),
                                   std::getenv("LANG"), browser.c_str()}));
        return true;
    }
    const char* spoken = Spoken(code);
    if (!spoken || code.size() != 2) return false;
    Choose(spoken);
    return true;
}

const char* CurrentLanguage() { return Current().code; }

const char* LanguageFromLocale(const LocaleSources& sources) {
    // The page has no environment of its own: the browser's language decides.
    if (Set(sources.browser)) return Spoken(sources.browser) ? Spoken(sources.browser) : "en";
    const char* locale = Set(sources.lcAll)        ? sources.lcAll
                         : Set(sources.lcMessages) ? sources.lcMessages
                                                   : sources.lang;
    if (!Set(locale) || std::strcmp(locale, "C") == 0 || std::strncmp(locale, "C.", 2) == 0 ||
        std::strcmp(locale, "POSIX") == 0)
        return "en";
    const std::string_view list = Set(sources.language) ? sources.language : "";
    for (std::size_t start = 0; start < list.size();) {
        const std::size_t end = std::min(list.find(':', start), list.size());
        if (const char* spoken = Spoken(list.substr(start, end - start))) return spoken;
        start = end + 1;
    }
    return Spoken(locale) ? Spoken(locale) : "en";
}
