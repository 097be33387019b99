#include <gtest/gtest.h>

#include "http/case_folding.h"

namespace {

TEST(FoldCase, SimpleFoldOfEveryCharacter) {
    const struct {
        const char* name;
        std::string in, out;
    } cases[] = {
        {"ascii", "\\README.TXT", "\\readme.txt"},
        {"ascii punctuation", "[]^_`{}~@", "[]^_`{}~@"},
        {"latin-1",
         "\\\xC3\x9C"
         "bersicht.TXT",
         "\\\xC3\xBC"
         "bersicht.txt"},
        {"caf\xC3\x89", "CAF\xC3\x89", "caf\xC3\xA9"},
        {"\xC5\xA0\xC5\x92\xC5\xBD\xC5\xB8", "\xC5\xA0\xC5\x92\xC5\xBD\xC5\xB8",
         "\xC5\xA1\xC5\x93\xC5\xBE\xC3\xBF"},
        {"\xC3\x97 has no other case, \xC2\xB5 folds to \xCE\xBC", "\xC3\x97\xC2\xB5",
         "\xC3\x97\xCE\xBC"},
        {"\xC3\x9F unchanged (its fold to ss is a full one)", "\xC3\x9F", "\xC3\x9F"},
        {"capital sharp s to \xC3\x9F", "\xE1\xBA\x9E", "\xC3\x9F"},
        {"\xCE\xA3 and final \xCF\x82 to \xCF\x83", "\xCE\xA3\xCF\x83\xCF\x82",
         "\xCF\x83\xCF\x83\xCF\x83"},
        {"cyrillic", "\xD0\x9C\xD0\x98\xD0\xA0", "\xD0\xBC\xD0\xB8\xD1\x80"},
        {"kelvin sign to k", "\xE2\x84\xAA", "k"},
        {"\xC4\xB0 has only full and Turkic folds", "\xC4\xB0", "\xC4\xB0"},
        {"dotless \xC4\xB1 unchanged", "\xC4\xB1", "\xC4\xB1"},
        {"emoji unchanged", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        {"longer fold: U+023A to U+2C65", "\\\xC8\xBA.txt", "\\\xE2\xB1\xA5.txt"},
        {"shorter fold: U+2C62 to U+026B", "\xE2\xB1\xA2", "\xC9\xAB"},
        {"beyond the BMP: Deseret", "\xF0\x90\x90\x80", "\xF0\x90\x90\xA8"},
        {"fullwidth letters", "\xEF\xBC\xA1", "\xEF\xBD\x81"},
        {"ill-formed bytes pass", "A\xC3\xFF\xC0\xAFZ", "a\xC3\xFF\xC0\xAFz"},
        {"lone surrogate passes",
         "\xED\xA0\x80"
         "A",
         "\xED\xA0\x80"
         "a"},
        {"empty", "", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(FoldCase(c.in), c.out) << c.name;
}

TEST(SimpleCaseFold, FirstAndLastOfTheTableAndBetween) {
    EXPECT_EQ(SimpleCaseFold('A'), U'a');
    EXPECT_EQ(SimpleCaseFold('a'), U'a');
    EXPECT_EQ(SimpleCaseFold(0x1E921), 0x1E943u);  // the last: ADLAM CAPITAL SHA
    EXPECT_EQ(SimpleCaseFold(0x1E922), 0x1E922u);
    EXPECT_EQ(SimpleCaseFold(0x10FFFF), 0x10FFFFu);
    EXPECT_EQ(SimpleCaseFold(0), 0u);
}

}  // namespace
