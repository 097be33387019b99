#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "http/credential.h"
#include "test_pages.h"

namespace {

TEST(ExpectedCredentialFor, BothEncodings) {
    const struct {
        const char* name;
        std::string user, password, codePage, utf8;
        const CodePage& page = Windows1252();
    } cases[] = {
        {"ascii: both forms the same", "user", "pass", "dXNlcjpwYXNz", "dXNlcjpwYXNz"},
        {"letters outside ascii", "j\xC3\xBCrgen", "pa\xC3\x9F",
         "avxyZ2VuOnBh3w==", "asO8cmdlbjpwYcOf"},
        {"password only", "", "secret", "OnNlY3JldA==", "OnNlY3JldA=="},
        {"user only", "u", "", "dTo=", "dTo="},
        {"neither: both empty", "", "", "", ""},
        // Never a "?" or best-fit spelling: the page form is then the UTF-8 one.
        {"not on the page", "\xE6\x97\xA5", "p", "5pelOnA=", "5pelOnA="},
        {"look-alike of an ascii letter", "\xC5\x81ukasz", "p", "xYF1a2Fzejpw", "xYF1a2Fzejpw"},
        {"a pair of a double-byte page", "\xE3\x82\xBD", "p",
         "g1w6cA==", "44K9OnA=", DoubleBytePage()},
    };
    for (const auto& c : cases) {
        const ExpectedCredential expected = ExpectedCredentialFor(c.user, c.password, c.page);
        EXPECT_EQ(expected.codePage, c.codePage) << c.name;
        EXPECT_EQ(expected.utf8, c.utf8) << c.name;
    }
}

TEST(CredentialDiffers, SameAsExactComparison) {
    const std::string values[] = {"",
                                  "a",
                                  "b",
                                  "ab",
                                  "abc",
                                  "dXNlcjpwYXNz",
                                  "dXNlcjpwYXNy",
                                  std::string("a\0b", 3),
                                  std::string("a\0c", 3),
                                  "aaaa"};
    for (const auto& given : values)
        for (const auto& expected : values)
            EXPECT_EQ(CredentialDiffers(given, expected), given != expected)
                << "'" << given << "' vs '" << expected << "'";
}

TEST(CredentialMatches, EitherFormAndNothingElse) {
    const ExpectedCredential expected = {"avxyZ2VuOnBh3w==", "asO8cmdlbjpwYcOf"};
    EXPECT_TRUE(CredentialMatches("avxyZ2VuOnBh3w==", expected));
    EXPECT_TRUE(CredentialMatches("asO8cmdlbjpwYcOf", expected));
    EXPECT_FALSE(CredentialMatches("", expected));
    EXPECT_FALSE(CredentialMatches("avxyZ2VuOnBh3w=", expected));
    EXPECT_FALSE(CredentialMatches("asO8cmdlbjpwYcOfx", expected));
    EXPECT_FALSE(CredentialMatches("avxyZ2VuOnBh3w==asO8cmdlbjpwYcOf", expected));
    // With no user name and no password, only a request without a credential matches.
    const ExpectedCredential none = ExpectedCredentialFor("", "");
    EXPECT_TRUE(CredentialMatches("", none));
    EXPECT_FALSE(CredentialMatches("Og==", none));
}

TEST(CredentialStore, ReadersGetTheOldOrTheNewCredentialWhole) {
    CredentialStore store;
    const ExpectedCredential first = ExpectedCredentialFor("first user", "first password");
    const ExpectedCredential second = ExpectedCredentialFor("j\xC3\xBCrgen", "zweites Kennwort");
    store.Set(first);
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        while (!stop) {
            const ExpectedCredential seen = store.Copy();
            const bool whole = (seen.codePage == first.codePage && seen.utf8 == first.utf8) ||
                               (seen.codePage == second.codePage && seen.utf8 == second.utf8);
            if (!whole) ++torn;
        }
    });
    for (int i = 0; i < 20000; ++i) store.Set(i % 2 ? first : second);
    stop = true;
    reader.join();
    EXPECT_EQ(torn, 0);
}

}  // namespace
