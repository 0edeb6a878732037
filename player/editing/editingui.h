#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// Shows a message of the editing windows with an OK button only. It is modal to its window but
// does not block the caller, so the window's state is final when the box appears.
QMessageBox *showEditMessage(QWidget *window, const QString &text,
                             QMessageBox::Icon icon = QMessageBox::Information);

// Opens a catalogue file in the desktop's text editor, without waiting for it. Tells the user
// when the file does not exist or no program could open it.
void openInTextEditor(QWidget *window, const QString &path);
