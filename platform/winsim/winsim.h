// Internals shared by the areas of the simulated Windows system: the root
// directory and its system facts, fault injection, path mapping, the event
// log and the handle table. Operation code never includes this; the winsim
// tool and the tests do.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32.h"

namespace winsim {

// ---- root and system facts (system.cc) ------------------------------------

/// The root directory: --root / SetRoot, else WINSIM_ROOT, else
/// $XDG_DATA_HOME/winsim or ~/.local/share/winsim. A missing root is created
/// with a default system.ini and drive_c tree on first use.
const std::string& Root();

/// Overrides the root for this process (the tool's --root, tests).
void SetRoot(const std::string& dir);

/// Forgets everything cached for the process (root, facts, database
/// connection, profile cache, fault counters, handles), so that a test can
/// point the process at a fresh root.
void ResetProcessState();

/// Lets an area forget its own per-process caches on ResetProcessState
/// (e.g. the profile cache): `static const bool r = (RegisterResetHook(&F), true);`
void RegisterResetHook(void (*hook)());

struct VersionFacts {
  DWORD platform_id = 2;
  DWORD major = 5;
  DWORD minor = 0;
  DWORD build = 2195;
  std::string csd = "Service Pack 4";
  bool extended_record = true;  // 156-byte OSVERSIONINFOEXA accepted
  bool fail = false;            // every GetVersionExA call fails
};

struct SystemFacts {
  VersionFacts version;
  std::string windows_dir = "C:\\WINDOWS";
  std::string system_dir = "C:\\WINDOWS\\system32";
  std::string driver_dir = "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86";
  UINT code_page = 1252;
  // [storage] ThrowAway=1: a system deleted after its run (kitcheck's, tests')
  // whose files and store need not survive a power loss, so nothing written
  // into it is flushed to the disk. Never set by default.
  bool throw_away = false;
};

/// The facts of system.ini, read once per process. Unknown or malformed
/// lines are ignored (with one warning on stderr).
const SystemFacts& Facts();

/// The versions InitRoot knows, oldest first: 95, 95sp, 98, 98a, me, nt4,
/// 2000, xp, 2003, vista, 7, 8, 8.1, 10, 11.
std::vector<std::string> VersionNames();

/// Writes a fresh system.ini for one of VersionNames(). Returns false with a
/// message for an unknown name or a root that cannot be written. Unless
/// `bare`, the system also gets the printer class installer's NTPRINT.INF and
/// core driver files that a Windows of that version holds (system_drivers.h).
bool InitRoot(const std::string& version_name, bool force, std::string* error, bool bare = false);

// ---- faults (faults.cc) ----------------------------------------------------

/// True when system.ini's [faults] says this call of `function` fails
/// (`Function=Code` for every call, `Function#N=Code` for the N-th call of
/// the process); the last error is then already set to Code. Every Win32
/// function of winsim asks this first and returns its failure value.
bool FaultInjected(const char* function);

// ---- names in the system code page (codepage.cc) -----------------------------

/// ANSI text in the system code page ([locale] CodePage) as code points, as
/// MultiByteToWideChar(CP_ACP) gives them.
std::u32string AnsiToWide(std::string_view ansi);

/// Code points as ANSI text in the system code page, with Windows' best fit
/// where the code page lacks a character and '?' where there is none.
std::string WideToAnsi(std::u32string_view wide);

/// Host file names are UTF-8. false for bytes that are not UTF-8 (such a
/// host name has no Windows form).
bool Utf8ToWide(std::string_view utf8, std::u32string* wide);
std::string WideToUtf8(std::u32string_view wide);

/// The positions, in order, of the bytes of `chars` in ANSI text of the
/// system code page, leaving out the trail bytes of double-byte characters
/// (code pages 932, 936, 949, 950), which may be 0x5C (`\`) or `/`-like.
std::vector<size_t> AnsiCharPositions(std::string_view ansi, std::string_view chars);

/// The first / last of those positions, or npos.
size_t FindAnsiChar(std::string_view ansi, std::string_view chars);
size_t FindLastAnsiChar(std::string_view ansi, std::string_view chars);

/// The upper case of one character, as the file system compares names
/// (Unicode simple case mapping).
char32_t UpperCaseOf(char32_t c);

// ---- paths (paths.cc) ------------------------------------------------------

/// Maps a Windows path (ANSI, system code page) to a host path: C: is
/// <root>/drive_c, Z: is the host's /, backslash (or slash) separates. The
/// path is first made full as GetFullPathNameA does (relative to the current
/// directory, `.` and `..` folded, trailing dots and blanks dropped), then
/// each component is named in UTF-8; existing components are found without
/// regard to letter case, components that do not exist are kept as spelled.
/// Returns 0, ERROR_PATH_NOT_FOUND (other drives, an empty path),
/// ERROR_BAD_PATHNAME (UNC) or ERROR_INVALID_NAME (a DOS device such as CON or
/// NUL.TXT as the last component, or characters a Windows name
/// cannot hold).
DWORD ToHostPath(std::string_view windows_path, std::string* host_path);

/// True when two file names (ANSI, system code page) open the same file in
/// one folder: compared as the path rules above leave a last component
/// (trailing dots and blanks dropped) and without regard to letter case.
bool SameFileName(std::string_view a, std::string_view b);

/// The Windows form (system code page) of a host path below the root's
/// drive_c or anywhere (Z:). Used for messages and for paths handed back to
/// callers.
std::string ToWindowsPath(const std::string& host_path);

/// Maps errno from a host file operation to a Win32 error code.
DWORD ErrnoToWin32(int err);

// ---- events (events.cc) ----------------------------------------------------

/// Appends one JSON object (without a line end) to <root>/events.jsonl in a
/// single write, so that concurrent processes never interleave lines.
void AppendEvent(const std::string& json_object);

/// A JSON string literal for ANSI bytes: each byte stands for the code point
/// of the same value (U+0000..U+00FF), so the text is byte-exact.
std::string JsonString(std::string_view bytes);

/// Reads one line of the event log: a flat object of string, number and null
/// members, strings back as the bytes they stand for. False when unreadable.
bool ParseEventLine(const std::string& line, std::map<std::string, std::string>* out);

// ---- handles (handles.cc) --------------------------------------------------

enum class HandleKind { kRegistryKey = 1, kPrinter, kFindSearch, kModule, kFile };

/// What a handle stands for; each area derives its own record.
struct HandleObject {
  virtual ~HandleObject() = default;
};

/// Registers an object and returns its new opaque handle value.
void* NewHandle(HandleKind kind, std::unique_ptr<HandleObject> object);

/// The object behind a handle of that kind, or nullptr for a stale, closed,
/// forged or other-kind handle.
HandleObject* LookupHandle(const void* handle, HandleKind kind);

template <typename T>
T* LookupHandleAs(const void* handle, HandleKind kind) {
  return static_cast<T*>(LookupHandle(handle, kind));
}

/// Closes a handle; false when it is not a live handle of that kind.
bool CloseHandleOf(const void* handle, HandleKind kind);

}  // namespace winsim
