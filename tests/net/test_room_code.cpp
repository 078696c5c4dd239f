// Room codes: the alphabet, the spelling of bits, fresh codes from the random source, and reading
// codes as players type them.
#include <gtest/gtest.h>

#include <set>

#include "net/room_code.h"

namespace {

using namespace net;

TEST(RoomCode, AlphabetHas32DistinctCharactersAndNoLookAlikes) {
    EXPECT_EQ(kCodeAlphabet.size(), 32u);
    EXPECT_EQ(std::set<char>(kCodeAlphabet.begin(), kCodeAlphabet.end()).size(), 32u);
    for (char c : std::string("01IO")) EXPECT_EQ(kCodeAlphabet.find(c), std::string_view::npos) << c;
    EXPECT_GE(kRoomCodeLength * kCodeBitsPerCharacter, 40u);
}

// Five bits a character, the first byte's highest bit first: each group of five below counts up.
TEST(RoomCode, BitsAreSpelledFiveAtATimeHighestFirst) {
    const std::uint8_t zeros[5] = {};
    const std::uint8_t ones[5] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const std::uint8_t counting[5] = {0x08, 0x86, 0x42, 0x98, 0xE8};
    EXPECT_EQ(SpellCode(zeros, 8), "22222222");
    EXPECT_EQ(SpellCode(ones, 8), "ZZZZZZZZ");
    EXPECT_EQ(SpellCode(counting, 8), "3456789A");
    EXPECT_EQ(SpellCode(counting, 3), "345");
}

TEST(RoomCode, FreshCodesUseTheWholeAlphabetAndDoNotRepeat) {
    std::set<std::string> codes;
    std::set<char> seen;
    std::string code, error;
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(MakeRoomCode(&code, &error)) << error;
        ASSERT_EQ(code.size(), kRoomCodeLength);
        for (char c : code) {
            EXPECT_NE(kCodeAlphabet.find(c), std::string_view::npos) << code;
            seen.insert(c);
        }
        codes.insert(code);
    }
    EXPECT_EQ(codes.size(), 200u);
    EXPECT_EQ(seen.size(), kCodeAlphabet.size());

    ASSERT_TRUE(MakeRandomCode(64, &code, &error)) << error;
    EXPECT_EQ(code.size(), 64u);
    EXPECT_FALSE(MakeRandomCode(0, &code, &error));
    EXPECT_FALSE(MakeRandomCode(65, &code, &error));
}

TEST(RoomCode, CodesAreReadAsPlayersTypeThem) {
    std::string code, error;
    ASSERT_TRUE(ParseRoomCode("abcd-efgh", &code, &error)) << error;
    EXPECT_EQ(code, "ABCDEFGH");
    ASSERT_TRUE(ParseRoomCode(" 2345 6789 ", &code, &error)) << error;
    EXPECT_EQ(code, "23456789");
    ASSERT_TRUE(ParseRoomCode("zZzZ-zZzZ", &code, &error)) << error;
    EXPECT_EQ(code, "ZZZZZZZZ");

    // The look-alikes, other characters, and codes a character short or long.
    code = "unchanged";
    for (const char* text :
         {"ABCDEFG0", "ABCDEFGO", "ABCDEFG1", "ABCDEFGI", "abcdefgi", "ABCD_EFG", "ABCDEFG\xC3\x89"}) {
        EXPECT_FALSE(ParseRoomCode(text, &code, &error)) << text;
        EXPECT_EQ(error, "a room code has only the letters A to Z without I and O, and the digits 2 to 9");
    }
    for (const char* text : {"", "ABCDEFG", "ABCDEFGHJ", "----"}) {
        EXPECT_FALSE(ParseRoomCode(text, &code, &error)) << text;
        EXPECT_EQ(error, "a room code has 8 characters");
    }
    EXPECT_EQ(code, "unchanged");
}

// The page's link to a room, and the addresses a host may give for the page.
TEST(RoomCode, ThePagesLinkNamesTheRoomInItsFragment) {
    EXPECT_EQ(RoomLink("http://example.org/lobshot/", "ABCDEFGH"),
              "http://example.org/lobshot/#room=ABCDEFGH");
    std::string error;
    EXPECT_TRUE(CheckRoomPage("http://127.0.0.1:8000/", "--page", &error));
    EXPECT_TRUE(CheckRoomPage("https://example.org/index.html?x=1", "--page", &error));
    for (const char* bad :
         {"", "http://example.org/#room=X", "http://example.org/a b", "http://x/\t", "\x7F"}) {
        error.clear();
        EXPECT_FALSE(CheckRoomPage(bad, "LOBSHOT_PAGE", &error)) << bad;
        EXPECT_EQ(error.rfind("LOBSHOT_PAGE: ", 0), 0u) << bad;
    }
}

}  // namespace
