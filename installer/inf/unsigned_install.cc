#include "installer/inf/unsigned_install.h"

#include "common/text.h"
#include "common/trace.h"
#include "installer/inf/driver_install.h"
#include "installer/inf/file_copy.h"
#include "installer/inf/inf_access.h"
#include "installer/inf/model_lookup.h"
#include "installer/inf/printer_install.h"

namespace {

/// PnP IDs shorter than this are not handed to the spooler.
constexpr size_t kMinPnpIdLength = 8;

}  // namespace

int SetupUnsignedPrinter(std::string inf_path, std::string printer_name, std::string model_list) {
  TraceLog("[Quillset] SetupUnsignedPrinter\n");
  TraceLog("[Quillset] Inf File Name = %s\n", inf_path.c_str());
  TraceLog("[Quillset] Printer Name = %s\n", printer_name.c_str());

  std::string ddi_section;
  std::string pnp_id;
  std::string port;
  std::string manufacturer = GetManufacturerName(inf_path);
  // The port is chosen before the model line is looked for.
  GetActivePort(port, manufacturer, model_list);
  TraceLog("[Quillset] MFG = %s\n", manufacturer.c_str());
  TraceLog("[Quillset] Active Port = %s\n", port.c_str());
  TraceLog("[Quillset] Get SectionName and PNP ID \n");

  // The model line's key is the printer name with its command-line quotes.
  if (!GetDDISection(inf_path, printer_name, ddi_section, pnp_id)) return 0;
  if (pnp_id.size() < kMinPnpIdLength) pnp_id.clear();

  std::string copied_files;
  TraceLog("[Quillset] Start copying files...\n");
  if (!CopyDriverFiles(inf_path, ddi_section, copied_files)) {
    TraceLog("[Quillset] Copy files Fail\n");
    return 0;
  }

  TraceLog("[Quillset] Start installing printer driver\n");
  printer_name = kit::RemoveChar(printer_name, '"');
  if (!InstallPrinterDriver(inf_path, printer_name, ddi_section, copied_files, pnp_id)) {
    TraceLog("[Quillset] Install printer Driver fail!!\n");
    return 0;
  }

  TraceLog("[Quillset] Start installing printer\n");
  if (!InstallPrinter(inf_path, printer_name, ddi_section, port)) {
    TraceLog("[Quillset] Install printer fail!!\n");
    return 0;
  }

  CopyInfToWindowsInf(inf_path);
  return 1;
}
