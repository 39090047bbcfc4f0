// The INF that an install registered with the system, and its removal at
// uninstall: the copy in the Windows INF directory, its precompiled ".pnf"
// companion, the INF's folder in the installation source list, and the
// driver record.
#pragma once

#include <string>

#include "platform/win32.h"

/// Registers the INF with the system (SetupCopyOEMInfA, no overwrite) and
/// writes the copy's path as "OEMINF" into an existing driver record. False
/// only when the registration failed with an error other than 80 (shown
/// with the caption "Copy Oem Inf"); a missing record is not an error.
bool CopyOemInf(std::string inf_path, std::string printer_name, std::string manufacturer);

/// Deletes the INF copy and its PNF file (only inside the Windows INF
/// directory, and only when the copy holds the INF's bytes), takes the INF's folder off the source list and deletes the
/// driver record. On version code 9 the copy is the record's "OEMINF" value,
/// elsewhere <Windows>\INF\<INF file name>. False when the copy cannot be
/// located (nothing is then deleted) or the source-list removal failed (the
/// record then stays).
bool RemoveOemInf(std::string inf_path, std::string printer_name, std::string manufacturer);

/// Outcomes of PnfPathOf.
enum class PnfPath { kFormed, kNone, kTooLong };

/// The PNF path of an INF copy: the same folder and file name with the
/// name's last extension replaced by ".pnf" (added when it has none; ".inf"
/// gives ".pnf"). kNone when the name is empty or only dots; kTooLong (and `pnf` empty) when the
/// result would not fit.
PnfPath PnfPathOf(const char* copy_path, char (&pnf)[kMaxPath]);
