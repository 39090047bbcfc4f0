#include "tools/winsim-printui/model_lookup.h"

#include <cstdlib>

namespace printui {
namespace {

struct Decoration {
  bool fits = false;
  bool architecture = false;  // names x86 rather than any platform
  DWORD major = 0, minor = 0;
};

DWORD Number(std::string_view text) {
  std::string s(text);
  return static_cast<DWORD>(std::strtoul(s.c_str(), nullptr, 10));
}

/// Reads nt[Architecture][.major[.minor[.product[.suite]]]]; product type and
/// suite mask are not matched (the simulated system is a workstation).
Decoration ReadDecoration(std::string_view text, const SystemVersion& system) {
  Decoration d;
  std::string folded = Folded(text);
  if (folded.rfind("NT", 0) != 0) return d;
  std::string_view rest = std::string_view(folded).substr(2);
  std::string_view arch = rest.substr(0, rest.find('.'));
  if (!arch.empty() && arch != "X86") return d;
  d.architecture = !arch.empty();
  rest.remove_prefix(arch.size());
  if (!rest.empty()) {
    rest.remove_prefix(1);
    d.major = Number(rest.substr(0, rest.find('.')));
    size_t dot = rest.find('.');
    if (dot != std::string_view::npos) d.minor = Number(rest.substr(dot + 1, rest.find('.', dot + 1)));
  }
  d.fits = d.major < system.major || (d.major == system.major && d.minor <= system.minor);
  return d;
}

bool Better(const Decoration& a, const Decoration& b) {
  if (a.major != b.major) return a.major > b.major;
  if (a.minor != b.minor) return a.minor > b.minor;
  return a.architecture && !b.architecture;
}

bool SupportsDecorations(const SystemVersion& s) {
  return s.nt && (s.major > 5 || (s.major == 5 && s.minor >= 1));
}

}  // namespace

SystemVersion RunningSystem() {
  SystemVersion s;
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
  if (GetVersionExA(&info)) {
    s.nt = info.dwPlatformId == VER_PLATFORM_WIN32_NT;
    s.major = info.dwMajorVersion;
    s.minor = info.dwMinorVersion;
  }
  return s;
}

std::string ModelsSection(const std::vector<std::string>& entry, const SystemVersion& system) {
  if (entry.empty()) return std::string();
  const std::string& base = entry[0];
  if (!SupportsDecorations(system)) return base;
  const std::string* chosen = nullptr;
  Decoration best;
  for (size_t i = 1; i < entry.size(); ++i) {
    Decoration d = ReadDecoration(entry[i], system);
    if (!d.fits || (chosen != nullptr && !Better(d, best))) continue;
    best = d;
    chosen = &entry[i];
  }
  return chosen == nullptr ? base : base + "." + *chosen;
}

std::string InstallSection(const InfFile& inf, const std::string& section,
                           const SystemVersion& system) {
  if (!system.nt) return section;
  for (const char* suffix : {".NTx86", ".NT"}) {
    if (!inf.Section(section + suffix).empty()) return section + suffix;
  }
  return section;
}

bool FindModel(const InfFile& inf, std::string_view model, const SystemVersion& system,
               Model* out) {
  for (const InfLine& maker : inf.Section("Manufacturer")) {
    // "manufacturer-name" alone names a models section of that name.
    std::string manufacturer = maker.has_key ? maker.key : maker.fields[0];
    std::string models = ModelsSection(maker.fields, system);
    for (const InfLine& line : inf.Section(models)) {
      if (!line.has_key || !SameText(line.key, model)) continue;
      out->description = line.key;
      out->manufacturer = manufacturer;
      out->section_name = line.fields[0];
      out->install_section = InstallSection(inf, line.fields[0], system);
      out->hardware_id = line.fields.size() > 1 ? line.fields[1] : std::string();
      return true;
    }
  }
  return false;
}

}  // namespace printui
