// The model-line split over generated INF text: a model section whose line
// for the printer holds arbitrary bytes, and arbitrary INF text around it.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "installer/inf/model_lookup.h"
#include "platform/winsim/winsim.h"

namespace {
std::string g_dir;
unsigned long g_count = 0;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char tmpl[] = "/tmp/fuzz-model-line-XXXXXX";
  if (const char* dir = mkdtemp(tmpl)) {
    winsim::SetRoot(dir);
    g_dir = dir;
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  size_t split = input.find('\n');
  std::string value = input.substr(0, split);
  std::string rest = split == std::string::npos ? std::string() : input.substr(split + 1);
  // A new file name each time: the INF reader caches by path, size and time.
  std::string name = "m" + std::to_string(g_count++) + ".inf";
  std::string host = g_dir + "/drive_c/" + name;
  std::ofstream(host, std::ios::binary)
      << "[Manufacturer]\r\n\"Brevant\"\r\n[Brevant]\r\n\"Brevant P\" = " << value << "\r\n" << rest;
  std::string ddi = "untouched", pnp = "untouched";
  bool found = GetDDISection("C:\\" + name, "\"Brevant P\"", ddi, pnp);
  unlink(host.c_str());
  if (!found && (ddi != "untouched" || pnp != "untouched")) abort();
  if (found) {
    if (ddi.find(' ') != std::string::npos || ddi.find(',') != std::string::npos) abort();
    if (pnp != "untouched" && (pnp.find(',') != std::string::npos || pnp.find(' ') != std::string::npos)) abort();
    if (ddi.size() > 259 || (pnp != "untouched" && pnp.size() > 259)) abort();
  }
  return 0;
}
