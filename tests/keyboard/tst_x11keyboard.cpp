#include "arabickeyboard.h"
#include "xkbprobe.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

// Switching the X server's keyboard group while a text box has the focus. Run by with-xkb.sh on an
// X server of its own: the layouts set here would replace the desktop's.
class TestX11Keyboard : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariable("MARVOLI_KEYBOARD_XSERVER") != qEnvironmentVariable("DISPLAY"))
            QSKIP("Changes the display's keyboard layouts: run through with-xkb.sh");
    }

    void switchesGroup_data()
    {
        QTest::addColumn<QStringList>("setxkbmap");
        QTest::addColumn<QStringList>("layouts");
        QTest::addColumn<int>("focused");
        QTest::addRow("us and Arabic")
            << QStringList{u"-layout"_s, u"us,ara"_s} << QStringList{u"us"_s, u"ara"_s} << 1;
        QTest::addRow("us only") << QStringList{u"-layout"_s, u"us"_s} << QStringList{u"us"_s} << 0;
        QTest::addRow("Arabic with a variant, third")
            << QStringList{u"-layout"_s, u"us,fr,ara"_s, u"-variant"_s, u",,digits"_s}
            << QStringList{u"us"_s, u"fr"_s, u"ara(digits)"_s} << 2;
    }
    void switchesGroup()
    {
        QFETCH(QStringList, setxkbmap);
        QFETCH(QStringList, layouts);
        QFETCH(int, focused);
        QCOMPARE(QProcess::execute(u"setxkbmap"_s, setxkbmap), 0);
        QVERIFY(setServerGroup(0));

        // The program's own choice of desktop: X11 here (the bus of with-xkb.sh has no other).
        KeyboardLayouts &x11 = ArabicKeyboard::systemLayouts();
        QStringList names;
        for (const KeyboardLayout &layout : x11.layouts())
            names.append(layout.toString());
        QCOMPARE(names, layouts);

        QWidget window;
        auto *box = new QLineEdit(&window);
        auto *other = new QLineEdit(&window);
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(box);
        layout->addWidget(other);
        ArabicKeyboard::attach(box);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        box->setFocus();
        QCOMPARE(serverGroup(), focused);
        other->setFocus();
        QCOMPARE(serverGroup(), 0);
    }

    // An editable list as the editing windows have them: the list takes the focus (its line edit
    // never sees a focus event of its own), and the group follows it.
    void editableListSwitchesGroup()
    {
        QCOMPARE(QProcess::execute(u"setxkbmap"_s, {u"-layout"_s, u"us,ara"_s}), 0);
        QVERIFY(setServerGroup(0));
        QWidget window;
        auto *list = new QComboBox(&window);
        list->setEditable(true);
        auto *other = new QLineEdit(&window);
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(list);
        layout->addWidget(other);
        ArabicKeyboard::attach(list);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        other->setFocus();
        list->setFocus();
        QCOMPARE(serverGroup(), 1);
        QCOMPARE(QApplication::focusWidget(), list);
        other->setFocus();
        QCOMPARE(serverGroup(), 0);
    }
};

QTEST_MAIN(TestX11Keyboard)
#include "tst_x11keyboard.moc"
