// Finding a model in a printer INF: the [Manufacturer] section, the models
// section that fits the running system, the model's line and its install
// section, as Microsoft documents them ("INF Manufacturer Section",
// "INF Models Section", "INF DDInstall Section").
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/win32.h"
#include "tools/winsim-printui/inf_file.h"

namespace printui {

struct SystemVersion {
  bool nt = true;
  DWORD major = 5;
  DWORD minor = 1;
};

/// The running system's version, from GetVersionExA.
SystemVersion RunningSystem();

/// The models section for a [Manufacturer] entry `section, decoration...`:
/// on Windows XP and later the section of the TargetOSVersion decoration
/// (nt[Architecture][.major[.minor]...]) that fits x86 and the version best,
/// a higher version winning and, at the same version, an architecture over
/// none; without a fitting decoration, and on Windows 2000 and earlier, the
/// undecorated section.
std::string ModelsSection(const std::vector<std::string>& entry, const SystemVersion& system);

/// The install section to run for `section`: on NT systems
/// `section.NTx86`, else `section.NT`, when the INF has it; else `section`.
std::string InstallSection(const InfFile& inf, const std::string& section,
                           const SystemVersion& system);

struct Model {
  std::string description;      // the model line's device description, as the INF spells it
  std::string manufacturer;     // as the [Manufacturer] entry names it
  std::string install_section;  // decorated as InstallSection chose it
  std::string section_name;     // as the model line gives it
  std::string hardware_id;      // first ID of the model line, or ""
};

/// The first model line, in [Manufacturer] order, whose device description
/// is `model` (any case). False when no models section lists it.
bool FindModel(const InfFile& inf, std::string_view model, const SystemVersion& system,
               Model* out);

}  // namespace printui
