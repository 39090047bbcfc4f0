// kitcheck: will this printer kit install on Windows, and if not, why.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/kitcheck/check.h"
#include "tools/kitcheck/ci_report.h"
#include "tools/kitcheck/options.h"
#include "tools/kitcheck/report.h"
#include "tools/kitcheck/sandbox.h"

int main(int argc, char** argv) {
  using namespace kitcheck;
  Options options;
  std::string error;
  if (!ParseOptions(std::vector<std::string>(argv + 1, argv + argc), &options, &error)) {
    std::fprintf(stderr, "kitcheck: %s\n%s", error.c_str(), kUsage);
    return 2;
  }
  if (options.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  // The installer's own INF and port functions run in this process too; their
  // trace would only mix with the report.
  unsetenv("QUILLSET_TRACE");
  std::string base = MakeTempDir(&error);
  if (base.empty()) {
    std::fprintf(stderr, "kitcheck: %s\n", error.c_str());
    return 1;
  }
  std::vector<VersionCheck> checks;
  for (const std::string& version : options.versions) {
    auto start = std::chrono::steady_clock::now();
    checks.push_back(CheckVersion(options, version, base + "/" + version));
    checks.back().seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  RemoveTree(base);

  if (options.json) PrintJson(stdout, options, checks);
  else PrintText(stdout, options, checks, isatty(STDOUT_FILENO) && !std::getenv("NO_COLOR"));
  bool written = true;
  if (!options.junit.empty())
    written &= WriteReport(options.junit, [&](std::FILE* f) { PrintJUnit(f, options, checks); }, &error);
  if (!options.sarif.empty())
    written &= WriteReport(options.sarif, [&](std::FILE* f) { PrintSarif(f, checks); }, &error);
  if (!written) {
    std::fprintf(stderr, "kitcheck: %s\n", error.c_str());
    return 1;
  }
  for (const VersionCheck& c : checks)
    if (!Passed(c, options.strict)) return 1;
  return 0;
}
