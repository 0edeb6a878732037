#include "x11keyboardlayouts.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <cstdlib>

// Xlib last: its macros (Bool, None, FocusIn, Status...) clash with names in Qt's headers.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XKBrules.h>

namespace {
// Qt's own connection to the X server, looked up on each use rather than kept, so nothing here
// can reach a display Qt has already closed. Null when the application does not run on X11.
Display *qtDisplay()
{
    if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}

// The number of groups the server's keymap really has. The rules names are only what the last
// tool that set the keymap wrote down; a group beyond the keymap cannot be switched to.
int groupCount(Display *display)
{
    XkbDescPtr keyboard = XkbAllocKeyboard();
    if (!keyboard)
        return 0;
    int count = 0;
    if (XkbGetControls(display, XkbGroupsWrapMask, keyboard) == Success && keyboard->ctrls)
        count = keyboard->ctrls->num_groups;
    XkbFreeKeyboard(keyboard, 0, True);
    return count;
}

class X11KeyboardLayouts final : public KeyboardLayouts
{
public:
    QList<KeyboardLayout> layouts() const override
    {
        Display *display = qtDisplay();
        if (!display)
            return {};
        char *rulesFile = nullptr;
        XkbRF_VarDefsRec names = {};
        if (!XkbRF_GetNamesProp(display, &rulesFile, &names))
            return {};
        QList<KeyboardLayout> result =
            parseXkbLayouts(QString::fromLatin1(names.layout), QString::fromLatin1(names.variant));
        std::free(rulesFile);
        std::free(names.model);
        std::free(names.layout);
        std::free(names.variant);
        std::free(names.options);
        const int groups = groupCount(display);
        if (groups < result.size())
            result.resize(groups);
        return result;
    }

    int current() const override
    {
        Display *display = qtDisplay();
        XkbStateRec state;
        if (!display || XkbGetState(display, XkbUseCoreKbd, &state) != Success)
            return -1;
        // The locked group is the one layout switching sets; the effective group also counts a
        // group key being held down at this moment.
        return state.locked_group;
    }

    bool setCurrent(int index) override
    {
        Display *display = qtDisplay();
        if (!display || index < 0 || index >= XkbNumKbdGroups)
            return false;
        if (!XkbLockGroup(display, XkbUseCoreKbd, static_cast<unsigned>(index)))
            return false;
        // Waits for the server: once this returns, every program on the display types with the
        // new group (Xlib's buffer is not flushed by Qt, which writes through XCB).
        XSync(display, False);
        return true;
    }
};
} // namespace

std::unique_ptr<KeyboardLayouts> createX11KeyboardLayouts()
{
    Display *display = qtDisplay();
    if (!display || !XkbUseExtension(display, nullptr, nullptr))
        return nullptr;
    return std::make_unique<X11KeyboardLayouts>();
}
