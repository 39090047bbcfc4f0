// The order of the uninstall's steps: the printers of the driver, the
// driver, the default printer, the INF copy and the records, then the
// broadcast. The end state is the same in any order, so the test looks at
// the system at three moments of the run: the unit test binary is linked
// with --wrap for the calls that begin the driver step, the INF step and
// the broadcast (tests/CMakeLists.txt), and the wrappers below note what the
// system holds before passing each call on unchanged.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installer/front/uninstall.h"
#include "installer/records/driver_record.h"
#include "ombrel_test_support.h"

namespace {

constexpr char kDriver[] = "Brevant PS";
constexpr char kRecord[] = "Software\\Brevant\\QXPrinter\\Drivers\\Brevant PS";
constexpr char kInfCopy[] = "C:\\WINDOWS\\INF\\setup.inf";

/// What the system held when one step began.
struct Moment {
  std::string step;
  bool printer_of_driver = false;
  bool driver = false;
  std::string default_device;
  bool inf_copy = false;
  bool record = false;
  bool broadcast_sent = false;
};

std::vector<Moment>* observed = nullptr;  // set while a test watches
ombrel_test::OmbrelSystem* watched = nullptr;

bool DriverInstalled() {
  HKEY key = nullptr;
  std::string path =
      "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers\\"
      "Version-3\\" + std::string(kDriver);
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

/// Notes the system's state when `step` begins; each step only once (the
/// driver deletion may be tried more than once).
void Observe(const std::string& step) {
  if (observed == nullptr) return;
  for (const Moment& m : *observed) {
    if (m.step == step) return;
  }
  DWORD saved = GetLastError();
  std::vector<Moment>* keep = observed;
  observed = nullptr;  // the state readers below must not observe themselves
  Moment m;
  m.step = step;
  m.printer_of_driver = ombrel_test::OmbrelSystem::PrinterExists("Removed");
  m.driver = DriverInstalled();
  m.default_device = ombrel_test::OmbrelSystem::DeviceEntry();
  m.inf_copy = GetFileAttributesA(kInfCopy) != INVALID_FILE_ATTRIBUTES;
  m.record = RegistryKeyExists(kRecord);
  m.broadcast_sent = !watched->EventsOf("Broadcast").empty();
  keep->push_back(m);
  observed = keep;
  SetLastError(saved);
}

}  // namespace

extern "C" {

BOOL WINAPI __real_DeletePrinterDriverExA(LPSTR, LPSTR, LPSTR, DWORD, DWORD);
BOOL WINAPI __wrap_DeletePrinterDriverExA(LPSTR server, LPSTR environment, LPSTR name,
                                          DWORD delete_flags, DWORD version_flag) {
  Observe("driver");
  return __real_DeletePrinterDriverExA(server, environment, name, delete_flags, version_flag);
}

BOOL WINAPI __real_DeleteFileA(LPCSTR);
BOOL WINAPI __wrap_DeleteFileA(LPCSTR path) {
  if (path != nullptr && std::string(path) == kInfCopy) Observe("INF copy");
  return __real_DeleteFileA(path);
}

LRESULT WINAPI __real_SendMessageTimeoutA(HWND, UINT, WPARAM, LPARAM, UINT, UINT, PDWORD_PTR);
LRESULT WINAPI __wrap_SendMessageTimeoutA(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                          UINT flags, UINT timeout, PDWORD_PTR result) {
  Observe("broadcast");
  return __real_SendMessageTimeoutA(window, message, wparam, lparam, flags, timeout, result);
}

}  // extern "C"

namespace {

TEST(UninstallOrderTest, PrintersDriverDefaultInfAndRecordsThenTheBroadcast) {
  ombrel_test::OmbrelSystem sys("2000");
  sys.AddDriver(kDriver);
  sys.AddDriver("Other PS");
  sys.AddPrinter("Removed", kDriver, "LPT1:");
  sys.AddPrinter("Kept", "Other PS", "LPT2:");
  ASSERT_TRUE(SetDefaultPrinterA("Removed"));
  sys.root().WriteDriveC("kit/setup.inf", "[Manufacturer]\r\n\"Brevant\"\r\n");
  sys.root().WriteDriveC("WINDOWS/inf/setup.inf", "[Manufacturer]\r\n\"Brevant\"\r\n");
  ASSERT_TRUE(CreateDriverRecord(kDriver, "Brevant"));
  ASSERT_TRUE(SetupAddToSourceListA(SRCLIST_SYSIFADMIN, "C:\\kit"));

  std::vector<Moment> moments;
  observed = &moments;
  watched = &sys;
  EXPECT_EQ(UninstallPrinterDriver("\"Brevant PS\"", "\"C:\\kit\\setup.inf\""), 1);
  observed = nullptr;
  watched = nullptr;

  std::vector<std::string> steps;
  for (const Moment& m : moments) steps.push_back(m.step);
  ASSERT_EQ(steps, (std::vector<std::string>{"driver", "INF copy", "broadcast"}));

  const Moment& driver = moments[0];
  EXPECT_FALSE(driver.printer_of_driver);  // the printers went first
  EXPECT_EQ(driver.default_device, "");    // deleting "Removed" cleared it; none chosen yet
  EXPECT_TRUE(driver.inf_copy);
  EXPECT_TRUE(driver.record);

  const Moment& inf = moments[1];
  EXPECT_FALSE(inf.driver);
  EXPECT_EQ(inf.default_device, "Kept,winspool,LPT2:");  // chosen before the INF step
  EXPECT_TRUE(inf.record);
  EXPECT_FALSE(inf.broadcast_sent);

  const Moment& broadcast = moments[2];
  EXPECT_FALSE(broadcast.inf_copy);
  EXPECT_FALSE(broadcast.record);  // records go with the INF, before the broadcast
  EXPECT_FALSE(broadcast.broadcast_sent);
}

}  // namespace
