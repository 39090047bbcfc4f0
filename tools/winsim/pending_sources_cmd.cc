// Placeholder until the sources command exists. Deleted when it lands.
#include "tools/winsim/commands.h"
int RunSources(const Args&) { return Fail(1, "sources: not available yet"); }
