#include "installer/inf/cabinet_copy.h"

#include <cstring>

#include "common/error_box.h"
#include "common/strbuf.h"
#include "common/text.h"
#include "common/trace.h"
#include "installer/inf/file_names.h"
#include "installer/inf/inf_access.h"

namespace {

/// Size of the buffer a file-list section is read into.
constexpr DWORD kSectionBufferSize = 1024;

/// Reads `section` of `path` into `buffer`; the read's count.
DWORD ReadSection(const std::string& path, const std::string& section,
                  char (&buffer)[kSectionBufferSize]) {
  std::memset(buffer, 0, sizeof buffer);
  // An empty section name is never handed to the system: native Windows NT
  // faults on it. No section has that name, so it is simply not found.
  if (section.empty()) return 0;
  return GetPrivateProfileSectionA(section.c_str(), buffer, sizeof buffer, path.c_str());
}

/// Copies one section entry into the driver directory; false when it must be
/// looked for in the cabinet. An entry that is not a plain file name is never
/// copied, so nothing lands outside the driver directory.
bool CopySectionEntry(const std::string& inf_dir, const std::string& driver_dir,
                      const std::string& entry) {
  std::string source = kit::FormatString("%s\\%s", inf_dir.c_str(), entry.c_str());
  std::string target = kit::FormatString("%s\\%s", driver_dir.c_str(), entry.c_str());
  TraceLog("[Quillset] Copy file %s --> %s", source.c_str(), target.c_str());
  if (!IsPlainFileName(entry)) return false;
  return MyCopyFile(source, target);
}

/// FILE_IN_CABINET: extract a member whose upper-cased name occurs in the
/// missing-file list, into the driver directory under that upper-cased name.
UINT DecideCabinetMember(const CabinetContext& context, FILE_IN_CABINET_INFO_A* info) {
  if (info == nullptr || info->NameInCabinet == nullptr) return FILEOP_SKIP;
  std::string name = kit::ToUpper(info->NameInCabinet);
  if (context.missing_files_upper.find(name) == std::string::npos) return FILEOP_SKIP;
  // A member that names a path (or nothing) would land outside the driver
  // directory; and a target that does not fit FullTargetName is never cut.
  if (!IsPlainFileName(name)) return FILEOP_SKIP;
  char target[sizeof info->FullTargetName];
  if (!kit::JoinPath(target, context.driver_directory, name)) return FILEOP_SKIP;
  std::memcpy(info->FullTargetName, target, sizeof target);
  return FILEOP_DOIT;
}

}  // namespace

bool CopyFileSection(std::string inf_path, std::string include_inf_path, std::string inf_dir,
                     std::string section, std::string& section_list) {
  char buffer[kSectionBufferSize];
  DWORD count = ReadSection(inf_path, section, buffer);
  if (count == 0 && !include_inf_path.empty()) count = ReadSection(include_inf_path, section, buffer);
  if (count == 0) return false;

  std::string driver_dir = GetDriverDirectory();
  std::string list;
  std::string missing;
  // The read leaves at least two NULs at the end of the buffer, so every
  // entry below `count` is terminated within it.
  size_t limit = count < kSectionBufferSize ? count : kSectionBufferSize - 1;
  for (size_t pos = 0; pos < limit && buffer[pos] != '\0';) {
    std::string entry(buffer + pos, strnlen(buffer + pos, kSectionBufferSize - pos));
    pos += entry.size() + 1;
    list += entry;
    list += ' ';
    if (CopySectionEntry(inf_dir, driver_dir, entry)) {
      TraceLog(" OK !!\n");
    } else {
      missing += entry;
      missing += ' ';
      TraceLog("  File Not Found !!\n");
    }
  }
  section_list = list;

  if (!missing.empty()) {
    TraceLog("[Quillset] CopyFilesInCabinetFile\n");
    CopyFilesInCabinetFile(missing);
  }
  return true;
}

bool CopyFilesInCabinetFile(std::string missing_files) {
  CabinetContext context;
  context.missing_files_upper = kit::ToUpper(missing_files);
  context.driver_directory = GetDriverDirectory();

  char windows[kMaxPath] = {};
  if (GetWindowsDirectoryA(windows, sizeof windows) == 0) return false;
  windows[sizeof windows - 1] = '\0';
  std::string cabinet = kit::FormatString("%s\\Driver Cache\\i386\\driver.cab", windows);
  TraceLog("[Quillset] Cabinet file = %s\n", cabinet.c_str());

  if (SetupIterateCabinetA(cabinet.c_str(), 0, CabinetFileCallback, &context)) return true;
  ShowLastErrorBox(GetLastError(), "Extract files fail");
  return false;
}

UINT CALLBACK CabinetFileCallback(PVOID context, UINT notification, UINT_PTR param1,
                                  UINT_PTR param2) {
  switch (notification) {
    case SPFILENOTIFY_FILEINCABINET:
      if (context == nullptr) return FILEOP_SKIP;
      return DecideCabinetMember(*static_cast<const CabinetContext*>(context),
                                 reinterpret_cast<FILE_IN_CABINET_INFO_A*>(param1));
    case SPFILENOTIFY_FILEEXTRACTED: {
      const auto* paths = reinterpret_cast<const FILEPATHS_A*>(param1);
      TraceLog("[Quillset] %s Extracted\n", paths && paths->Target ? paths->Target : "");
      return NO_ERROR;
    }
    case SPFILENOTIFY_NEEDNEWCABINET:
    default:
      return NO_ERROR;
  }
}

bool MyCopyFile(std::string source, std::string target) {
  // A path that does not fit MAX_PATH is refused here as Windows refuses it,
  // rather than cut into a path that names some other file.
  if (source.size() >= kMaxPath || target.size() >= kMaxPath) {
    ShowLastErrorBox(ERROR_FILENAME_EXCED_RANGE, source.c_str());
    return false;
  }
  if (CopyFileA(source.c_str(), target.c_str(), FALSE)) return true;
  DWORD code = GetLastError();
  if (code == ERROR_FILE_NOT_FOUND) return false;
  ShowLastErrorBox(code, source.c_str());
  return false;
}
