// Builds small Microsoft Cabinet files in memory for tests: stored
// (uncompressed) folders, members with any name, blocks that can be made
// unreadable on purpose, and the set fields of a multi-part cabinet.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace kit_test {

class CabBuilder {
 public:
  static constexpr uint16_t kDate = 0x226C;  // 1997-03-12
  static constexpr uint16_t kTime = 0x59BA;  // 11:13:52
  static constexpr size_t kBlock = 32768;

  CabBuilder() : folders_(1) {}

  /// Adds a folder and returns its index (folder 0 always exists).
  int AddFolder() {
    folders_.emplace_back();
    return static_cast<int>(folders_.size()) - 1;
  }

  /// Adds a member at the end of `folder`.
  CabBuilder& Add(const std::string& name, const std::string& data, int folder = 0,
                  uint16_t attribs = 0x20) {
    members_.push_back({name, data, folder, attribs});
    return *this;
  }

  /// Makes block `block` of `folder` unreadable: its compressed size exceeds
  /// what any block may hold.
  CabBuilder& DamageBlock(int folder, int block) {
    folders_[folder].damaged.insert(block);
    return *this;
  }

  /// Names the next cabinet of a set.
  CabBuilder& Next(const std::string& file, const std::string& disk) {
    next_ = {file, disk};
    return *this;
  }

  std::string Build() const {
    std::vector<std::string> data(folders_.size());
    std::vector<uint32_t> offset_in_folder;
    for (const Member& m : members_) {
      offset_in_folder.push_back(static_cast<uint32_t>(data[m.folder].size()));
      data[m.folder] += m.data;
    }
    std::string strings;
    if (!next_.first.empty()) strings += next_.first + '\0' + next_.second + '\0';
    size_t files_at = 36 + strings.size() + 8 * folders_.size();
    std::string files;
    for (size_t i = 0; i < members_.size(); ++i) {
      const Member& m = members_[i];
      Put32(&files, static_cast<uint32_t>(m.data.size()));
      Put32(&files, offset_in_folder[i]);
      Put16(&files, static_cast<uint16_t>(m.folder));
      Put16(&files, kDate);
      Put16(&files, kTime);
      Put16(&files, m.attribs);
      files += m.name + '\0';
    }
    size_t data_at = files_at + files.size();
    std::string folder_table, blocks;
    for (size_t f = 0; f < folders_.size(); ++f) {
      std::vector<std::string> pieces;
      for (size_t at = 0; at < data[f].size(); at += kBlock)
        pieces.push_back(data[f].substr(at, kBlock));
      Put32(&folder_table, static_cast<uint32_t>(data_at + blocks.size()));
      Put16(&folder_table, static_cast<uint16_t>(pieces.size()));
      Put16(&folder_table, 0);  // stored
      for (size_t b = 0; b < pieces.size(); ++b) {
        Put32(&blocks, 0);  // no checksum
        bool damaged = folders_[f].damaged.count(static_cast<int>(b)) != 0;
        Put16(&blocks, damaged ? 0xFFFF : static_cast<uint16_t>(pieces[b].size()));
        Put16(&blocks, static_cast<uint16_t>(pieces[b].size()));
        blocks += pieces[b];
      }
    }
    std::string cab = "MSCF";
    Put32(&cab, 0);
    Put32(&cab, static_cast<uint32_t>(data_at + blocks.size()));
    Put32(&cab, 0);
    Put32(&cab, static_cast<uint32_t>(files_at));
    Put32(&cab, 0);
    cab += '\x03';
    cab += '\x01';
    Put16(&cab, static_cast<uint16_t>(folders_.size()));
    Put16(&cab, static_cast<uint16_t>(members_.size()));
    Put16(&cab, next_.first.empty() ? 0 : 0x0002);
    Put16(&cab, 0x1234);  // set id
    Put16(&cab, 0);       // index in the set
    return cab + strings + folder_table + files + blocks;
  }

 private:
  struct Member {
    std::string name;
    std::string data;
    int folder;
    uint16_t attribs;
  };
  struct Folder {
    std::set<int> damaged;
  };

  static void Put16(std::string* out, uint16_t v) {
    out->push_back(static_cast<char>(v & 0xFF));
    out->push_back(static_cast<char>(v >> 8));
  }
  static void Put32(std::string* out, uint32_t v) {
    Put16(out, static_cast<uint16_t>(v & 0xFFFF));
    Put16(out, static_cast<uint16_t>(v >> 16));
  }

  std::vector<Folder> folders_;
  std::vector<Member> members_;
  std::pair<std::string, std::string> next_;
};

}  // namespace kit_test
