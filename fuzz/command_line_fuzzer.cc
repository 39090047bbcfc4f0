// The installer's command-line parser over arbitrary bytes, in the single-
// and double-byte code pages: it must never crash or read past the line,
// and every value it fills must be a piece of the line.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "installer/front/command_line.h"
#include "platform/winsim/winsim.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char tmpl[] = "/tmp/fuzz-command-line-XXXXXX";
  if (const char* dir = mkdtemp(tmpl)) winsim::SetRoot(dir);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string line(reinterpret_cast<const char*>(data), size);
  line = line.substr(0, line.find('\0'));  // the start-up code hands a C string
  std::string inf, printer, models;
  unsigned short mode = ParseCommandLine(line.c_str(), inf, printer, models);
  if (mode != ModeInvalid && mode != ModeInstall && mode != ModeUninstall && mode != ModeHelp) abort();
  for (const std::string* v : {&inf, &printer, &models})
    if (!v->empty() && line.find(*v) == std::string::npos) abort();
  if ((mode == ModeInstall || mode == ModeUninstall) && (inf.empty() || printer.empty())) abort();
  return 0;
}
