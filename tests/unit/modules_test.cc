// The simulated module loader: only the spooler can be loaded, by its name
// or by its path in the system directory, and it exports winsim's spooler.
#include <gtest/gtest.h>

#include <cstdint>

#include "platform/win32.h"
#include "support/temp_root.h"

namespace {

constexpr DWORD kPoison = 0xDEADBEEF;

template <typename F>
FARPROC AsProc(F* f) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(f));
}

LPCSTR Ordinal(uintptr_t n) { return reinterpret_cast<LPCSTR>(n); }

class WinsimModulesTest : public ::testing::Test {
 protected:
  kit_test::TempRoot root_;
};

TEST_F(WinsimModulesTest, LoadsOnlyTheSpoolerByNameOrSystemPath) {
  struct Case {
    const char* name;
    bool loads;
  } cases[] = {
      {"WinSpool.drv", true},
      {"winspool.drv", true},
      {"WINSPOOL.DRV", true},
      {"C:\\WINDOWS\\system32\\winspool.drv", true},
      {"c:\\windows\\SYSTEM32\\WinSpool.Drv", true},
      {"C:/WINDOWS/system32/winspool.drv", true},
      // No extension means ".dll" on Windows.
      {"winspool", false},
      {"winspool.dll", false},
      // A spooler planted anywhere else is never the spooler.
      {"C:\\kit\\winspool.drv", false},
      {".\\winspool.drv", false},
      {"C:\\WINDOWS\\winspool.drv", false},
      {"kernel32.dll", false},
      {"", false},
  };
  for (const auto& c : cases) {
    SetLastError(kPoison);
    HMODULE module = LoadLibraryA(c.name);
    if (c.loads) {
      EXPECT_NE(module, nullptr) << c.name;
      EXPECT_TRUE(FreeLibrary(module)) << c.name;
    } else {
      EXPECT_EQ(module, nullptr) << c.name;
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND)) << c.name;
    }
  }
}

TEST_F(WinsimModulesTest, SystemPathFollowsTheConfiguredSystemDirectory) {
  root_.WriteSystemIni("[directories]\nWindows=C:\\WINNT\nSystem=C:\\WINNT\\System32\n");
  HMODULE module = LoadLibraryA("C:\\winnt\\system32\\winspool.drv");
  EXPECT_NE(module, nullptr);
  FreeLibrary(module);
  SetLastError(kPoison);
  EXPECT_EQ(LoadLibraryA("C:\\WINDOWS\\system32\\winspool.drv"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST_F(WinsimModulesTest, ExportsTheSpoolerFunctionsByExactNameAndOrdinal) {
  HMODULE module = LoadLibraryA("WinSpool.drv");
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(GetProcAddress(module, "SetDefaultPrinterA"), AsProc(&SetDefaultPrinterA));
  EXPECT_EQ(GetProcAddress(module, "EnumPrintersA"), AsProc(&EnumPrintersA));
  EXPECT_EQ(GetProcAddress(module, "DeletePrinterDriverExA"), AsProc(&DeletePrinterDriverExA));
  EXPECT_EQ(GetProcAddress(module, Ordinal(202)), AsProc(&SetDefaultPrinterOrdinal202));
  for (LPCSTR unknown : {"setdefaultprinterA", "SetDefaultPrinterW", "SetDefaultPrinter", "", Ordinal(5)}) {
    SetLastError(kPoison);
    EXPECT_EQ(GetProcAddress(module, unknown), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  }
  EXPECT_TRUE(FreeLibrary(module));
}

TEST_F(WinsimModulesTest, LoadsAreCountedAndTheHandleGoesStaleWithTheLast) {
  HMODULE first = LoadLibraryA("winspool.drv");
  HMODULE second = LoadLibraryA("C:\\WINDOWS\\system32\\WINSPOOL.DRV");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
  EXPECT_TRUE(FreeLibrary(first));
  EXPECT_NE(GetProcAddress(first, "SetDefaultPrinterA"), nullptr);
  EXPECT_TRUE(FreeLibrary(first));
  SetLastError(kPoison);
  EXPECT_EQ(GetProcAddress(first, "SetDefaultPrinterA"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  SetLastError(kPoison);
  EXPECT_FALSE(FreeLibrary(first));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  // A forged handle, or a handle of another kind, is no module.
  for (HMODULE forged : {reinterpret_cast<HMODULE>(0x4242), static_cast<HMODULE>(nullptr)}) {
    SetLastError(kPoison);
    EXPECT_EQ(GetProcAddress(forged, "SetDefaultPrinterA"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  }
  // Loading again after the last release gives a working module.
  HMODULE again = LoadLibraryA("winspool.drv");
  ASSERT_NE(again, nullptr);
  EXPECT_NE(GetProcAddress(again, "SetDefaultPrinterA"), nullptr);
  EXPECT_TRUE(FreeLibrary(again));
}

TEST_F(WinsimModulesTest, InjectedFaultsFailEachStep) {
  root_.WriteSystemIni("[faults]\nLoadLibraryA#1=126\nGetProcAddress#1=127\nFreeLibrary#1=5\n");
  SetLastError(kPoison);
  EXPECT_EQ(LoadLibraryA("winspool.drv"), nullptr);
  EXPECT_EQ(GetLastError(), 126u);
  HMODULE module = LoadLibraryA("winspool.drv");
  ASSERT_NE(module, nullptr);
  SetLastError(kPoison);
  EXPECT_EQ(GetProcAddress(module, "SetDefaultPrinterA"), nullptr);
  EXPECT_EQ(GetLastError(), 127u);
  EXPECT_NE(GetProcAddress(module, "SetDefaultPrinterA"), nullptr);
  SetLastError(kPoison);
  EXPECT_FALSE(FreeLibrary(module));
  EXPECT_EQ(GetLastError(), 5u);
  // The failed release released nothing.
  EXPECT_NE(GetProcAddress(module, "SetDefaultPrinterA"), nullptr);
  EXPECT_TRUE(FreeLibrary(module));
}

}  // namespace
