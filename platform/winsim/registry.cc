// ADVAPI32 registry functions on the simulated registry.
//
//   RegOpenKeyA RegOpenKeyExA RegCreateKeyA RegDeleteKeyA RegEnumKeyA
//   RegEnumValueA RegQueryValueExA RegSetValueExA RegDeleteValueA RegCloseKey
//
// Results are Win32 error codes, returned (not set as last error), as the
// native functions do. HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER are the
// predefined roots; every other key is a handle of the process's table that
// remembers the access it was opened with. Each call is one transaction.
#include <cstring>

#include "platform/winsim/registry_store.h"
#include "platform/winsim/winsim.h"

namespace {

using winsim::HandleKind;
using winsim::Transaction;
namespace regstore = winsim::regstore;

struct OpenKey : winsim::HandleObject {
  int64_t id = 0;
  REGSAM access = 0;
};

constexpr REGSAM kFullAccess = KEY_ALL_ACCESS;

// The key id and access behind an HKEY; 0 when the handle is not valid.
LONG Resolve(HKEY key, int64_t* id, REGSAM* access) {
  if (int64_t root = regstore::RootId(key)) {
    *id = root;
    *access = kFullAccess;
    return 0;
  }
  auto* open = winsim::LookupHandleAs<OpenKey>(key, HandleKind::kRegistryKey);
  if (!open) return ERROR_INVALID_HANDLE;
  *id = open->id;
  *access = open->access;
  return 0;
}

HKEY NewKeyHandle(int64_t id, REGSAM access) {
  auto open = std::make_unique<OpenKey>();
  open->id = id;
  open->access = access;
  return static_cast<HKEY>(winsim::NewHandle(HandleKind::kRegistryKey, std::move(open)));
}

// Opens or creates `sub_key` below `key` in one transaction.
LONG OpenOrCreate(HKEY key, LPCSTR sub_key, REGSAM access, bool create, PHKEY result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  int64_t parent = 0;
  REGSAM parent_access = 0;
  if (LONG err = Resolve(key, &parent, &parent_access)) return err;
  Transaction tx(create ? Transaction::kWrite : Transaction::kRead);
  if (tx.status()) return static_cast<LONG>(tx.status());
  if (!regstore::KeyExists(tx.db(), parent)) return ERROR_KEY_DELETED;
  int64_t id = 0;
  std::string_view path = sub_key ? sub_key : "";
  DWORD err = create ? regstore::CreateKey(tx.db(), parent, path, &id)
                     : regstore::FindKey(tx.db(), parent, path, &id);
  if (err) return static_cast<LONG>(err);
  if (DWORD c = tx.Commit()) return static_cast<LONG>(c);
  *result = NewKeyHandle(id, access);
  return ERROR_SUCCESS;
}

// Runs `body(db, id)` on the key behind `key` in one transaction, after the
// checks every call makes: a live handle, opened with the `needed` access, to
// a key that still exists. A read commits too, so that a call made inside a
// caller's transaction never spoils it.
template <typename Body>
LONG OnKey(HKEY key, REGSAM needed, Transaction::Mode mode, Body body) {
  int64_t id = 0;
  REGSAM access = 0;
  if (LONG err = Resolve(key, &id, &access)) return err;
  if ((access & needed) != needed) return ERROR_ACCESS_DENIED;
  Transaction tx(mode);
  if (tx.status()) return static_cast<LONG>(tx.status());
  if (!regstore::KeyExists(tx.db(), id)) return ERROR_KEY_DELETED;
  LONG result = body(tx.db(), id);
  if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA) return result;
  if (DWORD err = tx.Commit()) return static_cast<LONG>(err);
  return result;
}

// Copies `bytes` into a caller's buffer of *size bytes by the registry's
// sizing rules: no buffer asks for the size, a short buffer gives
// ERROR_MORE_DATA with the size needed.
LONG CopyData(const std::string& bytes, LPBYTE data, LPDWORD size) {
  if (!size) return data ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
  DWORD needed = static_cast<DWORD>(bytes.size());
  if (data && *size < needed) {
    *size = needed;
    return ERROR_MORE_DATA;
  }
  if (data) std::memcpy(data, bytes.data(), bytes.size());
  *size = needed;
  return ERROR_SUCCESS;
}

bool Fault(const char* function, LONG* code) {
  if (!winsim::FaultInjected(function)) return false;
  *code = static_cast<LONG>(GetLastError());
  return true;
}

}  // namespace

extern "C" {

// ADVAPI32.RegOpenKeyA: opens with full access; a NULL or empty sub-key
// opens a new handle to `key` itself.
LONG WINAPI RegOpenKeyA(HKEY key, LPCSTR sub_key, PHKEY result) {
  LONG code;
  if (Fault("RegOpenKeyA", &code)) return code;
  return OpenOrCreate(key, sub_key, kFullAccess, false, result);
}

// ADVAPI32.RegOpenKeyExA: native ignores the options except
// REG_OPTION_OPEN_LINK; the handle remembers `sam` and later calls check it.
LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR sub_key, DWORD options, REGSAM sam, PHKEY result) {
  LONG code;
  if (Fault("RegOpenKeyExA", &code)) return code;
  return OpenOrCreate(key, sub_key, sam, false, result);
}

// ADVAPI32.RegCreateKeyA: creates every missing key of the path.
LONG WINAPI RegCreateKeyA(HKEY key, LPCSTR sub_key, PHKEY result) {
  LONG code;
  if (Fault("RegCreateKeyA", &code)) return code;
  return OpenOrCreate(key, sub_key, kFullAccess, true, result);
}

