// winsim: inspect and prepare a simulated Windows system.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/winsim/winsim.h"
#include "tools/winsim/commands.h"

namespace {

constexpr char kUsage[] =
    "usage: winsim [--root DIR] COMMAND [ARGS]\n"
    "  init [--version 95|95sp|98|98a|me|nt4|2000|xp|2003|vista|7|8|8.1|10|11]\n"
    "       [--force] [--bare]\n"
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
  const char* usage;
};

constexpr Command kCommands[] = {
    {"init", RunInit,
     "usage: winsim init [--version 95|95sp|98|98a|me|nt4|2000|xp|2003|vista|7|8|8.1|10|11]"
     " [--force] [--bare]\n"},
    {"reg", RunReg,
     "usage: winsim reg export [KEY]     registry as .reg text (KEY like HKLM\\Software\\X)\n"
     "       winsim reg import FILE.reg  apply a .reg file (all or nothing)\n"},
    {"events", RunEvents, "usage: winsim events [--json]\n"},
    {"path", RunPath, "usage: winsim path WINPATH   the host path of a Windows path\n"},
    {"printers", RunPrinters, "usage: winsim printers [--json]\n"},
    {"drivers", RunDrivers, "usage: winsim drivers [--json]\n"},
    {"default", RunDefault, "usage: winsim default\n"},
    {"sources", RunSources, "usage: winsim sources\n"},
};

// The options every level of the tool answers, whatever the command.
enum class ToolOption { kNone, kHelp };

ToolOption OptionOf(const std::string& word) {
  if (word == "--help" || word == "-h") return ToolOption::kHelp;
  return ToolOption::kNone;
}

/// Answers a tool option among `words` with `usage` on stdout; -1 when
/// there is none and the command should run.
int AnswerToolOption(const Args& words, const char* usage) {
  for (const std::string& word : words) {
    if (OptionOf(word) == ToolOption::kHelp) {
      std::fputs(usage, stdout);
      return 0;
    }
  }
  return -1;
}

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
  if (i >= argc) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string name = argv[i];
  if (OptionOf(name) != ToolOption::kNone) return AnswerToolOption({name}, kUsage);
  Args args(argv + i + 1, argv + argc);
  for (const Command& c : kCommands) {
    if (name != c.name) continue;
    int answered = AnswerToolOption(args, c.usage);
    return answered >= 0 ? answered : c.run(args);
  }
  std::fputs(kUsage, stderr);
  return Fail(2, "unknown command '" + name + "'");
}
