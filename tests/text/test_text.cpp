// Tests of the languages: the choice from the locale as gettext makes it, the look-up of texts, and
// every compiled translation drawable by the fonts and fitting where its English fits.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "display/glyph_codes.h"
#include "net/relay_address.h"
#include "net/transport.h"
#include "text/catalogue.h"
#include "text/text.h"
#include "text/utf8.h"

namespace {

TEST(Languages, TheLocaleChoosesAsGettextDoes) {
    struct Case {
        LocaleSources sources;
        const char* language;
    };
    const Case cases[] = {
        {{nullptr, nullptr, nullptr, "de_DE.UTF-8"}, "de"},
        {{nullptr, "fr_CA.UTF-8", "es_ES", "de_DE"}, "fr"},  // LC_ALL before LC_MESSAGES before LANG
        {{nullptr, "", "es_ES.UTF-8@euro", "de_DE"}, "es"},
        {{"it:fr:de", nullptr, nullptr, "en_GB.UTF-8"}, "fr"},  // LANGUAGE's first one the game speaks
        {{"pt", nullptr, nullptr, "de_AT"}, "de"},
        {{"de", "C.UTF-8", nullptr, "fr_FR"}, "en"},  // the C locale overrules LANGUAGE
        {{"de", nullptr, nullptr, nullptr}, "en"},    // so does no locale at all
        {{nullptr, nullptr, nullptr, "POSIX"}, "en"},
        {{nullptr, nullptr, nullptr, "pt_BR.UTF-8"}, "en"},
        {{"de", nullptr, nullptr, "fr_FR", "es-MX"}, "es"},  // the page: the browser's language alone
        {{nullptr, nullptr, nullptr, nullptr, "pt-BR"}, "en"},
    };
    for (const Case& c : cases) EXPECT_STREQ(LanguageFromLocale(c.sources), c.language) << c.language;
}

TEST(Languages, TextsComeInTheChosenLanguageAndCountedOnesByItsRule) {
    constexpr const char* ONE = "No keys from %s for %ld second";
    constexpr const char* MANY = "No keys from %s for %ld seconds";
    ASSERT_TRUE(SetLanguage("de"));
    EXPECT_STREQ(Tr("Fire"), "Feuer");
    EXPECT_STREQ(Tr("Not a text of the game"), "Not a text of the game");
    EXPECT_EQ(TrFormat("Volume %d%%", 40), "Lautstärke 40%");
    EXPECT_FALSE(SetLanguage("it"));
    EXPECT_STREQ(CurrentLanguage(), "de");
    EXPECT_STREQ(TrPlural(ONE, MANY, 0), "Keine Tasten von %s seit %ld Sekunden");
    ASSERT_TRUE(SetLanguage("fr"));
    EXPECT_STREQ(TrPlural(ONE, MANY, 0), "Aucune touche de %s depuis %ld seconde");
    ASSERT_TRUE(SetLanguage("en"));
    EXPECT_STREQ(Tr("Fire"), "Fire");
    EXPECT_STREQ(TrPlural(ONE, MANY, 0), MANY);
}

// A message net/ composes below the languages is translated where it is shown, blank by blank: a
// blank may be a marked text, or a composed message of its own.
TEST(Languages, ComposedMessagesAreTranslatedBlankByBlank) {
    std::string spaced, notAnAddress;
    net::CheckRelayAddress("a b:1", TrLater("The relay"), &spaced);
    net::CheckRelayAddress("nope", TrLater("The relay"), &notAnAddress);
    ASSERT_TRUE(SetLanguage("de"));
    for (const auto& [english, german] :
         {std::pair{spaced, "Das Relais: die Relais-Adresse \"a b:1\" hat ein Leerzeichen"},
          {notAnAddress,
           "Das Relais: \"nope\" ist nicht HOST:PORT (das Relais ist ADRESSE:PORT, wie "
           "127.0.0.1:1883, oder mqtts://ADRESSE:PORT)"},
          {std::string(net::DescribeReason(net::DisconnectReason::TimedOut)), "Zeit überschritten"},
          {net::Compose(net::says::kRelaySilent, {"r.example:1883"}),
           "das Relais unter r.example:1883 antwortete nicht"},
          {net::Compose(net::says::kCertificateRefused, {"r.example:8883"}),
           "dem Zertifikat des Relais unter r.example:8883 wird nicht vertraut"},
          {std::string("Not a text of the game"), "Not a text of the game"}})
        EXPECT_EQ(TrComposed(english, net::says::kAll), german);
    ASSERT_TRUE(SetLanguage("en"));
    EXPECT_EQ(TrComposed(notAnAddress, net::says::kAll), notAnAddress);
}

// The texts with less room than a line of the screen, by the columns the screens give them. Any
// other is a line of 39 columns, or a notice wrapped into such lines: it may take as many lines as
// its English, and one more when it holds a name or a place (%s), whose length varies anyway.
struct Room {
    std::size_t columns;
    std::vector<std::string_view> texts;
};
const Room TIGHT_ROOMS[] = {
    {4, {"game", "page"}},  // what a machine runs, in the waiting room's column
    {5, {"Sell"}},
    {6, {"Arrows", "Space", "Buy"}},
    {8,
     {"Back", "X again", "D-pad", "Stick LR", "Stick UD", "A,Start", "R stick", "Fast", "Beginner", "Easy",
      "Normal", "Hard", "Expert", "Armour", "Profit", "Owned", "OFF", "ON", "Wind"}},
    {9, {"Cash %i"}},
    {10, {"Go back", "Delete", "Paste", "Keep", "Go"}},  // the online menu's buttons, 80 pixels each
    {11, {"Space-Buy", "Cash"}},
    {13, {"version %i.%i"}},                                                           // "version 0.1"
    {13, {"Screen", "Volume", "Sound", "Name", "Relay", "Language", "Tank numbers"}},  // Options' labels
    {15,
     {"Drag", "Tap twice", "Power box", "Angle box", "Tank box", "Weapon box", "Wind box", "Edge arrow",
      "Press and hold"}},
    {18, {"Shell", "Sod Salvo", "Firework", "Earth Mover", "Lava", "A-Bomb", "Weapon", "Finish"}},
    {21, {"Number of players", "Landscape Gravity", "NO", "CONSTANT", "VARIABLE", "RANDOM"}},
    {24,
     {"Help", "Angle Guide", "Centre on player", "Centre on current player", "Scroll Landscape",
      "Change Angle", "Change Power", "Change Weapon", "Fire", "Aim: angle and power", "Abandon Game?",
      "Look at that tank", "Hold: fast-forward"}},
    {25,
     {"Full screen", "Window", "On", "Off", "(none)", "Automatic", "English", "German", "French", "Spanish"}},
    {80,
     {"Keys 1 to 8: a player or the computer (Beginner to Expert)",
      "Pad X: next player   Pad Y: a player or the computer"}},
};

std::size_t RoomOf(std::string_view english) {
    for (const Room& room : TIGHT_ROOMS)
        if (std::find(room.texts.begin(), room.texts.end(), english) != room.texts.end()) return room.columns;
    const std::size_t lines = std::max<std::size_t>(1, (Utf8Columns(english) + 38) / 39);
    return 39 * (lines + (english.find("%s") != std::string_view::npos ? 1 : 0));
}

TEST(Languages, EveryTranslationIsDrawnByTheFontsAndFitsWhereItsEnglishFits) {
    ASSERT_EQ(CATALOGUE_COUNT, 3u);
    for (std::size_t c = 0; c < CATALOGUE_COUNT; ++c) {
        const Catalogue& catalogue = CATALOGUES[c];
        EXPECT_GT(catalogue.count, 100u) << catalogue.language;
        for (std::size_t i = 0; i < catalogue.count; ++i) {
            const CatalogueEntry& entry = catalogue.entries[i];
            for (const char* text : {entry.text, entry.textMany}) {
                if (!text) continue;
                const std::string_view view(text);
                for (std::size_t at = 0; at < view.size();) {
                    const char32_t code = Utf8Next(view, &at);
                    EXPECT_GE(GlyphCell(code), 0) << catalogue.language << ": U+" << std::hex
                                                  << static_cast<unsigned>(code) << " in " << text;
                }
                EXPECT_LE(Utf8Columns(view), RoomOf(entry.english)) << catalogue.language << ": " << text;
            }
        }
    }
}

}  // namespace
