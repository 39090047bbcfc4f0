// The printer's model line: its DDI section and its PnP ID.
#pragma once

#include <string>

/// Looks up the quoted printer name in the manufacturer's model section.
/// True with the DDI section set (and the PnP ID when the value has a comma);
/// false, touching neither, when there is no usable model line.
bool GetDDISection(std::string inf_path, std::string printer_name, std::string& ddi_section,
                   std::string& pnp_id);
