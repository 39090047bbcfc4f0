// Names of driver files as the INF gives them.
#pragma once

#include <string_view>

/// True for a name that Windows opens as a device wherever it is joined to a
/// directory: AUX, CON, NUL, PRN, COM1..COM9, LPT1..LPT9, CONIN$ or CONOUT$,
/// in any case, with or without an extension and trailing blanks.
bool IsDeviceName(std::string_view name);

/// True for a bare file name that stays inside the directory it is joined to
/// and names a file there under this spelling only: not empty, not "." or
/// "..", holding no '\', '/' or ':', not a device name, not ending in a dot
/// or a blank (which Windows drops), not of a generated short name's form.
bool IsPlainFileName(std::string_view name);
