#include "widgets.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

bool UnloadAllWindows(bool force, QWidget *closing)
{
    QList<QPointer<QWidget>> windows;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() || w->isMinimized())
            windows.append(w);
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        QWidget *w = *it;
        if (!w || w == closing)
            continue;
        if (!w->close() && !force)
            return false;
    }
    if (force)
        QCoreApplication::exit(0);
    return true;
}

void SetRightToLeftLayout(QWidget *control)
{
    if (!control)
        return;
    control->setLayoutDirection(Qt::RightToLeft);
    control->update();
}
