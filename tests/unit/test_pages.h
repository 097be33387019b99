// Code pages for tests, made the way the platform makes the system's.
#pragma once

#include <vector>

#include "http/code_page.h"

// A double-byte page in the manner of 932: lead bytes 0x81 and 0x83, a pair
// whose trail byte is "\" (0x83 0x5C, as 932's katakana so) and one whose trail
// is "/"; é as a pair; one character written both by a byte and by a pair, one
// by two pairs; the byte 0xFF and every other pair unmapped.
inline const CodePage& DoubleBytePage() {
    static const CodePage page = [] {
        char32_t codePoints[256];
        bool leads[256] = {};
        for (int b = 0; b < 256; ++b)
            codePoints[b] = b < 0x80 ? static_cast<char32_t>(b) : kNoCharacter;
        codePoints[0xA1] = 0xFF61;  // HALFWIDTH IDEOGRAPHIC FULL STOP
        codePoints[0xB1] = 0xFF71;  // HALFWIDTH KATAKANA LETTER A
        leads[0x81] = leads[0x83] = true;
        std::vector<char32_t> pairs(65536, kNoCharacter);
        pairs[0x8140] = 0x3000;  // IDEOGRAPHIC SPACE
        pairs[0x8141] = 0xFF61;  // also the byte 0xA1
        pairs[0x8180] = 0x00E9;  // é
        pairs[0x835C] = 0x30BD;  // KATAKANA LETTER SO
        pairs[0x83FC] = 0x30BD;  // again, higher
        pairs[0x832F] = 0x30BE;  // KATAKANA LETTER ZO
        pairs[0x8341] = 0x30A2;  // KATAKANA LETTER A
        return CodePage(codePoints, leads, pairs);
    }();
    return page;
}

// A single-byte page of another script: Windows-1252 with two bytes standing
// for the Cyrillic short i, capital and small, instead of É and é, and 0xFF
// unmapped.
inline const CodePage& CyrillicVariant() {
    static const CodePage page = [] {
        char32_t codePoints[256];
        for (int b = 0; b < 256; ++b) {
            const std::string byte(1, static_cast<char>(b));
            size_t i = 0;
            codePoints[b] = Windows1252().Read(byte, i);
        }
        codePoints[0xC9] = 0x0419;
        codePoints[0xE9] = 0x0439;
        codePoints[0xFF] = kNoCharacter;
        return CodePage(codePoints);
    }();
    return page;
}
