// The "Windows Registry Editor Version 5.00" text format, for the winsim
// tool's `reg export` and `reg import`. Text is kept as the system's ANSI
// bytes (a UTF-16LE file with a byte-order mark is read too).
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"

namespace winsim::regfile {

/// One change a .reg file asks for.
struct Operation {
  enum Kind { kCreateKey, kDeleteKey, kSetValue, kDeleteValue } kind = kCreateKey;
  std::string root;  // "HKEY_LOCAL_MACHINE" or "HKEY_CURRENT_USER"
  std::string path;  // below the root, backslash-separated
  std::string value_name;
  DWORD type = REG_NONE;
  std::string data;
};

/// Parses a whole file. False with "line N: what is wrong" in `error` on the
/// first malformed line; `ops` then holds nothing to apply.
bool Parse(const std::string& text, std::vector<Operation>* ops, std::string* error);

/// Applies parsed operations in one write transaction: all or nothing.
DWORD Apply(const std::vector<Operation>& ops);

/// Writes the key `path` below `root` with all its subkeys, as .reg text
/// (no header). ERROR_FILE_NOT_FOUND when the key does not exist.
DWORD Export(const std::string& root, const std::string& path, std::string* text);

/// The file header line.
constexpr const char kHeader[] = "Windows Registry Editor Version 5.00";

/// Splits "HKLM\A\B" (or HKEY_LOCAL_MACHINE\..., HKCU, HKEY_CURRENT_USER) into
/// the canonical root name and the path; false for an unknown root.
bool SplitKeyName(const std::string& full, std::string* root, std::string* path);

}  // namespace winsim::regfile
