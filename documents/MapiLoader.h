#pragma once
// Whether the program can send mail: an SMTP server set up in the settings store, or the
// desktop's mail client (xdg-email). Decided once at start-up by InitializeMapi.
#include "platform/rtl/Exceptions.h"

ZB_EXCEPTION(EMapiDllError, Exception)
ZB_EXCEPTION(EMapiUnavailable, Exception)

// The loaded flag: a mail backend is available.
extern bool MapiLoaded;

// Runs at start-up: clears the state and looks for a backend.
void InitializeMapi();
