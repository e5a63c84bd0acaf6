#pragma once

// The state of the caps, num and scroll lock keys, as the X keyboard extension reports it.
// Where the platform does not tell (Wayland, no X connection), known is false.
struct LockKeys {
    bool known = false;
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

LockKeys QueryLockKeys();
