// Fuzzes the cabinet walk: arbitrary bytes as C:\in.cab, walked with
// SetupIterateCabinetA while the callback extracts some members into C:\out.
// Checks the order of the notifications, that only members asked for are
// reported extracted and exist afterwards, that a failure carries an error,
// and that no temporary file is ever left behind.
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/win32.h"
#include "platform/winsim/winsim.h"

namespace {

#define FUZZ_CHECK(cond)           \
  do {                             \
    if (!(cond)) __builtin_trap(); \
  } while (0)

constexpr DWORD kLargestExtracted = 1 << 20;  // keeps every run short

struct Walk {
  size_t salt = 0;
  int members = 0;
  int notifications = 0;
  bool asked = false;  // the last member offered was answered FILEOP_DOIT
  std::string last_target;
  int extracted = 0;
};

UINT CALLBACK Callback(PVOID context, UINT code, UINT_PTR param1, UINT_PTR param2) {
  Walk& w = *static_cast<Walk*>(context);
  FUZZ_CHECK(w.notifications++ > 0 || code == SPFILENOTIFY_CABINETINFO);
  switch (code) {
    case SPFILENOTIFY_FILEINCABINET: {
      auto* info = reinterpret_cast<FILE_IN_CABINET_INFO_A*>(param1);
      FUZZ_CHECK(info->NameInCabinet != nullptr && param2 != 0);
      int index = w.members++;
      w.asked = (index + w.salt) % 3 != 0 && info->FileSize <= kLargestExtracted;
      if (!w.asked) return FILEOP_SKIP;
      std::snprintf(info->FullTargetName, MAX_PATH, "C:\\out\\%04d", index);
      w.last_target = info->FullTargetName;
      return FILEOP_DOIT;
    }
    case SPFILENOTIFY_FILEEXTRACTED: {
      auto* paths = reinterpret_cast<FILEPATHS_A*>(param1);
      FUZZ_CHECK(w.asked && w.last_target == paths->Target && paths->Win32Error == 0);
      w.asked = false;
      ++w.extracted;
      return NO_ERROR;
    }
    default: return NO_ERROR;
  }
}

const std::string& Root() {
  static const std::string root = [] {
    char tmpl[] = "/tmp/cabinet-fuzz-XXXXXX";
    std::string dir = mkdtemp(tmpl) ? tmpl : "/tmp/cabinet-fuzz";
    winsim::SetRoot(dir);
    winsim::Root();
    std::filesystem::create_directories(dir + "/drive_c/out");
    return dir;
  }();
  return root;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 16 * 1024) return 0;
  const std::string out = Root() + "/drive_c/out";
  std::ofstream(Root() + "/drive_c/in.cab", std::ios::binary)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

  Walk walk;
  walk.salt = size;
  SetLastError(0xDEADBEEF);
  BOOL ok = SetupIterateCabinetA("C:\\in.cab", 0, Callback, &walk);
  DWORD error = GetLastError();
  FUZZ_CHECK(ok ? error == 0 : error != 0 && error != 0xDEADBEEF);

  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(out)) {
    FUZZ_CHECK(e.path().filename().string().rfind(".~", 0) != 0);
    ++files;
  }
  FUZZ_CHECK(files <= walk.extracted);
  for (const auto& e : std::filesystem::directory_iterator(out)) std::filesystem::remove(e.path());
  return 0;
}
