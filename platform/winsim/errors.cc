// KERNEL32 error codes and their system texts.
//
//   GetLastError SetLastError FormatMessageA
//
// FormatMessageA knows the English system texts (as Windows words them, each
// ending in CR LF) of every code the kit can meet; for any other code it
// fails with ERROR_MR_MID_NOT_FOUND, as native does for an unknown id.
#include <cstring>

#include "platform/winsim/winsim.h"

namespace {

thread_local DWORD g_last_error = 0;

struct SystemText {
  DWORD code;
  const char* text;
};

constexpr SystemText kSystemTexts[] = {
    {0, "The operation completed successfully."},
    {1, "Incorrect function."},
    {2, "The system cannot find the file specified."},
    {3, "The system cannot find the path specified."},
    {5, "Access is denied."},
    {6, "The handle is invalid."},
    {8, "Not enough storage is available to process this command."},
    {13, "The data is invalid."},
    {14, "Not enough storage is available to complete this operation."},
    {18, "There are no more files."},
    {29, "The system cannot write to the specified device."},
    {30, "The system cannot read from the specified device."},
    {31, "A device attached to the system is not functioning."},
    {32, "The process cannot access the file because it is being used by another process."},
    {39, "The disk is full."},
    {80, "The file exists."},
    {87, "The parameter is incorrect."},
    {112, "There is not enough space on the disk."},
    {120, "This function is not supported on this system."},
    {122, "The data area passed to a system call is too small."},
    {123, "The filename, directory name, or volume label syntax is incorrect."},
    {124, "The system call level is not correct."},
    {126, "The specified module could not be found."},
    {127, "The specified procedure could not be found."},
    {161, "The specified path is invalid."},
    {183, "Cannot create a file when that file already exists."},
    {206, "The filename or extension is too long."},
    {234, "More data is available."},
    {259, "No more data is available."},
    {995, "The I/O operation has been aborted because of either a thread exit or an application request."},
    {1009, "The configuration registry database is corrupt."},
    {1010, "The configuration registry key is invalid."},
    {1011, "The configuration registry key could not be opened."},
    {1012, "The configuration registry key could not be read."},
    {1013, "The configuration registry key could not be written."},
    {1018, "Illegal operation attempted on a registry key that has been marked for deletion."},
    {1155, "No application is associated with the specified file for this operation."},
    {1168, "Element not found."},
    {1795, "The specified printer driver is already installed."},
    {1796, "The specified port is unknown."},
    {1797, "The printer driver is unknown."},
    {1798, "The print processor is unknown."},
    {1801, "The printer name is invalid."},
    {1802, "The printer already exists."},
    {1803, "The printer command is invalid."},
    {1804, "The specified datatype is invalid."},
    {1805, "The environment specified is invalid."},
    {3001, "The specified printer driver is currently in use."},
    {3014, "The printer driver is known to harm the system."},
};

const char* FindSystemText(DWORD code) {
  for (const SystemText& t : kSystemTexts)
    if (t.code == code) return t.text;
  return nullptr;
}

}  // namespace

extern "C" {

// KERNEL32.GetLastError: per thread, as native.
DWORD WINAPI GetLastError(void) { return g_last_error; }

// KERNEL32.SetLastError.
void WINAPI SetLastError(DWORD code) { g_last_error = code; }

// KERNEL32.FormatMessageA, for FORMAT_MESSAGE_FROM_SYSTEM only. With
// FORMAT_MESSAGE_ALLOCATE_BUFFER, `buffer` receives a LocalAlloc'ed block
// (free it with LocalFree); else the text must fit `size` bytes with its NUL
// (ERROR_INSUFFICIENT_BUFFER otherwise). Returns the length without the NUL.
DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID source, DWORD message_id, DWORD language_id,
                            LPSTR buffer, DWORD size, va_list* arguments) {
  if (winsim::FaultInjected("FormatMessageA")) return 0;
  if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || !buffer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const char* text = FindSystemText(message_id);
  if (!text) {
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
  }
  std::string full = std::string(text) + "\r\n";
  DWORD length = static_cast<DWORD>(full.size());
  if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
    DWORD bytes = length + 1 > size ? length + 1 : size;
    auto* block = static_cast<char*>(LocalAlloc(LMEM_ZEROINIT, bytes));
    if (!block) return 0;
    std::memcpy(block, full.c_str(), length + 1);
    *reinterpret_cast<char**>(buffer) = block;
    return length;
  }
  if (length + 1 > size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(buffer, full.c_str(), length + 1);
  return length;
}

}  // extern "C"
