#include "audioplayer.h"
#include "cataloguetree.h"
#include "codepage.h"
#include "gdbustool.h"
#include "keyedtree.h"
#include "mainframe.h"
#include "menuform.h"
#include "mprisservice.h"
#include "mpvplayer.h"
#include "playback.h"
#include "recentmenu.h"
#include "testhttpserver.h"
#include "traycontroller.h"
#include "treepopup.h"
#include "windowdriver.h"

#include <QAction>
#include <QDBusConnection>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kQuran = u"القرآن الكريم"_s;
const QString kLessons = u"الدروس والخطب"_s;
const QString kDua = u"أدعية"_s;
} // namespace

// The window driven as a user drives it, against the real player streaming from a server on
// 127.0.0.1 (no sound device: the null audio output).
class TestPlayWindow : public QObject
{
    Q_OBJECT

    TestHttpServer m_server;
    WindowDriver m_driver;

    QString url(const QString &name) const { return m_server.url(u'/' + name); }

    QString quranLine() const { return kQuran + u"!R1/001 سورة الفاتحة!W!"_s + url(u"a.mp3"_s); }
    QString lessonLine() const
    {
        return kLessons + u"!S/X/T!none!"_s + url(u"b.mp3"_s) + u'!' + url(u"b.rm"_s);
    }
    QString rmOnlyLine() const { return kDua + u"!دعاء!none!"_s + url(u"c.rm"_s); }
    QString missingLine() const { return kDua + u"!مفقود!none!"_s + url(u"missing.mp3"_s); }

    MainFrame &openWindow(const QByteArray &config = {})
    {
        return m_driver.open({quranLine(), lessonLine(), rmOnlyLine(), missingLine()}, config);
    }
    QTreeWidget *view() { return m_driver.view(); }
    KeyedTree::Node showTape(const QString &line) { return m_driver.showTape(line); }
    void click(KeyedTree::Node node, Qt::MouseButton button = Qt::LeftButton)
    {
        m_driver.click(node, button);
    }
    QAction *action(const QString &name) { return m_driver.action(name); }
    QAction *popupItem(const QString &name) { return m_driver.popupItem(name); }
    QString appPath(const QString &name) const { return m_driver.appPath(name); }
    static QByteArray readBytes(const QString &path) { return WindowDriver::readBytes(path); }
    static void writeBytes(const QString &path, const QByteArray &bytes)
    {
        WindowDriver::writeBytes(path, bytes);
    }

    QString titleText()
    {
        return m_driver.window().findChild<QTextEdit *>(u"LTitle"_s)->toPlainText();
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QByteArray mp3 = makeMp3(3);
        if (mp3.isEmpty())
            QSKIP("ffmpeg is not installed: no audio to serve");
        for (const QString &name : {u"/a.mp3"_s, u"/b.mp3"_s, u"/b.rm"_s, u"/c.rm"_s})
            m_server.addFile(name, mp3);
        QVERIFY(m_server.start());
    }

    void cleanup() { m_driver.close(); }

    void leftClickPlaysTheTape()
    {
        MainFrame &w = openWindow();
        KeyedTree::Node tape = showTape(quranLine());
        QVERIFY(tape);
        click(tape);
        QCOMPARE(w.session().playback().PlayedNode(), u"Leaf-"_s + quranLine());
        QCOMPARE(w.session().player().ClipSource(), url(u"a.mp3"_s));
        QTRY_COMPARE(KeyedTree::image(tape), u"sound"_s);
        // The Quran title drops the surah number; a one-line title shows on the second line.
        QCOMPARE(w.session().playback().CurrentTitle(), u"R1 - سورة الفاتحة"_s);
        QCOMPARE(titleText(), u"\nR1 - سورة الفاتحة"_s);
        QVERIFY(action(u"SaveMP3"_s)->isEnabled());
        QVERIFY(!action(u"SaveRM"_s)->isEnabled());
        QCOMPARE(readBytes(appPath(u"last.txt"_s)),
                 CodePage::encode(u"R1 - سورة الفاتحة***"_s + url(u"a.mp3"_s)) + "\r\n");
        QCOMPARE(action(u"LastItems_1"_s)->text(), u"R1 - سورة الفاتحة"_s);
        QVERIFY(action(u"mnudeletelasts"_s)->isEnabled());

        // Another tape: the first goes back to "Leaf"; with both links the preferred one plays.
        KeyedTree::Node lesson = showTape(lessonLine());
        w.tree().widget()->setCurrentItem(lesson);
        QTest::keyClick(view(), Qt::Key_Return); // keyboard users play with Return
        QCOMPARE(KeyedTree::image(w.tree().item(u"Leaf-"_s + quranLine())), u"Leaf"_s);
        QCOMPARE(w.session().player().ClipSource(), url(u"b.mp3"_s));
        QCOMPARE(w.session().playback().CurrentTitle(), u"S - X - T"_s);
        QVERIFY(action(u"SaveMP3"_s)->isEnabled());
        QVERIFY(action(u"SaveRM"_s)->isEnabled());
        QTRY_COMPARE(KeyedTree::image(lesson), u"sound"_s);

        // Stopping turns the played node back to "wait".
        w.session().player().StopPlay();
        QTRY_COMPARE(KeyedTree::image(lesson), u"wait"_s);
    }

