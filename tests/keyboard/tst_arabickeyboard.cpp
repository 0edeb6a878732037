#include "arabickeyboard.h"
#include "fakelayouts.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

// Which layout Arabic text is typed with, and switching to it while a text box has the focus.
class TestArabicKeyboard : public QObject
{
    Q_OBJECT

    // A window with two text boxes, active, so that setFocus() moves the real focus.
    struct Window
    {
        QWidget window;
        QLineEdit *box = new QLineEdit(&window);
        QLineEdit *other = new QLineEdit(&window);

        Window()
        {
            auto *layout = new QVBoxLayout(&window);
            layout->addWidget(box);
            layout->addWidget(other);
            other->setFocus();
            window.show();
            window.activateWindow();
        }
        bool ready() { return QTest::qWaitForWindowActive(&window) && other->hasFocus(); }
    };

private Q_SLOTS:
    void localeText()
    {
        const QLocale morocco(QLocale::Arabic, QLocale::Morocco);
        QCOMPARE(GetLocaleText(morocco, LocaleItem::LanguageCode), u"ar"_s);
        QCOMPARE(GetLocaleText(morocco, LocaleItem::CountryCode), u"MA"_s);
        QCOMPARE(GetLocaleText(QLocale::c(), LocaleItem::LanguageCode), QString());
    }

    void parseXkbLayouts_data()
    {
        QTest::addColumn<QString>("layouts");
        QTest::addColumn<QString>("variants");
        QTest::addColumn<QStringList>("expected");
        QTest::addRow("one") << u"us"_s << QString() << QStringList{u"us"_s};
        QTest::addRow("no variants") << u"us,ara"_s << QString() << QStringList{u"us"_s, u"ara"_s};
        QTest::addRow("second has one")
            << u"us,ara"_s << u",azerty"_s << QStringList{u"us"_s, u"ara(azerty)"_s};
        QTest::addRow("more variants than layouts")
            << u"ara"_s << u"digits,mac"_s << QStringList{u"ara(digits)"_s};
        // Each position is a group: an empty entry must not move the ones after it.
        QTest::addRow("empty entry keeps its place")
            << u"us,,ara"_s << u",,qwerty"_s << QStringList{u"us"_s, QString(), u"ara(qwerty)"_s};
        QTest::addRow("none") << QString() << QString() << QStringList();
    }
    void parseXkbLayouts()
    {
        QFETCH(QString, layouts);
        QFETCH(QString, variants);
        QFETCH(QStringList, expected);
        QStringList names;
        for (const KeyboardLayout &layout : ::parseXkbLayouts(layouts, variants))
            names.append(layout.toString());
        QCOMPARE(names, expected);
    }

    void chooseArabicLayout_data()
    {
        QTest::addColumn<QString>("layouts");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("expected");
        QTest::addRow("nothing configured") << QString() << u"ar_EG"_s << -1;
        QTest::addRow("no Arabic layout") << u"us,fr"_s << u"ar_EG"_s << -1;
        QTest::addRow("first Arabic wins") << u"us,iq,ara"_s << u"en_US"_s << 1;
        QTest::addRow("ara with a variant") << u"us,ara(digits)"_s << u"C"_s << 1;
        QTest::addRow("Iraq") << u"us,iq"_s << u"C"_s << 1;
        QTest::addRow("Syria") << u"us,sy"_s << u"C"_s << 1;
        QTest::addRow("Morocco") << u"fr,ma"_s << u"C"_s << 1;
        QTest::addRow("Algeria, Arabic variant") << u"fr,dz(ar)"_s << u"C"_s << 1;
        QTest::addRow("Pakistan, Arabic variant") << u"us,pk(ara)"_s << u"C"_s << 1;
        // The same countries' layouts for other languages, and other Arabic-script languages.
        QTest::addRow("Algeria, Berber") << u"us,dz"_s << u"ar_DZ"_s << -1;
        QTest::addRow("other languages")
            << u"ma(tifinagh),ma(french),iq(ku_ara),sy(syc),pk,ir,ara(uga)"_s << u"ar_MA"_s << -1;
        QTest::addRow("a name is not a prefix") << u"us,arab,araa"_s << u"C"_s << -1;
        // North Africa types on AZERTY keyboards.
        QTest::addRow("Algeria prefers AZERTY") << u"us,ara,ara(azerty)"_s << u"ar_DZ"_s << 2;
        QTest::addRow("Morocco prefers its layout") << u"ara,fr,ma"_s << u"ar_MA"_s << 2;
        QTest::addRow("Tunisia takes Algeria's") << u"ara(digits),dz(ar)"_s << u"ar_TN"_s << 1;
        QTest::addRow("French locale in Algeria") << u"ara,ara(azerty_digits)"_s << u"fr_DZ"_s << 1;
        QTest::addRow("Algeria without AZERTY") << u"us,ara(digits),ara"_s << u"ar_DZ"_s << 1;
        // Elsewhere in the Arab world, keyboards are not AZERTY.
        QTest::addRow("Egypt skips AZERTY") << u"ara(azerty),ara(qwerty)"_s << u"ar_EG"_s << 1;
        QTest::addRow("Saudi Arabia skips Morocco's") << u"ma,us,iq"_s << u"ar_SA"_s << 2;
        QTest::addRow("Egypt, only AZERTY") << u"us,ara(azerty)"_s << u"ar_EG"_s << 1;
        // Other locales: the configured order alone.
        QTest::addRow("English keeps the order") << u"ara(azerty),ara"_s << u"en_US"_s << 0;
        QTest::addRow("French in France too") << u"fr,ma,ara"_s << u"fr_FR"_s << 1;
    }
    void chooseArabicLayout()
    {
        QFETCH(QString, layouts);
        QFETCH(QString, locale);
        QFETCH(int, expected);
        QCOMPARE(::chooseArabicLayout(FakeLayouts(layouts, -1).layouts(), QLocale(locale)),
                 expected);
    }

