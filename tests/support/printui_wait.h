// Waiting for the simulated printer UI, which ShellExecuteA starts without
// waiting: every winsim-printui process holds a shared lock on
// <root>/printui.lock while it runs, so an exclusive lock is granted once
// all of them have ended.
#pragma once

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

namespace kit_test {

/// True once no printer UI runs in `root` any more; false after `seconds`.
inline bool WaitForPrintUi(const std::string& root, int seconds = 60) {
  int fd = ::open((root + "/printui.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  bool free = false;
  while (!(free = ::flock(fd, LOCK_EX | LOCK_NB) == 0) &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ::close(fd);
  return free;
}

}  // namespace kit_test