    void preferredFormatAndListenItems()
    {
        MainFrame &w = openWindow("0\r\n0\r\n1\r\n25\r\n100\r\n0\r\n0\r\n5475\r\n8295\r\n0\r\n"
                                  "@\xDF\xE1 \xC7\xE1\xD1\xE6\xC7\xED\xC7\xCA\r\n0\r\n0\r\n");
        QCOMPARE(w.session().playback().SoundFormat(), 1);
        KeyedTree::Node lesson = showTape(lessonLine());
        click(lesson);
        QCOMPARE(w.session().player().ClipSource(), url(u"b.rm"_s)); // both links, RM preferred

        // An RM-only tape plays its RM link whatever the preference, and SaveMP3 stays off.
        KeyedTree::Node rmOnly = showTape(rmOnlyLine());
        click(rmOnly);
        QCOMPARE(w.session().player().ClipSource(), url(u"c.rm"_s));
        QVERIFY(!action(u"SaveMP3"_s)->isEnabled());

        // The popup's listen items play the chosen format of the node it was opened on.
        lesson = showTape(lessonLine());
        click(lesson, Qt::RightButton);
        QVERIFY(popupItem(u"mnulisten"_s)->isEnabled());
        popupItem(u"mnulisten"_s)->trigger();
        w.menuForm().mnupopup()->close();
        QCOMPARE(w.session().player().ClipSource(), url(u"b.mp3"_s));
        QCOMPARE(w.session().playback().PlayedNode(), u"Leaf-"_s + lessonLine());
        QCOMPARE(KeyedTree::image(rmOnly), u"Leaf"_s);
        QVERIFY(!action(u"SaveRM"_s)->isEnabled());
    }

    void popupShowsWhatFitsTheNode()
    {
        MainFrame &w = openWindow();
        KeyedTree::Node rmOnly = showTape(rmOnlyLine());
        click(rmOnly, Qt::RightButton);
        QVERIFY(w.menuForm().mnupopup()->isVisible());
        w.menuForm().mnupopup()->close();
        QCOMPARE(w.treePopup().SourceType(), KeyedTree::Kind::Tape);
        QCOMPARE(w.treePopup().PopupLinks().rm, url(u"c.rm"_s));
        // Without an MP3 link those items show but cannot be chosen.
        QVERIFY(popupItem(u"mnulisten"_s)->isVisible());
        QVERIFY(!popupItem(u"mnulisten"_s)->isEnabled());
        QVERIFY(popupItem(u"mnulistenrm"_s)->isEnabled());

        // A root folder hides "add to the queue"; any other folder shows it.
        click(w.tree().item(kDua + u'/'), Qt::RightButton);
        w.menuForm().mnupopup()->close();
        QCOMPARE(w.treePopup().SourceType(), KeyedTree::Kind::Folder);
        QVERIFY(!popupItem(u"mnuAdd2Playlist"_s)->isVisible());
        showTape(lessonLine());
        click(w.tree().item(kLessons + u"/S/"_s), Qt::RightButton);
        w.menuForm().mnupopup()->close();
        QVERIFY(popupItem(u"mnuAdd2Playlist"_s)->isVisible());

        // Empty space.
        w.tree().widget()->collapseAll();
        click(nullptr, Qt::RightButton);
        w.menuForm().mnupopup()->close();
        QCOMPARE(w.treePopup().SourceType(), KeyedTree::Kind::None);

        // "Collapse all" closes every open folder.
        showTape(quranLine());
        popupItem(u"mnuCollapseall"_s)->trigger();
        QVERIFY(!KeyedTree::isExpanded(w.tree().item(kQuran + u'/')));
    }

