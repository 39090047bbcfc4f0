// Times the installer's command-line parser on the longest line Windows
// hands a program (32,767 characters), in the three shapes that cost the
// most: every byte a slash (a token per byte), every byte after the switch
// a double quote, and double-byte text of code page 932 whose trail bytes
// are 0x5C, split into many tokens.
//
//   command_line_parse [RUNS]
//
// Prints one line per shape: the CPU milliseconds of one parse (the best
// mean of three batches of RUNS parses, default 20; CPU time, so that other
// work on a shared machine does not count), and the mode and value sizes it
// gave. The simulated system is a fresh root of the chosen code page below
// $TMPDIR.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "installer/front/command_line.h"
#include "platform/winsim/winsim.h"

namespace {

constexpr size_t kLongestLine = 32767;

struct Shape {
  const char* name;
  unsigned code_page;
  std::string line;
};

std::string Slashes() { return std::string(kLongestLine, '/'); }

std::string Quotes() {
  std::string line = "/INF ";
  line.resize(kLongestLine, '"');
  return line;
}

/// Tokens of `/MDL "` and ten double-byte characters 0x95 0x5C, then '"'.
std::string DoubleByteText() {
  std::string token = "/MDL \"";
  for (int i = 0; i < 10; ++i) token += "\x95\x5C";
  token += '"';
  std::string line;
  while (line.size() + token.size() <= kLongestLine) line += token;
  line.resize(kLongestLine, 'x');
  return line;
}

double CpuMilliseconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

/// Points the process at a fresh root with the given ANSI code page.
bool UseCodePage(unsigned code_page) {
  const char* tmp = std::getenv("TMPDIR");
  std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/command-line-bench-XXXXXX";
  if (mkdtemp(tmpl.data()) == nullptr) return false;
  winsim::SetRoot(tmpl);
  winsim::Root();  // create the default tree, then replace its system.ini
  std::ofstream(tmpl + "/system.ini") << "[locale]\nCodePage=" << code_page << "\n";
  winsim::ResetProcessState();
  winsim::SetRoot(tmpl);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = argc > 1 ? std::atoi(argv[1]) : 20;
  if (runs < 1) runs = 1;
  const Shape shapes[] = {
      {"slashes", 1252, Slashes()},
      {"quotes", 1252, Quotes()},
      {"cp932-0x5c-trails", 932, DoubleByteText()},
  };
  for (const Shape& shape : shapes) {
    if (!UseCodePage(shape.code_page)) {
      std::fprintf(stderr, "cannot make a simulated system\n");
      return 1;
    }
    unsigned short mode = 0;
    std::string inf, printer, models;
    double best = 0;
    for (int batch = 0; batch < 3; ++batch) {
      double start = CpuMilliseconds();
      for (int run = 0; run < runs; ++run) {
        inf.clear();
        printer.clear();
        models.clear();
        mode = ParseCommandLine(shape.line.c_str(), inf, printer, models);
      }
      double mean = (CpuMilliseconds() - start) / runs;
      best = batch == 0 ? mean : std::min(best, mean);
    }
    std::printf("%-18s %6zu bytes  %7.3f ms CPU per parse  mode %u, values %zu/%zu/%zu bytes\n",
                shape.name, shape.line.size(), best, mode, inf.size(),
                printer.size(), models.size());
  }
  return 0;
}
