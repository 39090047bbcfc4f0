// What a folder tree holds, entry by entry, without following symbolic
// links: enough to tell that nothing in it was created, deleted or changed.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace hostile_kit {

// A file written in place changes its modification time (nanoseconds on the
// file systems the fuzzer runs on), one replaced by a rename its inode, so
// the bytes themselves need not be read.
struct EntryState {
  char kind = '?';       // 'f' file, 'd' folder, 'l' link, '?' other
  uint64_t inode = 0;
  uint64_t size = 0;
  uint32_t mode = 0;
  int64_t modified_ns = 0;
  std::string target;  // a link's
  bool operator==(const EntryState&) const = default;
};

/// Entries by their path relative to `top` ("" is `top` itself).
using Listing = std::map<std::string, EntryState>;

inline EntryState StateOf(const std::filesystem::path& path) {
  EntryState s;
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return s;
  s.inode = static_cast<uint64_t>(st.st_ino);
  s.size = static_cast<uint64_t>(st.st_size);
  s.mode = st.st_mode;
  s.modified_ns = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  if (S_ISDIR(st.st_mode)) {
    s.kind = 'd';
  } else if (S_ISLNK(st.st_mode)) {
    s.kind = 'l';
    std::error_code ec;
    s.target = std::filesystem::read_symlink(path, ec).string();
  } else if (S_ISREG(st.st_mode)) {
    s.kind = 'f';
  }
  return s;
}

inline Listing ListTree(const std::filesystem::path& top) {
  Listing listing;
  listing[""] = StateOf(top);
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(top, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    listing[std::filesystem::relative(it->path(), top).string()] = StateOf(it->path());
  }
  return listing;
}

/// The paths created, deleted or changed between two listings.
inline std::vector<std::string> ChangedPaths(const Listing& before, const Listing& after) {
  std::vector<std::string> changed;
  for (const auto& [path, state] : before) {
    auto found = after.find(path);
    if (found == after.end() || !(found->second == state)) changed.push_back(path);
  }
  for (const auto& [path, state] : after) {
    if (!before.count(path)) changed.push_back(path);
  }
  return changed;
}

}  // namespace hostile_kit
