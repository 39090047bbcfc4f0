// Keys and values on the tables of system.db (see registry_store.h).
#include "platform/winsim/registry_store.h"

#include "platform/winsim/winsim.h"

namespace winsim::regstore {
namespace {

// Splits a key path at backslashes; empty components are skipped, as the
// registry does for a trailing backslash. The ANSI functions split the
// Unicode form, so the trail byte of a double-byte character never splits.
std::vector<std::string> Components(std::string_view path) {
  std::vector<std::string> parts;
  size_t i = 0;
  std::vector<size_t> cuts = AnsiCharPositions(path, "\\");
  cuts.push_back(path.size());
  for (size_t next : cuts) {
    if (next > i) parts.emplace_back(path.substr(i, next - i));
    i = next + 1;
  }
  return parts;
}

DWORD ChildId(sqlite3* db, int64_t parent, const std::string& name, int64_t* id) {
  Statement s(db, "SELECT id FROM reg_keys WHERE parent = ?1 AND fold = ?2");
  s.Bind(1, parent).Bind(2, FoldName(name));
  int rc = s.Step();
  if (rc == SQLITE_ROW) {
    *id = s.Int(0);
    return 0;
  }
  return rc == SQLITE_DONE ? ERROR_FILE_NOT_FOUND : SqliteToWin32(rc);
}

DWORD Done(int rc) { return rc == SQLITE_DONE || rc == SQLITE_ROW ? 0 : SqliteToWin32(rc); }

Value ReadValue(const Statement& s) {
  Value v;
  v.name = s.Text(0);
  v.type = static_cast<DWORD>(s.Int(1));
  v.data = s.Blob(2);
  return v;
}

}  // namespace

int64_t RootId(HKEY key) {
  if (key == HKEY_LOCAL_MACHINE) return kLocalMachine;
  if (key == HKEY_CURRENT_USER) return kCurrentUser;
  return 0;
}

namespace {

unsigned char FoldChar(char ch) {
  unsigned char c = static_cast<unsigned char>(ch);
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 0x20);
  return c;
}

}  // namespace

std::string FoldName(std::string_view name) {
  std::string out(name);
  for (char& ch : out) ch = static_cast<char>(FoldChar(ch));
  return out;
}

