// The host side of "rundll32.exe printui.dll,PrintUIEntry": finds the
// winsim-printui program and starts it the way Windows starts rundll32 from
// ShellExecute, as a separate process the caller does not wait for.
#include "platform/winsim/printui_launch.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string_view>
#include <vector>

#include "platform/winsim/registry_store.h"
#include "platform/winsim/winsim.h"

#ifndef KIT_PRINTUI_DEFAULT_PATH
#define KIT_PRINTUI_DEFAULT_PATH "winsim-printui"
#endif

namespace winsim {
namespace {

constexpr char kProgramName[] = "winsim-printui";

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool SameWindowsPath(std::string_view a, std::string_view b) {
  std::string host_a, host_b;
  if (ToHostPath(a, &host_a) != 0 || ToHostPath(b, &host_b) != 0) return false;
  return regstore::FoldName(host_a) == regstore::FoldName(host_b);
}

/// The module rundll32 loads: the text before the first comma, without
/// blanks and enclosing quotes.
std::string_view ModuleOf(std::string_view parameters) {
  std::string_view module = Trimmed(parameters.substr(0, parameters.find(',')));
  if (module.size() >= 2 && module.front() == '"' && module.back() == '"') {
    module = module.substr(1, module.size() - 2);
  }
  return module;
}

bool IsExecutable(const std::string& path) { return ::access(path.c_str(), X_OK) == 0; }

/// winsim-printui beside the running program, else where the build put it.
std::string PrintUiProgram() {
  char self[4096];
  ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n > 0) {
    std::string dir(self, static_cast<size_t>(n));
    dir.erase(dir.rfind('/') + 1);
    if (IsExecutable(dir + kProgramName)) return dir + kProgramName;
  }
  return KIT_PRINTUI_DEFAULT_PATH;
}

/// Runs in the first child: a session of its own, the lock, and the
/// grandchild that execs the program. Only async-signal-safe calls.
[[noreturn]] void DetachAndExec(const char* program, char* const argv[], const char* lock_path,
                                const char* host_directory) {
  ::setsid();
  int lock = ::open(lock_path, O_RDWR | O_CREAT, 0644);  // kept open across exec on purpose
  if (lock >= 0) ::flock(lock, LOCK_SH);
  pid_t grandchild = ::fork();
  if (grandchild == 0) {
    int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
      ::dup2(null, STDIN_FILENO);
      ::dup2(null, STDOUT_FILENO);
    }
    if (host_directory != nullptr && ::chdir(host_directory) != 0) ::_exit(127);
    ::execv(program, argv);
    ::_exit(127);
  }
  ::_exit(grandchild < 0 ? 1 : 0);
}

}  // namespace

std::string PrintUiLockPath() { return Root() + "/printui.lock"; }

bool StartsPrintUi(const char* file, const char* parameters) {
  if (file == nullptr || parameters == nullptr) return false;
  const std::string& system = Facts().system_dir;
  if (!SameWindowsPath(file, system + "\\rundll32.exe")) return false;
  std::string_view module = ModuleOf(parameters);
  std::string folded = regstore::FoldName(module);
  if (folded == "PRINTUI.DLL" || folded == "PRINTUI") return true;
  return module.find_first_of("\\/:") != std::string_view::npos &&
         SameWindowsPath(module, system + "\\printui.dll");
}

bool StartPrintUi(const std::string& parameters, const char* directory) {
  std::string program = PrintUiProgram();
  if (!IsExecutable(program)) {
    std::fprintf(stderr, "winsim: cannot start the printer UI: %s is missing\n", program.c_str());
    return false;
  }
  std::string host_directory;
  if (directory != nullptr && *directory != '\0' && ToHostPath(directory, &host_directory) != 0) {
    host_directory.clear();
  }
  // Everything the children use is made before fork.
  std::string root = Root();
  std::string lock_path = PrintUiLockPath();
  std::string root_switch = "--root";
  std::vector<char*> argv = {program.data(), root_switch.data(), root.data(),
                             const_cast<char*>(parameters.c_str()), nullptr};
  pid_t child = ::fork();
  if (child < 0) {
    std::fprintf(stderr, "winsim: cannot start the printer UI: fork failed\n");
    return false;
  }
  if (child == 0) {
    DetachAndExec(program.c_str(), argv.data(), lock_path.c_str(),
                  host_directory.empty() ? nullptr : host_directory.c_str());
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return true;
}

}  // namespace winsim
