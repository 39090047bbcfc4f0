// winsim: inspect and prepare a simulated Windows system.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/winsim/winsim.h"
#include "tools/winsim/commands.h"

namespace {

constexpr char kUsage[] =
    "usage: winsim [--root DIR] COMMAND [ARGS]\n"
    "  init [--version 95|95sp|98|98a|me|nt4|2000|xp|vista|7] [--force]\n"
    "  printers [--json]      the local printers\n"
    "  drivers [--json]       the installed printer drivers\n"
    "  default                the default printer\n"
    "  sources                the installation source list\n"
    "  events [--json]        what a person would have seen\n"
    "  reg export [KEY]       registry as .reg text (KEY like HKLM\\Software\\X)\n"
    "  reg import FILE.reg    apply a .reg file (all or nothing)\n"
    "  path WINPATH           the host path of a Windows path\n"
    "The root is --root, else $WINSIM_ROOT, else $XDG_DATA_HOME/winsim or\n"
    "~/.local/share/winsim.\n";

struct Command {
  const char* name;
  int (*run)(const Args&);
};

constexpr Command kCommands[] = {
    {"init", RunInit},         {"reg", RunReg},         {"events", RunEvents},
    {"path", RunPath},         {"printers", RunPrinters}, {"drivers", RunDrivers},
    {"default", RunDefault},   {"sources", RunSources},
};

}  // namespace

int Fail(int code, const std::string& message) {
  std::fprintf(stderr, "winsim: %s\n", message.c_str());
  return code;
}

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) return std::printf("winsim %s\n", KIT_VERSION) < 0;
  int i = 1;
  if (i < argc && std::strcmp(argv[i], "--root") == 0) {
    if (i + 1 >= argc) return Fail(2, "--root needs a directory");
    winsim::SetRoot(argv[i + 1]);
    i += 2;
  }
  if (i >= argc || std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
    std::fputs(kUsage, i >= argc ? stderr : stdout);
    return i >= argc ? 2 : 0;
  }
  std::string name = argv[i];
  Args args(argv + i + 1, argv + argc);
  for (const Command& c : kCommands)
    if (name == c.name) return c.run(args);
  std::fputs(kUsage, stderr);
  return Fail(2, "unknown command '" + name + "'");
}
