// winsim reg export [KEY] | reg import FILE.reg
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/winsim/reg_file.h"
#include "platform/winsim/winsim.h"
#include "tools/winsim/commands.h"

namespace {

int Export(const Args& args) {
  if (args.size() > 1) return Fail(2, "reg export: at most one KEY");
  std::string out = std::string(winsim::regfile::kHeader) + "\n\n";
  std::vector<std::pair<std::string, std::string>> keys;
  if (args.empty()) {
    keys = {{"HKEY_LOCAL_MACHINE", ""}, {"HKEY_CURRENT_USER", ""}};
  } else {
    std::string root, path;
    if (!winsim::regfile::SplitKeyName(args[0], &root, &path))
      return Fail(2, "reg export: unknown root key in '" + args[0] + "' (HKLM or HKCU)");
    keys = {{root, path}};
  }
  for (const auto& [root, path] : keys) {
    DWORD err = winsim::regfile::Export(root, path, &out);
    if (err == ERROR_FILE_NOT_FOUND) return Fail(1, "reg export: no such key: " + args[0]);
    if (err) return Fail(1, "reg export: cannot read the registry (error " + std::to_string(err) + ")");
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

int Import(const Args& args) {
  if (args.size() != 1) return Fail(2, "reg import: needs exactly one FILE.reg");
  std::ifstream in(args[0], std::ios::binary);
  if (!in) return Fail(1, "reg import: cannot read " + args[0]);
  std::stringstream text;
  text << in.rdbuf();
  std::vector<winsim::regfile::Operation> ops;
  std::string error;
  if (!winsim::regfile::Parse(text.str(), &ops, &error))
    return Fail(1, "reg import: " + args[0] + ": " + error + "; nothing imported");
  if (DWORD err = winsim::regfile::Apply(ops))
    return Fail(1, "reg import: cannot write the registry (error " + std::to_string(err) + "); nothing imported");
  return 0;
}

}  // namespace

int RunReg(const Args& args) {
  if (args.empty()) return Fail(2, "reg: expected 'export [KEY]' or 'import FILE.reg'");
  Args rest(args.begin() + 1, args.end());
  if (args[0] == "export") return Export(rest);
  if (args[0] == "import") return Import(rest);
  return Fail(2, "reg: unknown subcommand '" + args[0] + "'");
}
