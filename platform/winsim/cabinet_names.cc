#include "platform/winsim/cabinet_names.h"

namespace winsim::cabinet {

bool IsPlainMemberName(std::string_view name) {
  if (name.empty() || name == "." || name.find("..") != std::string_view::npos) return false;
  return name.find_first_of("\\/:") == std::string_view::npos;
}

}  // namespace winsim::cabinet
