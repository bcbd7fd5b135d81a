#pragma once
// The toggled state of the keyboard's lock keys, as the window system tells it.

namespace platform::forms {

struct TLockKeys {
    bool Known = false;  // false where the window system does not say (no X display, Wayland)
    bool CapsLock = false;
    bool NumLock = false;
};

// Read from the X keyboard extension's indicators when the program runs on an X display;
// unknown anywhere else.
TLockKeys LockKeysState();

}  // namespace platform::forms
