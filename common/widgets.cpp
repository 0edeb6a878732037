#include "widgets.h"

#include <QApplication>
#include <QComboBox>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleOptionButton>
#include <QStyledItemDelegate>
#include <QTextLayout>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

class RoomyButtonStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *data) const override
    {
        // Beside an icon, a right-to-left caption is pushed against the button's far border (the
        // style aligns it right, then mirrors that to the left): message boxes' buttons go
        // without their icons.
        if (hint == SH_DialogButtonBox_ButtonsHaveIcons)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }

    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                           const QWidget *widget) const override
    {
        QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
        const auto *button = qstyleoption_cast<const QStyleOptionButton *>(option);
        if (type == CT_PushButton && button && !button->text.isEmpty()) {
            const int room = option->fontMetrics.averageCharWidth();
            result.setWidth(std::max(result.width() + 2 * room, 8 * room));
        }
        return result;
    }
};

class FullHeightRows : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        // The line's height counts every font the text is drawn with, the fallback ones for
        // Arabic letters and marks included.
        QTextLayout layout(index.data(Qt::DisplayRole).toString(), option.font);
        layout.beginLayout();
        const QTextLine line = layout.createLine();
        layout.endLayout();
        if (line.isValid()) {
            const int margin = option.fontMetrics.height() / 4 + 2;
            size.setHeight(
                std::max(size.height(), int(std::ceil(line.ascent() + line.descent())) + margin));
        }
        return size;
    }
};

// Set by the first forced close and kept until the event loop has ended: a close already under
// way when it came (a question on screen) goes on, once the question is gone, as a forced one.
bool closingWithForce = false;

} // namespace

bool ClosingWithForce()
{
    return closingWithForce;
}

bool UnloadAllWindows(bool force, QWidget *closing)
{
    // Only the first forced call ends the program, once every window has had its close.
    const bool ends = force && !closingWithForce;
    if (ends) {
        closingWithForce = true;
        QObject::connect(
            qApp, &QCoreApplication::aboutToQuit, qApp, [] { closingWithForce = false; },
            Qt::SingleShotConnection);
    }
    QList<QPointer<QWidget>> windows;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() || w->isMinimized())
            windows.append(w);
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        QWidget *w = *it;
        if (!w || w == closing)
            continue;
        // Read after each close: a window's question may have let a forced close in meanwhile.
        if (!w->close() && !closingWithForce)
            return false;
    }
    if (ends)
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

void UseRoomyButtons()
{
    QApplication::setStyle(new RoomyButtonStyle);
}

void GiveListRowsFullHeight(QComboBox *list)
{
    list->setItemDelegate(new FullHeightRows(list));
}

QMessageBox *ShowNotice(QWidget *window, QMessageBox::Icon icon, const QString &title,
                        const QString &text, const QString &objectName,
                        Qt::LayoutDirection direction)
{
    auto *box = new QMessageBox(icon, title, text, QMessageBox::Ok, window);
    box->setObjectName(objectName);
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (direction != Qt::LayoutDirectionAuto)
        box->setLayoutDirection(direction);
    box->open(); // modal to its window, returning at once
    return box;
}
