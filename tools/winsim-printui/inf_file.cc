#include "tools/winsim-printui/inf_file.h"

#include "platform/win32.h"

namespace printui {
namespace {

// Sections larger than this are taken as cut; no printer INF comes near it.
constexpr DWORD kMaxSectionBytes = 64u * 1024 * 1024;

/// The token as written, "%key%" (built in steps: GCC 12 misreports
/// "%" + key + "%" as an overlapping copy).
std::string Token(std::string_view key) {
  std::string token = "%";
  token += key;
  token += '%';
  return token;
}

}  // namespace

InfFile::InfFile(std::string path) : path_(std::move(path)) {}

std::string InfFile::Folder() const {
  size_t cut = path_.find_last_of('\\');
  return cut == std::string::npos ? std::string() : path_.substr(0, cut);
}

bool InfFile::Exists() const {
  DWORD attributes = GetFileAttributesA(path_.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// GetPrivateProfileSectionA returns size - 2 when the section did not fit:
// the buffer grows until it does.
std::vector<std::string> InfFile::RawSection(const std::string& section) const {
  std::vector<std::string> entries;
  std::string buffer(4096, '\0');
  DWORD got = 0;
  for (;;) {
    DWORD size = static_cast<DWORD>(buffer.size());
    got = GetPrivateProfileSectionA(section.c_str(), buffer.data(), size, path_.c_str());
    if (got + 2 < size || size >= kMaxSectionBytes) break;
    buffer.assign(buffer.size() * 2, '\0');
  }
  for (size_t at = 0; at < got && buffer[at] != '\0';) {
    std::string entry(buffer.c_str() + at);
    at += entry.size() + 1;
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::vector<InfLine> InfFile::Section(const std::string& section) const {
  std::vector<InfLine> lines;
  StringLookup lookup = [this](std::string_view key) { return String(key); };
  for (const std::string& raw : RawSection(section)) {
    InfLine line = ParseInfLine(raw, lookup);
    if (!line.has_key && line.fields.size() == 1 && line.fields[0].empty()) continue;  // comment
    lines.push_back(std::move(line));
  }
  return lines;
}

std::vector<std::string> InfFile::Fields(const std::string& section, const std::string& key) const {
  for (InfLine& line : Section(section)) {
    if (line.has_key && SameText(line.key, key)) return std::move(line.fields);
  }
  return {};
}

std::string InfFile::Value(const std::string& section, const std::string& key) const {
  std::vector<std::string> fields = Fields(section, key);
  return fields.empty() ? std::string() : fields[0];
}

std::string InfFile::String(std::string_view key) const {
  if (!strings_loaded_) {
    strings_loaded_ = true;
    // [Strings] itself holds no tokens: its values are taken as written.
    StringLookup none = [](std::string_view k) { return Token(k); };
    for (const std::string& raw : RawSection("Strings")) {
      InfLine line = ParseInfLine(raw, none);
      if (line.has_key) strings_.emplace_back(Folded(line.key), line.fields[0]);
    }
  }
  std::string folded = Folded(key);
  for (const auto& [name, text] : strings_) {
    if (name == folded) return text;
  }
  return Token(key);
}

}  // namespace printui
