// One INF file as the printer class installer reads it, through the profile
// functions of the simulated system (GetPrivateProfileSectionA): sections of
// lines split by ParseInfLine, %strkey% tokens taken from [Strings].
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tools/winsim-printui/inf_line.h"

namespace printui {

class InfFile {
 public:
  /// `path` is a full Windows path.
  explicit InfFile(std::string path);

  const std::string& path() const { return path_; }
  /// The folder that holds the INF, without a trailing backslash.
  std::string Folder() const;
  bool Exists() const;

  /// The lines of `section`; none when it is missing or empty (the profile
  /// functions do not tell the two apart).
  std::vector<InfLine> Section(const std::string& section) const;

  /// The fields of the first line of `section` whose key is `key` (any
  /// case); none when there is no such line.
  std::vector<std::string> Fields(const std::string& section, const std::string& key) const;

  /// The first field of that line, or "".
  std::string Value(const std::string& section, const std::string& key) const;

  /// The text of a [Strings] key (any case); an unknown key comes back as
  /// the token was written, percent signs included.
  std::string String(std::string_view key) const;

 private:
  std::vector<std::string> RawSection(const std::string& section) const;

  std::string path_;
  mutable bool strings_loaded_ = false;
  mutable std::vector<std::pair<std::string, std::string>> strings_;
};

}  // namespace printui
