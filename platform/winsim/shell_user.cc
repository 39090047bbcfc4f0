// USER32 windows and boxes of a windowless system: what a person would have
// seen is recorded in events.jsonl.
//
//   MessageBoxA SendMessageTimeoutA OutputDebugStringA
#include <cstdio>

#include "platform/winsim/winsim.h"

extern "C" {

// USER32.MessageBoxA: records the box, echoes "caption: text" on stderr and
// returns IDOK, as if the user had pressed OK at once. Native shows "Error"
// for a NULL caption.
int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
  if (winsim::FaultInjected("MessageBoxA")) return 0;
  const char* shown_caption = caption ? caption : "Error";
  const char* shown_text = text ? text : "";
  winsim::AppendEvent("{\"event\":\"MessageBox\",\"caption\":" + winsim::JsonString(shown_caption) +
                      ",\"text\":" + winsim::JsonString(shown_text) +
                      ",\"style\":" + std::to_string(style) + "}");
  std::fprintf(stderr, "%s: %s\n", shown_caption, shown_text);
  return IDOK;
}

// USER32.SendMessageTimeoutA: a broadcast reaches no window here; it is
// recorded and succeeds.
LRESULT WINAPI SendMessageTimeoutA(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                   UINT flags, UINT timeout, PDWORD_PTR result) {
  if (winsim::FaultInjected("SendMessageTimeoutA")) return 0;
  winsim::AppendEvent("{\"event\":\"Broadcast\",\"window\":" +
                      std::to_string(reinterpret_cast<uintptr_t>(window)) +
                      ",\"message\":" + std::to_string(message) +
                      ",\"wparam\":" + std::to_string(wparam) +
                      ",\"lparam\":" + std::to_string(lparam) +
                      ",\"flags\":" + std::to_string(flags) +
                      ",\"timeout\":" + std::to_string(timeout) + "}");
  if (result) *result = 0;
  return 1;
}

// KERNEL32.OutputDebugStringA: the debugger output is stderr.
void WINAPI OutputDebugStringA(LPCSTR text) {
  if (text) std::fputs(text, stderr);
}

}  // extern "C"
