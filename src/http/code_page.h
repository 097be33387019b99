// The single-byte code page that byte strings are written in: which character
// each byte stands for, which byte writes each character, and letter case.
// Core code: the platform builds the system's page and installs it.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "http/unicode.h"

class CodePage {
public:
    static constexpr char32_t kNoCharacter = ::kNoCharacter;

    // codePoints[b] is the character byte b stands for, kNoCharacter for none
    // (unmapped, or the lead byte of a two-byte character); lower[b] is the
    // byte of its lower-case form.
    CodePage(const char32_t (&codePoints)[256], const unsigned char (&lower)[256]);

    char32_t CodePointOf(unsigned char byte) const { return codePoints_[byte]; }
    // The byte of 128 or above that writes the character (the first, should two
    // stand for it), or -1 when the page cannot hold it.
    int ByteOf(char32_t codePoint) const;
    unsigned char Lower(unsigned char byte) const { return lower_[byte]; }

private:
    char32_t codePoints_[256];
    unsigned char lower_[256];
    std::vector<std::pair<char32_t, unsigned char>> bytesByCodePoint_;  // ascending
};

// Windows-1252 (Western European), the page of the native builds.
const CodePage& Windows1252();

// The page every byte string is taken to be in: Windows-1252 until the platform
// installs the system's own, once at start-up before any thread starts. The
// page given must live as long as the program.
const CodePage& CurrentCodePage();
void UseCodePage(const CodePage& page);

// Every byte in its lower-case form: the same length, so positions stay.
std::string FoldCase(const std::string& text, const CodePage& page = CurrentCodePage());

// Page text as UTF-8. A byte the page does not map is kept as it is.
std::string ToUtf8(const std::string& text, const CodePage& page = CurrentCodePage());

// UTF-8 as page text; bytes below 128 pass as they are. A character the page
// cannot hold, and each maximal piece that is not well-formed UTF-8 (a stray
// continuation byte, a cut sequence, an overlong form, a surrogate, beyond
// U+10FFFF), becomes one "?". Never longer than its input.
std::string FromUtf8(const std::string& bytes, const CodePage& page = CurrentCodePage());
