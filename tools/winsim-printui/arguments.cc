#include "tools/winsim-printui/arguments.h"

#include <cstring>

namespace printui {
namespace {

enum class Kind { kAction, kValue, kFlag };

struct Switch {
  const char* name;  // case matters: /y and /Y are different switches
  Kind kind;
};

// Microsoft's PrintUIEntry usage text. Longer names first, so that "/ia" is
// not read as "/i" with a value.
constexpr Switch kSwitches[] = {
    {"ia", Kind::kAction}, {"id", Kind::kAction}, {"if", Kind::kAction}, {"ii", Kind::kAction},
    {"il", Kind::kAction}, {"in", Kind::kAction}, {"ip", Kind::kAction}, {"dl", Kind::kAction},
    {"dn", Kind::kAction}, {"dd", Kind::kAction}, {"ga", Kind::kAction}, {"ge", Kind::kAction},
    {"gd", Kind::kAction}, {"Ss", Kind::kAction}, {"Sr", Kind::kAction}, {"Xg", Kind::kAction},
    {"Xs", Kind::kAction}, {"Mw", Kind::kValue},  {"Mq", Kind::kValue},  {"?", Kind::kAction},
    {"e", Kind::kAction},  {"k", Kind::kAction},  {"o", Kind::kAction},  {"p", Kind::kAction},
    {"s", Kind::kAction},  {"y", Kind::kAction},  {"a", Kind::kValue},   {"b", Kind::kValue},
    {"c", Kind::kValue},   {"f", Kind::kValue},   {"h", Kind::kValue},   {"j", Kind::kValue},
    {"l", Kind::kValue},   {"m", Kind::kValue},   {"n", Kind::kValue},   {"r", Kind::kValue},
    {"t", Kind::kValue},   {"v", Kind::kValue},   {"W", Kind::kValue},   {"G", Kind::kValue},
    {"q", Kind::kFlag},    {"u", Kind::kFlag},    {"w", Kind::kFlag},    {"z", Kind::kFlag},
    {"Y", Kind::kFlag},    {"K", Kind::kFlag},    {"Z", Kind::kFlag},
};

/// The switch a word starting with '/' names, or nullptr.
const Switch* SwitchOf(std::string_view word) {
  std::string_view body = word.substr(1);
  for (const Switch& s : kSwitches) {
    std::string_view name = s.name;
    if (body.substr(0, name.size()) != name) continue;
    // Actions and flags stand alone; a value may follow its switch directly.
    if (s.kind != Kind::kValue && body.size() != name.size()) continue;
    return &s;
  }
  return nullptr;
}

/// Where the value of a switch goes when winsim carries it out; nullptr for
/// one it only accepts.
std::string* ValueSlot(Arguments* a, std::string_view name) {
  if (name == "b") return &a->base_name;
  if (name == "f") return &a->inf;
  if (name == "r") return &a->port;
  if (name == "m") return &a->model;
  return nullptr;
}

bool AcceptFlag(Arguments* a, std::string_view name) {
  if (name == "q") return a->quiet = true;
  if (name == "u") return a->use_existing_driver = true;
  return name == "z" || name == "Y";  // no auto share, no generated name: nothing to do
}

/// "/name" (built in steps: GCC 12 misreports "/" + name as an overlapping copy).
std::string SwitchText(std::string_view name) {
  std::string text = "/";
  text += name;
  return text;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false, quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\\') {
      size_t run = 0;
      while (i + run < text.size() && text[i + run] == '\\') ++run;
      bool before_quote = i + run < text.size() && text[i + run] == '"';
      word.append(before_quote ? run / 2 : run, '\\');
      i += run - 1;
      in_word = true;
      if (before_quote && run % 2 == 1) {
        word += '"';
        ++i;
      }
    } else if (c == '"') {
      quoted = !quoted;
      in_word = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (in_word) words.push_back(word);
      word.clear();
      in_word = false;
    } else {
      word += c;
      in_word = true;
    }
  }
  if (in_word) words.push_back(word);
  return words;
}

bool ParseArguments(const std::vector<std::string>& words, Arguments* out) {
  Arguments a;
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    const Switch* s = word.size() > 1 && word[0] == '/' ? SwitchOf(word) : nullptr;
    if (s == nullptr) return false;
    std::string switch_text = SwitchText(s->name);
    if (s->kind == Kind::kAction) {
      if (!a.operation.empty()) return false;
      a.operation = s->name;
      continue;
    }
    if (s->kind == Kind::kFlag) {
      if (!AcceptFlag(&a, s->name)) a.unsimulated.push_back(switch_text);
      continue;
    }
    std::string value = word.substr(1 + std::strlen(s->name));
    if (value.empty()) {
      if (i + 1 >= words.size()) return false;
      value = words[++i];
    }
    std::string* slot = ValueSlot(&a, s->name);
    if (slot != nullptr) {
      *slot = value;
    } else {
      a.unsimulated.push_back(switch_text);
    }
  }
  if (a.operation.empty()) return false;
  if (a.operation != "if") a.unsimulated.insert(a.unsimulated.begin(), SwitchText(a.operation));
  *out = std::move(a);
  return true;
}

}  // namespace printui
