#pragma once
// The system beep of the controls, counted so tests can see a refused key or click.

namespace platform::forms {
enum : unsigned { MB_BEEP_DEFAULT = 0, MB_BEEP_EXCLAMATION = 0x30 };
void MessageBeep(unsigned type = MB_BEEP_DEFAULT);
int BeepCount();
}  // namespace platform::forms