    void recentlyPlayedMenu()
    {
        // Bound 2, captions cut at 10 characters.
        openWindow("0\r\n0\r\n0\r\n2\r\n10\r\n0\r\n0\r\n5475\r\n8295\r\n0\r\n@W\r\n0\r\n0\r\n");
        const QString last = appPath(u"last.txt"_s);
        writeBytes(last, CodePage::encode(u"abcdefghi***u1.mp3\r\nabcdefghij***u2.rm\r\n   \r\n"
                                          u"\r\nold***u3.wav\r\nx***u4.mp3\r\n"_s));
        MainFrame &w = m_driver.window();
        w.recentMenu().FillRecentMenu();
        // Blank lines give no item and shift nothing; a title of MaxTitleLen is cut.
        QCOMPARE(action(u"LastItems_1"_s)->text(), u"abcdefghi"_s);
        QCOMPARE(action(u"LastItems_2"_s)->text(), u"abcdefg..."_s);
        QCOMPARE(action(u"LastItems_3"_s)->text(), u"old"_s);
        QVERIFY(!action(u"LastItems_0"_s)->isVisible());
        QVERIFY(action(u"separ"_s)->isVisible());

        // Replaying moves the line to the top (within the bound) and forgets the played node.
        click(showTape(quranLine()));
        QVERIFY(!w.session().playback().PlayedNode().isEmpty());
        action(u"LastItems_3"_s)->trigger(); // "abcdefghij", now third after the new line
        QCOMPARE(w.session().player().ClipSource(), u"u2.rm"_s);
        QCOMPARE(w.session().playback().PlayedNode(), QString());
        QVERIFY(action(u"SaveRM"_s)->isEnabled());
        QVERIFY(!action(u"SaveMP3"_s)->isEnabled());
        QCOMPARE(titleText(), u"\nabcdefghij"_s);
        const QStringList lines = CodePage::decodeLines(readBytes(last));
        QCOMPARE(lines,
                 (QStringList{u"abcdefghij***u2.rm"_s, u"R1 - سورة الفاتحة***"_s + url(u"a.mp3"_s),
                              u"abcdefghi***u1.mp3"_s}));

        // An unusable link plays but leaves the links and copy items as they were.
        writeBytes(last, "old***u3.wav\r\n");
        w.recentMenu().FillRecentMenu();
        action(u"LastItems_1"_s)->trigger();
        QCOMPARE(w.session().player().ClipSource(), u"u3.wav"_s);
        QVERIFY(action(u"SaveRM"_s)->isEnabled());
        QCOMPARE(w.session().playback().CurrentRMLink(), u"u2.rm"_s);

        // Clearing deletes the file; the next tape creates it again with one line.
        action(u"mnudeletelasts"_s)->trigger();
        QVERIFY(!QFile::exists(last));
        QVERIFY(!action(u"mnudeletelasts"_s)->isEnabled());
        QVERIFY(!action(u"separ"_s)->isVisible());
        QVERIFY(!action(u"LastItems_1"_s));
        click(showTape(quranLine()));
        QCOMPARE(CodePage::decodeLines(readBytes(last)).size(), 1);
        QVERIFY(action(u"mnudeletelasts"_s)->isEnabled());
        w.session().player().StopPlay();
    }

    void unreachableLinkLeavesThePlayerStopped()
    {
        MainFrame &w = openWindow();
        KeyedTree::Node tape = showTape(missingLine());
        QSignalSpy failed(&w.session().player(), &AudioPlayer::failed);
        click(tape);
        QTRY_COMPARE(failed.count(), 1);
        QCOMPARE(w.session().player().PlayState(), AudioPlayer::Stopped);
        // The failure is shown: the tape no longer waits with an hourglass.
        QCOMPARE(KeyedTree::image(tape), u"Leaf"_s);
        // The tape is still recorded: the title and the line are written whatever happens.
        QVERIFY(readBytes(appPath(u"last.txt"_s)).contains("missing.mp3"));
    }

