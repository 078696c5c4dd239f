// Names and chat lines cleaned to what every machine can show: what is left out, what is replaced
// and where the text is cut.
#include <gtest/gtest.h>

#include "net/people_text.h"

namespace {

TEST(PeopleText, CleaningLeavesOnlyWhatTheFontDraws) {
    const struct {
        const char* given;
        const char* clean;
    } cases[] = {
        {"Ann", "Ann"},
        {"A\tn\x1B[31mn\x7F", "An[31mn"},  // control characters
        {"\xE2\x80\xAE"
         "nnA\xE2\x80\x8F\xEF\xBB\xBF",
         "nnA"},                                     // a direction override, a mark, the BOM
        {"Zo\xC3\xAB \xF0\x9F\x99\x82~", "Zo? ??"},  // letters and signs the font lacks
        {"a\xFF\xC3", "a??"},                        // stray bytes, one each
        {"  two   words  ", "two words"},
        {"a\x01 \x01 b", "a b"},
        {"\x01\x02", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(net::CleanPeopleText(c.given, 80), c.clean) << c.given;
        EXPECT_TRUE(net::IsCleanPeopleText(c.clean, 80)) << c.clean;
    }
    EXPECT_FALSE(net::IsCleanPeopleText("a\xE2\x80\xAE", 80));
}

TEST(PeopleText, LongTextIsCutWithoutATrailingSpace) {
    EXPECT_EQ(net::CleanPeopleText("Bartholomew Ainsworth", net::kMaxNameLength), "Bartholomew Ains");
    EXPECT_EQ(net::CleanPeopleText("Bartholomew     Ainsworth", 12), "Bartholomew");
    EXPECT_EQ(net::CleanPeopleText(std::string(10240, 'x'), net::kMaxChatLength),
              std::string(net::kMaxChatLength, 'x'));
    EXPECT_FALSE(net::IsCleanPeopleText(std::string(17, 'x'), net::kMaxNameLength));
}

}  // namespace
