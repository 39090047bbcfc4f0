// Placeholder until the install and uninstall sequences exist: both modes
// trace and end with exit code 1. Deleted when the sequences land.
#include "common/trace.h"
#include "installer/front/setup_printer.h"
#include "installer/front/uninstall.h"

int SetupPrinter(std::string inf_path, std::string printer_name, std::string model_list) {
  TraceLog("[Quillset] SetupPrinter is not built yet (%s, %s, %s)\n", inf_path.c_str(),
           printer_name.c_str(), model_list.c_str());
  return 1;
}

int UninstallPrinterDriver(std::string driver_name, std::string inf_path) {
  TraceLog("[Quillset] UninstallPrinterDriver is not built yet (%s, %s)\n", driver_name.c_str(),
           inf_path.c_str());
  return 1;
}
