// Text conversions of the profile reader. Native Windows reads an
// initialization file into Unicode (by its byte-order mark, else in the ANSI
// code page), parses it there, and converts what it hands back to the ANSI
// code page, best-fit for characters the code page lacks. These helpers do
// the two conversions for a given code page.
#pragma once

#include <string>
#include <string_view>

#include "platform/win32.h"

namespace winsim::profile {

/// The text of a file as code points: UTF-16LE, UTF-16BE or UTF-8 after
/// their byte-order mark (which is dropped), else ANSI bytes in `code_page`.
std::u32string DecodeFileText(std::string_view bytes, UINT code_page);

/// ANSI bytes in `code_page` as code points, as MultiByteToWideChar gives them.
std::u32string AnsiToUnicode(std::string_view ansi, UINT code_page);

/// Code points as ANSI bytes in `code_page`: exact where the code page has the
/// character, best-fit where Windows has one (Ω gives O in 1252), else '?'.
std::string UnicodeToAnsi(std::u32string_view text, UINT code_page);

/// True when `code_page` is a double-byte one and `byte` starts a two-byte
/// character in it.
bool IsLeadByteIn(UINT code_page, unsigned char byte);

/// The longest prefix of `ansi` of at most `limit` bytes that does not end
/// inside a double-byte character.
size_t CutAtCharacter(std::string_view ansi, size_t limit, UINT code_page);

}  // namespace winsim::profile
