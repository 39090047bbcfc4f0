// The owning handle wrappers: a close that fails must not replace the last
// error of the failure that the caller is about to report.
#include "common/unique_handle.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_root.h"
#include "unit/sequence_printers.h"

namespace {

constexpr DWORD kCallersError = 1795;  // any code the close would not give
constexpr DWORD kCloseError = ERROR_INVALID_HANDLE;

/// Opens one handle of the wrapper's kind, lets its close fail through a
/// [faults] entry on `close_function`, and returns the last error seen
/// after the wrapper closed it.
template <typename Wrapper, typename Open>
DWORD LastErrorAfterFailedClose(const char* close_function, Open open) {
  kit_test::TempRoot root;
  kit_test::AddPrinterRecord("Office", "Brevant TR-2210");
  root.WriteSystemIni("[faults]\n" + std::string(close_function) + "=" +
                      std::to_string(kCloseError) + "\n");
  {
    Wrapper handle;
    open(handle);
    EXPECT_TRUE(handle.Valid()) << close_function;
    SetLastError(kCallersError);
  }
  return GetLastError();
}

TEST(UniqueHandleTest, AFailingCloseKeepsTheCallersLastError) {
  auto open_key = [](kit::UniqueRegKey& key) {
    RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\Brevant", key.Put());
  };
  auto open_printer = [](kit::UniquePrinter& printer) {
    char name[] = "Office";
    OpenPrinterA(name, printer.Put(), nullptr);
  };
  auto open_search = [](kit::UniqueFind& search) {
    WIN32_FIND_DATAA entry;
    search.Reset(FindFirstFileA("C:\\*.*", &entry));
  };
  auto open_module = [](kit::UniqueModule& module) { module.Reset(LoadLibraryA("winspool.drv")); };

  EXPECT_EQ(LastErrorAfterFailedClose<kit::UniqueRegKey>("RegCloseKey", open_key), kCallersError);
  EXPECT_EQ(LastErrorAfterFailedClose<kit::UniquePrinter>("ClosePrinter", open_printer),
            kCallersError);
  EXPECT_EQ(LastErrorAfterFailedClose<kit::UniqueFind>("FindClose", open_search), kCallersError);
  EXPECT_EQ(LastErrorAfterFailedClose<kit::UniqueModule>("FreeLibrary", open_module),
            kCallersError);
}

}  // namespace
