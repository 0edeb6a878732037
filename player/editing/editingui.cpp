#include "editingui.h"

using namespace Qt::Literals::StringLiterals;

QMessageBox *showEditMessage(QWidget *window, const QString &text, QMessageBox::Icon icon)
{
    auto *box = new QMessageBox(icon, window ? window->windowTitle() : QString(), text,
                                QMessageBox::Ok, window);
    box->setObjectName(u"editMessage"_s);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setLayoutDirection(Qt::RightToLeft);
    box->setWindowModality(Qt::WindowModal);
    box->open();
    return box;
}
