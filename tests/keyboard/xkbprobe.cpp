#include "xkbprobe.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

int serverGroup()
{
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return -1;
    XkbStateRec state;
    const int group =
        XkbGetState(display, XkbUseCoreKbd, &state) == Success ? state.locked_group : -1;
    XCloseDisplay(display);
    return group;
}

bool setServerGroup(int group)
{
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    const bool locked = XkbLockGroup(display, XkbUseCoreKbd, static_cast<unsigned>(group));
    XSync(display, False);
    XCloseDisplay(display);
    return locked;
}
