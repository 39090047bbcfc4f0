#include "installer/inf/driver_install.h"

#include "common/error_box.h"
#include "common/strbuf.h"
#include "common/text.h"
#include "common/trace.h"
#include "installer/inf/inf_access.h"

namespace {

constexpr char kEnvironment[] = "Windows NT x86";

/// The key's value in the first of three places that gives one: the data
/// section of the INF, the DDI section of the INF, the data section of the
/// include INF. An empty section name or file path finds nothing.
std::string LookUpDriverKey(const std::string& inf_path, const std::string& include_inf_path,
                            const std::string& data_section, const std::string& ddi_section,
                            const char* key) {
  const std::string* places[3][2] = {
      {&inf_path, &data_section}, {&inf_path, &ddi_section}, {&include_inf_path, &data_section}};
  for (const auto& place : places) {
    if (place[0]->empty() || place[1]->empty()) continue;
    std::string value = MyGetProfileString(*place[0], *place[1], key);
    if (!value.empty()) return value;
  }
  return std::string();
}

/// Points the level-6 record at the fields.
void SetDriverRecord(DRIVER_INFO_6A& record, DriverInfoStrings& fields) {
  record = DRIVER_INFO_6A{};
  record.cVersion = 3;
  record.pName = fields.name;
  record.pEnvironment = fields.environment;
  record.pDriverPath = fields.driver_file;
  record.pDataFile = fields.data_file;
  record.pConfigFile = fields.config_file;
  record.pHelpFile = fields.help_file;
  record.pDependentFiles = fields.dependent_files.data();
  record.pMonitorName = fields.monitor_name;
  record.pDefaultDataType = fields.default_data_type;
  record.pszzPreviousNames = fields.previous_names;
  record.pszMfgName = fields.manufacturer;
  record.pszOEMUrl = nullptr;
  record.pszHardwareID = fields.hardware_id;
  record.pszProvider = fields.provider;
}

/// Reports a refused registration as the spooler's refusals are reported.
bool FailDriverInstall(DWORD code, const std::string& printer_name) {
  ShowLastErrorBox(code, printer_name.c_str());
  TraceLog("[Quillset] Install Printer Driver fail!!\n");
  return false;
}

}  // namespace

std::string DependentFileList(const std::string& copied_files) {
  std::string list;
  list.reserve(copied_files.size() + 2);
  size_t pos = 0;
  for (;;) {
    size_t blank = kit::FindChar(copied_files, ' ', pos);
    list.append(copied_files, pos, blank == kit::kNotFound ? std::string::npos : blank - pos);
    list += '\0';
    if (blank == kit::kNotFound) break;
    pos = blank + 1;
  }
  // The terminator a zero-filled field would have held after the last piece.
  list += '\0';
  return list;
}

bool FillDriverInfo(DriverInfoStrings& fields, std::string inf_path, std::string include_inf_path,
                    std::string printer_name, std::string ddi_section, std::string copied_files) {
  std::string data_section = MyGetProfileString(inf_path, ddi_section, "DataSection");
  printer_name = kit::RemoveChar(printer_name, '"');

  char(*file_fields[])[kMaxPath] = {&fields.driver_file, &fields.data_file, &fields.config_file,
                                    &fields.help_file};
  const char* file_keys[] = {"DriverFile", "DataFile", "ConfigFile", "HelpFile"};
  for (int i = 0; i < 4; ++i) {
    std::string value =
        LookUpDriverKey(inf_path, include_inf_path, data_section, ddi_section, file_keys[i]);
    // Values read from the INF are at most 259 characters.
    kit::CopyStr(*file_fields[i], value);
  }

  std::string manufacturer = GetManufacturerName(inf_path);
  fields.dependent_files = DependentFileList(copied_files);
  kit::CopyStr(fields.name, printer_name);
  kit::CopyStr(fields.environment, kEnvironment);
  kit::CopyStr(fields.default_data_type, "RAW");
  kit::CopyStr(fields.manufacturer, manufacturer);
  kit::CopyStr(fields.provider, manufacturer);
  return true;
}

bool InstallPrinterDriver(std::string inf_path, std::string printer_name, std::string ddi_section,
                          std::string copied_files, std::string pnp_id) {
  std::string include_inf_path = GetIncludeInfPath(inf_path, ddi_section);
  DriverInfoStrings fields;
  // The driver is registered under the printer's name, so a name that does
  // not fit the name field is refused rather than registered cut short.
  if (!kit::Fits(fields.name, kit::RemoveChar(printer_name, '"'))) {
    return FailDriverInstall(ERROR_INVALID_PRINTER_NAME, printer_name);
  }
  kit::CopyStr(fields.hardware_id, pnp_id);
  FillDriverInfo(fields, inf_path, include_inf_path, printer_name, ddi_section, copied_files);

  DRIVER_INFO_6A record;
  SetDriverRecord(record, fields);
  if (AddPrinterDriverExA(nullptr, 6, reinterpret_cast<LPBYTE>(&record), APD_COPY_ALL_FILES) ||
      GetLastError() == ERROR_PRINTER_DRIVER_ALREADY_INSTALLED) {
    TraceLog("[Quillset] Install printer driver OK!!\n");
    return true;
  }
  return FailDriverInstall(GetLastError(), printer_name);
}
