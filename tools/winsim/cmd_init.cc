// winsim init [--version V] [--force] [--bare]
#include <cstdio>

#include "platform/winsim/winsim.h"
#include "tools/winsim/commands.h"

int RunInit(const Args& args) {
  std::string version = "2000";
  bool force = false, bare = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--force") {
      force = true;
    } else if (args[i] == "--bare") {
      bare = true;  // no NTPRINT.INF, no core driver files: for tests that need an empty system
    } else if (args[i] == "--version" && i + 1 < args.size()) {
      version = args[++i];
    } else {
      return Fail(2, "init: unexpected argument '" + args[i] + "'");
    }
  }
  std::string error;
  if (!winsim::InitRoot(version, force, &error, bare)) return Fail(1, "init: " + error);
  std::printf("initialised %s as Windows %s\n", winsim::Root().c_str(), version.c_str());
  return 0;
}
