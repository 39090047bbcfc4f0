#include "installer/front/command_line.h"

#include <string_view>

#include "common/text.h"

namespace {

struct Switch {
  const char* name;
  int slot;            // 0 INF path, 1 printer name, 2 model list
  unsigned short mode; // mode it sets, or 0xFFFF for none
};

// Tested in this order; the first one the token contains wins.
constexpr Switch kSwitches[] = {
    {"/INF", 0, 0xFFFF},
    {"/PRINTER", 1, ModeInstall},
    {"/MDL", 2, 0xFFFF},
    {"/UNINSTALL", 1, ModeUninstall},
};

// The value of a token whose switch name was deleted: the text from the
// first through the last double quote, clamped as a substring whose start is
// the first quote and whose length is last - first + 1.
std::string TakeValue(std::string_view rest) {
  size_t first_pos = kit::FindChar(rest, '"');
  size_t last_pos = kit::FindLastChar(rest, '"');
  long long first = first_pos == kit::kNotFound ? -1 : static_cast<long long>(first_pos);
  long long last = last_pos == kit::kNotFound ? -1 : static_cast<long long>(last_pos);
  long long length = last - first + 1;
  long long start = first < 0 ? 0 : first;
  if (length < 0) length = 0;
  if (start >= static_cast<long long>(rest.size())) return std::string();
  return std::string(rest.substr(static_cast<size_t>(start), static_cast<size_t>(length)));
}

}  // namespace

unsigned short ParseCommandLine(const char* command_line, std::string& inf_path,
                                std::string& printer_name, std::string& model_list) {
  std::string_view line = command_line ? command_line : "";
  if (line.empty()) return ModeHelp;
  unsigned short mode = ModeInvalid;
  size_t pos = kit::FindChar(line, '/');
  std::string* slots[] = {&inf_path, &printer_name, &model_list};
  while (pos != kit::kNotFound) {
    size_t next = kit::FindChar(line, '/', pos + 1);
    std::string_view token = line.substr(pos, next == kit::kNotFound ? line.npos : next - pos);
    for (const Switch& sw : kSwitches) {
      // A token holds one slash, at its start: it contains a name exactly
      // when it begins with it.
      std::string_view name = sw.name;
      if (token.substr(0, name.size()) != name) continue;
      *slots[sw.slot] = TakeValue(token.substr(name.size()));
      if (sw.mode != 0xFFFF) mode = sw.mode;
      break;
    }
    pos = next;
  }
  if ((mode == ModeInstall || mode == ModeUninstall) && (printer_name.empty() || inf_path.empty()))
    mode = ModeInvalid;
  return mode;
}
