// The simulated system's USER32 and SHELL32 load no DLL by name, so there is
// no search order to narrow around a call into them.
#include "common/system_dll_search.h"

namespace kit {

SystemDllSearch::SystemDllSearch() = default;
SystemDllSearch::~SystemDllSearch() = default;

}  // namespace kit
