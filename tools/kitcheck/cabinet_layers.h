// kitcheck --cab: a kit's own cabinet laid over the system's driver cache.
#pragma once

#include <string>

namespace kitcheck {

/// Gives the current simulated system a driver cache cabinet that holds
/// every member of its own driver.cab and, on top, the members of the kit's
/// cabinet (a host path) whose names it lacks. A name in both (any case) is
/// the system's member: driver.cab belongs to Windows, and a kit cannot
/// change it. A system without a driver.cab (NT 4, Vista and later) gets the
/// kit's cabinet as it is, and so does one whose kit cabinet cannot be read
/// whole (its damage is then met where the install reads the driver cache).
/// Members whose names hold a path are left out.
/// Needs gcab to pack the result.
bool LayerKitCabinet(const std::string& kit_cabinet, std::string* error);

}  // namespace kitcheck
