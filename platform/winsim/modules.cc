// KERNEL32 module functions of the simulated system. The only module there
// is to load is the spooler, whose exports are winsim's own spooler functions.
//
//   LoadLibraryA    "winspool.drv" by name or by its path in the system directory
//   GetProcAddress  the spooler's exports by name, and ordinal 202
//   FreeLibrary     drops one reference
//
// As on Windows, loading a module that is already loaded hands back the same
// handle and counts a reference; the handle goes stale with the last
// FreeLibrary.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "platform/win32.h"
#include "platform/winsim/registry_store.h"
#include "platform/winsim/winsim.h"

namespace {

struct SpoolerModule : winsim::HandleObject {};

struct LoadedSpooler {
  HMODULE handle = nullptr;
  int references = 0;
};
LoadedSpooler loaded;

void ForgetModules() { loaded = LoadedSpooler(); }
const bool reset_registered = (winsim::RegisterResetHook(&ForgetModules), true);

struct Export {
  const char* name;
  FARPROC proc;
};

template <typename F>
FARPROC Proc(F* f) {
  // Through void (*)(): the form function pointers of any type pass through.
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(f));
}

// The exports of WINSPOOL.DRV that the simulated spooler implements.
const Export kSpoolerExports[] = {
    {"AddPrinterA", Proc(&AddPrinterA)},
    {"AddPrinterDriverExA", Proc(&AddPrinterDriverExA)},
    {"ClosePrinter", Proc(&ClosePrinter)},
    {"DeletePrinter", Proc(&DeletePrinter)},
    {"DeletePrinterDriverA", Proc(&DeletePrinterDriverA)},
    {"DeletePrinterDriverExA", Proc(&DeletePrinterDriverExA)},
    {"EnumPrintersA", Proc(&EnumPrintersA)},
    {"GetPrinterA", Proc(&GetPrinterA)},
    {"GetPrinterDriverDirectoryA", Proc(&GetPrinterDriverDirectoryA)},
    {"OpenPrinterA", Proc(&OpenPrinterA)},
    {"SetDefaultPrinterA", Proc(&SetDefaultPrinterA)},
    {"SetPrinterA", Proc(&SetPrinterA)},
};
constexpr uintptr_t kSetDefaultPrinterOrdinal = 202;

// Folded as FoldName folds (upper case).
constexpr const char kSpoolerFile[] = "WINSPOOL.DRV";

/// True when `file` names the spooler: its bare file name, or its full
/// path in the system directory (either separator, any letter case).
bool NamesSpooler(const char* file) {
  std::string name = winsim::regstore::FoldName(file);
  for (char& c : name) {
    if (c == '/') c = '\\';
  }
  if (name == kSpoolerFile) return true;
  std::string system_path = winsim::regstore::FoldName(winsim::Facts().system_dir);
  for (char& c : system_path) {
    if (c == '/') c = '\\';
  }
  while (!system_path.empty() && system_path.back() == '\\') system_path.pop_back();
  return name == system_path + "\\" + kSpoolerFile;
}

bool IsLoadedSpooler(HMODULE module) {
  return module != nullptr && module == loaded.handle &&
         winsim::LookupHandle(module, winsim::HandleKind::kModule) != nullptr;
}

}  // namespace

extern "C" {

// ---- KERNEL32!LoadLibraryA ---------------------------------------------------
// Native: a name that no file answers is ERROR_MOD_NOT_FOUND. A bare name
// without an extension gets ".dll" appended, so "winspool" is not the spooler.
HMODULE WINAPI LoadLibraryA(LPCSTR file) {
  if (winsim::FaultInjected("LoadLibraryA")) return nullptr;
  if (file == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!NamesSpooler(file)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  if (!IsLoadedSpooler(loaded.handle)) {
    loaded.handle = static_cast<HMODULE>(
        winsim::NewHandle(winsim::HandleKind::kModule, std::make_unique<SpoolerModule>()));
    loaded.references = 0;
  }
  ++loaded.references;
  return loaded.handle;
}

// ---- KERNEL32!GetProcAddress -------------------------------------------------
// Native: names are matched exactly (case matters); a value below 0x10000
// is an ordinal. An unknown export is ERROR_PROC_NOT_FOUND, a handle that is
// no loaded module ERROR_MOD_NOT_FOUND.
FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name) {
  if (winsim::FaultInjected("GetProcAddress")) return nullptr;
  if (!IsLoadedSpooler(module)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  uintptr_t value = reinterpret_cast<uintptr_t>(name);
  if (value < 0x10000) {
    if (value == kSetDefaultPrinterOrdinal) return Proc(&SetDefaultPrinterOrdinal202);
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  for (const Export& e : kSpoolerExports) {
    if (std::strcmp(e.name, name) == 0) return e.proc;
  }
  SetLastError(ERROR_PROC_NOT_FOUND);
  return nullptr;
}

// ---- KERNEL32!FreeLibrary ----------------------------------------------------
BOOL WINAPI FreeLibrary(HMODULE module) {
  if (winsim::FaultInjected("FreeLibrary")) return FALSE;
  if (!IsLoadedSpooler(module)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  if (--loaded.references == 0) {
    winsim::CloseHandleOf(module, winsim::HandleKind::kModule);
    loaded = LoadedSpooler();
  }
  return TRUE;
}

}  // extern "C"
