// The credential a protected row asks for, in the two encodings clients send
// it in, and the comparison of a request's credential with it.
#pragma once

#include <mutex>
#include <string>

#include "http/code_page.h"

// The Base64 of user name, ":" and password: as the code page writes them and
// as UTF-8, which browsers send. Equal when the text is ASCII or has a
// character the page cannot hold exactly; both empty when user name and
// password are both empty.
struct ExpectedCredential {
    std::string codePage;
    std::string utf8;
};

// The user name and password are the boxes' texts as UTF-8.
ExpectedCredential ExpectedCredentialFor(const std::string& user, const std::string& password,
                                         const CodePage& page = CurrentCodePage());

// True unless both texts are byte for byte equal with the same length. Takes
// the same time wherever the first difference lies.
bool CredentialDiffers(const std::string& given, const std::string& expected);

// True when the request's Base64 text equals either form. Both are compared
// every time, so the time taken does not tell which one matched.
bool CredentialMatches(const std::string& given, const ExpectedCredential& expected);

// The expected credential as the user-interface thread sets it and workers
// read it: replaced whole, and read as a whole copy, never half written.
class CredentialStore {
public:
    ExpectedCredential Copy() const;
    void Set(const ExpectedCredential& expected);

private:
    mutable std::mutex mutex_;
    ExpectedCredential expected_;
};
