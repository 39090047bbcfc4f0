#include "platform/winsim/cabinet_names.h"

#include "platform/win32.h"

namespace winsim::cabinet {

bool IsPlainMemberName(std::string_view name, bool utf8) {
  if (name.empty() || name == "." || name.find("..") != std::string_view::npos) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (c == '\\' || c == '/' || c == ':') return false;
    if (!utf8 && IsDBCSLeadByte(c) && i + 1 < name.size()) ++i;  // skip the trail byte
  }
  return true;
}

}  // namespace winsim::cabinet
