#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// Shows a message of the editing windows with an OK button only. It is modal to its window but
// does not block the caller, so the window's state is final when the box appears.
QMessageBox *showEditMessage(QWidget *window, const QString &text,
                             QMessageBox::Icon icon = QMessageBox::Information);
