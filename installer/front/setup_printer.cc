#include "installer/front/setup_printer.h"

#include <cstring>

#include "common/local_printers.h"
#include "common/strbuf.h"
#include "common/text.h"
#include "common/trace.h"
#include "common/unique_handle.h"
#include "common/version.h"
#include "installer/front/settings_broadcast.h"
#include "installer/front/signed_install.h"
#include "installer/inf/inf_access.h"
#include "installer/inf/unsigned_install.h"
#include "installer/records/driver_record.h"
#include "platform/win32.h"

namespace {

void TraceSetupValues(const std::string& inf_path, const std::string& printer_name,
                      const std::string& model_list) {
  TraceLog("[Quillset] SetupPrinter\n");
  TraceLog("[Quillset] cstrInfName = %s\n", inf_path.c_str());
  TraceLog("[Quillset] cstrPrinterName = %s\n", printer_name.c_str());
  TraceLog("[Quillset] cstrMDLS = %s\n", model_list.c_str());
}

/// Adds the INF's folder (the path before its last backslash, "" when there
/// is none) to the installation sources; the uninstall removes it again.
void AddInfFolderToSourceList(const std::string& inf_path) {
  std::string folder = kit::DirectoryPart(inf_path);
  SetupAddToSourceListA(SRCLIST_SYSIFADMIN, folder.c_str());
}

}  // namespace

int SetupPrinter(std::string inf_path, std::string printer_name, std::string model_list) {
  // The printer name keeps its quotes: the installer's own path looks up the
  // model line by the quoted form. Every other use drops them itself.
  inf_path = kit::RemoveChar(inf_path, '"');
  model_list = kit::RemoveChar(model_list, '"');
  TraceSetupValues(inf_path, printer_name, model_list);

  std::string manufacturer = GetManufacturerName(inf_path);
  TraceLog("[Quillset] MFG = %s\n", manufacturer.c_str());

  // The record exists before any file is touched, so that an uninstall finds
  // it even after an install that failed half-way.
  CreateDriverRecord(printer_name, manufacturer);

  if (GetWindowsVersion() == kVersionWinXp) {
    SetupSignedPrinterOnWindowsXP(inf_path, printer_name, model_list);
  } else {
    SetupUnsignedPrinter(inf_path, printer_name, model_list);
  }

  AddInfFolderToSourceList(inf_path);
  SelectDefaultPrinter(true, kit::RemoveChar(printer_name, '"'));
  BroadcastSettingsChange();
  return 1;
}

int SelectDefaultPrinter(bool use_given_name, std::string printer_name) {
  char name[kMaxPath] = {};
  if (use_given_name) {
    // A name that does not fit is no printer's name: the default stays.
    if (!kit::CopyStr(name, printer_name)) return 0;
    SetDefaultPrinterOrdinal202(name);
    return 0;
  }
  int count = GetFirstLocalPrinter(name);
  if (count == -1) return 0;
  if (count == 0) return 1;
  SetDefaultPrinterOrdinal202(name);
  return 0;
}

int GetFirstLocalPrinter(char* buffer) {
  kit::UniqueGlobalMem block;
  DWORD count = 0;
  if (!kit::EnumLocalPrinters(1, &block, &count)) return -1;
  if (count >= 1) {
    const auto* first = static_cast<const PRINTER_INFO_1A*>(block.Get());
    // The caller's buffer holds 260 bytes; a longer name is cut, never
    // written past it.
    auto& out = *reinterpret_cast<char(*)[kMaxPath]>(buffer);
    kit::CopyStr(out, first->pName ? first->pName : "");
  }
  return static_cast<int>(count);
}
