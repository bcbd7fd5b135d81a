#include "controls/edit/EditBeep.h"

#include <QApplication>

namespace platform::edit {
namespace {
int Beeps = 0;
}

void MessageBeep(unsigned) {
    ++Beeps;
    QApplication::beep();
}

int BeepCount() { return Beeps; }
}  // namespace platform::edit
