#include "codepage.h"
#include "editingactions.h"
#include "fileguards.h"
#include "inputform.h"
#include "listeningmenus.h"
#include "mainframe.h"
#include "modifyform.h"
#include "playback.h"
#include "scriptedplayer.h"
#include "tapekeys.h"
#include "windowdriver.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDirIterator>
#include <QFileInfo>
#include <QLineEdit>
#include <QMap>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kQuran = u"القرآن الكريم"_s;
const QString kWarsh = u"رواية ورش عن نافع"_s;

QString quran(int n, const QString &surah)
{
    return kQuran + u"!R/%1 سورة "_s.arg(n, 3, 10, QChar(u'0')) + surah + u"!"_s + kWarsh +
           u"!http://h/%1.mp3"_s.arg(n);
}
const QString kFatiha = quran(1, u"الفاتحة"_s);
const QString kBaqara = quran(2, u"البقرة"_s);
const QString kLesson = u"الدروس والخطب!ش/درس الصلاة!فقه!http://h/l.mp3"_s;
const QString kOnly = u"أناشيد!ن/نشيد وحيد!NONE!http://h/n.mp3"_s;

// Every file under folder (hidden ones too), by relative path, with its bytes.
using Snapshot = QMap<QString, QByteArray>;
Snapshot snapshot(const QString &folder)
{
    Snapshot files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(folder).relativeFilePath(path), WindowDriver::readBytes(path));
    }
    return files;
}

bool hasArabic(const QString &text)
{
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() >= 0x0621 && c.unicode() <= 0x064A; });
}

// The texts of the message boxes open now, which are closed.
QStringList takeMessages()
{
    QStringList texts;
    for (QWidget *w : QApplication::allWidgets())
        if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible()) {
            texts.append(box->text());
            box->close();
        }
    QCoreApplication::processEvents();
    return texts;
}

// This process has a mount namespace of its own (private-mounts.sh started it under unshare and
// says so), so what it mounts is seen by nobody else and goes away with it.
bool privateMounts()
{
    return ::geteuid() == 0 && qEnvironmentVariable("MARVOLI_PRIVATE_MOUNTS") == u"1"_s;
}
} // namespace

// A full disk and a read-only application folder, met by the main window: everything the user does
// that writes a file gives an Arabic message and leaves every file of the folder as it was.
// Where the test may mount, the folder is on a tiny tmpfs of its own that is filled up or remounted
// read-only; elsewhere a file size limit stands in for the full disk and permission bits for the
// read-only folder.
class TestDiskFaults : public QObject
{
    Q_OBJECT

    WindowDriver m_driver;
    std::unique_ptr<QTemporaryDir> m_mountPoint;
    bool m_mounted = false;
    QString m_app;

    // A fresh folder for the application: on its own tmpfs where possible.
    void makeFolder()
    {
        m_mountPoint = std::make_unique<QTemporaryDir>();
        QVERIFY(m_mountPoint->isValid());
        if (privateMounts()) {
            m_mounted = ::mount("tmpfs", m_mountPoint->path().toUtf8().constData(), "tmpfs", 0,
                                "size=256k,mode=0755") == 0;
            if (!m_mounted)
                qInfo("tmpfs could not be mounted (%s); faults are injected", strerror(errno));
        } else {
            qInfo("no private mount namespace: the folder is an ordinary one, faults are injected");
        }
        m_app = m_mountPoint->filePath(u"app"_s);
        QVERIFY(QDir().mkpath(m_app + u"/DB"_s));
    }

    // A first session in good conditions writes what a user's folder holds: the catalogue,
    // favourites, the recent list, the listening settings, resume positions and config.ini.
    void layOut()
    {
        QVERIFY(writeCodePageLines(m_app + u"/DB/a.txt"_s, {kFatiha, kBaqara, kLesson, kOnly}));
        auto *player = new ScriptedPlayer;
        MainFrame &w = m_driver.openIn(m_app, player);
        // Two favourites: taking one away must write a file, which an empty one would not.
        m_driver.choose(m_driver.showTape(kFatiha), u"mnuAdd2Fav"_s);
        m_driver.choose(m_driver.showTape(kBaqara), u"mnuAdd2Fav"_s);
        w.session().playback().playTapeKey(TapeKeys::tapeKey(kFatiha));
        player->play(40 * 60 * 1000);
        player->reach(120 * 1000);
        w.listeningMenus().fasterAction()->trigger();
        m_driver.close();
        QVERIFY(takeMessages().isEmpty());
        for (const char *name :
             {"config.ini", "last.txt", "DB/favorites.txt", "listening.ini", "positions.txt"})
            QVERIFY2(QFile::exists(m_app + u'/' + QLatin1String(name)), name);
    }

