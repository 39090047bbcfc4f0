// Reads one line of a JSON-lines file into a flat map of its top-level
// members. Strings are kept byte-exact: "\u00e9" becomes the byte 0xE9, as
// the recorded files write ANSI bytes. Numbers and literals are kept as
// their text ("12", "true", "null"); nested arrays and objects as raw text.
#pragma once

#include <map>
#include <string>

namespace kit_test {

class JsonLine {
 public:
  /// Parses `line`; ok() is false when it is not a JSON object.
  explicit JsonLine(const std::string& line) : text_(line) { ok_ = ParseObject(); }

  bool ok() const { return ok_; }
  bool Has(const std::string& key) const { return members_.count(key) != 0; }
  /// The member's value ("" when absent).
  std::string Get(const std::string& key) const {
    auto it = members_.find(key);
    return it == members_.end() ? std::string() : it->second;
  }
  const std::map<std::string, std::string>& members() const { return members_; }

 private:
  void SkipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                   text_[pos_] == '\r' || text_[pos_] == '\n'))
      ++pos_;
  }

  bool ParseString(std::string* out) {
    if (pos_ >= text_.size() || text_[pos_] != '"') return false;
    ++pos_;
    out->clear();
    while (pos_ < text_.size()) {
      char c = text_[pos_++];
      if (c == '"') return true;
      if (c != '\\') {
        out->push_back(c);
        continue;
      }
      if (pos_ >= text_.size()) return false;
      char e = text_[pos_++];
      switch (e) {
        case 'n': out->push_back('\n'); break;
        case 't': out->push_back('\t'); break;
        case 'r': out->push_back('\r'); break;
        case 'b': out->push_back('\b'); break;
        case 'f': out->push_back('\f'); break;
        case 'u': {
          if (pos_ + 4 > text_.size()) return false;
          unsigned long code = std::stoul(text_.substr(pos_, 4), nullptr, 16);
          pos_ += 4;
          out->push_back(static_cast<char>(code & 0xFF));
          break;
        }
        default: out->push_back(e);
      }
    }
    return false;
  }

  // A nested array or object, kept as its raw text.
  bool SkipNested(std::string* out) {
    size_t start = pos_;
    int depth = 0;
    while (pos_ < text_.size()) {
      char c = text_[pos_];
      if (c == '"') {
        std::string ignored;
        if (!ParseString(&ignored)) return false;
        continue;
      }
      ++pos_;
      if (c == '[' || c == '{') ++depth;
      if ((c == ']' || c == '}') && --depth == 0) {
        *out = text_.substr(start, pos_ - start);
        return true;
      }
    }
    return false;
  }

  bool ParseValue(std::string* out) {
    SkipBlanks();
    if (pos_ >= text_.size()) return false;
    char c = text_[pos_];
    if (c == '"') return ParseString(out);
    if (c == '[' || c == '{') return SkipNested(out);
    size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] != ',' && text_[pos_] != '}') ++pos_;
    *out = text_.substr(start, pos_ - start);
    while (!out->empty() && out->back() == ' ') out->pop_back();
    return !out->empty();
  }

  bool ParseObject() {
    SkipBlanks();
    if (pos_ >= text_.size() || text_[pos_] != '{') return false;
    ++pos_;
    for (;;) {
      SkipBlanks();
      if (pos_ < text_.size() && text_[pos_] == '}') return true;
      std::string key, value;
      if (!ParseString(&key)) return false;
      SkipBlanks();
      if (pos_ >= text_.size() || text_[pos_++] != ':') return false;
      if (!ParseValue(&value)) return false;
      members_[key] = value;
      SkipBlanks();
      if (pos_ < text_.size() && text_[pos_] == ',') {
        ++pos_;
        continue;
      }
      return pos_ < text_.size() && text_[pos_] == '}';
    }
  }

  std::string text_;
  size_t pos_ = 0;
  bool ok_ = false;
  std::map<std::string, std::string> members_;
};

}  // namespace kit_test