// ADVAPI32.RegDeleteKeyA: deletes one key with its values; native refuses a
// key that still has subkeys with ERROR_ACCESS_DENIED.
LONG WINAPI RegDeleteKeyA(HKEY key, LPCSTR sub_key) {
  LONG code;
  if (Fault("RegDeleteKeyA", &code)) return code;
  if (!sub_key) return ERROR_INVALID_PARAMETER;
  int64_t parent = 0;
  REGSAM access = 0;
  if (LONG err = Resolve(key, &parent, &access)) return err;
  Transaction tx(Transaction::kWrite);
  if (tx.status()) return static_cast<LONG>(tx.status());
  int64_t id = 0;
  if (DWORD err = regstore::FindKey(tx.db(), parent, sub_key, &id)) return static_cast<LONG>(err);
  if (DWORD err = regstore::DeleteKey(tx.db(), id)) return static_cast<LONG>(err);
  return static_cast<LONG>(tx.Commit());
}

// ADVAPI32.RegEnumKeyA: the index-th subkey in case-insensitive order;
// ERROR_MORE_DATA when the name and its NUL do not fit.
LONG WINAPI RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD name_size) {
  LONG code;
  if (Fault("RegEnumKeyA", &code)) return code;
  return OnKey(key, KEY_ENUMERATE_SUB_KEYS, Transaction::kRead, [&](sqlite3* db, int64_t id) -> LONG {
    std::string found;
    if (DWORD err = regstore::SubkeyAt(db, id, index, &found)) return static_cast<LONG>(err);
    if (!name || found.size() + 1 > name_size) return ERROR_MORE_DATA;
    std::memcpy(name, found.c_str(), found.size() + 1);
    return ERROR_SUCCESS;
  });
}

// ADVAPI32.RegEnumValueA: the index-th value in the order values were first
// set. *value_name_chars counts the NUL going in and not coming out; the data
// follows the registry's sizing rules; `reserved` must be NULL.
LONG WINAPI RegEnumValueA(HKEY key, DWORD index, LPSTR value_name, LPDWORD value_name_chars,
                          LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD data_bytes) {
  LONG code;
  if (Fault("RegEnumValueA", &code)) return code;
  if (reserved || !value_name || !value_name_chars) return ERROR_INVALID_PARAMETER;
  return OnKey(key, KEY_QUERY_VALUE, Transaction::kRead, [&](sqlite3* db, int64_t id) -> LONG {
    regstore::Value v;
    if (DWORD err = regstore::ValueAt(db, id, index, &v)) return static_cast<LONG>(err);
    if (v.name.size() + 1 > *value_name_chars) return ERROR_MORE_DATA;
    LONG result = CopyData(v.data, data, data_bytes);
    std::memcpy(value_name, v.name.c_str(), v.name.size() + 1);
    *value_name_chars = static_cast<DWORD>(v.name.size());
    if (type) *type = v.type;
    return result;
  });
}

// ADVAPI32.RegQueryValueExA: NULL or "" names the default value. The data is
// returned as stored: a string value written without its NUL comes back
// without one, as on Windows.
LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR value_name, LPDWORD reserved, LPDWORD type,
                             LPBYTE data, LPDWORD data_bytes) {
  LONG code;
  if (Fault("RegQueryValueExA", &code)) return code;
  if (reserved) return ERROR_INVALID_PARAMETER;
  return OnKey(key, KEY_QUERY_VALUE, Transaction::kRead, [&](sqlite3* db, int64_t id) -> LONG {
    regstore::Value v;
    if (DWORD err = regstore::GetValue(db, id, value_name ? value_name : "", &v))
      return static_cast<LONG>(err);
    if (type) *type = v.type;
    return CopyData(v.data, data, data_bytes);
  });
}

// ADVAPI32.RegSetValueExA: stores exactly `data_bytes` bytes.
LONG WINAPI RegSetValueExA(HKEY key, LPCSTR value_name, DWORD reserved, DWORD type,
                           const BYTE* data, DWORD data_bytes) {
  LONG code;
  if (Fault("RegSetValueExA", &code)) return code;
  if (!data && data_bytes) return ERROR_INVALID_PARAMETER;
  std::string_view bytes(reinterpret_cast<const char*>(data), data ? data_bytes : 0);
  return OnKey(key, KEY_SET_VALUE, Transaction::kWrite, [&](sqlite3* db, int64_t id) -> LONG {
    return static_cast<LONG>(regstore::SetValue(db, id, value_name ? value_name : "", type, bytes));
  });
}

// ADVAPI32.RegDeleteValueA.
LONG WINAPI RegDeleteValueA(HKEY key, LPCSTR value_name) {
  LONG code;
  if (Fault("RegDeleteValueA", &code)) return code;
  return OnKey(key, KEY_SET_VALUE, Transaction::kWrite, [&](sqlite3* db, int64_t id) -> LONG {
    return static_cast<LONG>(regstore::DeleteValue(db, id, value_name ? value_name : ""));
  });
}

// ADVAPI32.RegCloseKey: closing a predefined root succeeds and does nothing.
LONG WINAPI RegCloseKey(HKEY key) {
  LONG code;
  if (Fault("RegCloseKey", &code)) return code;
  if (regstore::RootId(key)) return ERROR_SUCCESS;
  return winsim::CloseHandleOf(key, HandleKind::kRegistryKey) ? ERROR_SUCCESS
                                                              : ERROR_INVALID_HANDLE;
}

}  // extern "C"
