#include "platform/winsim/reg_file.h"

#include <cstdio>
#include <functional>

#include "platform/winsim/registry_store.h"

namespace winsim::regfile {
namespace {

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return std::string();
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

// UTF-16LE with a byte-order mark to bytes: code units up to 0xFF are the
// bytes of the same value, others become '?'.
std::string NarrowIfWide(const std::string& text) {
  if (text.size() < 2 || static_cast<unsigned char>(text[0]) != 0xFF ||
      static_cast<unsigned char>(text[1]) != 0xFE)
    return text;
  std::string out;
  for (size_t i = 2; i + 1 < text.size(); i += 2) {
    unsigned unit = static_cast<unsigned char>(text[i]) | (static_cast<unsigned char>(text[i + 1]) << 8);
    out += unit <= 0xFF ? static_cast<char>(unit) : '?';
  }
  return out;
}

// Logical lines: CR LF or LF ends a line; a hex value line that ends with a
// backslash goes on in the next line. Each keeps the number of its first line.
std::vector<std::pair<int, std::string>> LogicalLines(const std::string& text) {
  std::vector<std::pair<int, std::string>> lines;
  std::string current;
  int number = 0, start = 0;
  size_t i = 0;
  while (i < text.size()) {
    size_t nl = text.find('\n', i);
    if (nl == std::string::npos) nl = text.size();
    std::string line = text.substr(i, nl - i);
    i = nl + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ++number;
    if (current.empty()) start = number;
    current += current.empty() ? line : Trim(line);
    std::string t = Trim(current);
    if (!t.empty() && t.back() == '\\' && t.find("=hex") != std::string::npos) {
      current = t.substr(0, t.size() - 1);
      continue;
    }
    lines.emplace_back(start, current);
    current.clear();
  }
  if (!current.empty()) lines.emplace_back(start, current);
  return lines;
}

bool ParseQuoted(const std::string& s, size_t* pos, std::string* out) {
  if (*pos >= s.size() || s[*pos] != '"') return false;
  ++*pos;
  out->clear();
  while (*pos < s.size()) {
    char c = s[(*pos)++];
    if (c == '"') return true;
    if (c == '\\' && *pos < s.size()) c = s[(*pos)++];
    *out += c;
  }
  return false;
}

bool ParseHexBytes(const std::string& s, std::string* out) {
  out->clear();
  std::string t = Trim(s);
  if (t.empty()) return true;
  size_t i = 0;
  while (i < t.size()) {
    while (i < t.size() && (t[i] == ' ' || t[i] == '\t')) ++i;
    size_t start = i;
    while (i < t.size() && isxdigit(static_cast<unsigned char>(t[i]))) ++i;
    if (i - start < 1 || i - start > 2) return false;
    *out += static_cast<char>(std::stoul(t.substr(start, i - start), nullptr, 16));
    while (i < t.size() && (t[i] == ' ' || t[i] == '\t')) ++i;
    if (i < t.size()) {
      if (t[i] != ',') return false;
      ++i;
      if (i >= t.size()) return false;
    }
  }
  return true;
}

// Parses the data after '='; false when it is not one of the known forms.
bool ParseData(const std::string& raw, Operation* op) {
  std::string d = Trim(raw);
  if (d == "-") {
    op->kind = Operation::kDeleteValue;
    return true;
  }
  op->kind = Operation::kSetValue;
  if (!d.empty() && d[0] == '"') {
    size_t pos = 0;
    std::string text;
    if (!ParseQuoted(d, &pos, &text) || !Trim(d.substr(pos)).empty()) return false;
    op->type = REG_SZ;
    op->data = regstore::SzData(text);
    return true;
  }
  if (d.compare(0, 6, "dword:") == 0) {
    std::string digits = d.substr(6);
    if (digits.empty() || digits.size() > 8) return false;
    for (char c : digits)
      if (!isxdigit(static_cast<unsigned char>(c))) return false;
    op->type = REG_DWORD;
    op->data = regstore::DwordData(static_cast<DWORD>(std::stoul(digits, nullptr, 16)));
    return true;
  }
  if (d.compare(0, 4, "hex:") == 0) {
    op->type = REG_BINARY;
    return ParseHexBytes(d.substr(4), &op->data);
  }
  if (d.compare(0, 4, "hex(") == 0) {
    size_t close = d.find("):");
    if (close == std::string::npos || close <= 4 || close > 12) return false;
    std::string type = d.substr(4, close - 4);
    for (char c : type)
      if (!isxdigit(static_cast<unsigned char>(c))) return false;
    op->type = static_cast<DWORD>(std::stoul(type, nullptr, 16));
    return ParseHexBytes(d.substr(close + 2), &op->data);
  }
  return false;
}

std::string EscapeQuoted(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string HexList(const std::string& bytes) {
  std::string out;
  char b[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(b, sizeof b, "%02x", static_cast<unsigned char>(bytes[i]));
    if (i) out += ',';
    out += b;
  }
  return out;
}

std::string FormatValue(const regstore::Value& v) {
  std::string name = v.name.empty() ? "@" : EscapeQuoted(v.name);
  // A string holding exactly one NUL, at its end, reads back the same as text.
  if (v.type == REG_SZ && !v.data.empty() && v.data.find('\0') == v.data.size() - 1)
    return name + "=" + EscapeQuoted(v.data.substr(0, v.data.size() - 1));
  if (v.type == REG_DWORD && v.data.size() == 4) {
    char b[16];
    std::snprintf(b, sizeof b, "dword:%08lx", static_cast<unsigned long>(regstore::DwordOf(v)));
    return name + "=" + b;
  }
  if (v.type == REG_BINARY) return name + "=hex:" + HexList(v.data);
  char t[16];
  std::snprintf(t, sizeof t, "hex(%lx):", static_cast<unsigned long>(v.type));
  return name + "=" + t + HexList(v.data);
}

int64_t RootIdOf(const std::string& root) {
  return root == "HKEY_LOCAL_MACHINE" ? regstore::kLocalMachine : regstore::kCurrentUser;
}

}  // namespace

bool SplitKeyName(const std::string& full, std::string* root, std::string* path) {
  size_t slash = full.find('\\');
  std::string head = regstore::FoldName(full.substr(0, slash));
  if (head == "HKEY_LOCAL_MACHINE" || head == "HKLM") {
    *root = "HKEY_LOCAL_MACHINE";
  } else if (head == "HKEY_CURRENT_USER" || head == "HKCU") {
    *root = "HKEY_CURRENT_USER";
  } else {
    return false;
  }
  *path = slash == std::string::npos ? std::string() : full.substr(slash + 1);
  while (!path->empty() && path->back() == '\\') path->pop_back();
  return true;
}

bool Parse(const std::string& raw_text, std::vector<Operation>* ops, std::string* error) {
  ops->clear();
  std::vector<Operation> parsed;
  std::string text = NarrowIfWide(raw_text);
  bool seen_header = false, in_key = false, deleted_key = false;
  std::string root, path;
  for (const auto& [number, line] : LogicalLines(text)) {
    std::string t = Trim(line);
    auto fail = [&, number = number](const std::string& what) {
      *error = "line " + std::to_string(number) + ": " + what;
      return false;
    };
    if (t.empty() || t[0] == ';') continue;
    if (!seen_header) {
      if (t != kHeader) return fail("expected \"" + std::string(kHeader) + "\"");
      seen_header = true;
      continue;
    }
    if (t[0] == '[') {
      if (t.back() != ']') return fail("key line without ']'");
      std::string name = t.substr(1, t.size() - 2);
      deleted_key = !name.empty() && name[0] == '-';
      if (deleted_key) name.erase(0, 1);
      if (!SplitKeyName(name, &root, &path)) return fail("unknown root key in [" + name + "]");
      if (path.empty() && deleted_key) return fail("a root key cannot be deleted");
      Operation op;
      op.kind = deleted_key ? Operation::kDeleteKey : Operation::kCreateKey;
      op.root = root;
      op.path = path;
      parsed.push_back(op);
      in_key = true;
      continue;
    }
    if (!in_key) return fail("value outside a key");
    if (deleted_key) return fail("value under a deleted key");
    Operation op;
    op.kind = Operation::kSetValue;
    op.root = root;
    op.path = path;
    size_t pos = 0;
    if (t[0] == '@') {
      pos = 1;
    } else if (!ParseQuoted(t, &pos, &op.value_name)) {
      return fail("expected a quoted value name or @");
    }
    while (pos < t.size() && (t[pos] == ' ' || t[pos] == '\t')) ++pos;
    if (pos >= t.size() || t[pos] != '=') return fail("expected '=' after the value name");
    if (!ParseData(t.substr(pos + 1), &op)) return fail("malformed value data");
    parsed.push_back(op);
  }
  if (!seen_header) {
    *error = "line 1: expected \"" + std::string(kHeader) + "\"";
    return false;
  }
  *ops = std::move(parsed);
  return true;
}

DWORD Apply(const std::vector<Operation>& ops) {
  Transaction tx(Transaction::kWrite);
  if (tx.status()) return tx.status();
  for (const Operation& op : ops) {
    int64_t root = RootIdOf(op.root), id = 0;
    DWORD err = 0;
    switch (op.kind) {
      case Operation::kCreateKey:
        err = regstore::CreateKey(tx.db(), root, op.path, &id);
        break;
      case Operation::kDeleteKey:
        err = regstore::FindKey(tx.db(), root, op.path, &id);
        if (err == ERROR_FILE_NOT_FOUND) err = 0;
        else if (err == 0) err = regstore::DeleteTree(tx.db(), id);
        break;
      case Operation::kSetValue:
        err = regstore::CreateKey(tx.db(), root, op.path, &id);
        if (!err) err = regstore::SetValue(tx.db(), id, op.value_name, op.type, op.data);
        break;
      case Operation::kDeleteValue:
        err = regstore::FindKey(tx.db(), root, op.path, &id);
        if (!err) err = regstore::DeleteValue(tx.db(), id, op.value_name);
        if (err == ERROR_FILE_NOT_FOUND) err = 0;
        break;
    }
    if (err) return err;
  }
  return tx.Commit();
}

DWORD Export(const std::string& root, const std::string& path, std::string* text) {
  Transaction tx(Transaction::kRead);
  if (tx.status()) return tx.status();
  int64_t id = 0;
  if (DWORD err = regstore::FindKey(tx.db(), RootIdOf(root), path, &id)) return err;
  std::function<void(int64_t, const std::string&)> walk = [&](int64_t key, const std::string& name) {
    *text += "[" + name + "]\n";
    for (const regstore::Value& v : regstore::Values(tx.db(), key)) *text += FormatValue(v) + "\n";
    *text += "\n";
    for (const std::string& sub : regstore::SubkeyNames(tx.db(), key)) {
      int64_t child = 0;
      if (regstore::FindKey(tx.db(), key, sub, &child) == 0) walk(child, name + "\\" + sub);
    }
  };
  // Stored names keep their case: show the path as stored.
  std::string shown = root;
  int64_t cursor = RootIdOf(root);
  size_t i = 0;
  while (i < path.size()) {
    size_t next = path.find('\\', i);
    if (next == std::string::npos) next = path.size();
    std::string part = path.substr(i, next - i);
    i = next + 1;
    if (part.empty()) continue;
    int64_t child = 0;
    if (regstore::FindKey(tx.db(), cursor, part, &child) != 0) break;
    std::string stored;
    int64_t parent = 0;
    regstore::KeyName(tx.db(), child, &stored, &parent);
    shown += "\\" + stored;
    cursor = child;
  }
  walk(id, shown);
  return 0;
}

}  // namespace winsim::regfile
