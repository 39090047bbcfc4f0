// The .reg importer over arbitrary text: parsing never crashes, a file that
// parses applies in one transaction, and what is exported parses again.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/winsim/reg_file.h"
#include "platform/winsim/winsim.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char tmpl[] = "/tmp/fuzz-reg-file-XXXXXX";
  if (const char* dir = mkdtemp(tmpl)) winsim::SetRoot(dir);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<winsim::regfile::Operation> ops;
  std::string error;
  if (!winsim::regfile::Parse(text, &ops, &error)) {
    if (!ops.empty() || error.rfind("line ", 0) != 0) abort();
    return 0;
  }
  if (winsim::regfile::Apply(ops) != 0) return 0;
  std::string exported;
  if (winsim::regfile::Export("HKEY_LOCAL_MACHINE", "", &exported) != 0) abort();
  std::vector<winsim::regfile::Operation> again;
  if (!winsim::regfile::Parse(std::string(winsim::regfile::kHeader) + "\n" + exported, &again, &error))
    abort();
  return 0;
}
