// Times the model lookup and driver file copy of one model, as the unsigned
// install makes them, against the simulated system of WINSIM_ROOT.
//
//   inf_lookup INF-PATH PRINTER-NAME [RUNS]
//
// Prints one line per run: the milliseconds of GetDDISection plus
// CopyDriverFiles, and how many INF files the process has parsed so far. The
// first run includes the parse; later runs read the cached parse.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "installer/inf/file_copy.h"
#include "installer/inf/model_lookup.h"
#include "platform/winsim/profile_parser.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: inf_lookup INF-PATH PRINTER-NAME [RUNS]\n");
    return 2;
  }
  int runs = argc > 3 ? std::atoi(argv[3]) : 3;
  for (int run = 1; run <= runs; ++run) {
    auto start = std::chrono::steady_clock::now();
    std::string ddi_section, pnp_id, copied_files;
    bool found = GetDDISection(argv[1], argv[2], ddi_section, pnp_id);
    bool copied = found && CopyDriverFiles(argv[1], ddi_section, copied_files);
    auto elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start);
    if (!copied) {
      std::fprintf(stderr, "run %d: lookup %s, copy failed\n", run, found ? "ok" : "failed");
      return 1;
    }
    std::printf("run %d: %.2f ms, files parsed: %zu, section %s, files %s\n", run, elapsed.count(),
                winsim::profile::ParsedFileCount(), ddi_section.c_str(), copied_files.c_str());
  }
  return 0;
}
