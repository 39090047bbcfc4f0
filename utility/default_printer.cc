#include "utility/default_printer.h"

#include "common/strbuf.h"
#include "common/unique_handle.h"
#include "common/version.h"
#include "utility/export_args.h"
#include "utility/exports.h"
#include "utility/spooler_access.h"

namespace ombrel {

int FindFirstLocalPrinter(char (&name)[kMaxPath]) {
  kit::UniqueGlobalMem block;
  DWORD count = 0;
  if (!EnumLocalPrinters(1, &block, &count)) {
    ReportLastError();
    return -1;
  }
  if (count >= 1) {
    const auto* first = static_cast<const PRINTER_INFO_1A*>(block.Get());
    // A name that does not fit is no name of this system; taking its first
    // 259 bytes could pick another printer, so the buffer stays empty.
    if (first->pName == nullptr || !kit::CopyStr(name, first->pName)) name[0] = '\0';
  }
  return static_cast<int>(count);
}

int SetDefaultPrinterForVersion(int version_code, LPCSTR printer_name) {
  if (version_code >= kVersionWin95 && version_code <= kVersionWinMe) {
    return SetDefaultPrinterByAttribute(printer_name);
  }
  if (version_code == kVersionNt4) return SetDefaultPrinterByProfile(printer_name);
  return SetDefaultPrinterBySpooler(printer_name);
}

}  // namespace ombrel

extern "C" int WINAPI MySetDefaultPrinter(LONG_PTR unused, LONG_PTR selector, LPCSTR printer_name) {
  char name[kMaxPath] = {};
  if (selector != 0) {
    if (!ombrel::AcceptStringArgument(printer_name)) return 0;
    kit::CopyStr(name, printer_name);
  }
  kit::UniqueModule spooler;
  if (!ombrel::HoldSpooler(&spooler)) {
    ombrel::ReportLastError();
    return 0;
  }
  if (selector == 0) {
    int count = ombrel::FindFirstLocalPrinter(name);
    if (count < 0) return 0;
    if (count == 0) return 1;
    if (name[0] == '\0') return 0;
  }
  return ombrel::SetDefaultPrinterForVersion(GetWindowsVersion(), name);
}
