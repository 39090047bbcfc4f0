#include "tools/winsim-printui/inf_line.h"

namespace printui {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

/// The field being split: its text so far and how much of it trailing-blank
/// trimming keeps, so that unquoted blanks at its end go but quoted ones stay.
struct FieldBuilder {
  std::string text;
  size_t kept = 0;

  void AddKept(std::string_view s) {
    text.append(s);
    kept = text.size();
  }
  void AddPlain(char c) {
    if (text.empty() && IsBlank(c)) return;  // leading blanks go
    text += c;
    if (!IsBlank(c)) kept = text.size();
  }
  std::string Take() {
    std::string out = text.substr(0, kept);
    text.clear();
    kept = 0;
    return out;
  }
};

}  // namespace

InfLine ParseInfLine(std::string_view text, const StringLookup& lookup) {
  InfLine line;
  FieldBuilder field;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (quoted) {
      if (c != '"') {
        field.AddKept(text.substr(i, 1));
      } else if (i + 1 < text.size() && text[i + 1] == '"') {
        field.AddKept("\"");
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == ';') {
      break;
    } else if (c == '"') {
      quoted = true;
      field.AddKept("");
    } else if (c == '%' && text.find('%', i + 1) != std::string_view::npos) {
      size_t close = text.find('%', i + 1);
      std::string_view token = text.substr(i + 1, close - i - 1);
      field.AddKept(token.empty() ? std::string("%") : lookup(token));
      i = close;
    } else if (c == '=' && !line.has_key) {
      line.has_key = true;
      line.key = field.Take();
    } else if (c == ',') {
      line.fields.push_back(field.Take());
    } else {
      field.AddPlain(c);
    }
  }
  line.fields.push_back(field.Take());
  return line;
}

std::string Folded(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

bool SameText(std::string_view a, std::string_view b) { return Folded(a) == Folded(b); }

}  // namespace printui
