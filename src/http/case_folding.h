// Letter case as the lookup of a request path ignores it: Unicode's simple
// case folding, one character for one.
#pragma once

#include <string>

// The simple case fold of one code point (itself when it has none).
char32_t SimpleCaseFold(char32_t codePoint);

// Every character of the UTF-8 text in its simple case fold; ill-formed bytes
// and lone surrogates pass unchanged. The length in bytes may change.
std::string FoldCase(const std::string& utf8);
