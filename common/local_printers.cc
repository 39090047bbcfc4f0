#include "common/local_printers.h"

namespace kit {

bool EnumLocalPrinters(DWORD level, UniqueGlobalMem* block, DWORD* count) {
  DWORD needed = 0;
  DWORD returned = 0;
  // The first call only asks for the size; it fails with
  // ERROR_INSUFFICIENT_BUFFER whenever there is at least one printer.
  EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, level, nullptr, 0, &needed, &returned);
  // A zero-byte block is still a valid block, so the second call always has
  // somewhere to write and the empty list is answered by the spooler itself.
  block->Reset(GlobalAlloc(GMEM_ZEROINIT, needed != 0 ? needed : 1));
  if (!block->Valid()) return false;
  returned = 0;
  DWORD second_needed = 0;
  if (!EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, level, static_cast<LPBYTE>(block->Get()), needed,
                     &second_needed, &returned)) {
    return false;
  }
  *count = returned;
  return true;
}

}  // namespace kit
