#pragma once

#include <QMessageBox>
#include <QString>

class QComboBox;
class QWidget;

// Closes the program's windows, the last opened first; each runs its own closing handlers.
// Without force, stops at the first window that refuses to close and returns false. With force,
// or once no window is left, the program ends. closing names a window whose close is already
// under way (the caller's own), which is not asked again.
//
// A forced close is the one nobody may be there to answer (the desktop ending the session). From
// the first one until the event loop has ended, ClosingWithForce() is true: windows close without
// asking, every call is forced (a window's own closing handler's, one already under way when the
// forced one came), and a window that still refuses holds nothing open.
bool UnloadAllWindows(bool force, QWidget *closing = nullptr);
bool ClosingWithForce();

// Lays a control out right to left: its expanders, texts and scroll bars run from the right edge.
void SetRightToLeftLayout(QWidget *control);

// Push buttons leave room on both sides of their caption, and are never narrower than a short
// word needs: marks over a caption's last letter ("حسنًا") stand beyond the letter's advance, and
// the style's own margin would put them on the button's border. Message boxes' buttons show no
// icon, beside which the style lays a right-to-left caption against the far border. Called once
// at start, before any window is made, by each program.
void UseRoomyButtons();

// The rows of a list's popup get the whole height of the text they show: a hamza over an alif
// ("أدعية") stands higher than the font's own height, which the style sizes rows by.
void GiveListRowsFullHeight(QComboBox *list);

// Shows a message with an OK button, modal to window but not blocking the caller (playback, the
// queue and the search go on while it waits), deleted once closed. Tests find it by its object
// name. A direction given lays the box out so (a left-to-right path, the editing windows' right
// to left), whatever the program's.
QMessageBox *ShowNotice(QWidget *window, QMessageBox::Icon icon, const QString &title,
                        const QString &text, const QString &objectName,
                        Qt::LayoutDirection direction = Qt::LayoutDirectionAuto);
