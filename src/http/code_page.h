// The system's ANSI code page, the wire and display form of text: request
// bytes that are not UTF-8, the listing's bytes for names it can hold, the
// log's command. Core code: the platform builds the system's page and installs it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "http/unicode.h"

// A page of one of three kinds: single-byte; double-byte (a lead byte followed
// by any trail byte, as 932, 936, 949 and 950 are); or UTF-8 itself (65001).
// Bytes below 0x80 read as ASCII in every page, except as a trail byte.
class CodePage {
public:
    static constexpr char32_t kNoCharacter = ::kNoCharacter;

    // codePoints[b] is the character byte b stands for, kNoCharacter for none.
    explicit CodePage(const char32_t (&codePoints)[256]);
    // As above, kNoCharacter also for lead bytes; pairs[lead << 8 | trail] the
    // character of a pair, kNoCharacter for a pair that cannot be read (65536
    // entries; missing ones read as nothing).
    CodePage(const char32_t (&codePoints)[256], const bool (&leadBytes)[256],
             std::vector<char32_t> pairs);
    // Code page 65001: strict UTF-8.
    static const CodePage& Utf8();

    // The character at i, advancing past what it takes; kNoCharacter for a
    // sequence the page cannot read, advancing past at least one byte (for an
    // invalid pair, past the lead byte only).
    char32_t Read(const std::string& bytes, size_t& i) const;
    // Appends the bytes that read back as c and returns true; false, with
    // nothing appended, when no sequence does (no best fit). Of several, the
    // shortest and then the lowest; ASCII writes itself.
    bool Write(std::string& out, char32_t c) const;

private:
    enum class Kind { kSingleByte, kDoubleByte, kUtf8 };
    CodePage();
    void TakeBytes(const char32_t (&codePoints)[256]);
    void IndexSequences();

    Kind kind_;
    char32_t codePoints_[256];
    bool leadBytes_[256];
    std::vector<char32_t> pairs_;
    // Every character of 0x80 and above with its sequence (a byte, or lead << 8
    // | trail), ascending by character.
    std::vector<std::pair<char32_t, uint16_t>> sequences_;
};

// Windows-1252 (Western European), the page of the native builds.
const CodePage& Windows1252();

// The page the wire and display texts are in: Windows-1252 until the platform
// installs the system's own, once at start-up before any thread starts. The
// page given must live as long as the program.
const CodePage& CurrentCodePage();
void UseCodePage(const CodePage& page);

// The page's bytes as UTF-8. False when some sequence cannot be read; each
// such sequence is written as U+FFFD.
bool PageToUtf8(const std::string& bytes, std::string& utf8,
                const CodePage& page = CurrentCodePage());

// UTF-8 (or WTF-8) in the page's bytes: "?" for every character the page
// cannot hold exactly and for every ill-formed piece.
std::string Utf8ToPage(const std::string& utf8, const CodePage& page = CurrentCodePage());
