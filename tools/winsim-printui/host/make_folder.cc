// The simulated system: the Windows path mapped to its host folder.
#include "tools/winsim-printui/make_folder.h"

#include <filesystem>

#include "platform/winsim/winsim.h"

namespace printui {

void MakeFolder(const std::string& windows_dir) {
  std::string host;
  if (winsim::ToHostPath(windows_dir, &host) != 0) return;
  std::error_code ec;
  std::filesystem::create_directories(host, ec);
}

}  // namespace printui
