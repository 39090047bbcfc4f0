// SHELL32!ShellExecuteA of the simulated system. The call is recorded in
// events.jsonl as what a person would have seen open,
//   {"event":"ShellExecute","verb":V,"file":F,"parameters":P,"directory":D,"show":N}
// (null for a NULL string), and a call that Windows would refuse adds
// "result":R, the value it returns. One program is really started:
// "<System>\rundll32.exe printui.dll,..." runs the simulated printer UI
// (winsim-printui) in a process of its own that nothing waits for.
#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/win32.h"
#include "platform/winsim/printui_launch.h"
#include "platform/winsim/registry_store.h"
#include "platform/winsim/winsim.h"

namespace {

// ShellExecute's results: above 32 is success, 32 or below an SE_ERR_ code.
constexpr intptr_t kStarted = 42;
constexpr intptr_t kFileNotFound = 2;  // SE_ERR_FNF
constexpr intptr_t kNoAssociation = 31;  // SE_ERR_NOASSOC

std::string JsonOrNull(const char* text) { return text ? winsim::JsonString(text) : "null"; }

/// The URL schemes a fresh Windows has handlers for.
bool HasUrlHandler(std::string_view address) {
  size_t colon = address.find(':');
  if (colon == std::string_view::npos) return false;
  std::string scheme = winsim::regstore::FoldName(address.substr(0, colon));
  return scheme == "HTTP" || scheme == "HTTPS" || scheme == "FTP" || scheme == "MAILTO" ||
         scheme == "FILE";
}

/// True when `file` (relative names taken in `directory`) is an existing file
/// or folder, which the shell opens with the program registered for it.
bool IsExistingPath(const char* file, const char* directory) {
  std::string path = file;
  bool absolute = path.size() >= 2 && path[1] == ':';
  if (!absolute && directory != nullptr && *directory != '\0') {
    std::string dir = directory;
    if (dir.back() != '\\') dir += '\\';
    path = dir + path;
  }
  std::string host;
  if (winsim::ToHostPath(path, &host) != 0) return false;
  struct stat st;
  return stat(host.c_str(), &st) == 0;
}

HINSTANCE Result(intptr_t value) { return reinterpret_cast<HINSTANCE>(value); }

}  // namespace

extern "C" {

// ---- SHELL32!ShellExecuteA ---------------------------------------------------
// Native: returns a value above 32 when the action was started; an address
// that no program is registered for gives SE_ERR_NOASSOC (31) with last
// error ERROR_NO_ASSOCIATION; no file name gives SE_ERR_FNF (2).
HINSTANCE WINAPI ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                               LPCSTR directory, INT show) {
  if (winsim::FaultInjected("ShellExecuteA")) {
    DWORD code = GetLastError();
    if (code == ERROR_NO_ASSOCIATION) return Result(kNoAssociation);
    return Result(code <= 32 ? static_cast<intptr_t>(code) : 0);
  }
  intptr_t result = kStarted;
  DWORD error = 0;
  if (file == nullptr || *file == '\0') {
    result = kFileNotFound;
    error = ERROR_FILE_NOT_FOUND;
  } else if (!HasUrlHandler(file) && !IsExistingPath(file, directory)) {
    result = kNoAssociation;
    error = ERROR_NO_ASSOCIATION;
  }
  std::string event = "{\"event\":\"ShellExecute\",\"verb\":" + JsonOrNull(verb) +
                      ",\"file\":" + JsonOrNull(file) + ",\"parameters\":" + JsonOrNull(parameters) +
                      ",\"directory\":" + JsonOrNull(directory) + ",\"show\":" + std::to_string(show);
  if (result <= 32) event += ",\"result\":" + std::to_string(result);
  event += "}";
  winsim::AppendEvent(event);
  // Windows starts rundll32 and returns without waiting for it.
  if (result > 32 && winsim::StartsPrintUi(file, parameters)) {
    winsim::StartPrintUi(parameters, directory);
  }
  if (error != 0) SetLastError(error);
  return Result(result);
}

}  // extern "C"