    void desktopMediaControls()
    {
        if (!QDBusConnection::sessionBus().isConnected() ||
            QStandardPaths::findExecutable(u"gdbus"_s).isEmpty())
            QSKIP("no session bus or no gdbus: run under dbus-run-session");
        MainFrame &w = openWindow();
        const QString name = w.mprisService()->serviceName();
        QVERIFY(name.startsWith(u"org.mpris.MediaPlayer2.marvoli"_s));
        const auto get = [&name](const QString &property) {
            return GDBusTool::gdbusCall(name, u"org.freedesktop.DBus.Properties.Get"_s,
                                        {u"org.mpris.MediaPlayer2.Player"_s, property})
                .out;
        };
        QVERIFY(get(u"PlaybackStatus"_s).contains(u"'Stopped'"_s));

        click(showTape(quranLine()));
        QTRY_COMPARE(w.session().player().PlayState(), AudioPlayer::Playing);
        QVERIFY(get(u"PlaybackStatus"_s).contains(u"'Playing'"_s));
        const QString metadata = get(u"Metadata"_s);
        QVERIFY2(metadata.contains(u"R1 - سورة الفاتحة"_s), qPrintable(metadata));
        QVERIFY(metadata.contains(url(u"a.mp3"_s)));

        // The media key pauses; the desktop's quit closes the window as the user would.
        GDBusTool::gdbusCall(name, u"org.mpris.MediaPlayer2.Player.PlayPause"_s);
        QTRY_COMPARE(w.session().player().PlayState(), AudioPlayer::Paused);
        QVERIFY(GDBusTool::gdbusCall(name, u"org.mpris.MediaPlayer2.Quit"_s).finished);
        QVERIFY(QFile::exists(appPath(u"config.ini"_s)));
        QVERIFY(!w.isVisible());
    }

    void trayMenuAndMinimisingWithoutATray()
    {
        if (QSystemTrayIcon::isSystemTrayAvailable())
            QSKIP("a tray exists here; this case is about a desktop without one");
        MainFrame &w = openWindow();
        QMenu *tray = w.menuForm().mnuTray();
        const auto visible = [tray] {
            QStringList names;
            tray->popup(QPoint());
            tray->close();
            for (QAction *a : tray->actions())
                if (a->isVisible())
                    names.append(a->objectName());
            return names;
        };
        // Nothing loaded: no pause, stop, copy or save item; speed, repeat and the sleep timer
        // are always there.
        const QStringList always{
            u"mnuSleepTrayMenu"_s, u"sepSleepTray"_s, u"mnuSpeed"_s, u"mnuRepeat"_s,
            u"sepListening"_s,     u"mnuShow"_s,      u"sep1"_s,     u"mnuExit"_s};
        QCOMPARE(visible(), always);

        click(showTape(quranLine()));
        QTRY_COMPARE(w.session().player().PlayState(), AudioPlayer::Playing);
        QCOMPARE(visible(),
                 (QStringList{u"mnuPause"_s, u"mnuStop"_s, u"sep6"_s, u"mnuCopyLinkMP3Tray"_s,
                              u"sep5"_s, u"mnuSaveMP3Tray"_s, u"sep3"_s} +
                  always));
        QVERIFY(w.menuForm().tray().mnuCopyLinkMP3Tray->isEnabled());
        click(showTape(lessonLine()));
        QTRY_COMPARE(w.session().player().PlayState(), AudioPlayer::Playing);
        QVERIFY(visible().contains(u"mnuCopyLinkRMTray"_s));
        QVERIFY(visible().contains(u"mnuSaveMP3Tray"_s));

        // The pause item pauses and resumes; its caption follows the player.
        w.menuForm().tray().mnuPause->trigger();
        QTRY_COMPARE(w.session().player().PlayState(), AudioPlayer::Paused);
        QCOMPARE(w.menuForm().tray().mnuPause->text(), u"استماع"_s);
        w.menuForm().tray().mnuPause->trigger();
        QTRY_COMPARE(w.session().player().PlayState(), AudioPlayer::Playing);
        QCOMPARE(w.menuForm().tray().mnuPause->text(), u"إيقاف مؤقت"_s);
        w.menuForm().tray().mnuStop->trigger();
        QCOMPARE(w.session().player().PlayState(), AudioPlayer::Stopped);

        // No tray: the choice is greyed out and minimising never hides the window.
        QVERIFY(action(u"mnuMintoTray_0"_s)->isChecked());
        QVERIFY(!action(u"mnuMintoTray_0"_s)->isEnabled());
        w.showMinimized();
        QTest::qWait(50);
        QVERIFY(!w.isHidden());
        QVERIFY(!w.tray().icon());
    }
};

QTEST_MAIN(TestPlayWindow)
#include "tst_playwindow.moc"
