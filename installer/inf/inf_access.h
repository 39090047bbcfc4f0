// Reading the printer INF through the system's profile functions, and the
// directories an installation targets. Each call reads the INF afresh.
#pragma once

#include <string>

/// The first entry of [Manufacturer] with every double quote removed; "" when
/// the section is missing or empty. Quotes around the INF path are ignored.
std::string GetManufacturerName(std::string inf_path);

/// The value of `key` in `section` of the INF (at most 259 characters), or "".
/// An empty section name finds nothing (it is never handed to the system).
std::string MyGetProfileString(std::string inf_path, std::string section, std::string key);

/// The spooler's driver directory, or <system>\spool\drivers\w32x86.
std::string GetDriverDirectory();

/// <Windows>\Inf\<include> for the DDI section's "include" key, or "".
std::string GetIncludeInfPath(std::string inf_path, std::string ddi_section);
