// Bytes shown readably in test messages: printable ASCII as it is, every
// other byte (and the backslash) as \xNN.
#pragma once

#include <cstdio>
#include <string>

namespace kit_test {

inline std::string Printable(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out.push_back(static_cast<char>(c));
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

}  // namespace kit_test
