#pragma once

#include <QString>

class QFormLayout;
class QWidget;

// Windows made of a plain QWidget (the add window, the updater's window) would reach a screen
// reader as a nameless filler; this makes them windows, announced with their titles when they
// open. Installed once, before the first window is shown.
void InstallAccessibleWindows();

// Gives a control the name a screen reader says for it. A combo box's name would otherwise be its
// current text, and its edit line and list are reached as parts of their own: they get the same
// name.
void SetAccessibleName(QWidget *control, const QString &name);

// Names each field of a form after the caption of its row, where it has no name yet.
void NameFormFields(QFormLayout *form);
