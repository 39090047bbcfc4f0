#include "tools/kitcheck/cabinet_layers.h"

#include <filesystem>
#include <set>
#include <system_error>
#include <vector>

#include "platform/win32.h"
#include "platform/winsim/cabinet_names.h"
#include "platform/winsim/cabmaker/gcab.h"
#include "platform/winsim/winsim.h"
#include "tools/kitcheck/sandbox.h"

namespace fs = std::filesystem;

namespace kitcheck {
namespace {

struct Unpacking {
  std::string dir;              // host folder the members go to
  std::set<std::string> names;  // upper-cased names already there
  std::vector<std::string> files;
};

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  return s;
}

// Extracts each member whose name is plain and not yet taken.
UINT CALLBACK TakeNewMembers(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR) {
  if (notification != SPFILENOTIFY_FILEINCABINET) return NO_ERROR;
  auto* u = static_cast<Unpacking*>(context);
  auto* info = reinterpret_cast<FILE_IN_CABINET_INFO_A*>(param1);
  std::string name = info->NameInCabinet;
  if (!winsim::cabinet::IsPlainMemberName(name) || !u->names.insert(Upper(name)).second) {
    return FILEOP_SKIP;
  }
  u->files.push_back(u->dir + "/" + name);
  std::string target = winsim::ToWindowsPath(u->files.back());
  if (target.size() >= sizeof info->FullTargetName) return FILEOP_SKIP;
  target.copy(info->FullTargetName, target.size());
  info->FullTargetName[target.size()] = '\0';
  return FILEOP_DOIT;
}

bool Unpack(const std::string& windows_cabinet, Unpacking* u, std::string* error) {
  if (SetupIterateCabinetA(windows_cabinet.c_str(), 0, &TakeNewMembers, u)) return true;
  *error = "cannot read the cabinet " + windows_cabinet + " (error " +
           std::to_string(GetLastError()) + ")";
  return false;
}

bool PutInPlace(const std::string& cabinet, const std::string& host, std::string* error) {
  std::error_code ec;
  fs::create_directories(fs::path(host).parent_path(), ec);
  fs::copy_file(cabinet, host, fs::copy_options::overwrite_existing, ec);
  if (ec) *error = "cannot copy the cabinet " + cabinet + ": " + ec.message();
  return !ec;
}

}  // namespace

bool LayerKitCabinet(const std::string& kit_cabinet, std::string* error) {
  std::string system_cabinet = winsim::Facts().windows_dir + "\\Driver Cache\\i386\\driver.cab";
  std::string host;
  if (winsim::ToHostPath(system_cabinet, &host) != 0) {
    *error = "cannot map " + system_cabinet;
    return false;
  }
  if (!fs::exists(host)) return PutInPlace(kit_cabinet, host, error);
  std::string work = MakeTempDir(error);
  if (work.empty()) return false;
  Unpacking u;
  u.dir = work + "/members";
  std::error_code ec;
  fs::create_directories(u.dir, ec);
  bool ok = Unpack(system_cabinet, &u, error);
  if (ok && !Unpack(winsim::ToWindowsPath(fs::absolute(kit_cabinet).string()), &u, error)) {
    // A damaged kit cabinet is the driver cache as it is, so that the
    // install meets its damage where it would meet it on Windows.
    RemoveTree(work);
    return PutInPlace(kit_cabinet, host, error);
  }
  if (ok && !winsim::cabmaker::PackWithGcab(work + "/driver.cab", u.files)) {
    *error = "cannot pack the layered cabinet: gcab failed (Debian package: gcab)";
    ok = false;
  }
  if (ok) {
    fs::copy_file(work + "/driver.cab", host, fs::copy_options::overwrite_existing, ec);
    if (ec) *error = "cannot write " + host + ": " + ec.message();
    ok = !ec;
  }
  RemoveTree(work);
  return ok;
}

}  // namespace kitcheck
