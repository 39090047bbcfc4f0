#include "platform/winsim/system_drivers.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/winsim/core_driver_files.h"

namespace winsim {

// Made by make_driver_cab at build time (driver_cab_data.cc).
extern const unsigned char kDriverCabBytes[];
extern const size_t kDriverCabSize;

namespace {

bool WriteSystemFile(const std::string& windows_path, const std::string& bytes,
                     std::string* error) {
  std::string host;
  if (ToHostPath(windows_path, &host) != 0) {
    *error = "cannot map " + windows_path;
    return false;
  }
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(host).parent_path(), ec);
  std::ofstream out(host, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out.flush()) {
    *error = "cannot create " + host + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool WriteDriverStore(const SystemFacts& f, std::string* error) {
  std::string folder = f.system_dir + "\\" + kCoreDriverStoreFolder + "\\";
  for (const std::string& name : CoreDriverFileNames()) {
    if (!WriteSystemFile(folder + name, CoreDriverStandIn(name), error)) return false;
  }
  return true;
}

}  // namespace

bool InstallSystemDrivers(const SystemFacts& f, std::string* error) {
  const VersionFacts& v = f.version;
  CoreDriverHome home = CoreDriverHomeOf(v.platform_id, v.major, v.minor);
  if (home == CoreDriverHome::kNone) return true;
  if (!WriteSystemFile(f.windows_dir + "\\inf\\NTPRINT.INF",
                       NtprintInfText(v.major, v.minor, v.build), error)) {
    return false;
  }
  if (home == CoreDriverHome::kDriverStore) return WriteDriverStore(f, error);
  std::string cabinet(reinterpret_cast<const char*>(kDriverCabBytes), kDriverCabSize);
  return WriteSystemFile(f.windows_dir + "\\Driver Cache\\i386\\driver.cab", cabinet, error);
}

}  // namespace winsim
