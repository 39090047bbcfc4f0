/* The planting test's control: loads each DLL named on the command line by
 * its bare name, through the search path, as a static import of a
 * non-KnownDLL would be found. With the planted DLLs beside it this must
 * leave their markers, which shows that the test's set-up would catch a
 * deliverable that loads them so. Prints what each name resolved to. */
#include <stdio.h>
#include <windows.h>

int main(int argc, char **argv) {
  int i;
  for (i = 1; i < argc; i++) {
    char path[MAX_PATH] = "";
    HMODULE module = LoadLibraryA(argv[i]);
    if (module != NULL) GetModuleFileNameA(module, path, sizeof path);
    printf("%s -> %s\n", argv[i], module != NULL ? path : "(not loaded)");
  }
  return 0;
}
