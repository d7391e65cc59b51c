#include "screens/key_table.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string typed(SDLKey sym, int mod = KMOD_NONE)
{
    const char c = keyCharacter(sym, static_cast<SDLMod>(mod));
    return c == '\0' ? "" : std::string(1, c);
}

}  // namespace

TEST(KeyTable, TypesEveryListedKey)
{
    const std::string symbols = " (),+-./";
    for (const char c : symbols) {
        EXPECT_EQ(typed(static_cast<SDLKey>(c)), std::string(1, c));
    }
    for (int digit = 0; digit <= 9; ++digit) {
        const std::string expected(1, static_cast<char>('0' + digit));
        EXPECT_EQ(typed(static_cast<SDLKey>(SDLK_0 + digit)), expected);
        EXPECT_EQ(typed(static_cast<SDLKey>(SDLK_KP0 + digit)), expected);
    }
    EXPECT_EQ(typed(SDLK_KP_PERIOD), ".");
    EXPECT_EQ(typed(SDLK_KP_DIVIDE), "/");
    EXPECT_EQ(typed(SDLK_KP_MINUS), "-");
    EXPECT_EQ(typed(SDLK_KP_PLUS), "+");
}

TEST(KeyTable, TypesNothingForOtherKeys)
{
    for (const SDLKey key : {SDLK_KP_MULTIPLY, SDLK_KP_EQUALS, SDLK_BACKSPACE, SDLK_RETURN, SDLK_KP_ENTER,
                             SDLK_ESCAPE, SDLK_TAB, SDLK_LSHIFT, SDLK_QUOTE, SDLK_SEMICOLON, SDLK_EQUALS,
                             SDLK_UNDERSCORE, SDLK_F1, SDLK_UP, SDLK_WORLD_0, SDLK_DELETE}) {
        EXPECT_EQ(typed(key), "") << "key " << key;
    }
}

TEST(KeyTable, CapitalisesLettersWithExactlyOneShiftKey)
{
    for (int i = 0; i < 26; ++i) {
        const SDLKey key = static_cast<SDLKey>(SDLK_a + i);
        const std::string small(1, static_cast<char>('a' + i));
        const std::string capital(1, static_cast<char>('A' + i));
        EXPECT_EQ(typed(key), small);
        EXPECT_EQ(typed(key, KMOD_LSHIFT), capital);
        EXPECT_EQ(typed(key, KMOD_RSHIFT), capital);
    }
}

TEST(KeyTable, KeepsLettersSmallWithAnyOtherModifierState)
{
    for (const int mod : {KMOD_LSHIFT | KMOD_RSHIFT, KMOD_CAPS | 0, KMOD_LSHIFT | KMOD_CAPS,
                          KMOD_RSHIFT | KMOD_NUM, KMOD_LSHIFT | KMOD_NUM, KMOD_LSHIFT | KMOD_LCTRL,
                          KMOD_RSHIFT | KMOD_LALT, KMOD_LSHIFT | 0x8000, KMOD_CAPS | KMOD_NUM}) {
        EXPECT_EQ(typed(SDLK_m, mod), "m") << "modifiers " << mod;
    }
}

TEST(KeyTable, IgnoresModifiersOnEverythingButLetters)
{
    EXPECT_EQ(typed(SDLK_9, KMOD_LSHIFT), "9");
    EXPECT_EQ(typed(SDLK_SLASH, KMOD_RSHIFT), "/");
    EXPECT_EQ(typed(SDLK_KP1, KMOD_NUM), "1");
    EXPECT_EQ(typed(SDLK_MINUS, KMOD_CAPS | KMOD_LCTRL), "-");
}

TEST(KeyTable, KnowsWhichNamesCanBeTyped)
{
    EXPECT_TRUE(isTypeable("propan-2-ol"));
    EXPECT_TRUE(isTypeable("Ethanoic acid (1,2) +./"));
    EXPECT_TRUE(isTypeable(""));
    EXPECT_TRUE(isTypeable(std::string(51, 'x')));
    EXPECT_FALSE(isTypeable(std::string(52, 'x')));
    EXPECT_FALSE(isTypeable("N,N'-dimethyl"));
    EXPECT_FALSE(isTypeable("but_ane"));
    EXPECT_FALSE(isTypeable("caf\xc3\xa9"));
    EXPECT_FALSE(isTypeable(std::string("a\0b", 3)));
    EXPECT_FALSE(isTypeable("tab\there"));
}
