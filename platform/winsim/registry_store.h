// Keys and values of the simulated registry, on the tables of system.db.
// Keys are case-insensitive and case-preserving; subkeys come in
// case-insensitive name order and values in the order they were first set.
// Every function runs inside the caller's open Transaction.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/winsim/store.h"

namespace winsim::regstore {

/// Key ids of the two roots the kit uses.
constexpr int64_t kLocalMachine = 1;
constexpr int64_t kCurrentUser = 2;

/// The root id of a predefined HKEY, or 0.
int64_t RootId(HKEY key);

/// Case folding of key and value names (ASCII and the Latin-1 letters).
std::string FoldName(std::string_view name);
/// True when a key named `a` comes before one named `b` in enumeration
/// order: by folded name (bytewise), then by the name as stored.
bool ListedBefore(std::string_view a, std::string_view b);

struct Value {
  std::string name;
  DWORD type = REG_NONE;
  std::string data;  // exact bytes
};

/// Finds a key by a backslash-separated path below `parent` (an empty path
/// is `parent` itself). 0, ERROR_FILE_NOT_FOUND or a store error.
DWORD FindKey(sqlite3* db, int64_t parent, std::string_view path, int64_t* id);

/// Finds or creates every key of the path. 0 or an error.
DWORD CreateKey(sqlite3* db, int64_t parent, std::string_view path, int64_t* id);

/// True while the key exists (other processes may delete it).
bool KeyExists(sqlite3* db, int64_t id);

/// The key's own name as stored and its parent id.
DWORD KeyName(sqlite3* db, int64_t id, std::string* name, int64_t* parent);

/// Deletes a key and its values; ERROR_ACCESS_DENIED while it has subkeys
/// (as RegDeleteKeyA does); a root cannot be deleted.
DWORD DeleteKey(sqlite3* db, int64_t id);

/// Deletes a key with all its subkeys and values.
DWORD DeleteTree(sqlite3* db, int64_t id);

/// Subkey names in enumeration order.
std::vector<std::string> SubkeyNames(sqlite3* db, int64_t id);
/// The index-th subkey; ERROR_NO_MORE_ITEMS past the end.
DWORD SubkeyAt(sqlite3* db, int64_t id, DWORD index, std::string* name);

/// One value as a query row hands it over; the views are valid only during
/// the visitor call that receives them.
struct ValueRef {
  std::string_view name;
  DWORD type = REG_NONE;
  std::string_view data;
};
/// Receives the subkeys of a key with their values, as VisitSubkeys walks them.
class SubkeyVisitor {
 public:
  virtual ~SubkeyVisitor() = default;
  /// A subkey begins; its values follow.
  virtual void Key(std::string_view name) = 0;
  virtual void Value(const ValueRef& value) = 0;
};
/// Walks every subkey of `id` in enumeration order with its values in
/// theirs, read in one query without copying them: for callers that read a
/// whole collection of keys. With `folded_names` (FoldName), only the values
/// of those names, each key's then in no particular order.
void VisitSubkeys(sqlite3* db, int64_t id, const std::vector<std::string>& folded_names,
                  SubkeyVisitor* visitor);

/// Values in enumeration order.
std::vector<Value> Values(sqlite3* db, int64_t id);
/// The index-th value; ERROR_NO_MORE_ITEMS past the end.
DWORD ValueAt(sqlite3* db, int64_t id, DWORD index, Value* value);
/// A value by name (case-insensitive; "" is the default value).
DWORD GetValue(sqlite3* db, int64_t id, std::string_view name, Value* value);
/// Sets a value; an existing one keeps its place in the order.
DWORD SetValue(sqlite3* db, int64_t id, std::string_view name, DWORD type, std::string_view data);
DWORD DeleteValue(sqlite3* db, int64_t id, std::string_view name);

/// Helpers for typed values.
std::string SzData(std::string_view text);  // text plus its NUL
std::string DwordData(DWORD v);
std::string MultiSzData(const std::vector<std::string>& items);
/// REG_SZ/REG_EXPAND_SZ text up to its first NUL.
std::string SzText(const Value& value);
std::string_view SzText(std::string_view data);
/// The first four bytes as a little-endian number (fewer: the bytes there are).
DWORD DwordOf(const Value& value);
DWORD DwordOf(std::string_view data);
std::vector<std::string> MultiSzItems(const Value& value);

}  // namespace winsim::regstore
