// winsim path WINPATH
#include <cstdio>

#include "platform/winsim/winsim.h"
#include "tools/winsim/commands.h"

int RunPath(const Args& args) {
  if (args.size() != 1) return Fail(2, "path: needs exactly one Windows path");
  std::string host;
  if (DWORD err = winsim::ToHostPath(args[0], &host))
    return Fail(1, "path: '" + args[0] + "' names no host path (error " + std::to_string(err) + ")");
  std::printf("%s\n", host.c_str());
  return 0;
}
