#include "codepage.h"
#include "mainframe.h"
#include "mpvplayer.h"

#include <QDir>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

// Where the window stands, under a real window manager: lines 6 to 9 of config.ini describe the
// outer window of the normal state, and closing and opening again leaves them as they were.
class TestPlacement : public QObject
{
    Q_OBJECT

    QTemporaryDir m_app;

    QString config() const { return m_app.filePath(u"config.ini"_s); }
    void writeConfig(const QString &measures, int state)
    {
        QVERIFY(writeCodePageLines(
            config(),
            (u"0|0|0|25|100|"_s + measures + u"|%1|@كل الروايات|0|1"_s.arg(state)).split(u'|')));
    }
    QStringList measures() const { return readCodePageLines(config()).mid(5, 5); }

    // Opens the window as the program does, lets the window manager settle it, closes it.
    void openAndClose(const std::function<void(MainFrame &)> &check = {})
    {
        PlayerSession session(m_app.path(), new MpvPlayer(m_app.path(), {u"ao=null"_s}));
        MainFrame w(session);
        w.show();
        if (!w.isMinimized())
            QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::qWait(300);
        if (check)
            check(w);
        QVERIFY(w.close());
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(QDir(m_app.path()).mkdir(u"DB"_s)); }

    void roundTrips_data()
    {
        QTest::addColumn<int>("state");
        QTest::addRow("normal") << 0;
        QTest::addRow("maximised") << 2;
        QTest::addRow("minimised") << 1;
    }

    void roundTrips()
    {
        QFETCH(int, state);
        writeConfig(u"1500|3000|6000|7500"_s, state);
        const QStringList start = measures();
        for (int round = 1; round <= 3; ++round) {
            openAndClose([state](MainFrame &w) {
                if (state == 0) // the frame stands where the file says
                    QTRY_COMPARE(w.frameGeometry(), QRect(200, 100, 400, 500));
            });
            QCOMPARE(measures(), start);
        }
    }

    void measuresThatWouldHideTheWindow_data()
    {
        QTest::addColumn<QString>("measures");
        QTest::addRow("no width") << u"1500|3000|0|7500"_s;
        QTest::addRow("negative height") << u"1500|3000|6000|-20"_s;
        QTest::addRow("huge") << u"0|0|9999999|9999999"_s;
        QTest::addRow("far off the screen") << u"-900000|900000|6000|7500"_s;
    }

    void measuresThatWouldHideTheWindow()
    {
        QFETCH(QString, measures);
        writeConfig(measures, 0);
        QRect frame;
        QRect screen;
        openAndClose([&](MainFrame &w) {
            frame = w.frameGeometry();
            screen = w.screen()->availableGeometry();
        });
        QVERIFY2(screen.contains(frame), qPrintable(u"%1,%2 %3x%4"_s.arg(frame.x())
                                                        .arg(frame.y())
                                                        .arg(frame.width())
                                                        .arg(frame.height())));
        QVERIFY(frame.width() >= 3500 / 15 && frame.height() >= 4500 / 15);
        // What was applied is written back, and stays.
        const QStringList written = this->measures();
        openAndClose();
        QCOMPARE(this->measures(), written);
    }

    void withoutSettingsTheWindowIsCentred()
    {
        QFile::remove(config());
        openAndClose([](MainFrame &w) {
            const QRect screen = w.screen()->geometry();
            QTRY_COMPARE(w.frameGeometry().size(), QSize(365, 553));
            QCOMPARE(w.frameGeometry().topLeft(),
                     QPoint((screen.width() - 365) / 2, (screen.height() - 553) / 2));
        });
        QCOMPARE(measures().mid(2, 2), (QStringList{u"5475"_s, u"8295"_s}));
    }
};

QTEST_MAIN(TestPlacement)
#include "tst_placement.moc"
