// Fuzzes kitcheck's static checks, which read a kit author's INF: arbitrary
// INF bytes (and a printer name and model list taken from the input) checked
// against a fresh simulated system. Checks that every finding has a known
// identifier, a severity, a line within the file, a message and a fix hint.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>

#include <cstdint>
#include <fstream>
#include <string>

#include "tools/kitcheck/findings.h"
#include "tools/kitcheck/sandbox.h"
#include "platform/winsim/winsim.h"

namespace {

#define FUZZ_CHECK(cond) \
  do {                   \
    if (!(cond)) __builtin_trap(); \
  } while (0)

const std::string& Root() {
  static const std::string root = [] {
    char tmpl[] = "/tmp/kit-findings-fuzz-XXXXXX";
    std::string dir = mkdtemp(tmpl) ? tmpl : "/tmp/kit-findings-fuzz";
    kitcheck::UseRoot(dir);
    std::string error;
    winsim::InitRoot("2000", true, &error);
    return dir;
  }();
  return root;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  std::string printer = in.ConsumeRandomLengthString(64);
  std::string models = in.ConsumeRandomLengthString(32);
  std::string inf = in.ConsumeRemainingBytesAsString();
  kitcheck::UseRoot(Root());  // forgets the INF read from the last input
  std::ofstream(Root() + "/drive_c/setup.inf", std::ios::binary | std::ios::trunc) << inf;

  size_t lines = 1;
  for (char c : inf) lines += c == '\n' || c == '\r';
  for (const kitcheck::Finding& f : kitcheck::CheckKit({"C:\\setup.inf", printer, printer, models})) {
    FUZZ_CHECK(f.id.size() == 4 && f.id[0] == 'K');
    FUZZ_CHECK(f.severity == "error" || f.severity == "warning");
    FUZZ_CHECK(f.line <= lines);
    FUZZ_CHECK(!f.message.empty() && !f.hint.empty());
  }
  return 0;
}
