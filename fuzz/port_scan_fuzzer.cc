// The port-record scan over generated registry values: value names, types
// and data (of any length, terminated or not) come from the input, so the
// scan meets every shape another component could leave behind. It must never
// read past a value or write past the 260-byte port name.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "installer/inf/printer_install.h"
#include "platform/win32.h"
#include "platform/winsim/registry_store.h"
#include "platform/winsim/winsim.h"

namespace {

constexpr char kUsbKey[] = "Software\\Brevant\\QXPrinter\\Port\\USB";
constexpr char kParallelKey[] = "Software\\Brevant\\QXPrinter\\Port\\PARALLEL";

// Takes one length-prefixed piece of the input (at most 600 bytes).
std::string Take(const uint8_t*& data, size_t& size) {
  if (size == 0) return std::string();
  size_t n = std::min<size_t>(data[0] * 3, size - 1);
  std::string piece(reinterpret_cast<const char*>(data + 1), n);
  data += n + 1;
  size -= n + 1;
  return piece;
}

void ClearPortRecords() {
  winsim::Transaction tx(winsim::Transaction::kWrite);
  int64_t id = 0;
  if (winsim::regstore::FindKey(tx.db(), winsim::regstore::kLocalMachine, "Software\\Brevant", &id) == 0)
    winsim::regstore::DeleteTree(tx.db(), id);
  tx.Commit();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char tmpl[] = "/tmp/fuzz-port-scan-XXXXXX";
  if (const char* dir = mkdtemp(tmpl)) winsim::SetRoot(dir);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ClearPortRecords();
  std::string models = Take(data, size);
  for (int record = 0; size > 0 && record < 12; ++record) {
    const char* key_path = data[0] & 1 ? kUsbKey : kParallelKey;
    DWORD type = data[0] >> 1 & 7;
    data++, size--;
    std::string name = Take(data, size);
    std::string value = Take(data, size);
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, key_path, &key) != ERROR_SUCCESS) return 0;
    RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(value.data()),
                   static_cast<DWORD>(value.size()));
    RegCloseKey(key);
  }
  char port[260];
  std::memset(port, 0x5A, sizeof port);
  int code = FindPortInRegistry(kUsbKey, port, "Brevant", models);
  if (code < PortKeyMissing || code > PortMatched) abort();
  if ((code == PortFirstValue || code == PortMatched) && !std::memchr(port, 0, sizeof port)) abort();
  std::string chosen;
  // A value with an empty name (the default value) gives an empty port name.
  if (GetActivePort(chosen, "Brevant", models) != 1 || chosen.size() > 259) abort();
  return 0;
}
