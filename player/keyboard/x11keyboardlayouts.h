#pragma once

#include "keyboardlayouts.h"

#include <memory>

// The XKB groups of the X server the application is connected to: the layouts as the server's
// rules names list them, one per group. Null when the program does not run on X11 (another Qt
// platform, no QGuiApplication) or the server has no XKB.
std::unique_ptr<KeyboardLayouts> createX11KeyboardLayouts();
