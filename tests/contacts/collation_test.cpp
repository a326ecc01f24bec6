#include "contacts/collation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

using velvane::collate;
using velvane::kCollationTable;

int rank(char16_t c) { return kCollationTable[c]; }

TEST(CollationTable, EveryCharacterHasItsOwnRank) {
    std::set<int> ranks;
    for (int c = 0; c < velvane::kCollationSize; ++c) {
        EXPECT_GE(kCollationTable[c], 0);
        EXPECT_LT(kCollationTable[c], velvane::kCollationSize);
        ranks.insert(kCollationTable[c]);
    }
    EXPECT_EQ(ranks.size(), size_t(velvane::kCollationSize));
}

TEST(CollationTable, DigitsFirstGroupedByValueThenSymbolsThenLetters) {
    // Digits of every script come before anything else, all zeros before all ones.
    const int last_digit = std::max({rank(u'9'), rank(u'\u0669'), rank(u'\u0969')});
    for (char16_t c : {u' ', u'-', u',', u'.', u'!', u'@', u'\0', u'\t', u'A', u'a'}) {
        EXPECT_GT(rank(c), last_digit) << int(c);
    }
    EXPECT_LT(rank(u'0'), rank(u'\u0661'));       // ٠ ... ١: zero of any script before one
    EXPECT_LT(rank(u'\u0660'), rank(u'1'));
    EXPECT_LT(rank(u'1'), rank(u'2'));
    // Punctuation and symbols before letters.
    for (char16_t c : {u' ', u'-', u',', u'.', u'(', u'+', u'$'}) {
        EXPECT_LT(rank(c), rank(u'A')) << int(c);
    }
}

TEST(CollationTable, CapitalDirectlyBeforeSmallAndAccentsAfterThePlainLetter) {
    for (char16_t c = u'A'; c <= u'Z'; ++c) {
        EXPECT_EQ(rank(c) + 1, rank(char16_t(c + 32))) << char(c);
    }
    EXPECT_EQ(rank(u'А') + 1, rank(u'а'));  // Cyrillic
    EXPECT_EQ(rank(u'Ω') + 1, rank(u'ω'));
    EXPECT_LT(rank(u'a'), rank(u'Á'));
    EXPECT_LT(rank(u'Á'), rank(u'á'));
    EXPECT_LT(rank(u'á'), rank(u'B'));
    EXPECT_LT(rank(u'ö'), rank(u'p'));
    EXPECT_LT(rank(u'z'), rank(u'Α'));  // Greek after Latin
    EXPECT_LT(rank(u'ω'), rank(u'А'));  // Cyrillic after Greek
    EXPECT_LT(rank(u'я'), rank(u'א'));  // Hebrew after Cyrillic
}

TEST(Collate, ComparesTextsCharacterByCharacter) {
    EXPECT_EQ(collate(u"", u""), 0);
    EXPECT_EQ(collate(u"anna", u"anna"), 0);
    EXPECT_LT(collate(u"an", u"anna"), 0);   // a proper prefix is smaller
    EXPECT_GT(collate(u"anna", u"an"), 0);
    EXPECT_LT(collate(u"", u"a"), 0);
    EXPECT_LT(collate(u"Zoe", u"zoe"), 0);
    EXPECT_GT(collate(u"zoe", u"Ábel"), 0) << "the table decides, not the code point";
    // One level only: an accented first letter ranks after every plain one of its letter.
    EXPECT_GT(collate(u"ábel", u"adam"), 0);
    EXPECT_LT(collate(u"ábel", u"bob"), 0);
    EXPECT_LT(collate(u"42", u"abc"), 0);
    EXPECT_LT(collate(u"smith-jones", u"smitha"), 0);
    // From U+1000 up the code point decides, whichever side it is on.
    EXPECT_LT(collate(u"\u3042", u"\u3044"), 0);
    EXPECT_GT(collate(u"\u1000", u"z"), 0);
    EXPECT_LT(collate(u"z", u"\u1000"), 0);
}

TEST(Collate, SortsAMixedBookIntoItsExpectedOrder) {
    std::vector<std::u16string> names = {u"Яков", u"émile", u"Emil", u"zoltán", u"Zoltan",
                                         u"007",  u"(fax)", u"emil", u"Ωmega", u"Ábel"};
    std::sort(names.begin(), names.end(),
              [](const auto& a, const auto& b) { return collate(a, b) < 0; });
    const std::vector<std::u16string> expected = {u"007",    u"(fax)",  u"Ábel",
                                                  u"Emil",   u"emil",   u"émile",
                                                  u"Zoltan", u"zoltán", u"Ωmega",
                                                  u"Яков"};
    EXPECT_EQ(names, expected);
}

}  // namespace
