// Byte strings in the system's ANSI code page. The searches for ASCII
// characters are multibyte-aware: in a double-byte code page the second byte
// of a character never matches. Case conversion follows the code page.
#pragma once

#include <string>
#include <string_view>

namespace kit {

constexpr size_t kNotFound = std::string_view::npos;

/// Position of the first `c` at or after `from`, or kNotFound. `from` must
/// start a character: 0, or just past a character found before (as one past
/// a found ASCII character is). The walk starts there, so a loop that goes on
/// from each find reads the text once.
size_t FindChar(std::string_view s, char c, size_t from = 0);
/// Position of the last `c`, or kNotFound.
size_t FindLastChar(std::string_view s, char c);
/// True when `s` holds a path character (`\`, `/` or `:`), read
/// multibyte-aware: a name holding one reaches outside its folder.
bool HoldsPathCharacter(std::string_view s);
/// `s` with every `c` removed.
std::string RemoveChar(std::string_view s, char c);
/// `s` in upper case by the system code page.
std::string ToUpper(std::string_view s);
/// Text before the last backslash ("" when there is none).
std::string DirectoryPart(std::string_view path);
/// Text after the last backslash (the whole path when there is none).
std::string FileNamePart(std::string_view path);

}  // namespace kit
