// Windows: CreateDirectoryA on each folder of the path in turn, from the
// drive down; folders that exist already answer ERROR_ALREADY_EXISTS.
#include "tools/winsim-printui/make_folder.h"

#include "platform/win32.h"

namespace printui {

void MakeFolder(const std::string& windows_dir) {
  for (size_t at = windows_dir.find('\\', 3); at != std::string::npos; at = windows_dir.find('\\', at + 1))
    CreateDirectoryA(windows_dir.substr(0, at).c_str(), nullptr);
  CreateDirectoryA(windows_dir.c_str(), nullptr);
}

}  // namespace printui
