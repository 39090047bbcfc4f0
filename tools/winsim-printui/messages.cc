#include "tools/winsim-printui/messages.h"

#include <cstdio>

namespace printui {
namespace {

constexpr char kCaption[] = "Printer User Interface";
constexpr char kRunDllCaption[] = "RunDLL";
constexpr UINT kErrorIcon = 0x00000010L;  // MB_ICONERROR

void Show(const char* caption, const std::string& text) {
  MessageBoxA(nullptr, text.c_str(), caption, MB_OK | kErrorIcon);
}

/// The system's text for `code` without its line end.
std::string SystemText(DWORD code) {
  char text[512] = {};
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           code, 0, text, sizeof text, nullptr);
  std::string s(text, n < sizeof text ? n : 0);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  return s.empty() ? "Unknown error." : s;
}

}  // namespace

void ShowModuleNotFound(const std::string& module) {
  Show(kRunDllCaption, "Error loading " + module + "\n" + SystemText(ERROR_MOD_NOT_FOUND));
}

void ShowMissingEntry(const std::string& module, const std::string& entry) {
  Show(kRunDllCaption, "Error in " + module + "\nMissing entry:" + entry);
}

void ShowInvalidArguments() { Show(kCaption, "The arguments are invalid."); }

void ShowNotSimulated(const std::vector<std::string>& switches) {
  std::string list;
  for (const std::string& s : switches) list += (list.empty() ? "" : " ") + s;
  Show(kCaption, "winsim does not simulate PrintUIEntry " + list + ".");
}

void ShowInstallFailure(const std::string& name, DWORD code, const std::string& subject) {
  char number[16];
  std::snprintf(number, sizeof number, "0x%08X", static_cast<unsigned>(code));
  std::string text = "Unable to install printer " + name + ".\n" + SystemText(code) + " (error " +
                     number + ")";
  if (!subject.empty()) text += "\n" + subject;
  Show(kCaption, text);
}

}  // namespace printui
