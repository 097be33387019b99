// The two forms a name takes: UTF-8 inside (WTF-8 for a name with a lone
// surrogate, since the system's names are UTF-16 that need not be valid) and
// UTF-16 at the system's edge. Core code: the platform casts its wchar_t.
#pragma once

#include <cstddef>
#include <string>

// What a reader gives for a sequence it cannot read.
constexpr char32_t kNoCharacter = 0xFFFFFFFF;
constexpr char32_t kReplacementCharacter = 0xFFFD;

// The UTF-8 bytes of one code point; a surrogate gets its 3-byte WTF-8 form.
void AppendUtf8(std::string& out, char32_t codePoint);

// The character of strict UTF-8 at i, advancing past it. For what is not
// well-formed (a stray continuation byte, a cut sequence, an overlong form, a
// surrogate, beyond U+10FFFF) kNoCharacter, advancing past its maximal
// ill-formed piece: at least one byte, never into the next character.
char32_t ReadUtf8(const std::string& bytes, size_t& i);

// As ReadUtf8, but a surrogate's 3-byte form reads as that surrogate.
char32_t ReadWtf8(const std::string& bytes, size_t& i);

// True when the whole text is strict UTF-8 (no surrogate forms).
bool IsWellFormedUtf8(const std::string& bytes);

// UTF-16 as WTF-8: a pair as its one code point, a lone surrogate as itself.
// Utf8ToUtf16 gives it back exactly; an ill-formed piece becomes U+FFFD.
std::string Utf16ToUtf8(const char16_t* units, size_t count);
std::string Utf16ToUtf8(const std::u16string& units);
std::u16string Utf8ToUtf16(const std::string& wtf8);

// The number of UTF-16 units the text takes (an ill-formed piece counts as
// the one U+FFFD it becomes).
size_t Utf16Length(const std::string& wtf8);

// The longest start of the text that takes at most maxUnits UTF-16 units and
// ends between two characters.
std::string CutToUtf16Units(const std::string& wtf8, size_t maxUnits);
