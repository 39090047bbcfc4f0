#include "installer/front/settings_broadcast.h"

#include "platform/win32.h"

void BroadcastSettingsChange() {
  SendMessageTimeoutA(HWND_BROADCAST, WM_WININICHANGE, 0, 0, SMTO_NORMAL, 1000, nullptr);
}