bool ListedBefore(std::string_view a, std::string_view b) {
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    unsigned char fa = FoldChar(a[i]), fb = FoldChar(b[i]);
    if (fa != fb) return fa < fb;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

DWORD FindKey(sqlite3* db, int64_t parent, std::string_view path, int64_t* id) {
  int64_t current = parent;
  for (const std::string& part : Components(path)) {
    if (DWORD err = ChildId(db, current, part, &current)) return err;
  }
  *id = current;
  return 0;
}

DWORD CreateKey(sqlite3* db, int64_t parent, std::string_view path, int64_t* id) {
  int64_t current = parent;
  for (const std::string& part : Components(path)) {
    int64_t child = 0;
    DWORD err = ChildId(db, current, part, &child);
    if (err == ERROR_FILE_NOT_FOUND) {
      Statement ins(db, "INSERT INTO reg_keys(parent, name, fold) VALUES(?1, ?2, ?3)");
      ins.Bind(1, current).Bind(2, part).Bind(3, FoldName(part));
      if (DWORD e = Done(ins.Step())) return e;
      child = sqlite3_last_insert_rowid(db);
    } else if (err) {
      return err;
    }
    current = child;
  }
  *id = current;
  return 0;
}

bool KeyExists(sqlite3* db, int64_t id) {
  Statement s(db, "SELECT 1 FROM reg_keys WHERE id = ?1");
  s.Bind(1, id);
  return s.Step() == SQLITE_ROW;
}

DWORD KeyName(sqlite3* db, int64_t id, std::string* name, int64_t* parent) {
  Statement s(db, "SELECT name, parent FROM reg_keys WHERE id = ?1");
  s.Bind(1, id);
  int rc = s.Step();
  if (rc != SQLITE_ROW) return rc == SQLITE_DONE ? ERROR_KEY_DELETED : SqliteToWin32(rc);
  *name = s.Text(0);
  *parent = s.Int(1);
  return 0;
}

DWORD DeleteKey(sqlite3* db, int64_t id) {
  if (id == kLocalMachine || id == kCurrentUser) return ERROR_ACCESS_DENIED;
  std::string ignored;
  if (SubkeyAt(db, id, 0, &ignored) == 0) return ERROR_ACCESS_DENIED;
  Statement dv(db, "DELETE FROM reg_values WHERE key = ?1");
  dv.Bind(1, id);
  if (DWORD e = Done(dv.Step())) return e;
  Statement dk(db, "DELETE FROM reg_keys WHERE id = ?1");
  dk.Bind(1, id);
  return Done(dk.Step());
}

DWORD DeleteTree(sqlite3* db, int64_t id) {
  std::vector<int64_t> children;
  {
    Statement s(db, "SELECT id FROM reg_keys WHERE parent = ?1");
    s.Bind(1, id);
    while (s.Step() == SQLITE_ROW) children.push_back(s.Int(0));
  }
  for (int64_t child : children)
    if (DWORD e = DeleteTree(db, child)) return e;
  return DeleteKey(db, id);
}

std::vector<std::string> SubkeyNames(sqlite3* db, int64_t id) {
  std::vector<std::string> names;
  Statement s(db, "SELECT name FROM reg_keys WHERE parent = ?1 ORDER BY fold, name");
  s.Bind(1, id);
  while (s.Step() == SQLITE_ROW) names.push_back(s.Text(0));
  return names;
}

DWORD SubkeyAt(sqlite3* db, int64_t id, DWORD index, std::string* name) {
  Statement s(db, "SELECT name FROM reg_keys WHERE parent = ?1 ORDER BY fold, name LIMIT 1 OFFSET ?2");
  s.Bind(1, id).Bind(2, static_cast<long long>(index));
  int rc = s.Step();
  if (rc == SQLITE_ROW) {
    *name = s.Text(0);
    return 0;
  }
  return rc == SQLITE_DONE ? ERROR_NO_MORE_ITEMS : SqliteToWin32(rc);
}

namespace {

std::string_view ViewOf(const Statement& s, int column) {
  const void* p = sqlite3_column_blob(s.Raw(), column);
  int n = sqlite3_column_bytes(s.Raw(), column);
  return p ? std::string_view(static_cast<const char*>(p), static_cast<size_t>(n)) : std::string_view();
}

}  // namespace

void VisitSubkeys(sqlite3* db, int64_t id, const std::vector<std::string>& folded_names,
                  SubkeyVisitor* visitor) {
  // One statement text per number of names, so that each stays prepared.
  std::string filter;
  for (size_t i = 0; i < folded_names.size(); ++i) {
    filter += i == 0 ? " AND v.fold IN (?" : ", ?";
    filter += std::to_string(i + 2);
  }
  if (!filter.empty()) filter += ")";
  // Values in their own order only when all are read: a filtered read looks
  // each name up in the (key, fold) index instead of walking every value.
  std::string sql =
      "SELECT k.id, k.name, v.name, v.type, v.data FROM reg_keys k"
      " LEFT JOIN reg_values v ON v.key = k.id" + filter +
      " WHERE k.parent = ?1 ORDER BY k.fold, k.name" + (filter.empty() ? ", v.id" : "");
  Statement s(db, sql.c_str());
  s.Bind(1, id);
  for (size_t i = 0; i < folded_names.size(); ++i) s.Bind(static_cast<int>(i + 2), folded_names[i]);
  int64_t current = -1;
  while (s.Step() == SQLITE_ROW) {
    if (s.Int(0) != current) {
      current = s.Int(0);
      visitor->Key(ViewOf(s, 1));
    }
    if (sqlite3_column_type(s.Raw(), 2) == SQLITE_NULL) continue;  // a key without values
    visitor->Value(ValueRef{ViewOf(s, 2), static_cast<DWORD>(s.Int(3)), ViewOf(s, 4)});
  }
}

std::vector<Value> Values(sqlite3* db, int64_t id) {
  std::vector<Value> values;
  Statement s(db, "SELECT name, type, data FROM reg_values WHERE key = ?1 ORDER BY id");
  s.Bind(1, id);
  while (s.Step() == SQLITE_ROW) values.push_back(ReadValue(s));
  return values;
}

DWORD ValueAt(sqlite3* db, int64_t id, DWORD index, Value* value) {
  Statement s(db, "SELECT name, type, data FROM reg_values WHERE key = ?1 ORDER BY id LIMIT 1 OFFSET ?2");
  s.Bind(1, id).Bind(2, static_cast<long long>(index));
  int rc = s.Step();
  if (rc == SQLITE_ROW) {
    *value = ReadValue(s);
    return 0;
  }
  return rc == SQLITE_DONE ? ERROR_NO_MORE_ITEMS : SqliteToWin32(rc);
}

DWORD GetValue(sqlite3* db, int64_t id, std::string_view name, Value* value) {
  Statement s(db, "SELECT name, type, data FROM reg_values WHERE key = ?1 AND fold = ?2");
  s.Bind(1, id).Bind(2, FoldName(name));
  int rc = s.Step();
  if (rc == SQLITE_ROW) {
    *value = ReadValue(s);
    return 0;
  }
  return rc == SQLITE_DONE ? ERROR_FILE_NOT_FOUND : SqliteToWin32(rc);
}

DWORD SetValue(sqlite3* db, int64_t id, std::string_view name, DWORD type, std::string_view data) {
  // An existing value keeps its row, and so its place in the enumeration.
  Statement up(db, "UPDATE reg_values SET type = ?3, data = ?4 WHERE key = ?1 AND fold = ?2");
  up.Bind(1, id).Bind(2, FoldName(name)).Bind(3, type).Bind(4, std::string(data));
  if (DWORD e = Done(up.Step())) return e;
  if (sqlite3_changes(db) > 0) return 0;
  Statement ins(db, "INSERT INTO reg_values(key, name, fold, type, data) VALUES(?1, ?2, ?3, ?4, ?5)");
  ins.Bind(1, id).Bind(2, std::string(name)).Bind(3, FoldName(name)).Bind(4, type).Bind(5, std::string(data));
  return Done(ins.Step());
}

DWORD DeleteValue(sqlite3* db, int64_t id, std::string_view name) {
  Statement s(db, "DELETE FROM reg_values WHERE key = ?1 AND fold = ?2");
  s.Bind(1, id).Bind(2, FoldName(name));
  if (DWORD e = Done(s.Step())) return e;
  return sqlite3_changes(db) > 0 ? 0 : ERROR_FILE_NOT_FOUND;
}

std::string SzData(std::string_view text) {
  std::string d(text);
  d += '\0';
  return d;
}

std::string DwordData(DWORD v) {
  std::string d(4, '\0');
  for (int i = 0; i < 4; ++i) d[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return d;
}

std::string MultiSzData(const std::vector<std::string>& items) {
  std::string d;
  for (const std::string& item : items) {
    d += item;
    d += '\0';
  }
  d += '\0';
  return d;
}

std::string SzText(const Value& value) { return std::string(SzText(std::string_view(value.data))); }

std::string_view SzText(std::string_view data) { return data.substr(0, data.find('\0')); }

DWORD DwordOf(const Value& value) { return DwordOf(std::string_view(value.data)); }

DWORD DwordOf(std::string_view data) {
  DWORD v = 0;
  for (size_t i = 0; i < 4 && i < data.size(); ++i)
    v |= static_cast<DWORD>(static_cast<unsigned char>(data[i])) << (8 * i);
  return v;
}

std::vector<std::string> MultiSzItems(const Value& value) {
  std::vector<std::string> items;
  size_t i = 0;
  while (i < value.data.size()) {
    size_t nul = value.data.find('\0', i);
    if (nul == std::string::npos) nul = value.data.size();
    if (nul == i) break;  // the empty string ends the list
    items.push_back(value.data.substr(i, nul - i));
    i = nul + 1;
  }
  return items;
}

}  // namespace winsim::regstore
