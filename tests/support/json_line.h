// One line of a JSON-lines file (the recorded oracle results, the event
// log), read into its top-level members. Strings are kept byte-exact: the
// files write each ANSI byte as the code point of the same value, so
// "\u00e9" becomes the byte 0xE9. Nested arrays and objects are kept as their
// raw text.
#pragma once

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace kit_test {

class JsonLine {
 public:
  /// The string member `key` ("" when absent or not a string).
  std::string Str(const std::string& key) const {
    auto it = members_.find(key);
    return it != members_.end() && it->second.is_string ? it->second.text : std::string();
  }
  /// The number member `key` (0 when absent or not a number).
  long long Num(const std::string& key) const {
    auto it = members_.find(key);
    if (it == members_.end() || it->second.is_string) return 0;
    return std::strtoll(it->second.text.c_str(), nullptr, 10);
  }
  /// True when `key` is present with the value null.
  bool IsNull(const std::string& key) const {
    auto it = members_.find(key);
    return it != members_.end() && !it->second.is_string && it->second.text == "null";
  }
  /// True when `key` is present at all.
  bool Has(const std::string& key) const { return members_.count(key) != 0; }
  /// The member as written when it is not a string (a number, true, false,
  /// null, or a nested array or object); "" otherwise.
  std::string Raw(const std::string& key) const {
    auto it = members_.find(key);
    return it != members_.end() && !it->second.is_string ? it->second.text : std::string();
  }

 private:
  struct Value {
    bool is_string = false;
    std::string text;
  };
  friend bool ParseJsonLine(const std::string& text, JsonLine* out);
  std::map<std::string, Value> members_;
};

namespace json_detail {

class Parser {
 public:
  explicit Parser(const std::string& text) : s_(text) {}

  void Blanks() {
    while (p_ < s_.size() && (s_[p_] == ' ' || s_[p_] == '\t' || s_[p_] == '\r' || s_[p_] == '\n'))
      ++p_;
  }
  bool At(char c) {
    Blanks();
    return p_ < s_.size() && s_[p_] == c;
  }
  bool Take(char c) {
    if (!At(c)) return false;
    ++p_;
    return true;
  }

  bool String(std::string* out) {
    if (!Take('"')) return false;
    out->clear();
    while (p_ < s_.size()) {
      char c = s_[p_++];
      if (c == '"') return true;
      if (c != '\\') {
        out->push_back(c);
        continue;
      }
      if (p_ >= s_.size()) return false;
      char e = s_[p_++];
      switch (e) {
        case 'n': out->push_back('\n'); break;
        case 't': out->push_back('\t'); break;
        case 'r': out->push_back('\r'); break;
        case 'b': out->push_back('\b'); break;
        case 'f': out->push_back('\f'); break;
        case 'u': {
          if (p_ + 4 > s_.size()) return false;
          unsigned long code = std::strtoul(s_.substr(p_, 4).c_str(), nullptr, 16);
          p_ += 4;
          out->push_back(static_cast<char>(code & 0xFF));
          break;
        }
        default: out->push_back(e);  // \" \\ \/
      }
    }
    return false;
  }

  // A nested array or object, as raw text.
  bool Nested(std::string* out) {
    size_t start = p_;
    int depth = 0;
    while (p_ < s_.size()) {
      char c = s_[p_];
      if (c == '"') {
        std::string ignored;
        if (!String(&ignored)) return false;
        continue;
      }
      ++p_;
      if (c == '[' || c == '{') ++depth;
      if ((c == ']' || c == '}') && --depth == 0) {
        *out = s_.substr(start, p_ - start);
        return true;
      }
    }
    return false;
  }

  // A number or a literal, as written.
  bool Scalar(std::string* out) {
    Blanks();
    size_t start = p_;
    while (p_ < s_.size() && s_[p_] != ',' && s_[p_] != '}' && s_[p_] != ' ') ++p_;
    *out = s_.substr(start, p_ - start);
    return !out->empty();
  }

 private:
  const std::string& s_;
  size_t p_ = 0;
};

}  // namespace json_detail

/// Parses one JSON object; false (and `out` unspecified) when it is not one.
inline bool ParseJsonLine(const std::string& text, JsonLine* out) {
  json_detail::Parser in(text);
  *out = JsonLine();
  if (!in.Take('{')) return false;
  if (in.Take('}')) return true;
  for (;;) {
    std::string key;
    if (!in.String(&key) || !in.Take(':')) return false;
    JsonLine::Value value;
    if (in.At('"')) {
      value.is_string = true;
      if (!in.String(&value.text)) return false;
    } else if (in.At('[') || in.At('{')) {
      if (!in.Nested(&value.text)) return false;
    } else if (!in.Scalar(&value.text)) {
      return false;
    }
    out->members_[key] = std::move(value);
    if (in.Take(',')) continue;
    return in.Take('}');
  }
}

/// The objects of a JSON array's raw text (as Raw gives it), in order; an
/// object that does not parse comes back empty and sets `*parsed` false.
inline std::vector<JsonLine> JsonObjects(const std::string& array, bool* parsed) {
  std::vector<JsonLine> out;
  int depth = 0;
  bool in_string = false;
  size_t start = 0;
  for (size_t i = 0; i < array.size(); ++i) {
    char c = array[i];
    if (in_string) {
      if (c == '\\') ++i;
      else if (c == '"') in_string = false;
    } else if (c == '"') {
      in_string = true;
    } else if (c == '{' && depth++ == 0) {
      start = i;
    } else if (c == '}' && --depth == 0) {
      JsonLine o;
      if (!ParseJsonLine(array.substr(start, i - start + 1), &o)) *parsed = false;
      out.push_back(o);
    }
  }
  return out;
}

}  // namespace kit_test
