#include "editingui.h"
#include "widgets.h"

using namespace Qt::Literals::StringLiterals;

QMessageBox *showEditMessage(QWidget *window, const QString &text, QMessageBox::Icon icon)
{
    return ShowNotice(window, icon, window ? window->windowTitle() : QString(), text,
                      u"editMessage"_s, Qt::RightToLeft);
}
