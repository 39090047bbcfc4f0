/* Reads a file's version resource the way a setup program does, with
 * GetFileVersionInfoA and VerQueryValueA, and prints what it finds in the
 * form of pe_reader.py's "version" command: the fixed file and product
 * versions, the file type, and each string of the US English, code page 1252
 * table. Exit code 1 when the file has no version resource. */
#include <stdio.h>
#include <windows.h>

static const char *const kStrings[] = {"CompanyName", "FileDescription", "FileVersion", "InternalName",
                                       "LegalCopyright", "OriginalFilename", "ProductName", "ProductVersion"};

int main(int argc, char **argv) {
  static char block[65536];
  DWORD handle = 0, size;
  VS_FIXEDFILEINFO *fixed = NULL;
  UINT length = 0;
  size_t i;
  if (argc != 2) return 2;
  size = GetFileVersionInfoSizeA(argv[1], &handle);
  if (size == 0 || size > sizeof block || !GetFileVersionInfoA(argv[1], 0, size, block)) {
    printf("no version resource (%lu)\n", GetLastError());
    return 1;
  }
  if (!VerQueryValueA(block, "\\", (void **)&fixed, &length) || length < sizeof *fixed) return 1;
  printf("FileVersion=%lu.%lu.%lu.%lu\n", fixed->dwFileVersionMS >> 16, fixed->dwFileVersionMS & 0xFFFF,
         fixed->dwFileVersionLS >> 16, fixed->dwFileVersionLS & 0xFFFF);
  printf("ProductVersion=%lu.%lu.%lu.%lu\n", fixed->dwProductVersionMS >> 16, fixed->dwProductVersionMS & 0xFFFF,
         fixed->dwProductVersionLS >> 16, fixed->dwProductVersionLS & 0xFFFF);
  printf("FileType=%lu\n", fixed->dwFileType);
  for (i = 0; i < sizeof kStrings / sizeof kStrings[0]; i++) {
    char query[128];
    char *value = NULL;
    snprintf(query, sizeof query, "\\StringFileInfo\\040904E4\\%s", kStrings[i]);
    if (VerQueryValueA(block, query, (void **)&value, &length) && value != NULL) {
      printf("040904E4/%s=%s\n", kStrings[i], value);
    }
  }
  return 0;
}
