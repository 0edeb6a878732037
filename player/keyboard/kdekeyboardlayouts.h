#pragma once

#include "keyboardlayouts.h"

#include <memory>

class QDBusConnection;

// KDE Plasma's keyboard service (org.kde.keyboard, on X11 and on Wayland); null when bus does not
// carry it or it does not answer as expected, so the caller falls back to something else.
std::unique_ptr<KeyboardLayouts> createKdeKeyboardLayouts(const QDBusConnection &bus);
