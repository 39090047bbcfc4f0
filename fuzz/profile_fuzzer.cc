// Fuzzes the INF reader: arbitrary file bytes, parsed in one of the code
// pages winsim supports, then section and key reads of the names the file
// itself holds (and of its raw lines) into buffers of random sizes. Checks
// that nothing is written past a buffer, that results are terminated and in
// range, and that a read into a small buffer gives a prefix of the same read
// into a large one.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/winsim/profile_encoding.h"
#include "platform/winsim/profile_parser.h"

namespace {

using winsim::profile::Profile;

constexpr unsigned char kPoison = 0xCC;
constexpr size_t kGuard = 16;
constexpr DWORD kLarge = 4096;
constexpr size_t kMaxQueries = 48;

#define FUZZ_CHECK(cond) \
  do {                   \
    if (!(cond)) __builtin_trap(); \
  } while (0)

bool GuardIntact(const std::vector<char>& buf, DWORD size) {
  for (size_t i = size; i < buf.size(); ++i) {
    if (static_cast<unsigned char>(buf[i]) != kPoison) return false;
  }
  return true;
}

// One section read: checks the layout of what was written and returns the
// data before the final NUL.
std::string SectionRead(const Profile& p, const char* section, DWORD size) {
  std::vector<char> buf(size + kGuard, static_cast<char>(kPoison));
  DWORD count = winsim::profile::ReadSection(&p, section, buf.data(), size);
  FUZZ_CHECK(GuardIntact(buf, size));
  if (size < 2) {
    FUZZ_CHECK(count == 0);
    return "";
  }
  FUZZ_CHECK(count <= size - 2);
  FUZZ_CHECK(buf[count] == '\0');
  // Entries end with their NUL; cut data ends with a second NUL instead.
  FUZZ_CHECK((count > 0 && buf[count - 1] == '\0') || buf[count + 1] == '\0');
  return std::string(buf.data(), count);
}

std::string KeyRead(const Profile& p, const char* section, const char* key, DWORD size) {
  std::vector<char> buf(size + kGuard, static_cast<char>(kPoison));
  bool found = false;
  DWORD count = winsim::profile::ReadString(&p, section, key, "dflt", buf.data(), size, &found);
  FUZZ_CHECK(GuardIntact(buf, size));
  if (size == 0) {
    FUZZ_CHECK(count == 0);
    return "";
  }
  FUZZ_CHECK(count < size);
  FUZZ_CHECK(buf[count] == '\0');
  if (key != nullptr) FUZZ_CHECK(std::strlen(buf.data()) <= count);
  if (!found && key != nullptr) FUZZ_CHECK(std::string(buf.data(), count) == std::string("dflt").substr(0, count));
  return std::string(buf.data(), count);
}

void CheckQueries(const Profile& p, const std::string& section, const std::string& key, DWORD small) {
  std::string whole = SectionRead(p, section.c_str(), kLarge);
  std::string part = SectionRead(p, section.c_str(), small);
  // A cut may drop the lead byte of a double-byte character: NULs pad it.
  while (!part.empty() && part.back() == '\0') part.pop_back();
  if (whole.size() + 2 <= kLarge) FUZZ_CHECK(whole.compare(0, part.size(), part) == 0);

  std::string value = KeyRead(p, section.c_str(), key.c_str(), kLarge);
  std::string cut = KeyRead(p, section.c_str(), key.c_str(), small);
  FUZZ_CHECK(value.compare(0, cut.size(), cut) == 0);
  KeyRead(p, section.c_str(), nullptr, small);
}

std::vector<std::string> RawLines(const std::string& bytes, size_t limit) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size() && lines.size() < limit) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    lines.push_back(bytes.substr(start, end - start > 80 ? 80 : end - start));
    start = end + 1;
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 64 * 1024) return 0;
  FuzzedDataProvider fdp(data, size);
  // The parameters come from the end of the input, so that a plain INF used
  // as a seed stays an INF.
  static constexpr UINT kCodePages[] = {1252, 1252, 932, 936, 65001, 1250};
  UINT code_page = kCodePages[fdp.ConsumeIntegralInRange<size_t>(0, 5)];
  DWORD small = fdp.ConsumeIntegralInRange<DWORD>(0, 300);
  std::string bytes = fdp.ConsumeRemainingBytesAsString();

  Profile p = winsim::profile::ParseProfile(bytes, code_page);
  FUZZ_CHECK(p.first_section.size() <= p.sections.size());

  size_t queries = 0;
  for (const winsim::profile::Section& s : p.sections) {
    if (queries >= kMaxQueries) break;
    std::string name = winsim::profile::UnicodeToAnsi(s.name, code_page);
    std::string key = s.entries.empty() ? std::string("k")
                                        : winsim::profile::UnicodeToAnsi(s.entries[queries % s.entries.size()].key, code_page);
    CheckQueries(p, name, key, small);
    small = (small * 7 + 3) % 301;
    ++queries;
  }
  std::vector<std::string> lines = RawLines(bytes, 8);
  for (size_t i = 0; i < lines.size(); ++i) {
    CheckQueries(p, lines[i], lines[(i + 1) % lines.size()], small);
    small = (small * 5 + 1) % 301;
  }
  return 0;
}
