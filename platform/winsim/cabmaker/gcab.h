// Packing files into a Microsoft Cabinet (MSZIP) with the gcab program, for
// the build's driver.cab and for kitcheck's layered cabinets.
#pragma once

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>  // environ

#include <string>
#include <vector>

namespace winsim::cabmaker {

/// Runs "gcab -c -z -n CABINET FILES..."; each member is stored under the
/// file's own name. False when gcab is missing or fails.
inline bool PackWithGcab(const std::string& cabinet, const std::vector<std::string>& files) {
  std::vector<std::string> words = {"gcab", "-c", "-z", "-n", cabinet};
  words.insert(words.end(), files.begin(), files.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, "gcab", nullptr, nullptr, argv.data(), environ) != 0) return false;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace winsim::cabmaker
