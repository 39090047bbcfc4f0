// What every Ombrel export shares: the caption of its error box and the
// check that a string argument fits the library's 260-byte buffers.
#pragma once

#include "platform/win32.h"

namespace ombrel {

/// The caption of every error box the library shows.
inline constexpr const char kCaption[] = "Ombrel.Dll";

/// True when `text` is not null and holds at most 259 characters, so that it
/// fits a 260-byte buffer with its NUL. Reads at most 260 bytes of it. On
/// false the last error is ERROR_INVALID_PARAMETER.
bool AcceptStringArgument(LPCSTR text);

/// Shows the error box for the current last error under kCaption.
void ReportLastError();

}  // namespace ombrel
