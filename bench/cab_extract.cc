// Extracts named members of a cabinet with SetupIterateCabinetA into a
// fresh simulated system, for the cabinet benchmark.
//
//   cab_extract CABINET NAME...          extract these members (host path)
//   cab_extract --generate DIR LIST      write the benchmark's member files
//
// Extraction prints one line: members extracted, seconds, peak resident
// set in KiB. Generation reads member names, one a line, from LIST and
// writes each as a file of kMemberBytes of pseudo-random but compressible
// text, the same on every run.
#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "platform/win32.h"
#include "platform/winsim/winsim.h"

namespace {

constexpr size_t kMemberBytes = 256 * 1024;

struct Request {
  std::set<std::string> names;
  int extracted = 0;
};

UINT CALLBACK ExtractNamed(PVOID context, UINT code, UINT_PTR param1, UINT_PTR) {
  Request& request = *static_cast<Request*>(context);
  if (code == SPFILENOTIFY_FILEEXTRACTED) ++request.extracted;
  if (code != SPFILENOTIFY_FILEINCABINET) return NO_ERROR;
  auto* info = reinterpret_cast<FILE_IN_CABINET_INFO_A*>(param1);
  if (!request.names.count(info->NameInCabinet)) return FILEOP_SKIP;
  std::snprintf(info->FullTargetName, MAX_PATH, "C:\\out\\%s", info->NameInCabinet);
  return FILEOP_DOIT;
}

// Text from a fixed vocabulary picked by a linear congruential generator
// seeded with the member's name: compresses roughly 3:1 with MSZIP.
void WriteMember(const std::filesystem::path& path, const std::string& name) {
  static const char* const kWords[] = {
      "printer",    "driver",  "cabinet", "folder",  "spooler", "install", "model",  "port",
      "section",    "version", "default", "queue",   "paper",   "toner",   "duplex", "tray",
      "resolution", "colour",  "mono",    "network", "local",   "share",   "page",   "job"};
  uint64_t state = 1469598103934665603ull;
  for (unsigned char c : name) state = (state ^ c) * 1099511628211ull;
  std::string text;
  text.reserve(kMemberBytes + 16);
  while (text.size() < kMemberBytes) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    text += kWords[(state >> 33) % (sizeof kWords / sizeof kWords[0])];
    text += (state >> 60) == 0 ? '\n' : ' ';
    if ((state >> 40) % 7 == 0) text += std::to_string((state >> 20) % 10000);
  }
  text.resize(kMemberBytes);
  std::ofstream(path, std::ios::binary)
      .write(text.data(), static_cast<std::streamsize>(text.size()));
}

int Generate(const char* dir, const char* list) {
  std::ifstream names(list);
  std::string name;
  int count = 0;
  std::filesystem::create_directories(dir);
  while (std::getline(names, name)) {
    if (name.empty()) continue;
    WriteMember(std::filesystem::path(dir) / name, name);
    ++count;
  }
  std::printf("%d members\n", count);
  return count > 0 ? 0 : 1;
}

std::string WindowsPathOf(const std::string& host) {
  std::string path = "Z:" + std::filesystem::absolute(host).string();
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--generate") return Generate(argv[2], argv[3]);
  if (argc < 3) {
    std::fprintf(stderr, "usage: cab_extract CABINET NAME... | --generate DIR LIST\n");
    return 2;
  }
  char tmpl[] = "/tmp/cab-extract-XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  const std::string root = tmpl;
  winsim::SetRoot(root);
  winsim::Root();
  std::filesystem::create_directories(root + "/drive_c/out");

  Request request;
  for (int i = 2; i < argc; ++i) request.names.insert(argv[i]);
  const std::string cabinet = WindowsPathOf(argv[1]);
  auto start = std::chrono::steady_clock::now();
  BOOL ok = SetupIterateCabinetA(cabinet.c_str(), 0, ExtractNamed, &request);
  DWORD error = GetLastError();
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  struct rusage usage = {};
  getrusage(RUSAGE_SELF, &usage);
  std::error_code ec;
  std::filesystem::remove_all(root, ec);
  if (!ok) {
    std::fprintf(stderr, "SetupIterateCabinetA failed with %u\n", static_cast<unsigned>(error));
    return 1;
  }
  std::printf("%d %.3f %ld\n", request.extracted, seconds, usage.ru_maxrss);
  return request.extracted == static_cast<int>(request.names.size()) ? 0 : 1;
}
