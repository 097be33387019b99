#include "http/credential.h"

#include "http/codecs.h"

ExpectedCredential ExpectedCredentialFor(const std::string& user, const std::string& password,
                                         const CodePage& page) {
    ExpectedCredential expected;
    if (user.empty() && password.empty()) return expected;
    const std::string text = user + ":" + password;
    expected.utf8 = EncodeBase64(text);
    // Never a spelling with "?" for what the page cannot hold: a client must
    // not get in by sending that.
    std::string written;
    bool exact = true;
    for (size_t i = 0; i < text.size() && exact;) {
        const char32_t c = ReadWtf8(text, i);
        exact = c != kNoCharacter && page.Write(written, c);
    }
    expected.codePage = exact ? EncodeBase64(written) : expected.utf8;
    return expected;
}

bool CredentialDiffers(const std::string& given, const std::string& expected) {
    unsigned difference = given.size() != expected.size();
    const size_t n = expected.size();
    for (size_t i = 0; i < given.size(); ++i) {
        const unsigned char e = n ? static_cast<unsigned char>(expected[i % n]) : 0;
        difference |= static_cast<unsigned char>(given[i]) ^ e;
    }
    return difference != 0;
}

bool CredentialMatches(const std::string& given, const ExpectedCredential& expected) {
    const bool differsFromCodePage = CredentialDiffers(given, expected.codePage);
    const bool differsFromUtf8 = CredentialDiffers(given, expected.utf8);
    return !(differsFromCodePage & differsFromUtf8);
}

ExpectedCredential CredentialStore::Copy() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return expected_;
}

void CredentialStore::Set(const ExpectedCredential& expected) {
    std::lock_guard<std::mutex> lock(mutex_);
    expected_ = expected;
}
