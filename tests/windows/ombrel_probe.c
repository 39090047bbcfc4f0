/* Loads Ombrel.dll from the folder of this program, calls each export through
 * GetProcAddress with the stdcall signature of three 32-bit arguments, and
 * checks the results against a printer and a folder it prepares itself.
 * Every call also checks that the export removed its 12 bytes of arguments.
 * Prints one line per check; exit code 0 when all passed. */
#include <windows.h>
#include <winspool.h>
#include <stdio.h>
#include <string.h>

#define PROBE_DRIVER "Ombrel Probe Driver"
#define PROBE_PRINTER "Ombrel Probe Printer"
#define SECOND_PRINTER "Ombrel Probe Second"

typedef int(WINAPI *ExportFn)(DWORD, DWORD, DWORD);

static int failures = 0;

static void Check(int ok, const char *what) {
  printf("%s: %s\n", ok ? "ok" : "FAIL", what);
  if (!ok) failures++;
}

/* Calls fn(a, b, c) and reports in *balanced whether the stack pointer after
 * the call is where it was before the arguments were pushed, i.e. whether the
 * callee removed exactly its 12 bytes. */
static int CallExport(ExportFn fn, DWORD a, DWORD b, DWORD c, int *balanced) {
  DWORD args[3] = {a, b, c};
  DWORD result = (DWORD)fn;
  DWORD before, after;
  __asm__ volatile(
      "movl %%esp, %%esi\n\t"
      "pushl 8(%%ebx)\n\t"
      "pushl 4(%%ebx)\n\t"
      "pushl (%%ebx)\n\t"
      "call *%%eax\n\t"
      "movl %%esp, %%edi\n\t"
      "movl %%esi, %%esp\n\t"
      : "+a"(result), "=&S"(before), "=&D"(after)
      : "b"(args)
      : "ecx", "edx", "memory", "cc");
  *balanced = before == after;
  return (int)result;
}

static HMODULE library;

static int Call(const char *name, DWORD a, DWORD b, DWORD c) {
  FARPROC proc = GetProcAddress(library, name);
  int balanced = 0;
  int result;
  char what[128];
  if (proc == NULL) {
    snprintf(what, sizeof what, "%s is exported", name);
    Check(0, what);
    return -12345;
  }
  result = CallExport((ExportFn)proc, a, b, c, &balanced);
  snprintf(what, sizeof what, "%s removes its 12 bytes of arguments", name);
  Check(balanced, what);
  return result;
}

static DWORD Text(const char *s) { return (DWORD)(ULONG_PTR)s; }

static int PrinterExists(const char *name) {
  HANDLE h = NULL;
  if (!OpenPrinterA((LPSTR)name, &h, NULL)) return 0;
  ClosePrinter(h);
  return 1;
}

static int DriverInstalled(const char *name) {
  static BYTE buffer[65536];
  DWORD needed = 0, count = 0, i;
  if (!EnumPrinterDriversA(NULL, NULL, 1, buffer, sizeof buffer, &needed, &count)) return 0;
  for (i = 0; i < count; i++) {
    if (strcmp(((DRIVER_INFO_1A *)buffer)[i].pName, name) == 0) return 1;
  }
  return 0;
}

static void DeleteNamedPrinter(const char *name) {
  HANDLE h = NULL;
  PRINTER_DEFAULTSA all = {NULL, NULL, PRINTER_ALL_ACCESS};
  if (OpenPrinterA((LPSTR)name, &h, &all)) {
    DeletePrinter(h);
    ClosePrinter(h);
  }
}

static void RemoveLeftovers(void) {
  DeleteNamedPrinter(PROBE_PRINTER);
  DeleteNamedPrinter(SECOND_PRINTER);
  DeletePrinterDriverA(NULL, NULL, PROBE_DRIVER);
}

static int AddProbePrinter(const char *name) {
  PRINTER_INFO_2A info;
  HANDLE printer;
  memset(&info, 0, sizeof info);
  info.pPrinterName = (LPSTR)name;
  info.pPortName = "FILE:";
  info.pDriverName = PROBE_DRIVER;
  info.pPrintProcessor = "WinPrint";
  info.pDatatype = "RAW";
  printer = AddPrinterA(NULL, 2, (LPBYTE)&info);
  if (printer == NULL) {
    printf("AddPrinterA failed: %lu\n", GetLastError());
    return 0;
  }
  ClosePrinter(printer);
  return 1;
}

/* Wine accepts a version-3 driver whose files it provides itself, with a
 * small PPD beside them, and a local printer on FILE: for it. */
