/* The planting test's stand-in for a setup program that set a DLL directory
 * of its own (SetDllDirectoryA) to a folder holding a planted uxtheme.dll,
 * which USER32 loads by name when it first draws a window or a box.
 *
 *   search_order_caller.exe FOLDER box     shows a box itself (the control)
 *   search_order_caller.exe FOLDER ombrel  lets Ombrel.dll show one, through
 *                                          OpenURL of an address nothing opens
 *
 * Then it prints the DLL directory it finds set, and whether a DLL that
 * lies only in its own folder still loads by bare name: Ombrel.dll must
 * leave the program's search order as the program set it. */
#include <stdio.h>
#include <string.h>

#include "ombrel.h"

int main(int argc, char **argv) {
  char directory[MAX_PATH] = "";
  HMODULE own;
  if (argc != 3) return 2;
  if (!SetDllDirectoryA(argv[1])) return 2;
  if (strcmp(argv[2], "box") == 0) {
    MessageBoxA(NULL, "control", "search_order_caller", MB_OK);
  } else if (OpenURL(0, 0, "ombrelnoscheme:nothing-opens-this") != 0) {
    printf("OpenURL opened an address nothing should open\n");
    return 1;
  }
  GetDllDirectoryA(sizeof directory, directory);
  printf("DLL directory: %s\n", directory);
  own = LoadLibraryA("own_folder.dll");
  printf("own folder: %s\n", own != NULL ? "loads" : "does not load");
  return 0;
}
