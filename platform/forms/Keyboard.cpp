#include "platform/forms/Keyboard.h"

#include <QByteArray>
#include <QGuiApplication>
#include <dlfcn.h>

namespace platform::forms {
namespace {

// The few X entry points needed, loaded at run time so the program runs where X is absent.
struct TXkb {
    using OpenDisplay = void* (*)(const char*);
    using InternAtom = unsigned long (*)(void*, const char*, int);
    using GetNamedIndicator = int (*)(void*, unsigned long, int*, int*, void*, int*);
    void* Display = nullptr;
    GetNamedIndicator Named = nullptr;
    unsigned long Caps = 0, Num = 0;

    TXkb() {
        if (QGuiApplication::platformName() != QLatin1String("xcb") || qEnvironmentVariableIsEmpty("DISPLAY")) return;
        void* lib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
        if (!lib) return;
        auto open = reinterpret_cast<OpenDisplay>(dlsym(lib, "XOpenDisplay"));
        auto intern = reinterpret_cast<InternAtom>(dlsym(lib, "XInternAtom"));
        Named = reinterpret_cast<GetNamedIndicator>(dlsym(lib, "XkbGetNamedIndicator"));
        if (!open || !intern || !Named) return;
        Display = open(nullptr);
        if (!Display) return;
        Caps = intern(Display, "Caps Lock", 1);
        Num = intern(Display, "Num Lock", 1);
    }
    bool Read(unsigned long atom, bool& on) const {
        int state = 0;
        if (!atom || !Named(Display, atom, nullptr, &state, nullptr, nullptr)) return false;
        on = state != 0;
        return true;
    }
};

}  // namespace

TLockKeys LockKeysState() {
    static const TXkb xkb;
    TLockKeys r;
    if (!xkb.Display) return r;
    r.Known = xkb.Read(xkb.Caps, r.CapsLock) && xkb.Read(xkb.Num, r.NumLock);
    if (!r.Known) r.CapsLock = r.NumLock = false;
    return r;
}

}  // namespace platform::forms