static int CreateProbePrinter(void) {
  char dir[MAX_PATH], ppd[MAX_PATH];
  DWORD needed = 0, written = 0;
  HANDLE file;
  DRIVER_INFO_3A driver;
  const char *text = "*PPD-Adobe: \"4.3\"\n*ModelName: \"Probe\"\n*NickName: \"Probe\"\n";
  if (!GetPrinterDriverDirectoryA(NULL, NULL, 1, (LPBYTE)dir, sizeof dir, &needed)) return 0;
  snprintf(ppd, sizeof ppd, "%s\\ombrel_probe.ppd", dir);
  file = CreateFileA(ppd, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
  if (file == INVALID_HANDLE_VALUE) return 0;
  WriteFile(file, text, (DWORD)strlen(text), &written, NULL);
  CloseHandle(file);

  memset(&driver, 0, sizeof driver);
  driver.cVersion = 3;
  driver.pName = PROBE_DRIVER;
  driver.pDriverPath = "wineps.drv";
  driver.pDataFile = "ombrel_probe.ppd";
  driver.pConfigFile = "wineps.drv";
  if (!AddPrinterDriverA(NULL, 3, (LPBYTE)&driver)) {
    printf("AddPrinterDriverA failed: %lu\n", GetLastError());
    return 0;
  }
  return AddProbePrinter(PROBE_PRINTER);
}

static void ProbePresenceAndDefault(void) {
  char long_name[400];
  char current[MAX_PATH];
  DWORD size = sizeof current;
  memset(long_name, 'P', sizeof long_name - 1);
  long_name[sizeof long_name - 1] = '\0';

  Check(Call("IsPrinterInstalled", 0, 0, Text(PROBE_PRINTER)) == 1,
        "IsPrinterInstalled finds the probe printer");
  Check(Call("IsPrinterInstalled", 0, 0, Text("No Such Ombrel Printer")) == 0,
        "IsPrinterInstalled answers 0 for a missing printer");
  Check(Call("IsPrinterInstalled", 0, 0, Text(long_name)) == 0,
        "IsPrinterInstalled refuses a 399-character name");
  Check(Call("IsPrinterInstalled", 0, 0, 0) == 0, "IsPrinterInstalled refuses a null name");

  Check(Call("MySetDefaultPrinter", 0, 1, Text(PROBE_PRINTER)) != 0,
        "MySetDefaultPrinter with a name succeeds");
  Check(GetDefaultPrinterA(current, &size) && strcmp(current, PROBE_PRINTER) == 0,
        "the probe printer is the default printer");
  Check(Call("MySetDefaultPrinter", 0, 1, Text(long_name)) == 0,
        "MySetDefaultPrinter refuses a 399-character name");
}

static void ProbeFileAttributes(void) {
  char base[MAX_PATH], folder[MAX_PATH], path[MAX_PATH];
  static const char *names[] = {"ab", "abc.txt", "sub"};
  DWORD readonly = FILE_ATTRIBUTE_READONLY, normal = FILE_ATTRIBUTE_NORMAL;
  HANDLE file;
  int i;
  GetTempPathA(sizeof base, base);
  snprintf(folder, sizeof folder, "%sombrel_probe_%lu", base, GetCurrentProcessId());
  CreateDirectoryA(folder, NULL);
  for (i = 0; i < 2; i++) {
    snprintf(path, sizeof path, "%s\\%s", folder, names[i]);
    file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
  snprintf(path, sizeof path, "%s\\sub", folder);
  CreateDirectoryA(path, NULL);

  Check(Call("MySetFilesAttibute", 0, Text((const char *)&readonly), Text(folder)) == 1,
        "MySetFilesAttibute sets the folder's entries");
  snprintf(path, sizeof path, "%s\\abc.txt", folder);
  Check((GetFileAttributesA(path) & FILE_ATTRIBUTE_READONLY) != 0,
        "a three-character name received the attributes");
  snprintf(path, sizeof path, "%s\\ab", folder);
  Check((GetFileAttributesA(path) & FILE_ATTRIBUTE_READONLY) == 0,
        "a two-character name kept its attributes");
  Check(Call("MySetFilesAttibute", 0, Text((const char *)&readonly), 0) == 0,
        "MySetFilesAttibute refuses a null folder");

  Call("MySetFilesAttibute", 0, Text((const char *)&normal), Text(folder));
  for (i = 0; i < 2; i++) {
    snprintf(path, sizeof path, "%s\\%s", folder, names[i]);
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path);
  }
  snprintf(path, sizeof path, "%s\\sub", folder);
  RemoveDirectoryA(path);
  RemoveDirectoryA(folder);
}

static void ProbeOpenUrl(void) {
  Check(Call("OpenURL", 0, 0, Text("ombrelnoscheme:nothing-handles-this")) == 0,
        "OpenURL answers 0 for an address no program handles");
  Check(Call("OpenURL", 0, 0, 0) == 0, "OpenURL refuses a null address");
}

static void ProbeUninstall(void) {
  Check(Call("UninstallPrinter", 0, 0, Text(PROBE_DRIVER)) == 0, "UninstallPrinter returns 0");
  Check(!PrinterExists(PROBE_PRINTER), "the printer of the driver is gone");
  Check(!DriverInstalled(PROBE_DRIVER), "the driver is gone");
  Check(Call("UninstallPrinter", 0, 0, Text("Ombrel Probe Never Installed")) == 0,
        "UninstallPrinter returns 0 for a driver never installed");
}

static DWORD PrinterAttributes(const char *name) {
  static BYTE buffer[16384];
  HANDLE h = NULL;
  DWORD needed = 0, attributes = 0;
  if (!OpenPrinterA((LPSTR)name, &h, NULL)) return 0;
  if (GetPrinterA(h, 2, buffer, sizeof buffer, &needed)) {
    attributes = ((PRINTER_INFO_2A *)buffer)->Attributes;
  }
  ClosePrinter(h);
  return attributes;
}

/* Run with the Windows version that the script chose for this program: the
 * route taken shows in what the default-printer setting looks like. The
 * printers are on FILE:, so an entry naming LPT1: comes from the profile
 * route alone. */
static void ProbeRoute(const char *route) {
  char current[MAX_PATH], device[MAX_PATH];
  DWORD size = sizeof current;
  int is_profile_entry;
  if (!AddProbePrinter(SECOND_PRINTER) || !SetDefaultPrinterA(SECOND_PRINTER)) {
    Check(0, "a second printer was made the default");
    return;
  }
  Check(Call("MySetDefaultPrinter", 0, 1, Text(PROBE_PRINTER)) != 0,
        "MySetDefaultPrinter with a name succeeds");
  /* Wine stores the default attribute that SetPrinterA adds, but does not
   * make that printer the default one as Windows 98 does. */
  if (strcmp(route, "attribute") != 0) {
    Check(GetDefaultPrinterA(current, &size) && strcmp(current, PROBE_PRINTER) == 0,
          "the probe printer is the default printer");
  } else {
    /* ...which also shows that the spooler route did not run. */
    Check(GetDefaultPrinterA(current, &size) && strcmp(current, SECOND_PRINTER) == 0,
          "Wine keeps the previous default printer");
  }
  GetProfileStringA("windows", "device", "", device, sizeof device);
  is_profile_entry = strcmp(device, PROBE_PRINTER ",WINSPOOL,LPT1:") == 0;
  if (strcmp(route, "profile") == 0) {
    Check(is_profile_entry, "the device entry names WINSPOOL and LPT1:");
  } else {
    Check(!is_profile_entry, "the device entry is the spooler's own");
  }
  if (strcmp(route, "attribute") == 0) {
    Check((PrinterAttributes(PROBE_PRINTER) & PRINTER_ATTRIBUTE_DEFAULT) != 0,
          "the probe printer carries the default attribute");
  }
}

int main(int argc, char **argv) {
  const char *route = argc > 1 ? argv[1] : NULL;
  char path[MAX_PATH];
  char *slash;
  DWORD n = GetModuleFileNameA(NULL, path, sizeof path);
  if (n == 0 || n >= sizeof path || (slash = strrchr(path, '\\')) == NULL) return 2;
  snprintf(slash + 1, sizeof path - (size_t)(slash + 1 - path), "Ombrel.dll");
  library = LoadLibraryA(path);
  if (library == NULL) {
    printf("FAIL: cannot load %s (%lu)\n", path, GetLastError());
    return 1;
  }
  RemoveLeftovers();
  Check(CreateProbePrinter(), "the probe printer was created");
  if (route != NULL) {
    if (failures == 0) ProbeRoute(route);
    RemoveLeftovers();
    FreeLibrary(library);
    printf("%d failure(s)\n", failures);
    return failures == 0 ? 0 : 1;
  }
  if (failures == 0) {
    ProbePresenceAndDefault();
    ProbeUninstall();
  }
  ProbeFileAttributes();
  ProbeOpenUrl();
  RemoveLeftovers();
  FreeLibrary(library);
  printf("%d failure(s)\n", failures);
  return failures == 0 ? 0 : 1;
}
