// The switches of PrintUIEntry, as its usage text lists them
// (rundll32 printui.dll,PrintUIEntry /?), split and checked.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace printui {

/// Splits a command line into words by the rules Microsoft documents for
/// CommandLineToArgvW: blanks separate words outside quotes, a quote
/// toggles quoting, 2n backslashes before a quote give n backslashes and the
/// quote counts, 2n+1 give n and a literal quote; other backslashes are kept.
std::vector<std::string> SplitCommandLine(std::string_view text);

struct Arguments {
  std::string operation;            // the action switch without '/': "if", "dl", ...
  std::string base_name;            // /b
  std::string inf;                  // /f
  std::string port;                 // /r
  std::string model;                // /m
  bool quiet = false;               // /q: no error messages
  bool use_existing_driver = false; // /u
  /// Switches that are valid for printui but that winsim does not carry
  /// out, as written ("/h", "/dl").
  std::vector<std::string> unsimulated;
};

/// Parses the words after "PrintUIEntry". False for what printui refuses:
/// an unknown switch, a word that is not a switch or its value, a value
/// switch without a value, no action or two actions.
bool ParseArguments(const std::vector<std::string>& words, Arguments* out);

}  // namespace printui
