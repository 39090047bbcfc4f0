#include "tools/winsim-printui/rundll.h"

#include "platform/win32.h"
#include "tools/winsim-printui/arguments.h"
#include "tools/winsim-printui/inf_line.h"
#include "tools/winsim-printui/install.h"
#include "tools/winsim-printui/messages.h"

namespace printui {
namespace {

std::string Trimmed(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return std::string();
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

/// The module's file: a bare name in the system directory, else as given.
std::string ModulePath(const std::string& module) {
  if (module.find_first_of("\\/:") != std::string::npos) return module;
  char system[MAX_PATH] = {};
  UINT n = GetSystemDirectoryA(system, sizeof system);
  if (n == 0 || n >= sizeof system) return module;
  return std::string(system) + "\\" + module;
}

/// rundll32 looks the entry up with GetProcAddress, which minds case, as
/// NAMEW first, then NAME: printui.dll exports PrintUIEntryW.
bool IsPrintUiEntry(const std::string& entry) {
  return entry == "PrintUIEntry" || entry == "PrintUIEntryW";
}

}  // namespace

int RunDll32(const std::string& command_line) {
  size_t comma = command_line.find(',');
  if (comma == std::string::npos) return 1;  // rundll32 has nothing to call
  std::string module = Trimmed(command_line.substr(0, comma));
  if (module.size() >= 2 && module.front() == '"' && module.back() == '"') {
    module = module.substr(1, module.size() - 2);
  }
  std::string rest = command_line.substr(comma + 1);
  size_t blank = rest.find_first_of(" \t");
  std::string entry = rest.substr(0, blank);
  std::string arguments = blank == std::string::npos ? std::string() : rest.substr(blank + 1);

  DWORD attributes = GetFileAttributesA(ModulePath(module).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    ShowModuleNotFound(module);
    return 1;
  }
  if (!IsPrintUiEntry(entry)) {
    ShowMissingEntry(module, entry);
    return 1;
  }
  return PrintUiEntry(arguments);
}

int PrintUiEntry(const std::string& arguments) {
  Arguments args;
  if (!ParseArguments(SplitCommandLine(arguments), &args)) {
    ShowInvalidArguments();
    return 1;
  }
  if (!args.unsimulated.empty()) {
    ShowNotSimulated(args.unsimulated);
    return 1;
  }
  // /if needs the INF, the model and the port.
  if (args.inf.empty() || args.model.empty() || args.port.empty()) {
    ShowInvalidArguments();
    return 1;
  }
  return InstallFromInf(args) == 0 ? 0 : 1;
}

}  // namespace printui
