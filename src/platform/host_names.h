// Host names (bytes) to program names (UTF-16) and back, exactly.
//
// Bytes are decoded as strict UTF-8. A byte that is not part of a valid
// sequence becomes the lone surrogate U+DC00 + byte, and a literal "\" byte
// becomes U+DC5C, because "\" is the program's path separator. Encoding
// reverses both, so every listed entry can be opened, measured and deleted.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

constexpr char16_t HOST_BACKSLASH = 0xDC5C;

// Appends the UTF-16 form of bytes[0 .. length) to out; returns its length.
size_t DecodeHostName(const char* bytes, size_t length, std::vector<char16_t>* out);

// Appends the host bytes of text[0 .. length) to out. A "\" in text is a
// separator and becomes "/".
void EncodeHostPath(const char16_t* text, size_t length, std::string* out);
