// SETUPAPI functions of the simulated system (the cabinet walk is in cabinet.cc).
//
//   SetupAddToSourceListA       adds a path to "Installation Sources"
//   SetupRemoveFromSourceListA  removes it again
//   SetupCopyOEMInfA            copies an INF to <Windows>\inf\oem<N>.inf
//
// The source list is the REG_MULTI_SZ value "Installation Sources" of
// HKLM\Software\Microsoft\Windows\CurrentVersion\Setup (HKCU for
// SRCLIST_USER), entries compared without regard to letter case.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "platform/winsim/oem_inf.h"
#include "platform/winsim/registry_store.h"
#include "platform/winsim/store.h"
#include "platform/winsim/winsim.h"

namespace {

namespace regstore = winsim::regstore;

constexpr char kSetupKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Setup";
constexpr char kSourcesValue[] = "Installation Sources";

BOOL Fail(DWORD code) {
  SetLastError(code);
  return FALSE;
}

int64_t SourceListRoot(DWORD flags) {
  return (flags & SRCLIST_USER) ? regstore::kCurrentUser : regstore::kLocalMachine;
}

/// The list's entries; an absent value is an empty list.
DWORD ReadSources(sqlite3* db, int64_t key, std::vector<std::string>* items) {
  regstore::Value value;
  DWORD e = regstore::GetValue(db, key, kSourcesValue, &value);
  if (e == ERROR_FILE_NOT_FOUND) return 0;
  if (e != 0) return e;
  *items = regstore::MultiSzItems(value);
  return 0;
}

bool SameSource(const std::string& a, const std::string& b) {
  return regstore::FoldName(a) == regstore::FoldName(b);
}

/// A REG_MULTI_SZ ends at its first empty string, so an empty entry would cut
/// the list short: it is refused rather than stored.
bool ValidSource(PCSTR source) { return source != nullptr && *source != '\0'; }

}  // namespace

extern "C" {

// ---- SETUPAPI!SetupAddToSourceListA ------------------------------------------
// Native: adding a path that is already listed succeeds and changes nothing.
BOOL WINAPI SetupAddToSourceListA(DWORD flags, PCSTR source) {
  if (winsim::FaultInjected("SetupAddToSourceListA")) return FALSE;
  if (!ValidSource(source)) return Fail(ERROR_INVALID_PARAMETER);
  winsim::Transaction txn(winsim::Transaction::kWrite);
  if (txn.status()) return Fail(txn.status());
  int64_t key = 0;
  if (DWORD e = regstore::CreateKey(txn.db(), SourceListRoot(flags), kSetupKey, &key)) return Fail(e);
  std::vector<std::string> items;
  if (DWORD e = ReadSources(txn.db(), key, &items)) return Fail(e);
  for (const std::string& item : items) {
    if (SameSource(item, source)) return TRUE;
  }
  items.push_back(source);
  std::string data = regstore::MultiSzData(items);
  if (DWORD e = regstore::SetValue(txn.db(), key, kSourcesValue, REG_MULTI_SZ, data)) return Fail(e);
  if (DWORD e = txn.Commit()) return Fail(e);
  return TRUE;
}

// ---- SETUPAPI!SetupRemoveFromSourceListA -------------------------------------
// Native: removing a path that is not listed succeeds. A list left empty is
// removed with its value, so an add followed by a remove leaves the
// registry as it was.
BOOL WINAPI SetupRemoveFromSourceListA(DWORD flags, PCSTR source) {
  if (winsim::FaultInjected("SetupRemoveFromSourceListA")) return FALSE;
  if (!ValidSource(source)) return Fail(ERROR_INVALID_PARAMETER);
  winsim::Transaction txn(winsim::Transaction::kWrite);
  if (txn.status()) return Fail(txn.status());
  int64_t key = 0;
  DWORD e = regstore::FindKey(txn.db(), SourceListRoot(flags), kSetupKey, &key);
  if (e == ERROR_FILE_NOT_FOUND) return TRUE;
  if (e != 0) return Fail(e);
  std::vector<std::string> items;
  if (DWORD e = ReadSources(txn.db(), key, &items)) return Fail(e);
  std::vector<std::string> kept;
  for (const std::string& item : items) {
    if (!SameSource(item, source)) kept.push_back(item);
  }
  if (kept.size() == items.size()) return TRUE;
  e = kept.empty() ? regstore::DeleteValue(txn.db(), key, kSourcesValue)
                   : regstore::SetValue(txn.db(), key, kSourcesValue, REG_MULTI_SZ,
                                        regstore::MultiSzData(kept));
  if (e != 0) return Fail(e);
  if (DWORD e = txn.Commit()) return Fail(e);
  return TRUE;
}

// ---- SETUPAPI!SetupCopyOEMInfA -----------------------------------------------
// Native: the INF is copied to the lowest free oem<N>.inf of the system INF
// directory, unless a byte-identical copy is already there, whose name is
// then handed back (with SP_COPY_NOOVERWRITE: FALSE and ERROR_FILE_EXISTS).
// The full path goes to `destination` (ERROR_INSUFFICIENT_BUFFER when it
// does not fit; `required_size` counts the NUL). Here a buffer that is too
// small is found before anything is copied.
BOOL WINAPI SetupCopyOEMInfA(PCSTR source_inf, PCSTR media_location, DWORD media_type,
                             DWORD copy_style, PSTR destination, DWORD destination_size,
                             PDWORD required_size, PSTR* destination_component) {
  if (winsim::FaultInjected("SetupCopyOEMInfA")) return FALSE;
  if (source_inf == nullptr || *source_inf == '\0') return Fail(ERROR_INVALID_PARAMETER);
  if (media_type > SPOST_URL) return Fail(ERROR_INVALID_PARAMETER);
  if (destination == nullptr && destination_size != 0) return Fail(ERROR_INVALID_PARAMETER);

  winsim::oeminf::Placement placement;
  if (DWORD e = winsim::oeminf::Place(source_inf, &placement)) return Fail(e);

  DWORD needed = static_cast<DWORD>(placement.windows_path.size() + 1);
  if (required_size) *required_size = needed;
  if (destination != nullptr && destination_size < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);

  if (!placement.existing) {
    if (DWORD e = winsim::oeminf::Write(&placement)) return Fail(e);
    needed = static_cast<DWORD>(placement.windows_path.size() + 1);
    if (required_size) *required_size = needed;
    if (destination != nullptr && destination_size < needed) {
      // Another process took the planned number and the next one is longer.
      if (!placement.existing) winsim::oeminf::Undo(placement);
      return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
  }
  if (destination != nullptr) {
    std::memcpy(destination, placement.windows_path.c_str(), needed);
    if (destination_component) {
      *destination_component = destination + placement.windows_path.rfind('\\') + 1;
    }
  }
  if (placement.existing && (copy_style & SP_COPY_NOOVERWRITE) != 0) return Fail(ERROR_FILE_EXISTS);
  return TRUE;
}

}  // extern "C"
