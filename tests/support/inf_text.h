// A printer INF read by the test itself, independent of the readers under
// test: UTF-16LE with a byte-order mark or 8-bit text, sections of lines
// with comments removed, keys and fields split at `=` and `,`.
#pragma once

#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace kit_test {

class InfText {
 public:
  struct Line {
    std::string key;  // "" for a line without `=`
    std::vector<std::string> fields;
  };

  explicit InfText(const std::string& host_path) {
    std::ifstream in(host_path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
      std::string narrow;  // the corpus INFs hold ASCII text only
      for (size_t i = 2; i + 1 < bytes.size(); i += 2) narrow += bytes[i];
      bytes = narrow;
    }
    std::string section;
    size_t at = 0;
    while (at < bytes.size()) {
      size_t end = bytes.find('\n', at);
      std::string line = bytes.substr(at, end == std::string::npos ? std::string::npos : end - at);
      at = end == std::string::npos ? bytes.size() : end + 1;
      line = Trim(line.substr(0, line.find(';')));
      if (line.empty()) continue;
      if (line[0] == '[') {
        section = Upper(Trim(line.substr(1, line.rfind(']') - 1)));
        continue;
      }
      Line parsed;
      size_t eq = line.find('=');
      if (eq != std::string::npos) {
        parsed.key = Unquoted(line.substr(0, eq));
        line = line.substr(eq + 1);
      }
      for (size_t start = 0;;) {
        size_t comma = line.find(',', start);
        parsed.fields.push_back(Unquoted(line.substr(start, comma - start)));
        if (comma == std::string::npos) break;
        start = comma + 1;
      }
      sections_[section].push_back(parsed);
    }
  }

  const std::vector<Line>& Section(const std::string& name) const {
    static const std::vector<Line> none;
    auto it = sections_.find(Upper(name));
    return it == sections_.end() ? none : it->second;
  }

  /// The fields of `key` in the first of `sections` that has it.
  std::vector<std::string> Fields(const std::vector<std::string>& sections,
                                  const std::string& key) const {
    for (const std::string& s : sections) {
      for (const Line& line : Section(s)) {
        if (Upper(line.key) == Upper(key)) return line.fields;
      }
    }
    return {};
  }

  /// Every file the INF copies: the `@file` items of its CopyFiles lines
  /// and the entries of the file-list sections they name.
  std::vector<std::string> CopiedFiles() const {
    std::vector<std::string> files;
    for (const auto& [name, lines] : sections_) {
      for (const Line& line : lines) {
        if (Upper(line.key) != "COPYFILES") continue;
        for (const std::string& item : line.fields) {
          if (!item.empty() && item[0] == '@') {
            files.push_back(item.substr(1));
            continue;
          }
          for (const Line& entry : Section(item)) {
            files.push_back(entry.key.empty() ? entry.fields[0] : entry.key);
          }
        }
      }
    }
    return files;
  }

  /// The folder below the INF's where its source-media sections put `file`
  /// for an x86 install ("" when they say nothing), with `/` separators.
  std::string SourceFolder(const std::string& file) const {
    std::vector<std::string> entry = Fields({"SourceDisksFiles.x86", "SourceDisksFiles"}, file);
    if (entry.empty()) return "";
    std::vector<std::string> disk = Fields({"SourceDisksNames.x86", "SourceDisksNames"}, entry[0]);
    std::string folder = disk.size() > 3 ? disk[3] : "";
    if (entry.size() > 1 && !entry[1].empty()) folder += (folder.empty() ? "" : "/") + entry[1];
    for (char& c : folder) c = c == '\\' ? '/' : c;
    return folder;
  }

  static std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return s;
  }

 private:
  static std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
  }
  static std::string Unquoted(const std::string& s) {
    std::string t = Trim(s);
    return t.size() >= 2 && t.front() == '"' && t.back() == '"' ? t.substr(1, t.size() - 2) : t;
  }

  std::map<std::string, std::vector<Line>> sections_;
};

}  // namespace kit_test
