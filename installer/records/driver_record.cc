#include "installer/records/driver_record.h"

#include "common/strbuf.h"
#include "common/text.h"
#include "common/unique_handle.h"
#include "platform/win32.h"

const char kDriverRecordFormat[] = "Software\\%s\\QXPrinter\\Drivers\\%s";

namespace {

// The deletion spells the key differently from the creation; the registry
// finds both without regard to case.
constexpr char kDeleteRecordFormat[] = "Software\\%s\\QXprinter\\Drivers\\%s";
constexpr char kDriversKeyFormat[] = "Software\\%s\\QXprinter\\Drivers";
constexpr char kProductKeyFormat[] = "Software\\%s\\Qxprinter";

void DeleteKeyIgnoringResult(const std::string& path) {
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());
}

}  // namespace

bool ComposeDriverRecordPath(char (&path)[kMaxPath], const std::string& manufacturer,
                             const std::string& printer_name) {
  if (kit::FormatStr(path, kDriverRecordFormat, manufacturer.c_str(), printer_name.c_str())) {
    return true;
  }
  path[0] = '\0';
  return false;
}

bool CreateDriverRecord(std::string printer_name, std::string manufacturer) {
  std::string name = kit::RemoveChar(printer_name, '"');
  char path[kMaxPath] = {};
  if (!ComposeDriverRecordPath(path, manufacturer, name)) return false;

  // A record left by an earlier install of the same printer is dropped with
  // its "OEMINF" value; the new one starts empty.
  if (RegistryKeyExists(path)) RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);

  kit::UniqueRegKey key;
  return RegCreateKeyA(HKEY_LOCAL_MACHINE, path, key.Put()) == ERROR_SUCCESS;
}

bool DeleteDriverRecord(std::string manufacturer, std::string printer_name) {
  const char* mfg = manufacturer.c_str();
  DeleteKeyIgnoringResult(kit::FormatString(kDeleteRecordFormat, mfg, printer_name.c_str()));

  // Parents go only once they are empty: QXPrinter is examined only after
  // Drivers went, so another printer's record or a Port subkey keeps it.
  std::string drivers = kit::FormatString(kDriversKeyFormat, mfg);
  if (RegistryKeyHasSubKeys(drivers)) return true;
  DeleteKeyIgnoringResult(drivers);

  std::string product = kit::FormatString(kProductKeyFormat, mfg);
  if (!RegistryKeyHasSubKeys(product)) DeleteKeyIgnoringResult(product);
  return true;
}

bool RegistryKeyExists(std::string key_path) {
  kit::UniqueRegKey key;
  return RegOpenKeyA(HKEY_LOCAL_MACHINE, key_path.c_str(), key.Put()) == ERROR_SUCCESS;
}

bool RegistryKeyHasSubKeys(std::string key_path) {
  kit::UniqueRegKey key;
  LONG opened = RegOpenKeyA(HKEY_LOCAL_MACHINE, key_path.c_str(), key.Put());
  if (opened == ERROR_FILE_NOT_FOUND) return false;
  if (opened != ERROR_SUCCESS) return true;  // cannot be examined: keep it

  char first_subkey[kMaxPath] = {};
  LONG result = RegEnumKeyA(key.Get(), 0, first_subkey, sizeof first_subkey);
  return result != ERROR_NO_MORE_ITEMS;
}
