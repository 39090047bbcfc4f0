#include "platform/winsim/core_driver_files.h"

#include <cstdio>

namespace winsim {
namespace {

struct CoreFile {
  const char* name;
  const char* stands_for;
};

// File-list sections of NTPRINT.INF and their files. The data and install
// sections below name them; every file here goes into the driver cache.
struct FileList {
  const char* section;
  std::vector<CoreFile> files;
};

const std::vector<FileList>& FileLists() {
  static const std::vector<FileList> lists = {
      {"PSCRIPT",
       {{"PSCRIPT5.DLL", "the PostScript printer driver (Pscript)"},
        {"PS5UI.DLL", "the user interface of the PostScript printer driver"},
        {"PSCRIPT.HLP", "the help file of the PostScript printer driver"},
        {"PSCRIPT.NTF", "the device font file of the PostScript printer driver"}}},
      {"UNIDRV",
       {{"UNIDRV.DLL", "the Universal printer driver (Unidrv)"},
        {"UNIDRVUI.DLL", "the user interface of the Universal printer driver"},
        {"UNIDRV.HLP", "the help file of the Universal printer driver"},
        {"UNIRES.DLL", "the resources of the Universal printer driver"},
        {"STDNAMES.GPD", "the standard option names of GPD files"},
        {"STDDTYPE.GDL", "the standard data types of GDL files"},
        {"STDSCHEM.GDL", "the standard schema of GDL files"},
        {"STDSCHMX.GDL", "the extended standard schema of GDL files"},
        {"TTFSUB.GPD", "the TrueType font substitutions of Unidrv printers"}}},
      {"PJLMON", {{"PJLMON.DLL", "the PJL language monitor"}}},
      {"LOCALE", {{"LOCALE.GPD", "the locale identifiers of GPD files"}}},
      {"SRGB_PROFILE", {{"SRGB COLOR SPACE PROFILE.ICM", "the sRGB color profile"}}},
  };
  return lists;
}

std::string FileListSection(const FileList& list) {
  std::string text = "\r\n[" + std::string(list.section) + "]\r\n";
  for (const CoreFile& f : list.files) text += std::string(f.name) + "\r\n";
  return text;
}

// DriverVer: the date Microsoft gave the in-box INFs of that generation
// (XP and Server 2003 07/01/2001, Vista and later 06/21/2006), with the
// system's own version. Windows 2000's in-box INFs carry none.
std::string DriverVerLine(unsigned major, unsigned minor, unsigned build) {
  if (major < 5 || (major == 5 && minor == 0)) return "";
  const char* date = major == 5 ? "07/01/2001" : "06/21/2006";
  char line[96];
  std::snprintf(line, sizeof line, "DriverVer=%s,%u.%u.%u.0\r\n", date, major, minor, build);
  return line;
}

// Sections the printer class installer's documentation names, in the form
// vendor INFs use them: data sections (DriverFile, ConfigFile, HelpFile and
// the language monitor) and install sections for Needs= (their CopyFiles).
constexpr char kSections[] =
    "\r\n"
    "[DestinationDirs]\r\n"
    "DefaultDestDir=66000\r\n"
    "PJLMON=66002\r\n"
    "SRGB_PROFILE=66003\r\n"
    "\r\n"
    "; Data sections (Printer INF File Data Sections)\r\n"
    "[PSCRIPT_DATA]\r\n"
    "DriverFile=PSCRIPT5.DLL\r\n"
    "ConfigFile=PS5UI.DLL\r\n"
    "HelpFile=PSCRIPT.HLP\r\n"
    "\r\n"
    "[UNIDRV_DATA]\r\n"
    "DriverFile=UNIDRV.DLL\r\n"
    "ConfigFile=UNIDRVUI.DLL\r\n"
    "HelpFile=UNIDRV.HLP\r\n"
    "\r\n"
    "[UNIDRV_BIDI_DATA]\r\n"
    "DriverFile=UNIDRV.DLL\r\n"
    "ConfigFile=UNIDRVUI.DLL\r\n"
    "HelpFile=UNIDRV.HLP\r\n"
    "LanguageMonitor=%PJL_MONITOR%\r\n"
    "\r\n"
    "; Install sections for Needs= (Printer INF File Install Sections)\r\n"
    "[PSCRIPT.OEM]\r\n"
    "CopyFiles=PSCRIPT\r\n"
    "\r\n"
    "[UNIDRV.OEM]\r\n"
    "CopyFiles=UNIDRV\r\n"
    "\r\n"
    "[UNIDRV_BIDI.OEM]\r\n"
    "CopyFiles=UNIDRV,PJLMON\r\n"
    "\r\n"
    "[TTFSUB.OEM]\r\n"
    "CopyFiles=@TTFSUB.GPD\r\n"
    "\r\n"
    "[LOCALE.OEM]\r\n"
    "CopyFiles=LOCALE\r\n"
    "\r\n"
    "[sRGBPROFILE.OEM]\r\n"
    "CopyFiles=SRGB_PROFILE\r\n";

}  // namespace

const char kCoreDriverStoreFolder[] = "DriverStore\\FileRepository\\ntprint.inf_x86_neutral\\I386";

CoreDriverHome CoreDriverHomeOf(unsigned platform_id, unsigned major, unsigned minor) {
  if (platform_id != 2 || major < 5) return CoreDriverHome::kNone;
  if (major == 5 && minor <= 2) return CoreDriverHome::kDriverCab;
  return major >= 6 ? CoreDriverHome::kDriverStore : CoreDriverHome::kNone;
}

const std::vector<std::string>& CoreDriverFileNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> out;
    for (const FileList& list : FileLists()) {
      for (const CoreFile& f : list.files) out.push_back(f.name);
    }
    return out;
  }();
  return names;
}

std::string CoreDriverStandIn(const std::string& name) {
  for (const FileList& list : FileLists()) {
    for (const CoreFile& f : list.files) {
      if (name != f.name) continue;
      bool program = name.size() > 4 && name.compare(name.size() - 4, 4, ".DLL") == 0;
      return std::string(program ? "MZ " : "") + "stand-in: " + f.name + ", " + f.stands_for +
             ", of the simulated system\r\n";
    }
  }
  return "";
}

std::string NtprintInfText(unsigned major, unsigned minor, unsigned build) {
  std::string text =
      "; NTPRINT.INF of the simulated system: the printer class installer's\r\n"
      "; sections for vendor INFs (Include=NTPRINT.INF, Needs=...).\r\n"
      "\r\n"
      "[Version]\r\n"
      "Signature=\"$Windows NT$\"\r\n"
      "Provider=%MSFT%\r\n"
      "ClassGUID={4D36E979-E325-11CE-BFC1-08002BE10318}\r\n"
      "Class=Printer\r\n"
      "CatalogFile=ntprint.cat\r\n";
  text += DriverVerLine(major, minor, build);
  text += kSections;
  for (const FileList& list : FileLists()) text += FileListSection(list);
  text +=
      "\r\n"
      "[Strings]\r\n"
      "MSFT=\"Microsoft\"\r\n"
      "PJL_MONITOR=\"PJL Language Monitor,PJLMON.DLL\"\r\n";
  return text;
}

}  // namespace winsim
