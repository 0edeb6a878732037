#include "aboutform.h"
#include "audioplayer.h"
#include "audiosaving.h"
#include "keyedtree.h"
#include "mainframe.h"
#include "mainmenus.h"
#include "playback.h"
#include "tapekeys.h"
#include "testhttpserver.h"
#include "toolcommands.h"
#include "windowdriver.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kOthers = u"أناشيد"_s;
const QString kUntouched = u"(untouched)"_s;
} // namespace

// Copying links, saving audio, the About window and starting the updater, through the window.
class TestSaveWindow : public QObject
{
    Q_OBJECT

    TestHttpServer m_server;
    WindowDriver m_driver;
    QTemporaryDir m_saves;
    QByteArray m_clip;
    QStringList m_proposed; // what the save dialog was offered

    QString both() const
    {
        return kOthers + u"!فلان/نشيد!NONE!"_s + m_server.url(u"/both.mp3"_s) + u'!' +
               m_server.url(u"/both.rm"_s);
    }
    QString rmOnly() const { return kOthers + u"!فلان/قديم!NONE!"_s + m_server.url(u"/old.rm"_s); }
    QString missing() const
    {
        return kOthers + u"!فلان/مفقود!NONE!"_s + m_server.url(u"/none.mp3"_s);
    }
    QString slow() const { return kOthers + u"!فلان/بطيء!NONE!"_s + m_server.url(u"/slow.mp3"_s); }