    // start: the layout active before the box gets the focus; focused: while it has it;
    // userChoice: what the user switches to meanwhile (-1: nothing); after: once it lost it.
    void focusSwitches_data()
    {
        QTest::addColumn<QString>("layouts");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("focused");
        QTest::addColumn<int>("userChoice");
        QTest::addColumn<int>("after");
        QTest::addRow("switches and gives back") << u"us,ara"_s << 0 << 1 << -1 << 0;
        QTest::addRow("gives back the one before") << u"us,fr,iq"_s << 1 << 2 << -1 << 1;
        QTest::addRow("no Arabic layout") << u"us,fr"_s << 0 << 0 << -1 << 0;
        QTest::addRow("already Arabic") << u"us,ara"_s << 1 << 1 << -1 << 1;
        QTest::addRow("already on another Arabic") << u"ara,us,ara(digits)"_s << 2 << 2 << -1 << 2;
        QTest::addRow("user chose another") << u"us,fr,ara"_s << 0 << 2 << 1 << 1;
        QTest::addRow("user chose another Arabic") << u"us,ara,iq"_s << 0 << 1 << 2 << 2;
        // Without the active layout, nothing could be given back: nothing is taken.
        QTest::addRow("active one unknown") << u"us,ara"_s << -1 << -1 << -1 << -1;
        QTest::addRow("no layouts at all") << QString() << -1 << -1 << -1 << -1;
    }
    void focusSwitches()
    {
        QFETCH(QString, layouts);
        QFETCH(int, start);
        QFETCH(int, focused);
        QFETCH(int, userChoice);
        QFETCH(int, after);
        FakeLayouts desktop(layouts, start);
        Window w;
        ArabicKeyboard::attach(w.box, &desktop);
        QVERIFY(w.ready());

        w.box->setFocus();
        QCOMPARE(desktop.active, focused);
        if (userChoice >= 0)
            desktop.active = userChoice;
        w.other->setFocus();
        QCOMPARE(desktop.active, after);
    }

    // A completer's list or a context menu takes the focus for a moment while the user is still
    // typing in the box: Arabic stays, and the layout to give back is still the first one.
    void popupKeepsArabic()
    {
        FakeLayouts desktop(u"us,ara"_s, 0);
        Window w;
        ArabicKeyboard::attach(w.box, &desktop);
        QVERIFY(w.ready());
        w.box->setFocus();
        QCOMPARE(desktop.active, 1);

        QFocusEvent toPopup(QEvent::FocusOut, Qt::PopupFocusReason);
        QApplication::sendEvent(w.box, &toPopup);
        QCOMPARE(desktop.active, 1);
        QFocusEvent back(QEvent::FocusIn, Qt::PopupFocusReason);
        QApplication::sendEvent(w.box, &back);
        QCOMPARE(desktop.active, 1);

        w.other->setFocus();
        QCOMPARE(desktop.active, 0);
    }

    // From one Arabic box to the next (the search box, then an edit window's box), Arabic stays;
    // leaving both gives the user's layout back, not Arabic.
    void focusMovesBetweenBoxes()
    {
        FakeLayouts desktop(u"us,ara"_s, 0);
        Window w;
        auto *third = new QLineEdit(&w.window);
        w.window.layout()->addWidget(third);
        ArabicKeyboard::attach(w.box, &desktop);
        ArabicKeyboard::attach(third, &desktop);
        QVERIFY(w.ready());

        w.box->setFocus();
        third->setFocus();
        QCOMPARE(desktop.active, 1);
        w.other->setFocus();
        QCOMPARE(desktop.active, 0);
    }

    // A window closed with the focus in its box gives the layout back too.
    void deletedBoxGivesBack()
    {
        FakeLayouts desktop(u"us,ara"_s, 0);
        Window w;
        ArabicKeyboard::attach(w.box, &desktop);
        QVERIFY(w.ready());
        w.box->setFocus();
        QCOMPARE(desktop.active, 1);
        delete w.box;
        QCOMPARE(desktop.active, 0);
    }
};

QTEST_MAIN(TestArabicKeyboard)
#include "tst_arabickeyboard.moc"
