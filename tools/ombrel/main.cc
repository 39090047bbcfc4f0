// ombrel: calls one export of the host libombrel.so from a shell and prints
// its integer result, so that a setup script's use of the library can be
// tried against a simulated system.
//
//   ombrel IsPrinterInstalled NAME
//   ombrel MySetDefaultPrinter SELECTOR [NAME]
//   ombrel MySetFilesAttibute ATTRIBUTES FOLDER
//   ombrel OpenURL ADDRESS
//   ombrel UninstallPrinter DRIVER [ARG1]
//
// The library is OMBREL_LIBRARY when that is set, else the one of this build.
// Numbers may be decimal, octal (0...) or hexadecimal (0x...). Exit code 0
// after a call, 1 when the library or export cannot be loaded, 2 for bad
// arguments.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "utility/exports.h"

namespace {

// The arguments travel as integers of pointer size, as a script host passes
// them, and are handed to each export in its declared types.
static_assert(sizeof(LONG_PTR) == sizeof(void*));

// Each export with its arguments, for `ombrel --help` and `ombrel EXPORT --help`.
struct ExportUsage {
  const char* name;
  const char* arguments;
};

constexpr ExportUsage kExportUsages[] = {
    {"IsPrinterInstalled", "NAME"},
    {"MySetDefaultPrinter", "SELECTOR [NAME]"},
    {"MySetFilesAttibute", "ATTRIBUTES FOLDER"},
    {"OpenURL", "ADDRESS"},
    {"UninstallPrinter", "DRIVER [ARG1]"},
};

void PrintUsage(FILE* out) {
  std::fputs("usage: ombrel EXPORT ARG...\n", out);
  for (const ExportUsage& e : kExportUsages) std::fprintf(out, "  %s %s\n", e.name, e.arguments);
}

// The options the tool answers instead of calling an export. Only the word
// right after the tool or the export counts: the export's own arguments are
// free text.
enum class ToolOption { kNone, kHelp };

ToolOption OptionOf(const char* word) {
  if (std::strcmp(word, "--help") == 0 || std::strcmp(word, "-h") == 0) return ToolOption::kHelp;
  return ToolOption::kNone;
}

/// Answers `ombrel --help` and `ombrel EXPORT --help` on stdout; -1 when
/// the words ask for a call.
int AnswerToolOption(int argc, char** argv) {
  if (argc >= 2 && OptionOf(argv[1]) == ToolOption::kHelp) {
    PrintUsage(stdout);
    return 0;
  }
  if (argc < 3 || OptionOf(argv[2]) != ToolOption::kHelp) return -1;
  for (const ExportUsage& e : kExportUsages) {
    if (std::strcmp(argv[1], e.name) == 0) {
      std::printf("usage: ombrel %s %s\n", e.name, e.arguments);
      return 0;
    }
  }
  return -1;  // an unknown export is reported as such
}

int Usage(const char* problem) {
  if (problem != nullptr) std::fprintf(stderr, "ombrel: %s\n", problem);
  PrintUsage(stderr);
  return 2;
}

bool ParseNumber(const char* text, long long* value) {
  if (text == nullptr || text[0] == '\0') return false;
  errno = 0;
  char* end = nullptr;
  *value = std::strtoll(text, &end, 0);
  return errno == 0 && end != nullptr && *end == '\0';
}

LONG_PTR AsArgument(const void* pointer) { return reinterpret_cast<LONG_PTR>(pointer); }

// The three arguments of one call, prepared from the command line.
struct Call {
  LONG_PTR args[3] = {0, 0, 0};
  DWORD attributes = 0;  // MySetFilesAttibute receives its address
};

// Fills `call` from the words after the export name; nullptr when they fit
// the export, else what is wrong with them.
const char* PrepareCall(const std::string& name, int argc, char** argv, Call* call) {
  long long number = 0;
  if (name == "IsPrinterInstalled" || name == "OpenURL") {
    if (argc != 1) return "expected exactly one argument";
    call->args[2] = AsArgument(argv[0]);
    return nullptr;
  }
  if (name == "MySetDefaultPrinter") {
    if (argc < 1 || argc > 2) return "expected SELECTOR [NAME]";
    if (!ParseNumber(argv[0], &number)) return "SELECTOR is not a number";
    call->args[1] = static_cast<LONG_PTR>(number);
    call->args[2] = argc == 2 ? AsArgument(argv[1]) : 0;
    return nullptr;
  }
  if (name == "MySetFilesAttibute") {
    if (argc != 2) return "expected ATTRIBUTES FOLDER";
    if (!ParseNumber(argv[0], &number) || number < 0 || number > 0xFFFFFFFFLL) {
      return "ATTRIBUTES is not a 32-bit number";
    }
    call->attributes = static_cast<DWORD>(number);
    call->args[1] = AsArgument(&call->attributes);
    call->args[2] = AsArgument(argv[1]);
    return nullptr;
  }
  if (name == "UninstallPrinter") {
    if (argc < 1 || argc > 2) return "expected DRIVER [ARG1]";
    if (argc == 2) {
      if (!ParseNumber(argv[1], &number)) return "ARG1 is not a number";
      call->args[0] = static_cast<LONG_PTR>(number);
    }
    call->args[2] = AsArgument(argv[0]);
    return nullptr;
  }
  return "unknown export";
}

template <typename Fn>
Fn As(void* symbol) {
  Fn fn;
  static_assert(sizeof fn == sizeof symbol);
  std::memcpy(&fn, &symbol, sizeof fn);
  return fn;
}

LPCSTR Text(LONG_PTR arg) { return reinterpret_cast<LPCSTR>(arg); }

int Invoke(const std::string& name, void* symbol, const Call& call) {
  const LONG_PTR* a = call.args;
  if (name == "IsPrinterInstalled")
    return As<decltype(&IsPrinterInstalled)>(symbol)(a[0], a[1], Text(a[2]));
  if (name == "MySetDefaultPrinter")
    return As<decltype(&MySetDefaultPrinter)>(symbol)(a[0], a[1], Text(a[2]));
  if (name == "MySetFilesAttibute") {
    return As<decltype(&MySetFilesAttibute)>(symbol)(a[0], &call.attributes, Text(a[2]));
  }
  if (name == "OpenURL") return As<decltype(&OpenURL)>(symbol)(a[0], a[1], Text(a[2]));
  return As<decltype(&UninstallPrinter)>(symbol)(a[0], a[1], Text(a[2]));
}

// Where the installed package puts the library, from this program's own
// folder (<prefix>/bin -> <prefix>/lib/quillset-host-tools), or "".
std::string InstalledLibrary() {
  char self[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return "";
  std::string dir(self, static_cast<size_t>(n));
  dir = dir.substr(0, dir.rfind('/'));
  std::string path = dir.substr(0, dir.rfind('/')) + "/lib/quillset-host-tools/libombrel.so";
  return access(path.c_str(), R_OK) == 0 ? path : "";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage(nullptr);
  if (std::strcmp(argv[1], "--version") == 0) return std::printf("ombrel %s\n", KIT_VERSION) < 0;
  int answered = AnswerToolOption(argc, argv);
  if (answered >= 0) return answered;
  std::string name = argv[1];
  Call call;
  if (const char* problem = PrepareCall(name, argc - 2, argv + 2, &call)) return Usage(problem);

  const char* library = std::getenv("OMBREL_LIBRARY");
  std::string installed = InstalledLibrary();
  if (library == nullptr || library[0] == '\0') library = installed.empty() ? KIT_OMBREL_DEFAULT_PATH : installed.c_str();
  void* handle = dlopen(library, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    std::fprintf(stderr, "ombrel: cannot load %s: %s\n", library, dlerror());
    return 1;
  }
  void* symbol = dlsym(handle, name.c_str());
  if (symbol == nullptr) {
    std::fprintf(stderr, "ombrel: %s has no export %s\n", library, name.c_str());
    dlclose(handle);
    return 1;
  }
  int result = Invoke(name, symbol, call);
  std::printf("%d\n", result);
  std::fflush(stdout);
  // The library stays loaded until the process ends: its process-wide
  // state (the simulated system's connection and caches) lives as long as
  // the process, as a DLL's does on Windows.
  return 0;
}
