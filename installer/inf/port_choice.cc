// Choosing the new printer's port from the port records that another
// component keeps under the manufacturer's product key.
#include <cstring>

#include "common/strbuf.h"
#include "common/text.h"
#include "common/unique_handle.h"
#include "installer/inf/printer_install.h"

namespace {

/// The most values of one port record that are examined.
constexpr DWORD kMaxPortValues = 256;

/// One value of a port record: its name, and its data as text.
struct PortValue {
  char name[kMaxPath];
  // One byte more than the length offered to the registry, so that data of
  // exactly 260 bytes without a NUL still ends in one.
  char data[kMaxPath + 1];
};

/// Reads the value at `index`; false ends the scan (no more values, a name
/// or data that does not fit, or any other refusal).
bool ReadPortValue(HKEY key, DWORD index, PortValue& value) {
  std::memset(&value, 0, sizeof value);
  DWORD name_chars = kMaxPath;
  DWORD data_bytes = kMaxPath;
  DWORD type = 0;
  return RegEnumValueA(key, index, value.name, &name_chars, nullptr, &type,
                       reinterpret_cast<LPBYTE>(value.data), &data_bytes) == ERROR_SUCCESS;
}

/// True when the upper-cased data names the manufacturer and one of the
/// models. The models are tried in list order; an empty piece ends the try.
bool DataNamesDevice(const std::string& data_upper, const std::string& manufacturer_upper,
                     const std::string& models_upper) {
  if (data_upper.find(manufacturer_upper) == std::string::npos) return false;
  size_t pos = 0;
  for (;;) {
    size_t comma = kit::FindChar(models_upper, ',', pos);
    std::string model = comma == kit::kNotFound ? models_upper.substr(pos)
                                                : models_upper.substr(pos, comma - pos);
    if (model.empty()) return false;
    if (data_upper.find(model) != std::string::npos) return true;
    if (comma == kit::kNotFound) return false;
    pos = comma + 1;
  }
}

}  // namespace

int FindPortInRegistry(const char* key_path, char* port, std::string manufacturer,
                       std::string model_list) {
  std::string manufacturer_upper = kit::ToUpper(manufacturer);
  std::string models_upper = kit::ToUpper(kit::RemoveChar(model_list, '"'));

  kit::UniqueRegKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key_path, 0, KEY_READ, key.Put()) != ERROR_SUCCESS) {
    return PortKeyMissing;
  }
  int result = PortKeyEmpty;
  char first_name[kMaxPath] = {};
  PortValue value;
  for (DWORD index = 0; index < kMaxPortValues; ++index) {
    if (!ReadPortValue(key.Get(), index, value)) break;
    result = PortFirstValue;
    if (index == 0) kit::CopyStr(first_name, value.name);
    // Data of any type is read as text up to its first NUL.
    std::string data_upper = kit::ToUpper(value.data);
    if (DataNamesDevice(data_upper, manufacturer_upper, models_upper)) {
      std::memcpy(port, value.name, kMaxPath);
      return PortMatched;
    }
  }
  if (result == PortFirstValue) std::memcpy(port, first_name, kMaxPath);
  return result;
}

int GetActivePort(std::string& port, std::string manufacturer, std::string model_list) {
  char key_path[kMaxPath] = {};
  char usb_port[kMaxPath] = {};
  char parallel_port[kMaxPath] = {};

  // A manufacturer name too long for the key path would open some other key
  // once cut, so its records count as missing.
  int usb = PortKeyMissing;
  if (kit::FormatStr(key_path, "Software\\%s\\QXPrinter\\Port\\USB", manufacturer.c_str())) {
    usb = FindPortInRegistry(key_path, usb_port, manufacturer, model_list);
  }
  std::memset(key_path, 0, sizeof key_path);
  int parallel = PortKeyMissing;
  if (kit::FormatStr(key_path, "Software\\%s\\QXPrinter\\Port\\PARALLEL",
                     manufacturer.c_str())) {
    parallel = FindPortInRegistry(key_path, parallel_port, manufacturer, model_list);
  }

  if (usb == PortMatched) {
    port = usb_port;
  } else if (parallel == PortMatched || parallel == PortFirstValue) {
    port = parallel_port;
  } else if (usb == PortKeyMissing && parallel == PortKeyMissing) {
    port = "LPT1:";
  } else {
    port = "FILE:";
  }
  return 1;
}