    // Closes the window, answering the modal messages it shows meanwhile; returns their texts.
    QStringList closeWindow()
    {
        QStringList texts;
        QTimer answerer;
        connect(&answerer, &QTimer::timeout, [&texts] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                texts.append(box->text());
                box->close();
            }
        });
        answerer.start(0);
        m_driver.window().close();
        answerer.stop();
        return texts + takeMessages();
    }

    // Does what a user does that writes, each time checking for a message and for the folder
    // being as it was.
    void actAndCheck(ScriptedPlayer *player)
    {
        MainFrame &w = m_driver.window();
        const Snapshot before = snapshot(m_app);
        QVERIFY(!before.isEmpty());
        auto check = [&](const char *what, const QStringList &messages) {
            QVERIFY2(!messages.isEmpty(), what);
            for (const QString &text : messages)
                QVERIFY2(hasArabic(text), qPrintable(u"%1: %2"_s.arg(QLatin1String(what), text)));
            QVERIFY2(snapshot(m_app) == before, what);
        };
// Stops at the first action that fails: what follows would only repeat its fault.
#define CHECK_ACTION(what)                                                                         \
    do {                                                                                           \
        check(what, takeMessages());                                                               \
        if (QTest::currentTestFailed())                                                            \
            return;                                                                                \
    } while (false)

        m_driver.choose(m_driver.showTape(kLesson), u"mnuAdd2Fav"_s);
        CHECK_ACTION("favourite");

        m_driver.action(u"AddNewFile"_s)->trigger();
        InputForm *form = w.editing().inputForm();
        QVERIFY(form);
        form->findChild<QComboBox *>(u"Combo1"_s)->setEditText(u"محاضرات"_s);
        form->findChild<QLineEdit *>(u"Text2"_s)->setText(u"محاضرة"_s);
        form->findChild<QLineEdit *>(u"Text5"_s)->setText(u"http://h/m.mp3"_s);
        form->findChild<QPushButton *>(u"cmdbutton_0"_s)->click();
        CHECK_ACTION("new tape");
        form->close();

        m_driver.choose(m_driver.showTape(kBaqara), u"mnumodify"_s);
        auto *modify = qobject_cast<Modify *>(QApplication::activeModalWidget());
        QVERIFY(modify);
        QTest::keyClicks(modify->findChild<QLineEdit *>(u"Text1_5"_s), u"http://h/2.rm"_s);
        modify->findChild<QPushButton *>(u"cmdmodify"_s)->click();
        CHECK_ACTION("modify");
        modify->close();

        // Deleting: a tape, a favourite (its own file) and a whole folder.
        const auto deleteNode = [this](KeyedTree::Node node, const QString &item) {
            QVERIFY(node);
            QTimer::singleShot(0, qApp, [] {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                QVERIFY(box);
                box->button(QMessageBox::Yes)->click();
            });
            m_driver.choose(node, item);
        };
        deleteNode(m_driver.showTape(kOnly), u"mnudelete"_s);
        CHECK_ACTION("delete");
        const QString favourite =
            TapeKeys::tapeKey(TapeKeys::FavouriteRecord(TapeKeys::tapeKey(kFatiha)));
        deleteNode(m_driver.showTape(favourite.mid(5)), u"mnudelete"_s);
        CHECK_ACTION("delete a favourite");
        deleteNode(m_driver.showFolder(kQuran + u'/'), u"mnuDelDir"_s);
        CHECK_ACTION("delete a folder");

        w.session().playback().playTapeKey(TapeKeys::tapeKey(kBaqara));
        player->play(40 * 60 * 1000);
        player->reach(60 * 1000);
        CHECK_ACTION("recent list");

        w.listeningMenus().fasterAction()->trigger();
        CHECK_ACTION("speed");
        // Warned once a run; the choice still holds until the program ends.
        w.listeningMenus().repeatChoices().at(2)->trigger();
        QVERIFY(snapshot(m_app) == before);

        // Closing writes config.ini and positions.txt: a modal warning for each, as the program
        // is about to end and its window to go.
        const QStringList closing = closeWindow();
        check("closing", closing);
        QVERIFY2(closing.size() == 2 && closing.filter(u"config.ini"_s).size() == 1 &&
                     closing.filter(u"positions.txt"_s).size() == 1,
                 qPrintable(closing.join(u" | "_s)));
        m_driver.close();
        QCOMPARE(snapshot(m_app), before);
#undef CHECK_ACTION
    }

