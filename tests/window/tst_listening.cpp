#include "audiocontrol.h"
#include "audioplayer.h"
#include "codepage.h"
#include "listeningmenus.h"
#include "mainframe.h"
#include "menuform.h"
#include "mpvplayer.h"
#include "playersession.h"
#include "repeatcontrol.h"
#include "windowdriver.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

namespace {
QByteArray bytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

// Speed and repeat in the main window: where they are offered, and that they are kept between
// runs in their own file while config.ini stays as it was.
class TestListening : public QObject
{
    Q_OBJECT

    QTemporaryDir m_app;
    WindowDriver m_driver;

    // A new run on the same folder (the one before, if any, ends first).
    MainFrame *openWindow()
    {
        return &m_driver.openIn(m_app.path(), new MpvPlayer(m_app.path(), {u"ao=null"_s}));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(QDir(m_app.path()).mkdir(u"DB"_s));
        QVERIFY(writeCodePageLines(m_app.filePath(u"DB/a.txt"_s),
                                   {u"أدعية!دعاء!none!samples/none.mp3"_s}));
    }

    void offeredInThePlayerControlAndTheTray()
    {
        auto w = openWindow();
        auto *control = w->findChild<AudioControl *>();
        QVERIFY(control);
        auto *speed = control->findChild<QToolButton *>(u"SpeedButton"_s);
        auto *repeat = control->findChild<QToolButton *>(u"RepeatButton"_s);
        QVERIFY(speed && repeat);
        QCOMPARE(speed->text(), u"1.0×"_s);
        QCOMPARE(repeat->accessibleName(), u"تكرار"_s);

        // In the tray menu, before "show the window"; the tray's own items stay as they were.
        const QList<QAction *> tray = w->menuForm().mnuTray()->actions();
        QStringList names;
        for (QAction *item : tray)
            names.append(item->objectName());
        const qsizetype show = names.indexOf(u"mnuShow"_s);
        QCOMPARE(names.mid(show - 3, 3),
                 (QStringList{u"mnuSpeed"_s, u"mnuRepeat"_s, u"sepListening"_s}));
        QCOMPARE(names.first(), u"mnuPause"_s);
        QCOMPARE(names.last(), u"mnuExit"_s);
        w->close();
    }

    void keptBetweenRunsInTheirOwnFile()
    {
        {
            auto w = openWindow();
            ListeningMenus &menus = w->listeningMenus();
            for (int i = 0; i < 3; ++i)
                menus.fasterAction()->trigger();
            menus.repeatChoices().at(3)->trigger(); // the tape three times
            QCOMPARE(w->session().player().speed(), 1.3);
            w->close();
        }
        QCOMPARE(bytes(m_app.filePath(u"listening.ini"_s)),
                 QByteArray("speed=1.3\nrepeat=tape:3\n"));
        const QByteArray config = bytes(m_app.filePath(u"config.ini"_s));
        QCOMPARE(config.count('\n'), 13);
        QVERIFY(!config.contains("speed") && !config.contains("repeat"));

        auto w = openWindow();
        QCOMPARE(w->session().player().speed(), 1.3);
        QCOMPARE(w->session().repeat().mode(), RepeatMode::tape(3));
        QCOMPARE(w->findChild<QToolButton *>(u"SpeedButton"_s)->text(), u"1.3×"_s);
        w->listeningMenus().normalSpeedAction()->trigger();
        w->close();
        QCOMPARE(bytes(m_app.filePath(u"listening.ini"_s)),
                 QByteArray("speed=1.0\nrepeat=tape:3\n"));
    }

    void aFileThatCannotBeWrittenIsToldOfOnce()
    {
        const QString path = m_app.filePath(u"listening.ini"_s);
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkpath(path)); // a folder in its place: never replaced
        auto w = openWindow();
        QCOMPARE(w->session().player().speed(), 1.0);
        w->listeningMenus().fasterAction()->trigger();
        w->listeningMenus().repeatChoices().last()->trigger();
        QCOMPARE(w->session().player().speed(), 1.1); // the choice holds for this run
        const QList<QMessageBox *> boxes = w->findChildren<QMessageBox *>(u"warning"_s);
        QCOMPARE(boxes.size(), 1);
        QVERIFY(boxes.first()->text().contains(u"listening.ini"_s));
        w->close();
        QVERIFY(QFileInfo(path).isDir());
        QVERIFY(QDir().rmdir(path));
    }
};

QTEST_MAIN(TestListening)
#include "tst_listening.moc"
