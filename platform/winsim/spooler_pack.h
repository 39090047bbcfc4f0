// Printer descriptions laid out in a caller's block as WINSPOOL lays them
// out: the fixed-size records one after another from the start of the block,
// the strings they point at packed from the block's end towards the records.
#pragma once

#include <vector>

#include "platform/winsim/spooler_store.h"

namespace winsim::spooler {

/// One printer as the caller sees it.
struct PrinterView {
  const PrinterRecord* record = nullptr;  // owned by the caller
  bool is_default = false;  // reported as PRINTER_ATTRIBUTE_DEFAULT (Windows 9x)
};

/// True for the levels this spooler describes printers at (1, 2, 4 and 5).
bool IsPrinterInfoLevel(DWORD level);

/// The bytes that the records of `printers` at `level` need with their strings.
DWORD PackedSize(DWORD level, const std::vector<PrinterView>& printers);

/// The bytes the same records need in their Unicode form, with UTF-16
/// strings: what EnumPrintersA asks for (it is EnumPrintersW's size).
DWORD UnicodeSize(DWORD level, const std::vector<PrinterView>& printers);

/// Writes the records into `block` (`size` bytes, at least PackedSize).
void PackPrinters(DWORD level, const std::vector<PrinterView>& printers, LPBYTE block, DWORD size);

/// Takes a caller's level-2 description into `record`: every number, and
/// every string member that is not NULL (a NULL member keeps what is there).
/// PRINTER_ATTRIBUTE_DEFAULT is not kept: it says which printer is the
/// default, which the Device entry records.
void UnpackPrinter2(const PRINTER_INFO_2A& info, PrinterRecord* record);

}  // namespace winsim::spooler
