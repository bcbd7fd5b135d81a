#include "platform/forms/Beep.h"

#include <QApplication>

namespace platform::forms {
namespace {
int Beeps = 0;
}

void MessageBeep(unsigned) {
    ++Beeps;
    QApplication::beep();
}

int BeepCount() { return Beeps; }
}  // namespace platform::forms
