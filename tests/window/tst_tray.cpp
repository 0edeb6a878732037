#include "codepage.h"
#include "keyedtree.h"
#include "mainframe.h"
#include "menuform.h"
#include "mpvplayer.h"
#include "playback.h"
#include "traycontroller.h"

#include <QAction>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

// Minimising to a real tray (an X server with a tray host).
class TestTray : public QObject
{
    Q_OBJECT

    QTemporaryDir m_app;

private Q_SLOTS:
    void initTestCase()
    {
        QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 5000);
        QDir(m_app.path()).mkdir(u"DB"_s);
        QVERIFY(writeCodePageLines(m_app.filePath(u"DB/a.txt"_s),
                                   {u"أدعية!دعاء طويل جدا!none!samples/none.mp3"_s}));
    }

    void minimiseToTheTrayAndBack()
    {
        PlayerSession session(m_app.path(), new MpvPlayer(m_app.path(), {u"ao=null"_s}));
        MainFrame w(session);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto *toTray = w.findChild<QAction *>(u"mnuMintoTray_0"_s);
        QVERIFY(toTray->isEnabled()); // a tray exists
        QVERIFY(toTray->isChecked());

        w.showMaximized();
        QTRY_COMPARE(w.tray().LastWindowState(), 2);
        w.showMinimized();
        QTRY_VERIFY(w.tray().icon());
        QTRY_VERIFY(w.isHidden());
        QCOMPARE(w.tray().LastWindowState(), 2); // kept from before the minimise
        // The line break before a one-line title becomes a space.
        QCOMPARE(w.tray().icon()->toolTip(), u" بسم الله الرحمن الرحيم"_s);

        // The tooltip shows the playing title on one line, cut to the tip's length.
        const QString title(80, u'ب');
        w.session().playback().setCurrentTitle(title);
        Q_EMIT w.session().playback().titleChanged(u"سطر أول\nسطر ثان"_s);
        QCOMPARE(w.tray().TrayTip(), u"سطر أول سطر ثان"_s);
        Q_EMIT w.session().playback().titleChanged(title);
        QCOMPARE(w.tray().TrayTip().size(), 63);

        // A double click gives the window back as it was before, and the icon goes.
        Q_EMIT w.tray().icon()->activated(QSystemTrayIcon::DoubleClick);
        QTRY_VERIFY(w.isVisible());
        QTRY_VERIFY(w.isMaximized());
        QTRY_VERIFY(!w.tray().icon());

        // "To the taskbar": minimising keeps the window on the taskbar.
        w.findChild<QAction *>(u"mnuMintoTray_1"_s)->trigger();
        w.showMinimized();
        QTest::qWait(200);
        QVERIFY(!w.tray().icon());
        QVERIFY(!w.isHidden());
        w.showNormal();

        // The tray menu's "main window" item restores too; closing from the tray saves settings.
        w.findChild<QAction *>(u"mnuMintoTray_0"_s)->trigger();
        w.showMinimized();
        QTRY_VERIFY(w.tray().icon());
        w.menuForm().tray().mnuShow->trigger();
        QTRY_VERIFY(w.isVisible());
        QVERIFY(!w.tray().icon());
        w.showMinimized();
        QTRY_VERIFY(w.isHidden());
        w.menuForm().tray().mnuExit->trigger();
        QTRY_VERIFY(QFile::exists(m_app.filePath(u"config.ini"_s)));
        QVERIFY(!w.tray().icon());
        // Closed from the tray: it was minimised, whatever restoring it for the close did.
        QCOMPARE(readCodePageLines(m_app.filePath(u"config.ini"_s)).value(9), u"1"_s);
    }
};

QTEST_MAIN(TestTray)
#include "tst_tray.moc"
