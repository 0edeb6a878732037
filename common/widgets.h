#pragma once

class QWidget;

// Closes the program's windows, the last opened first; each runs its own closing handlers.
// Without force, stops at the first window that refuses to close and returns false. With force,
// or once no window is left, the program ends. closing names a window whose close is already
// under way (the caller's own), which is not asked again.
bool UnloadAllWindows(bool force, QWidget *closing = nullptr);

// Lays a control out right to left: its expanders, texts and scroll bars run from the right edge.
void SetRightToLeftLayout(QWidget *control);
