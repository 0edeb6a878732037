#include "accessibility.h"
#include "inputform.h"
#include "mainframe.h"
#include "menuform.h"
#include "modifyform.h"
#include "windowdriver.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTreeWidget>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kQuran = u"القرآن الكريم"_s;
const QString kTape = kQuran + u"!قارئ/001 سورة الفاتحة!رواية ورش عن نافع!http://h/1.mp3"_s;

bool interactive(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::Slider:
    case QAccessible::SpinBox:
    case QAccessible::EditableText:
    case QAccessible::MenuItem:
    case QAccessible::ButtonMenu:
    case QAccessible::Tree:
    case QAccessible::List:
    case QAccessible::Table:
    case QAccessible::ColumnHeader:
    case QAccessible::Link:
        return true;
    default:
        return false;
    }
}

// The same walk as the one over AT-SPI, through Qt's own interfaces: runs without a display or
// an accessibility bus, so an unnamed control is caught wherever the tests run.
void unnamedUnder(QAccessibleInterface *node, const QString &path, QStringList &found)
{
    if (!node || !node->isValid())
        return;
    // Hidden controls are never presented; menus are hidden until opened, and walked anyway.
    const QAccessible::Role role = node->role();
    const bool menu = role == QAccessible::PopupMenu || role == QAccessible::MenuItem ||
                      role == QAccessible::Separator;
    if (node->state().invisible && !menu)
        return;
    const QString here = path + u" > "_s + node->text(QAccessible::Name);
    // A caption the control is the buddy of names it too (a combo box's own name is its text).
    const bool labelled = !node->relations(QAccessible::Label).isEmpty();
    if (interactive(role) && node->text(QAccessible::Name).trimmed().isEmpty() && !labelled)
        found.append(u"role %1 at %2"_s.arg(int(node->role())).arg(here));
    // Rows of views are alike: a sample is enough.
    const int count = std::min(node->childCount(), 60);
    for (int i = 0; i < count; ++i)
        unnamedUnder(node->child(i), here, found);
}

QStringList unnamed(QWidget *window)
{
    QStringList found;
    unnamedUnder(QAccessible::queryAccessibleInterface(window), window->windowTitle(), found);
    return found;
}

} // namespace

class TestAccessibleWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { InstallAccessibleWindows(); }

    void everyWindowNamesItsControls()
    {
        WindowDriver driver;
        MainFrame &window = driver.open({kTape});
        QCOMPARE(unnamed(&window), QStringList());
        // The search row, once open.
        driver.action(u"mnusearch"_s)->trigger();
        QCOMPARE(unnamed(&window), QStringList());

        driver.action(u"AddNewFile"_s)->trigger();
        auto *add = window.findChild<InputForm *>();
        QVERIFY(add && add->isVisible());
        QCOMPARE(unnamed(add), QStringList());
        // A window of its own, not a nameless part of another.
        QAccessibleInterface *addWindow = QAccessible::queryAccessibleInterface(add);
        QCOMPARE(addWindow->role(), QAccessible::Window);
        QCOMPARE(addWindow->text(QAccessible::Name), u"إضافة شريط جديد"_s);
        add->close();

        driver.choose(driver.showTape(kTape), u"mnumodify"_s);
        auto *modify = qobject_cast<Modify *>(QApplication::activeModalWidget());
        QVERIFY(modify);
        QCOMPARE(unnamed(modify), QStringList());
        // The Quran's lists stand in for two rows: the rows' captions label them, and their
        // edit lines are named the same.
        for (const auto &[name, caption] :
             {std::pair{u"Combo3"_s, u"السورة"_s}, std::pair{u"Combo2"_s, u"الرواية"_s}}) {
            auto *list = modify->findChild<QComboBox *>(name);
            const auto labels =
                QAccessible::queryAccessibleInterface(list)->relations(QAccessible::Label);
            QCOMPARE(labels.size(), 1);
            QCOMPARE(labels.constFirst().first->text(QAccessible::Name), caption);
            QCOMPARE(list->lineEdit()->accessibleName(), caption);
        }
        modify->close();
    }

    void formFieldsTakeTheirCaptions()
    {
        QWidget form;
        auto *rows = new QFormLayout(&form);
        auto *box = new QComboBox(&form);
        box->setEditable(true);
        box->addItem(u"الفاتحة"_s);
        auto *named = new QLineEdit(&form);
        named->setAccessibleName(u"اسم سابق"_s);
        rows->addRow(u"&السورة"_s, box);
        rows->addRow(u"الرابط"_s, named);
        NameFormFields(rows);
        QCOMPARE(box->accessibleName(), u"السورة"_s);
        QCOMPARE(box->lineEdit()->accessibleName(), u"السورة"_s);
        QCOMPARE(box->view()->accessibleName(), u"السورة"_s);
        QCOMPARE(named->accessibleName(), u"اسم سابق"_s);
    }

    // Tab from the title lands on the tree, not on the search button hidden under it; once the
    // search row is open its button is a stop again.
    void tabReachesTheTree()
    {
        WindowDriver driver;
        MainFrame &window = driver.open({kTape});
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto *title = window.findChild<QWidget *>(u"LTitle"_s);
        title->setFocus();
        QTest::keyClick(title, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), driver.view());

        driver.action(u"mnusearch"_s)->trigger();
        auto *search = window.findChild<QWidget *>(u"CSearch"_s);
        QCOMPARE(search->focusPolicy(), Qt::StrongFocus);
    }

    // The tree's popup from the keyboard, for the selected node: without it the edit, delete,
    // queue and favourites commands are out of a keyboard user's reach.
    void popupFromTheKeyboard()
    {
        WindowDriver driver;
        MainFrame &window = driver.open({kTape});
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QMenu *popup = window.menuForm().mnupopup();
        QTreeWidget *view = driver.view();

        KeyedTree::Node tape = driver.showTape(kTape);
        view->setCurrentItem(tape);
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Menu);
        QTRY_VERIFY(popup->isVisible());
        QVERIFY(driver.popupItem(u"mnumodify"_s)->isVisible());
        QVERIFY(!driver.popupItem(u"mnuDelDir"_s)->isVisible());
        // Under the selected row, not wherever the mouse happens to be.
        const QRect row = view->visualItemRect(view->currentItem());
        const QPoint rowBottom = view->viewport()->mapToGlobal(row.bottomLeft());
        QVERIFY(qAbs(popup->geometry().top() - rowBottom.y()) < 3 * row.height());
        popup->close();

        view->setCurrentItem(KeyedTree::parent(tape));
        QTest::keyClick(view, Qt::Key_F10, Qt::ShiftModifier);
        QTRY_VERIFY(popup->isVisible());
        QVERIFY(driver.popupItem(u"mnuDelDir"_s)->isVisible());
        QVERIFY(!driver.popupItem(u"mnumodify"_s)->isVisible());
        popup->close();

        // Plain F10 is not the popup's.
        QTest::keyClick(view, Qt::Key_F10);
        QVERIFY(!popup->isVisible());
    }
};

QTEST_MAIN(TestAccessibleWindows)
#include "tst_accessiblewindows.moc"
