// The compiled translations (made at build time from resources/po by tools/lang), for Tr and for
// the tests that check every translation can be drawn and fits.
#pragma once

#include <cstddef>

// One translated text: a plain one has `english` and `text`; a counted one also `englishMany` and
// `textMany`, its other form (the second form of the .po file's msgstr[]).
struct CatalogueEntry {
    const char* english;
    const char* englishMany;  // null for a plain text
    const char* text;
    const char* textMany;  // null for a plain text
};

// The translations into one language, sorted by `english` (strcmp order), English texts unique.
struct Catalogue {
    const char* language;  // "de", "fr", "es"
    const CatalogueEntry* entries;
    std::size_t count;
};

extern const Catalogue CATALOGUES[];
extern const std::size_t CATALOGUE_COUNT;
