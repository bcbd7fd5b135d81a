#pragma once
// The system beep of the edit controls, counted so tests can see a refused key.

namespace platform::edit {
enum : unsigned { MB_BEEP_DEFAULT = 0, MB_BEEP_EXCLAMATION = 0x30 };
void MessageBeep(unsigned type = MB_BEEP_DEFAULT);
int BeepCount();
}  // namespace platform::edit