private Q_SLOTS:
    void cleanup()
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<QMessageBox *>(w) || qobject_cast<Modify *>(w))
                w->close();
        m_driver.close();
        if (!m_mounted && !m_app.isEmpty()) {
            QFile::setPermissions(m_app, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QFile::setPermissions(m_app + u"/DB"_s,
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        if (std::exchange(m_mounted, false))
            QVERIFY(::umount2(m_mountPoint->path().toUtf8().constData(), MNT_DETACH) == 0);
        m_mountPoint.reset();
        m_app.clear();
    }

    void fullDisk()
    {
        makeFolder();
        layOut();
        auto *player = new ScriptedPlayer;
        m_driver.openIn(m_app, player);
        if (m_mounted) {
            qInfo("full disk: a tmpfs filled up");
            const QByteArray filler = m_mountPoint->filePath(u"filler"_s).toUtf8();
            const int fd = ::open(filler.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
            QVERIFY(fd >= 0);
            const QByteArray block(4096, 'x');
            while (::write(fd, block.constData(), std::size_t(block.size())) > 0) {
            }
            QCOMPARE(errno, ENOSPC);
            // The last bytes of a page that is not whole yet.
            while (::write(fd, "x", 1) > 0) {
            }
            ::close(fd);
            actAndCheck(player);
        } else {
            qInfo("full disk: injected through a file size limit");
            FileSizeLimit full(0);
            QVERIFY(full.active());
            actAndCheck(player);
        }
    }

    // Only the positions cannot be written (something else stands at their name): the message
    // about them cannot go to the control of the window that is closing, it is a modal one.
    void positionsAloneUnwritableOnClosing()
    {
        makeFolder();
        layOut();
        QVERIFY(QFile::remove(m_app + u"/positions.txt"_s));
        QVERIFY(QDir(m_app).mkdir(u"positions.txt"_s));
        auto *player = new ScriptedPlayer;
        MainFrame &w = m_driver.openIn(m_app, player);
        w.session().playback().playTapeKey(TapeKeys::tapeKey(kBaqara));
        player->play(40 * 60 * 1000);
        player->reach(60 * 1000);
        QVERIFY(takeMessages().isEmpty());
        QCOMPARE(closeWindow(), QStringList{u"تعذر حفظ مواضع الاستئناف في الملف positions.txt."_s});
        QVERIFY(QFileInfo(m_app + u"/positions.txt"_s).isDir());
    }

    void readOnlyFolder()
    {
        makeFolder();
        layOut();
        if (m_mounted) {
            qInfo("read-only: the tmpfs remounted read-only");
            QVERIFY(::mount(nullptr, m_mountPoint->path().toUtf8().constData(), nullptr,
                            MS_REMOUNT | MS_RDONLY, nullptr) == 0);
        } else {
            qInfo("read-only: the folder and DB/ made 0555");
            const auto readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                  QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
            QVERIFY(QFile::setPermissions(m_app, readOnly));
            QVERIFY(QFile::setPermissions(m_app + u"/DB"_s, readOnly));
            QFile probe(m_app + u"/DB/probe"_s);
            if (probe.open(QIODevice::WriteOnly)) {
                probe.remove();
                QSKIP("permission bits do not stop this user (root without a mount namespace)");
            }
        }
        auto *player = new ScriptedPlayer;
        m_driver.openIn(m_app, player);
        actAndCheck(player);
    }
};

QTEST_MAIN(TestDiskFaults)
#include "tst_diskfaults.moc"
