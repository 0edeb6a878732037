#include "accessibility.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

using namespace Qt::Literals::StringLiterals;

namespace {

// Asked for every class of an object's ancestry in turn, before Qt's own interfaces; answering
// only at the plain QWidget level leaves dialogs, main windows and every control to Qt.
QAccessibleInterface *windowInterface(const QString &className, QObject *object)
{
    if (className != "QWidget"_L1 || !object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    if (!widget->isWindow())
        return nullptr;
    return new QAccessibleWidget(widget, QAccessible::Window);
}

} // namespace

void InstallAccessibleWindows()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(windowInterface);
}

void SetAccessibleName(QWidget *control, const QString &name)
{
    control->setAccessibleName(name);
    if (auto *box = qobject_cast<QComboBox *>(control)) {
        if (box->lineEdit())
            box->lineEdit()->setAccessibleName(name);
        box->view()->setAccessibleName(name);
    }
}

void NameFormFields(QFormLayout *form)
{
    for (int row = 0; row < form->rowCount(); ++row) {
        QLayoutItem *caption = form->itemAt(row, QFormLayout::LabelRole);
        QLayoutItem *field = form->itemAt(row, QFormLayout::FieldRole);
        auto *label = caption ? qobject_cast<QLabel *>(caption->widget()) : nullptr;
        QWidget *control = field ? field->widget() : nullptr;
        if (label && control && control->accessibleName().isEmpty())
            SetAccessibleName(control, label->text().remove(u'&'));
    }
}
