#include "tools/kitcheck/run.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <vector>

extern char** environ;

namespace kitcheck {
namespace {

// The environment of this process with the simulated system's root and the
// installer's trace set.
std::vector<std::string> ChildEnvironment(const std::string& root, const std::string& trace_file) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::strncmp(*e, "WINSIM_ROOT=", 12) == 0 || std::strncmp(*e, "QUILLSET_TRACE=", 15) == 0)
      continue;
    env.emplace_back(*e);
  }
  env.push_back("WINSIM_ROOT=" + root);
  env.push_back("QUILLSET_TRACE=" + trace_file);
  return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (std::string& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

}  // namespace

std::string InstallerProgram() {
  char self[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return "quillset";
  std::string path(self, static_cast<size_t>(n));
  return path.substr(0, path.rfind('/') + 1) + "quillset";
}

int RunInstaller(const std::string& program, const std::string& command_line,
                 const std::string& root, const std::string& trace_file, std::string* error) {
  std::vector<std::string> argv_strings = {program, command_line};
  std::vector<std::string> env_strings = ChildEnvironment(root, trace_file);
  std::vector<char*> argv = Pointers(argv_strings);
  std::vector<char*> envp = Pointers(env_strings);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    *error = "cannot run " + program + ": " + std::strerror(rc);
    return -1;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      *error = "lost the installer process: " + std::string(std::strerror(errno));
      return -1;
    }
  }
  if (!WIFEXITED(status)) {
    *error = program + " ended abnormally (signal " + std::to_string(WTERMSIG(status)) + ")";
    return -1;
  }
  return WEXITSTATUS(status);
}

bool WaitForPrinterUi(const std::string& root) {
  int fd = ::open((root + "/printui.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return true;  // no printer UI ever ran here
  bool free = false;
  for (int tries = 0; tries < 1200 && !free; ++tries) {
    free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (!free) ::usleep(50 * 1000);
  }
  ::close(fd);
  return free;
}

}  // namespace kitcheck
