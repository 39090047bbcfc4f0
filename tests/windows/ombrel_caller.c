/* A setup program's use of the kit's header and import library: it calls
 * IsPrinterInstalled through the import library (by name) and checks that
 * the same function is exported at ordinal 1. Built by ombrel_header_test.sh
 * with -std=c89 -pedantic, and as C++. */
#include <stdio.h>

#include "ombrel.h"

int main(void) {
  HMODULE ombrel = GetModuleHandleA("Ombrel.dll");
  FARPROC by_ordinal = ombrel != NULL ? GetProcAddress(ombrel, MAKEINTRESOURCEA(1)) : NULL;
  FARPROC by_name = ombrel != NULL ? GetProcAddress(ombrel, "IsPrinterInstalled") : NULL;
  int missing = IsPrinterInstalled(0, 0, "Ombrel Caller No Such Printer");
  printf("missing printer: %d\n", missing);
  printf("ordinal 1 is IsPrinterInstalled: %d\n", by_ordinal != NULL && by_ordinal == by_name);
  return missing == 0 && by_ordinal != NULL && by_ordinal == by_name ? 0 : 1;
}
