// The simulated ShellExecuteA: what it accepts, what it refuses, and the
// event it records for each call.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/win32.h"
#include "support/printui_wait.h"
#include "support/temp_root.h"

namespace {

constexpr DWORD kPoison = 0xDEADBEEF;

intptr_t Open(const char* file, const char* directory = nullptr) {
  return reinterpret_cast<intptr_t>(ShellExecuteA(nullptr, "open", file, nullptr, directory, SW_SHOWNORMAL));
}

class WinsimShellExecuteTest : public ::testing::Test {
 protected:
  kit_test::TempRoot root_;
};

TEST_F(WinsimShellExecuteTest, OpensAddressesThatHaveAHandler) {
  root_.WriteDriveC("docs/Read Me.txt", "hello");
  struct Case {
    const char* file;
    const char* directory;
    intptr_t result;
    DWORD error;
  } cases[] = {
      {"http://www.brevant.example/drivers", nullptr, 42, kPoison},
      {"HTTPS://www.brevant.example/", nullptr, 42, kPoison},
      {"ftp://ftp.brevant.example/pub", nullptr, 42, kPoison},
      {"mailto:support@brevant.example", nullptr, 42, kPoison},
      {"file:///C:/docs/Read%20Me.txt", nullptr, 42, kPoison},
      {"C:\\docs\\Read Me.txt", nullptr, 42, kPoison},
      {"c:\\DOCS\\read me.TXT", nullptr, 42, kPoison},
      {"C:\\docs", nullptr, 42, kPoison},
      {"Read Me.txt", "C:\\docs", 42, kPoison},
      {"Read Me.txt", "C:\\docs\\", 42, kPoison},
      // No handler: an unknown scheme, a bare host name, a missing file.
      {"www.brevant.example", nullptr, 31, ERROR_NO_ASSOCIATION},
      {"gopher://old.example/", nullptr, 31, ERROR_NO_ASSOCIATION},
      {"C:\\docs\\missing.txt", nullptr, 31, ERROR_NO_ASSOCIATION},
      {"Read Me.txt", "C:\\elsewhere", 31, ERROR_NO_ASSOCIATION},
      {"", nullptr, 2, ERROR_FILE_NOT_FOUND},
      {nullptr, nullptr, 2, ERROR_FILE_NOT_FOUND},
  };
  for (const auto& c : cases) {
    const char* label = c.file ? c.file : "(null)";
    SetLastError(kPoison);
    EXPECT_EQ(Open(c.file, c.directory), c.result) << label;
    EXPECT_EQ(GetLastError(), c.error) << label;
  }
}

TEST_F(WinsimShellExecuteTest, RecordsEveryCallAndTheResultOfRefusedOnes) {
  ShellExecuteA(nullptr, "open", "http://x.example/a\"b", nullptr, nullptr, SW_SHOWNORMAL);
  ShellExecuteA(nullptr, nullptr, "C:\\no\\such.txt", "/p \"q\"", "C:\\no", SW_HIDE);
  EXPECT_EQ(root_.ReadEvents(),
            "{\"event\":\"ShellExecute\",\"verb\":\"open\",\"file\":\"http://x.example/a\\\"b\","
            "\"parameters\":null,\"directory\":null,\"show\":1}\n"
            "{\"event\":\"ShellExecute\",\"verb\":null,\"file\":\"C:\\\\no\\\\such.txt\","
            "\"parameters\":\"/p \\\"q\\\"\",\"directory\":\"C:\\\\no\",\"show\":0,\"result\":31}\n");
}

size_t CountOf(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST_F(WinsimShellExecuteTest, RunsThePrinterUiOfTheSystemRundll32) {
  const char kRundll32[] = "C:\\WINDOWS\\system32\\rundll32.exe";
  struct Case {
    const char* file;
    const char* parameters;
    intptr_t result;
    size_t boxes;  // printui's "The arguments are invalid." box: it ran
  } cases[] = {
      {kRundll32, "printui.dll,PrintUIEntry /zap", 42, 1},
      {"c:\\windows\\SYSTEM32\\RUNDLL32.EXE", " PRINTUI.DLL,PrintUIEntry /zap", 42, 1},
      {kRundll32, "\"C:\\WINDOWS\\system32\\printui.dll\",PrintUIEntry /zap", 42, 1},
      {kRundll32, "shell32.dll,Control_RunDLL", 42, 0},         // another module: nothing runs
      {kRundll32, "C:\\kit\\printui.dll,PrintUIEntry /zap", 42, 0},  // not the system's
      {"C:\\WINDOWS\\rundll32.exe", "printui.dll,PrintUIEntry /zap", 31, 0},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(root_.dir() + "/events.jsonl");
    EXPECT_EQ(reinterpret_cast<intptr_t>(
                  ShellExecuteA(nullptr, "open", c.file, c.parameters, nullptr, SW_HIDE)),
              c.result)
        << c.parameters;
    ASSERT_TRUE(kit_test::WaitForPrintUi(root_.dir()));
    std::string events = root_.ReadEvents();
    EXPECT_EQ(events.rfind("{\"event\":\"ShellExecute\"", 0), 0u) << events;  // recorded first
    EXPECT_EQ(CountOf(events, "The arguments are invalid."), c.boxes) << c.parameters << "\n" << events;
  }
  // Without rundll32.exe the start is refused and nothing runs.
  std::filesystem::remove(root_.DriveC("WINDOWS/system32/rundll32.exe"));
  EXPECT_EQ(reinterpret_cast<intptr_t>(
                ShellExecuteA(nullptr, "open", kRundll32, "printui.dll,PrintUIEntry /zap", nullptr, 0)),
            31);
  ASSERT_TRUE(kit_test::WaitForPrintUi(root_.dir()));
  EXPECT_EQ(CountOf(root_.ReadEvents(), "MessageBox"), 0u);
}

TEST_F(WinsimShellExecuteTest, InjectedFaultRecordsNothing) {
  root_.WriteSystemIni("[faults]\nShellExecuteA#1=1155\nShellExecuteA#2=5\nShellExecuteA#3=1450\n");
  SetLastError(kPoison);
  EXPECT_EQ(Open("http://x.example/"), 31);
  EXPECT_EQ(GetLastError(), 1155u);
  EXPECT_EQ(Open("http://x.example/"), 5);
  EXPECT_EQ(GetLastError(), 5u);
  EXPECT_LE(Open("http://x.example/"), 32);
  EXPECT_EQ(GetLastError(), 1450u);
  EXPECT_EQ(root_.ReadEvents(), "");
  EXPECT_EQ(Open("http://x.example/"), 42);
}

}  // namespace
