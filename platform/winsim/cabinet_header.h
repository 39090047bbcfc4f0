// The parts of a cabinet's header that the iteration reports itself and
// that libmspack does not hand out: the set fields for CABINETINFO, and which
// entries of the file table continue a file from the previous cabinet of a
// set (those are listed by the cabinet where the file begins, not here).
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"

namespace winsim::cabinet {

struct CabinetHeader {
  USHORT set_id = 0;
  USHORT set_index = 0;
  bool has_previous = false;
  bool has_next = false;
  std::string next_name;  // file name of the next cabinet of the set, or ""
  std::string next_disk;  // its disk name, or ""
  USHORT folder_count = 0;
  USHORT file_count = 0;
  /// One entry per file-table entry that could be read, in table order.
  std::vector<bool> continued_from_previous;
};

/// Reads the fixed header, the reserved-area sizes and the neighbours' names
/// of the cabinet at `host_path`, then as much of the file table as is
/// readable. 0, ERROR_INVALID_DATA when the header itself is missing,
/// truncated or not a cabinet's, or the host error.
DWORD ReadCabinetHeader(const std::string& host_path, CabinetHeader* header);

}  // namespace winsim::cabinet
