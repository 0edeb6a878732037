#include "editingui.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

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

void openInTextEditor(QWidget *window, const QString &path)
{
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        showEditMessage(window, u"الملف غير موجود: "_s + QFileInfo(path).fileName(),
                        QMessageBox::Warning);
        return;
    }
    // The desktop's program for plain text; it runs on its own, the player does not wait.
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        showEditMessage(window, u"تعذر فتح الملف في محرر النصوص"_s, QMessageBox::Warning);
}
