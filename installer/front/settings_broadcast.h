// Telling every top-level window that system settings changed.
#pragma once

/// WM_WININICHANGE to HWND_BROADCAST (no section), SMTO_NORMAL, 1000 ms;
/// the result is of no interest to either sequence.
void BroadcastSettingsChange();
