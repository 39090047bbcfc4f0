#include "installer/inf/model_lookup.h"

#include "common/text.h"
#include "common/trace.h"
#include "installer/inf/inf_access.h"

bool GetDDISection(std::string inf_path, std::string printer_name, std::string& ddi_section,
                   std::string& pnp_id) {
  std::string manufacturer = GetManufacturerName(inf_path);
  std::string value = MyGetProfileString(inf_path, manufacturer, printer_name);
  TraceLog("           MyGetProfileString(%s,%s,%s) = %s\n", inf_path.c_str(),
           manufacturer.c_str(), printer_name.c_str(), value.c_str());
  if (value.empty()) {
    TraceLog("           GetDDISection Fail!!\n");
    return false;
  }

  value = kit::RemoveChar(value, ' ');
  size_t first = kit::FindChar(value, ',');
  if (first == kit::kNotFound) {
    ddi_section = value;
    TraceLog("           DDI Section Name = %s  return.\n", ddi_section.c_str());
    return true;
  }
  ddi_section = value.substr(0, first);
  TraceLog("           DDI Section Name = %s\n", ddi_section.c_str());

  size_t second = kit::FindChar(value, ',', first + 1);
  pnp_id = second == kit::kNotFound ? value.substr(first + 1)
                                    : value.substr(first + 1, second - first - 1);
  TraceLog("           PNP ID = %s\n", pnp_id.c_str());
  return true;
}
