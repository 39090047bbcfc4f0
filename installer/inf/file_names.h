// Names of driver files as the INF gives them.
#pragma once

#include <string_view>

/// True for a bare file name that stays inside the directory it is joined to:
/// not empty, not "." or "..", and holding no '\', '/' or ':'.
bool IsPlainFileName(std::string_view name);
