// Placeholder until the spooler commands exist. Deleted when they land.
#include "tools/winsim/commands.h"
int RunPrinters(const Args&) { return Fail(1, "printers: not available yet"); }
int RunDrivers(const Args&) { return Fail(1, "drivers: not available yet"); }
int RunDefault(const Args&) { return Fail(1, "default: not available yet"); }
