#include "documents/MapiLoader.h"

#include "platform/mail/Mail.h"

bool MapiLoaded = false;

void InitializeMapi() {
    MapiLoaded = false;
    MapiLoaded = platform::mail::BackendAvailable();
}
