#include "installer/inf/file_copy.h"

#include "common/strbuf.h"
#include "common/text.h"
#include "common/trace.h"
#include "installer/inf/cabinet_copy.h"
#include "installer/inf/file_names.h"
#include "installer/inf/inf_access.h"
#include "platform/win32.h"

namespace {

/// Copies one "@" item's file from the INF directory; false ends the walk.
/// A name that is not a plain file name is refused without a copy.
bool CopySingleFile(const std::string& inf_dir, const std::string& driver_dir,
                    const std::string& file_name) {
  std::string source = kit::FormatString("%s\\%s", inf_dir.c_str(), file_name.c_str());
  std::string target = kit::FormatString("%s\\%s", driver_dir.c_str(), file_name.c_str());
  TraceLog("[Quillset] Copy File %s --> %s ", source.c_str(), target.c_str());
  if (!IsPlainFileName(file_name) || !MyCopyFile(source, target)) {
    TraceLog(" Fail !!\n");
    return false;
  }
  TraceLog(" OK !!\n");
  return true;
}

/// True for an INF that Windows itself installed: Microsoft reserves the
/// [Version] entry LayoutFile for the INFs the system ships (INF Version
/// Section), so a vendor's INF has none.
bool IsSystemInf(const std::string& path) {
  return !MyGetProfileString(path, "Version", "LayoutFile").empty();
}

}  // namespace

bool CopyDriverFiles(std::string inf_path, std::string ddi_section, std::string& copied_files) {
  std::string include_inf = GetIncludeInfPath(inf_path, ddi_section);
  std::string copy_files = MyGetProfileString(inf_path, ddi_section, "CopyFiles");
  if (copy_files.empty()) return false;

  std::string inf_dir = kit::DirectoryPart(inf_path);
  std::string driver_dir = GetDriverDirectory();
  std::string list;
  size_t pos = 0;
  for (;;) {
    // Items are taken as they stand between the commas, blanks included.
    size_t comma = kit::FindChar(copy_files, ',', pos);
    std::string item = comma == kit::kNotFound ? copy_files.substr(pos)
                                               : copy_files.substr(pos, comma - pos);
    if (!item.empty() && item[0] == '@') {
      std::string file_name = kit::RemoveChar(item, '@');
      list += file_name;
      list += ' ';
      if (!CopySingleFile(inf_dir, driver_dir, file_name)) return false;
    } else {
      TraceLog("[Quillset] Copy File Section ( %s ) \n", item.c_str());
      std::string section_list;
      if (!CopyFileSection(inf_path, include_inf, inf_dir, item, section_list)) return false;
      list += section_list;
    }
    if (comma == kit::kNotFound) break;
    pos = comma + 1;
  }
  copied_files = list;
  return true;
}

bool CopyInfToWindowsInf(std::string inf_path) {
  char windows[kMaxPath] = {};
  GetWindowsDirectoryA(windows, sizeof windows);
  windows[sizeof windows - 1] = '\0';
  std::string file_name = kit::FileNamePart(inf_path);
  std::string target = kit::FormatString("%s\\inf\\%s", windows, file_name.c_str());
  if (IsSystemInf(target)) {
    TraceLog("[Quillset] %s is the system's own INF: kept\n", target.c_str());
    return true;
  }
  return MyCopyFile(inf_path, target);
}
