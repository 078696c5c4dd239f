// The languages the game speaks: every text a player reads is written in British English in the
// code and passes through Tr on its way to the screen, which gives the current language's
// translation. The translations are edited in resources/po/LANG.po and compiled into the game
// (tools/lang).
//
// The language is one of "en" (the texts as written), "de", "fr" and "es". Until SetLanguage is
// called it follows the person's system (SetLanguage("auto")); the settings' language and the
// Options screen choose it with SetLanguage. Called from the game's thread only.
#pragma once

#include <span>
#include <string>
#include <string_view>

// The translation of `english` in the current language, or `english` itself when the language is
// English or the catalogue has no translation. The result lives as long as the program (or as
// `english`). A translation keeps the printf directives of its source in count, kind and order (the
// catalogue's compiler refuses any other), so Tr of a format may be used as the format.
const char* Tr(const char* english) __attribute__((format_arg(1)));

// Marks a text of a table made before any language is chosen; the table's user passes it through Tr
// where it is shown.
constexpr const char* TrLater(const char* english) { return english; }

// The form of a counted text for n: `one` is the English for 1, `many` for any other count; the
// other languages choose by their own rule (French uses the singular for 0 as well).
const char* TrPlural(const char* one, const char* many, long n) __attribute__((format_arg(1)))
__attribute__((format_arg(2)));

// printf into a string with the translation of `english` as the format.
std::string TrFormat(const char* english, ...) __attribute__((format(printf, 1, 2)));

// The translation of a message made of a format and its blanks by a lower layer that cannot call
// Tr (net::Compose): the first of `formats`, each with %s for a blank, that the message matches is
// translated, and so is each blank, as a message of its own. A message none matches is passed
// through Tr whole.
std::string TrComposed(const std::string& english, std::span<const char* const> formats);

// Chooses the language: "auto" (the system's), "en", "de", "fr" or "es". False for any other code,
// which leaves the language as it was.
bool SetLanguage(std::string_view code);
// The language in use: "en", "de", "fr" or "es".
const char* CurrentLanguage();

// The locale as the system states it: the environment's LANGUAGE, LC_ALL, LC_MESSAGES and LANG
// (null or empty when unset), and on the page the browser's language ("de-AT").
struct LocaleSources {
    const char* language = nullptr;
    const char* lcAll = nullptr;
    const char* lcMessages = nullptr;
    const char* lang = nullptr;
    const char* browser = nullptr;
};
// The language these ask for, as gettext reads them: the first of LC_ALL, LC_MESSAGES and LANG that
// is set names the locale; none, "C" or "POSIX" means English whatever LANGUAGE says; otherwise the
// first language of LANGUAGE's list ("fr:de") that the game speaks, else the locale's. On the page
// the browser's language alone decides. "en" when none is one the game speaks.
const char* LanguageFromLocale(const LocaleSources& sources);