    MainFrame &open()
    {
        MainFrame &w = m_driver.open({both(), rmOnly(), missing(), slow()});
        // The save dialog answers with a file of the test's folder, under the name proposed.
        w.saving().setFileChooser([this](const QString &, const QString &proposed) {
            m_proposed.append(proposed);
            return m_saves.filePath(QFileInfo(proposed).fileName());
        });
        QGuiApplication::clipboard()->setText(kUntouched);
        return w;
    }
    static QMessageBox *box(const QString &name)
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *b = qobject_cast<QMessageBox *>(w);
                b && b->objectName() == name && b->isVisible())
                return b;
        return nullptr;
    }
    static QString clipboard() { return QGuiApplication::clipboard()->text(); }
    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_clip = makeMp3(1.0);
        if (m_clip.isEmpty())
            QSKIP("ffmpeg is not installed: no audio to serve");
        m_server.addFile(u"/both.mp3"_s, m_clip);
        m_server.addFile(u"/both.rm"_s, "rm bytes", "application/vnd.rn-realmedia");
        m_server.addFile(u"/old.rm"_s, "old rm");
        m_server.addTrickledFile(u"/slow.mp3"_s, m_clip, 20);
        QVERIFY(m_server.start());
    }
    void cleanup()
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<QMessageBox *>(w) || qobject_cast<QDialog *>(w))
                w->close();
        m_driver.close();
        m_proposed.clear();
    }

    void copyingLinks()
    {
        MainFrame &w = open();
        // Nothing plays: the tray's copy does nothing at all.
        w.menuForm().tray().mnuCopyLinkMP3Tray->trigger();
        QCOMPARE(clipboard(), kUntouched);
        QVERIFY(!box(u"missingLink"_s));

        // The popup copies exactly the tape's link; a link the tape lacks is said so.
        m_driver.choose(m_driver.showTape(both()), u"mnuSaveRM"_s);
        QCOMPARE(clipboard(), m_server.url(u"/both.rm"_s));
        QGuiApplication::clipboard()->setText(kUntouched);
        // (The popup greys the item out; the command still answers for itself.)
        m_driver.click(m_driver.showTape(rmOnly()), Qt::RightButton);
        w.menuForm().mnupopup()->close();
        QVERIFY(!w.menuForm().popup().mnuSaveMP3->isEnabled());
        w.saving().mnuSaveMP3_Click();
        QMessageBox *missingBox = box(u"missingLink"_s);
        QVERIFY(missingBox);
        QCOMPARE(missingBox->text(), u"غير متوفر بالنسبة لهذا الشريط MP3 الرابط"_s);
        QCOMPARE(clipboard(), kUntouched);
        missingBox->close();

        // The tape playing (tray) and the tape last started (main menu).
        m_driver.click(m_driver.showTape(both()));
        QTRY_COMPARE(w.session().player().PlayState(), AudioPlayer::Playing);
        w.menuForm().tray().mnuCopyLinkRMTray->trigger();
        QCOMPARE(clipboard(), m_server.url(u"/both.rm"_s));
        QVERIFY(m_driver.action(u"SaveMP3"_s)->isEnabled());
        m_driver.action(u"SaveMP3"_s)->trigger();
        QCOMPARE(clipboard(), m_server.url(u"/both.mp3"_s));
        w.session().player().StopPlay();
    }

    void savingATape()
    {
        open();
        // An earlier file of the same name is replaced only by the complete new one.
        const QString target = m_saves.filePath(u"فلان - نشيد.mp3"_s);
        writeFile(target, "earlier");
        m_driver.choose(m_driver.showTape(both()), u"mnuDMP3"_s);
        QCOMPARE(m_proposed.size(), 1);
        QCOMPARE(QFileInfo(m_proposed.first()).fileName(), u"فلان - نشيد.mp3"_s);
        QCOMPARE(QFileInfo(m_proposed.first()).absolutePath(),
                 QFileInfo(AudioSaving::downloadFolder()).absoluteFilePath());
        QTRY_COMPARE(WindowDriver::readBytes(target), m_clip);
        QTRY_VERIFY(!box(u"saveFailed"_s) && !m_driver.window().findChild<QProgressDialog *>());

        // RealMedia keeps its own extension.
        m_driver.choose(m_driver.showTape(rmOnly()), u"mnuDRM"_s);
        QTRY_COMPARE(WindowDriver::readBytes(m_saves.filePath(u"فلان - قديم.rm"_s)),
                     QByteArray("old rm"));
    }

    void failedAndCancelledSavesKeepTheOldFile()
    {
        open();
        const QString target = m_saves.filePath(u"فلان - مفقود.mp3"_s);
        writeFile(target, "earlier");
        m_driver.choose(m_driver.showTape(missing()), u"mnuDMP3"_s);
        QTRY_VERIFY(box(u"saveFailed"_s));
        QCOMPARE(box(u"saveFailed"_s)->text(), u"تعذر العثور على الملف الصوتي (HTTP 404)"_s);
        QCOMPARE(WindowDriver::readBytes(target), QByteArray("earlier"));

        const QString slowTarget = m_saves.filePath(u"فلان - بطيء.mp3"_s);
        writeFile(slowTarget, "earlier");
        m_driver.choose(m_driver.showTape(slow()), u"mnuDMP3"_s);
        QProgressDialog *progress = nullptr;
        QTRY_VERIFY((progress = m_driver.window().findChild<QProgressDialog *>(
                         u"downloadProgress"_s)) != nullptr &&
                    progress->labelText().contains(u'\n'));
        progress->findChild<QPushButton *>()->click();
        QTRY_VERIFY(!m_driver.window().findChild<QProgressDialog *>(u"downloadProgress"_s));
        QCOMPARE(WindowDriver::readBytes(slowTarget), QByteArray("earlier"));
        // No temporary file stayed behind.
        for (const QString &name : QDir(m_saves.path()).entryList(QDir::Files | QDir::Hidden))
            QVERIFY2(name.endsWith(u".mp3"_s) || name.endsWith(u".rm"_s), qPrintable(name));
        QVERIFY(!box(u"saveFailed"_s) || box(u"saveFailed"_s)->text().contains(u"404"_s));
    }

    void aboutWindow()
    {
        open();
        m_driver.action(u"about"_s)->trigger();
        auto *about = qobject_cast<frmAbout *>(QApplication::activeModalWidget());
        QVERIFY(about);
        const QString text = frmAbout::description();
        QCOMPARE(text.split(u"\r\n"_s).size(), 6);
        QCOMPARE(about->findChild<QLabel *>(u"lblDescription"_s)->text().split(u'\n').size(), 6);
        QVERIFY(text.startsWith(u"يمكنك برنامج Marvoli"_s));
        about->findChild<QPushButton *>(u"cmdOK"_s)->click();
        QTRY_VERIFY(!QApplication::activeModalWidget());
    }

    void startingTheUpdater()
    {
        open();
        // None in the application folder: the player says so and runs on.
        m_driver.action(u"mUpdate"_s)->trigger();
        QTRY_VERIFY(box(u"startFailed"_s));
        box(u"startFailed"_s)->close();

        // A stand-in that notes it ran, with which arguments and where.
        const QString marker = m_driver.appPath(u"ran.txt"_s);
        const QString updater = m_driver.window().tools().updaterPath();
        writeFile(updater, "#!/bin/sh\necho \"$# $PWD\" > ran.txt\n");
        QFile::setPermissions(updater, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_driver.action(u"mUpdate"_s)->trigger();
        QTRY_VERIFY(QFile::exists(marker));
        QTRY_COMPARE(WindowDriver::readBytes(marker).trimmed(),
                     "0 " + QFileInfo(m_driver.appPath(u""_s)).canonicalFilePath().toUtf8());
        QVERIFY(!box(u"startFailed"_s));
    }
};

QTEST_MAIN(TestSaveWindow)
#include "tst_savewindow.moc"
