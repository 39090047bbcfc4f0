// `winsim sources`: the installation source list, one path a line, in the
// order the entries were added.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/winsim/registry_store.h"
#include "platform/winsim/store.h"
#include "tools/winsim/commands.h"

namespace {

constexpr char kSetupKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Setup";
constexpr char kSourcesValue[] = "Installation Sources";

}  // namespace

int RunSources(const Args& args) {
  if (!args.empty()) return Fail(2, "usage: winsim sources");
  namespace regstore = winsim::regstore;
  winsim::Transaction txn(winsim::Transaction::kRead);
  if (txn.status()) return Fail(1, "sources: cannot read the registry (error " + std::to_string(txn.status()) + ")");
  int64_t key = 0;
  DWORD e = regstore::FindKey(txn.db(), regstore::kLocalMachine, kSetupKey, &key);
  if (e == ERROR_FILE_NOT_FOUND) return 0;
  if (e != 0) return Fail(1, "sources: cannot read the registry (error " + std::to_string(e) + ")");
  regstore::Value value;
  e = regstore::GetValue(txn.db(), key, kSourcesValue, &value);
  if (e == ERROR_FILE_NOT_FOUND) return 0;
  if (e != 0) return Fail(1, "sources: cannot read the registry (error " + std::to_string(e) + ")");
  for (const std::string& item : regstore::MultiSzItems(value)) {
    std::fwrite(item.data(), 1, item.size(), stdout);
    std::fputc('\n', stdout);
  }
  return 0;
}
