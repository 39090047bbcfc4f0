#include "platform/winsim/find_pattern.h"

#include <algorithm>

#include "platform/win32.h"
#include "platform/winsim/winsim.h"

namespace winsim::findpattern {
namespace {

/// Position of the last separator, skipping double-byte characters, or npos.
size_t LastSeparator(std::string_view text) {
  size_t last = std::string_view::npos;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\\' || c == '/') {
      last = i;
    } else if (c >= 0x80 && IsDBCSLeadByte(c) && i + 1 < text.size()) {
      ++i;
    }
  }
  return last;
}

std::u32string Folded(std::u32string_view text) {
  std::u32string out(text);
  for (char32_t& c : out) c = UpperCaseOf(c);
  return out;
}

/// Glob match of already case-folded texts.
bool Glob(std::u32string_view p, std::u32string_view n) {
  size_t pi = 0, ni = 0;
  size_t star = std::u32string_view::npos, resume = 0;
  while (ni < n.size()) {
    if (pi < p.size() && (p[pi] == U'?' || p[pi] == n[ni])) {
      ++pi;
      ++ni;
    } else if (pi < p.size() && p[pi] == U'*') {
      star = pi++;
      resume = ni;
    } else if (star != std::u32string_view::npos) {
      pi = star + 1;
      ni = ++resume;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == U'*') ++pi;
  return pi == p.size();
}

}  // namespace

bool SplitPattern(std::string_view pattern, Split* split) {
  size_t sep = LastSeparator(pattern);
  std::string_view name = sep == std::string_view::npos ? pattern : pattern.substr(sep + 1);
  if (name.empty()) return false;
  split->name_pattern.assign(name.data(), name.size());
  split->drive_root = false;
  if (sep == std::string_view::npos) {
    split->directory.assign(1, '.');  // the current directory
  } else if (sep == 0) {
    split->directory.assign(1, '\\');  // the root of the current drive
    split->drive_root = true;
  } else {
    split->directory.assign(pattern.data(), sep);
    split->drive_root = sep == 2 && pattern[1] == ':';
    if (split->drive_root) split->directory.push_back('\\');
  }
  return true;
}

bool Matches(std::u32string_view pattern, std::u32string_view name) {
  std::u32string p = Folded(pattern);
  std::u32string n = Folded(name);
  if (Glob(p, n)) return true;
  bool optional_extension = p.size() >= 2 && p.compare(p.size() - 2, 2, U".*") == 0;
  return optional_extension && n.find(U'.') == std::u32string::npos && Glob(p.substr(0, p.size() - 2), n);
}

void SortNames(std::vector<std::u32string>* names) {
  std::sort(names->begin(), names->end(), [](const std::u32string& a, const std::u32string& b) {
    std::u32string fa = Folded(a), fb = Folded(b);
    return fa != fb ? fa < fb : a < b;
  });
}

}  // namespace winsim::findpattern
