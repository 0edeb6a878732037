#include "catalogue.h"
#include "cataloguefilewindow.h"
#include "codepage.h"
#include "editingactions.h"
#include "fileguards.h"
#include "inputform.h"
#include "keyedtree.h"
#include "mainframe.h"
#include "modifyform.h"
#include "playqueue.h"
#include "scriptedplayer.h"
#include "tapekeys.h"
#include "widgets.h"
#include "windowdriver.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kQuran = u"القرآن الكريم"_s;
const QString kFatiha = kQuran + u"!R/001 سورة الفاتحة!رواية ورش عن نافع!http://h/1.mp3"_s;
const QString kBaqara = kQuran + u"!R/002 سورة البقرة!رواية ورش عن نافع!http://h/2.mp3"_s;
const QString kLesson = u"الدروس والخطب!ش/درس الصلاة!فقه!http://h/l.mp3"_s;
const QString kOnly = u"أناشيد!ن/نشيد وحيد!NONE!http://h/n.mp3"_s;

QByteArray crlf(const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += CodePage::encode(line) + "\r\n";
    return bytes;
}

// This process has a mount namespace of its own (private-mounts.sh started it under unshare and
// says so), so what it mounts is seen by nobody else and goes away with it.
bool privateMounts()
{
    return ::geteuid() == 0 && qEnvironmentVariable("MARVOLI_PRIVATE_MOUNTS") == u"1"_s;
}

// Counts the times a window was blocked by a modal one.
class BlockWatch : public QObject
{
public:
    int blocked = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::WindowBlocked)
            ++blocked;
        return false;
    }
};

} // namespace

// The player's own window on a catalogue file, opened from the add and edit windows and driven
// from the keyboard as a person does.
class TestCatalogueFileWindow : public QObject
{
    Q_OBJECT

    WindowDriver m_driver;
    std::unique_ptr<QTemporaryDir> m_folder;
    bool m_mounted = false;
    QString m_app;
    // The questions the file window asked, by name, with the button they were answered with.
    QStringList m_asked;

    // The main window on an application folder with DB/a.txt holding these lines; the folder is
    // on a tiny tmpfs of its own when mount asks for it and this process may mount.
    MainFrame &open(const QStringList &lines = {kFatiha, kBaqara, kLesson, kOnly},
                    bool mount = false)
    {
        m_folder = std::make_unique<QTemporaryDir>();
        if (mount && privateMounts()) {
            m_mounted = ::mount("tmpfs", m_folder->path().toUtf8().constData(), "tmpfs", 0,
                                "size=256k,mode=0755") == 0;
            if (!m_mounted)
                qInfo("tmpfs could not be mounted (%s)", strerror(errno));
        }
        m_app = m_folder->filePath(u"app"_s);
        QDir().mkpath(m_app + u"/DB"_s);
        writeCodePageLines(dbPath(u"a.txt"_s), lines);
        return m_driver.openIn(m_app, new ScriptedPlayer);
    }
    QString dbPath(const QString &name) const { return m_app + u"/DB/"_s + name; }
    QByteArray bytesOf(const QString &name) const { return WindowDriver::readBytes(dbPath(name)); }
    EditingActions &editing() { return m_driver.window().editing(); }
    KeyedTree &tree() { return m_driver.window().tree(); }

    // "ملف الإضافات" of the add window.
    CatalogueFileWindow *openAdditions()
    {
        m_driver.action(u"AddNewFile"_s)->trigger();
        InputForm *form = editing().inputForm();
        if (!form)
            return nullptr;
        form->findChild<QPushButton *>(u"Command1"_s)->click();
        return shown(editing().fileWindow(dbPath(u"additions.txt"_s)));
    }
    CatalogueFileWindow *openFile(const QString &name)
    {
        editing().openCatalogueFile(dbPath(name), &m_driver.window());
        return shown(editing().fileWindow(dbPath(name)));
    }
    static CatalogueFileWindow *shown(CatalogueFileWindow *window)
    {
        if (window && !QTest::qWaitForWindowActive(window))
            qWarning("the file window did not become active");
        return window;
    }
    // Back in the window after a message or a question, as a person clicks into it (the offscreen
    // platform gives the activation back to nobody when a box closes).
    static void backTo(QWidget *window)
    {
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window))
            qWarning("the window did not become active again");
    }
    static QPlainTextEdit *textOf(CatalogueFileWindow *window)
    {
        return window->findChild<QPlainTextEdit *>(u"fileText"_s);
    }
    static void ctrl(QWidget *widget, Qt::Key key)
    {
        QTest::keyClick(widget, key, Qt::ControlModifier);
    }

    // The message an editing window showed last, closed; empty when none is open.
    static QString takeMessage()
    {
        QString text;
        for (QWidget *w : QApplication::topLevelWidgets())
            for (auto *box : w->findChildren<QMessageBox *>(u"editMessage"_s))
                if (box->isVisible()) {
                    text = box->text();
                    box->close();
                }
        QCoreApplication::processEvents();
        return text;
    }
    // Answers the next question with button, noting its name and whether No was the default.
    void answer(QMessageBox::StandardButton button)
    {
        QTimer::singleShot(0, this, [this, button] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            QString name = box->objectName();
            if (box->defaultButton() == box->button(QMessageBox::No))
                name += u" (No by default)"_s;
            m_asked.append(name);
            box->button(button)->click();
        });
    }
    static QList<int> markedLines(QPlainTextEdit *text)
    {
        QList<int> lines;
        for (const QTextEdit::ExtraSelection &mark : text->extraSelections())
            lines.append(mark.cursor.blockNumber());
        return lines;
    }

private Q_SLOTS:
    void init() { m_asked.clear(); }

    void cleanup()
    {
        // What a failed test left unsaved is dropped, so that closing asks nothing.
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *file = qobject_cast<CatalogueFileWindow *>(w))
                textOf(file)->document()->setModified(false);
            if (qobject_cast<QMessageBox *>(w) || qobject_cast<Modify *>(w))
                w->close();
        }
        m_driver.close();
        if (std::exchange(m_mounted, false))
            QVERIFY(::umount2(m_folder->path().toUtf8().constData(), MNT_DETACH) == 0);
        m_folder.reset();
    }

    // Before the first addition there is no additions file: the window opens on an empty text,
    // and the first save makes the file, whose records reach the tree at once. The queue's
    // branch comes through the rebuilt tree.
    void absentAdditionsFileIsMadeBySavingAndIndexed()
    {
        open();
        PlayQueue &queue = m_driver.window().session().queue();
        queue.Add2Playlist({TapeKeys::tapeKey(kFatiha), TapeKeys::tapeKey(kLesson)});
        KeyedTree::Node queued = tree().item(TapeKeys::queueCategory());
        QVERIFY(queued);
        const QStringList entries = m_driver.childTexts(queued);
        QCOMPARE(entries.size(), 2);

        CatalogueFileWindow *window = openAdditions();
        QVERIFY(window);
        QCOMPARE(takeMessage(), QString());
        QVERIFY(window->isWindow() && !window->parentWidget());
        QCOMPARE(window->layoutDirection(), Qt::RightToLeft);
        QVERIFY(window->windowTitle().contains(u"additions.txt"_s));
        QPlainTextEdit *text = textOf(window);
        QCOMPARE(text->toPlainText(), QString());
        QVERIFY(!QFileInfo::exists(dbPath(u"additions.txt"_s)));
        // The numbers' margin is where right-to-left lines begin, clear of the text.
        auto *view = qobject_cast<NumberedTextView *>(text);
        QVERIFY(view->numberArea()->geometry().left() >= view->viewport()->geometry().right());

        const QString song = u"أناشيد!ن/نشيد جديد!NONE!http://h/new.mp3"_s;
        const QString lecture = u"محاضرات!م/محاضرة!NONE!http://h/m.mp3"_s;
        typeText(text, song);
        QTest::keyClick(text, Qt::Key_Return);
        typeText(text, lecture);
        QVERIFY(window->isWindowModified());
        ctrl(text, Qt::Key_S);
        QCOMPARE(takeMessage(), QString());
        QVERIFY(m_asked.isEmpty());
        QCOMPARE(bytesOf(u"additions.txt"_s), crlf({song, lecture}));
        QVERIFY(!window->isWindowModified());

        // Known to the catalogue under a number of its own, so later edits reach the file.
        const Catalogue &catalogue = m_driver.window().session().catalogue();
        const int number = catalogue.IndexOfFile(dbPath(u"additions.txt"_s));
        QVERIFY(number > 0);
        const qsizetype entry = catalogue.index().findRecord(song);
        QVERIFY(entry > 0);
        QCOMPARE(catalogue.index().fileNumber(entry), number);

        QVERIFY(m_driver.showTape(song));
        QVERIFY(m_driver.showTape(lecture));
        QVERIFY(m_driver.showTape(kOnly));
        queued = tree().item(TapeKeys::queueCategory());
        QVERIFY(queued);
        QCOMPARE(m_driver.childTexts(queued), entries);

        // The first line taken out again: its tape leaves the tree with the next save.
        ctrl(text, Qt::Key_Home);
        QTest::keyClick(text, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(text, Qt::Key_Delete);
        ctrl(text, Qt::Key_S);
        QCOMPARE(bytesOf(u"additions.txt"_s), crlf({lecture}));
        QVERIFY(!m_driver.showTape(song));
        QVERIFY(m_driver.showTape(lecture));
        QVERIFY(tree().item(TapeKeys::queueCategory()));
    }

    // The text is the file's windows-1256, shown and written back exactly: every byte a line may
    // hold survives an edit of another line, and lines end in CR LF.
    void saveWritesTheCodePageBytes()
    {
        QByteArray every;
        for (int b = 0; b < 256; ++b)
            if (b != '\r' && b != '\n')
                every.append(char(b));
        const QString bytesLine = u"أناشيد!ن/كل البايتات!NONE!"_s + CodePage::decode(every);
        open({kFatiha, bytesLine, kLesson});
        CatalogueFileWindow *window = openFile(u"a.txt"_s);
        QVERIFY(window);
        QPlainTextEdit *text = textOf(window);
        QCOMPARE(text->document()->blockCount(), 3);
        QCOMPARE(window->lines(), (QStringList{kFatiha, bytesLine, kLesson}));

        ctrl(text, Qt::Key_End);
        typeText(text, u"!http://h/l.rm"_s);
        QPushButton *save = window->findChild<QPushButton *>(u"saveButton"_s);
        QCOMPARE(save->text(), u"حفظ"_s);
        save->click();
        QCOMPARE(takeMessage(), QString());
        QCOMPARE(bytesOf(u"a.txt"_s), crlf({kFatiha, bytesLine, kLesson + u"!http://h/l.rm"_s}));
        QVERIFY(bytesOf(u"a.txt"_s).contains(every));
        // The edited record is found under its new links.
        QVERIFY(m_driver.showTape(kLesson + u"!http://h/l.rm"_s));
        QVERIFY(!tree().item(TapeKeys::tapeKey(kLesson)));
    }

    // A character windows-1256 cannot hold, pasted in, is not saved as "?": the save is refused
    // with the character and its line, the cursor on it, and the file stays as it was.
    void unencodablePasteIsRefused()
    {
        open();
        const QByteArray before = bytesOf(u"a.txt"_s);
        CatalogueFileWindow *window = openFile(u"a.txt"_s);
        QVERIFY(window);
        QPlainTextEdit *text = textOf(window);
        ctrl(text, Qt::Key_End);
        QTest::keyClick(text, Qt::Key_Return);
        typeText(text, u"أناشيد!ن/"_s);
        QGuiApplication::clipboard()->setText(u"ٱلنشيد"_s); // alif wasla: no byte for it
        ctrl(text, Qt::Key_V);
        typeText(text, u"!NONE!http://h/w.mp3"_s);
        ctrl(text, Qt::Key_S);

        const QString message = takeMessage();
        QVERIFY2(message.contains(u"«ٱ» (U+0671) في السطر 5"_s), qPrintable(message));
        QVERIFY(m_asked.isEmpty());
        QCOMPARE(bytesOf(u"a.txt"_s), before);
        QVERIFY(window->isWindowModified());
        QCOMPARE(text->textCursor().blockNumber(), 4);
        QCOMPARE(text->textCursor().selectedText(), u"ٱ"_s);

        // Typed over, the line saves.
        backTo(window);
        typeText(text, u"ا"_s);
        ctrl(text, Qt::Key_S);
        QCOMPARE(takeMessage(), QString());
        QCOMPARE(bytesOf(u"a.txt"_s), crlf({kFatiha, kBaqara, kLesson, kOnly,
                                            u"أناشيد!ن/النشيد!NONE!http://h/w.mp3"_s}));
    }

    // Lines the loader would pass over are shown and asked about before the save; No (the
    // default) writes nothing.
    void nonRecordLinesAreMarkedAndAsked()
    {
        open();
        const QByteArray before = bytesOf(u"a.txt"_s);
        CatalogueFileWindow *window = openFile(u"a.txt"_s);
        QVERIFY(window);
        QPlainTextEdit *text = textOf(window);
        ctrl(text, Qt::Key_Home);
        typeText(text, u"ملاحظة: أشرطة الشيخ"_s);
        QTest::keyClick(text, Qt::Key_Return);
        ctrl(text, Qt::Key_End);
        QTest::keyClick(text, Qt::Key_Return);
        QTest::keyClick(text, Qt::Key_Return); // an empty line is no matter
        typeText(text, u"أناشيد!ناقص"_s);
        QVERIFY(markedLines(text).isEmpty());

        answer(QMessageBox::No);
        ctrl(text, Qt::Key_S);
        QCOMPARE(m_asked, QStringList{u"nonRecordQuestion (No by default)"_s});
        QCOMPARE(bytesOf(u"a.txt"_s), before);
        QCOMPARE(markedLines(text), (QList<int>{0, 6}));
        QCOMPARE(text->textCursor().blockNumber(), 0);
        QVERIFY(window->isWindowModified());

        backTo(window);
        answer(QMessageBox::Yes);
        ctrl(text, Qt::Key_S);
        QCOMPARE(m_asked.size(), 2);
        QCOMPARE(bytesOf(u"a.txt"_s), crlf({u"ملاحظة: أشرطة الشيخ"_s, kFatiha, kBaqara, kLesson,
                                            kOnly, u""_s, u"أناشيد!ناقص"_s}));
        QVERIFY(!window->isWindowModified());
        QVERIFY(m_driver.showTape(kOnly));
    }

    // Closing with unsaved changes asks to save, to drop them or to stay; so does Escape, and so
    // does closing the main window, which stays open when the answer is to stay.
    void closingWithChangesAsks()
    {
        open();
        QPointer<CatalogueFileWindow> window = openAdditions();
        QVERIFY(window);
        QPlainTextEdit *text = textOf(window);
        // Unchanged, Escape just closes.
        QTest::keyClick(text, Qt::Key_Escape);
        QTRY_VERIFY(!window);
        QVERIFY(m_asked.isEmpty());

        window = openAdditions();
        text = textOf(window);
        const QString song = u"أناشيد!ن/نشيد!NONE!http://h/s.mp3"_s;
        typeText(text, song);
        answer(QMessageBox::Cancel);
        QTest::keyClick(text, Qt::Key_Escape);
        QCOMPARE(m_asked, QStringList{u"closeQuestion"_s});
        QVERIFY(window && window->isVisible());
        backTo(window);

        answer(QMessageBox::Cancel);
        QVERIFY(!m_driver.window().close());
        QCOMPARE(m_asked.size(), 2);
        QVERIFY(window && window->isVisible() && m_driver.window().isVisible());
        backTo(window);

        answer(QMessageBox::Discard);
        window->findChild<QPushButton *>(u"closeButton"_s)->click();
        QTRY_VERIFY(!window);
        QVERIFY(!QFileInfo::exists(dbPath(u"additions.txt"_s)));

        window = openAdditions();
        text = textOf(window);
        QCOMPARE(text->toPlainText(), QString());
        typeText(text, song);
        answer(QMessageBox::Save);
        QTest::keyClick(text, Qt::Key_Escape);
        QTRY_VERIFY(!window);
        QCOMPARE(m_asked, QStringList(4, u"closeQuestion"_s));
        QCOMPARE(bytesOf(u"additions.txt"_s), crlf({song}));
        QVERIFY(m_driver.showTape(song));
    }

    // Ctrl+F, then the text: Return and F3 go from match to match and round to the top; the
    // comparison is the search's (hamza forms and vowel marks make no difference).
    void findGoesRoundTheFile()
    {
        const QString plain = u"أناشيد!أحمد/نشيد!NONE!http://h/1.mp3"_s;
        const QString voweled = u"أناشيد!أَحْمَد/نشيد آخر!NONE!http://h/2.mp3"_s;
        open({kFatiha, plain, kLesson, voweled});
        CatalogueFileWindow *window = openFile(u"a.txt"_s);
        QVERIFY(window);
        QPlainTextEdit *text = textOf(window);
        auto *find = window->findChild<QLineEdit *>(u"findText"_s);
        auto *status = window->findChild<QLabel *>(u"findStatus"_s);
        QVERIFY(!find->isVisible());
        ctrl(text, Qt::Key_F);
        QVERIFY(find->isVisible() && find->hasFocus());

        typeText(find, u"احمد"_s);
        QTest::keyClick(find, Qt::Key_Return);
        QCOMPARE(text->textCursor().blockNumber(), 1);
        QCOMPARE(text->textCursor().selectedText(), u"أحمد"_s);
        QTest::keyClick(find, Qt::Key_F3);
        QCOMPARE(text->textCursor().blockNumber(), 3);
        QCOMPARE(text->textCursor().selectedText(), u"أَحْمَد"_s);
        QCOMPARE(status->text(), QString());
        QTest::keyClick(find, Qt::Key_Return);
        QCOMPARE(text->textCursor().blockNumber(), 1);
        QVERIFY(!status->text().isEmpty()); // went round

        // Not there: said so in the row, the selection stays.
        find->selectAll();
        typeText(find, u"تفسير"_s);
        QTest::keyClick(find, Qt::Key_Return);
        QVERIFY2(status->text().contains(u"لم يعثر على «تفسير»"_s), qPrintable(status->text()));
        QCOMPARE(text->textCursor().blockNumber(), 1);
        QCOMPARE(text->textCursor().selectedText(), u"أحمد"_s);

        // Escape in the row puts the row away, not the window.
        QTest::keyClick(find, Qt::Key_Escape);
        QVERIFY(!find->isVisible());
        QVERIFY(window->isVisible());
        QVERIFY(!window->isWindowModified());
    }

    // One window a file, whoever asks; a window-modal edit window blocks the main window, not
    // the file windows.
    void oneWindowAFileNotBlockedByTheEditWindow()
    {
        open();
        CatalogueFileWindow *additions = openAdditions();
        QVERIFY(additions);
        QCOMPARE(openAdditions(), additions);
        BlockWatch watchFile;
        BlockWatch watchMain;
        additions->installEventFilter(&watchFile);
        m_driver.window().installEventFilter(&watchMain);

        m_driver.choose(m_driver.showTape(kBaqara), u"mnumodify"_s);
        auto *form = qobject_cast<Modify *>(QApplication::activeModalWidget());
        QVERIFY(form);
        QVERIFY(QTest::qWaitForWindowActive(form));
        QCOMPARE(watchMain.blocked, 1);
        QCOMPARE(watchFile.blocked, 0);
        auto *label = form->findChild<QLabel *>(u"label_9"_s);
        QTest::mouseClick(label, Qt::LeftButton);
        CatalogueFileWindow *file = shown(editing().fileWindow(dbPath(u"a.txt"_s)));
        QVERIFY(file);
        QVERIFY(file != additions);
        QCOMPARE(file->lines(), (QStringList{kFatiha, kBaqara, kLesson, kOnly}));
        QTest::keyClick(label, Qt::Key_Return);
        QCOMPARE(editing().fileWindow(dbPath(u"a.txt"_s)), file);
        int windows = 0;
        for (QWidget *w : QApplication::topLevelWidgets())
            windows += qobject_cast<CatalogueFileWindow *>(w) != nullptr;
        QCOMPARE(windows, 2);
        form->close();

        // The window goes with the main window.
        QPointer<CatalogueFileWindow> kept = file;
        m_driver.close();
        QTRY_VERIFY(!kept);
    }

    // The add window writes the additions file while it is open here too: a save over that asks
    // first, and No keeps the added tape.
    void fileChangedMeanwhileIsAskedAbout()
    {
        open();
        CatalogueFileWindow *window = openAdditions();
        QVERIFY(window);
        InputForm *form = editing().inputForm();
        form->findChild<QComboBox *>(u"Combo1"_s)->setEditText(u"محاضرات"_s);
        form->findChild<QLineEdit *>(u"Text2"_s)->setText(u"محاضرة"_s);
        form->findChild<QLineEdit *>(u"Text5"_s)->setText(u"http://h/6.mp3"_s);
        form->findChild<QPushButton *>(u"cmdbutton_0"_s)->click();
        QVERIFY(takeMessage().startsWith(u"تم إضافة"_s));
        const QByteArray added = bytesOf(u"additions.txt"_s);
        QCOMPARE(added, crlf({u"محاضرات!محاضرة!NONE!http://h/6.mp3"_s}));

        backTo(window);
        QPlainTextEdit *text = textOf(window);
        typeText(text, kOnly);
        answer(QMessageBox::No);
        ctrl(text, Qt::Key_S);
        QCOMPARE(m_asked, QStringList{u"changedFileQuestion (No by default)"_s});
        QCOMPARE(bytesOf(u"additions.txt"_s), added);
        QVERIFY(window->isWindowModified());
    }

    // A file there but not readable as one gets a message and no window.
    void unreadableFileGetsNoWindow()
    {
        open();
        QVERIFY(QFile::remove(dbPath(u"a.txt"_s)));
        QVERIFY(QDir().mkdir(dbPath(u"a.txt"_s)));
        editing().openCatalogueFile(dbPath(u"a.txt"_s), &m_driver.window());
        QCOMPARE(takeMessage(), u"تعذر قراءة الملف a.txt، فلم يفتح."_s);
        QVERIFY(!editing().fileWindow(dbPath(u"a.txt"_s)));
    }

    // A save on a full disk says so and changes nothing: the file, the index and the text (still
    // to be saved) stay as they were; with room again, the same save goes through.
    void fullDiskLeavesFileAndText()
    {
        open({kFatiha, kBaqara, kLesson, kOnly}, true);
        const QByteArray before = bytesOf(u"a.txt"_s);
        CatalogueFileWindow *window = openFile(u"a.txt"_s);
        QVERIFY(window);
        QPlainTextEdit *text = textOf(window);
        ctrl(text, Qt::Key_End);
        const QString song = u"أناشيد!ن/نشيد!NONE!http://h/s.mp3"_s;
        QTest::keyClick(text, Qt::Key_Return);
        typeText(text, song);

        {
            const QString filler = m_folder->filePath(u"filler"_s);
            std::unique_ptr<FileSizeLimit> limit;
            const auto freeAgain = qScopeGuard([&] { QFile::remove(filler); });
            if (m_mounted) {
                qInfo("full disk: a tmpfs filled up");
                const int fd = ::open(QFile::encodeName(filler).constData(),
                                      O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
                QVERIFY(fd >= 0);
                const QByteArray block(4096, 'x');
                while (::write(fd, block.constData(), std::size_t(block.size())) > 0) {
                }
                QCOMPARE(errno, ENOSPC);
                while (::write(fd, "x", 1) > 0) {
                }
                ::close(fd);
            } else {
                qInfo("full disk: injected through a file size limit");
                limit = std::make_unique<FileSizeLimit>(0);
                QVERIFY(limit->active());
            }
            ctrl(text, Qt::Key_S);
        }
        const QString message = takeMessage();
        QVERIFY2(message.startsWith(u"تعذر حفظ الملف a.txt"_s), qPrintable(message));
        QCOMPARE(bytesOf(u"a.txt"_s), before);
        QVERIFY(window->isWindowModified());
        QCOMPARE(window->lines(), (QStringList{kFatiha, kBaqara, kLesson, kOnly, song}));
        QCOMPARE(m_driver.window().session().catalogue().index().findRecord(song), -1);
        // No temporary left behind in the folder.
        QCOMPARE(QDir(m_app + u"/DB"_s).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"a.txt"_s});
        backTo(window);

        ctrl(text, Qt::Key_S);
        QCOMPARE(takeMessage(), QString());
        QCOMPARE(bytesOf(u"a.txt"_s), crlf({kFatiha, kBaqara, kLesson, kOnly, song}));
        QVERIFY(m_driver.showTape(song));
    }

    // The desktop's end of the session is a forced close, which nobody may be there to answer:
    // whether the file window has unsaved changes or its question is already on screen (the user
    // chose Exit and is away), nothing more is asked, the file stays as last saved, the main
    // window closes with its settings written, and the event loop ends.
    void forcedCloseAsksNothing_data()
    {
        QTest::addColumn<bool>("questionShown");
        QTest::addRow("changes unsaved") << false;
        QTest::addRow("question on screen") << true;
    }
    void forcedCloseAsksNothing()
    {
        QFETCH(bool, questionShown);
        open();
        const QString config = m_app + u"/config.ini"_s;
        CatalogueFileWindow *window = openFile(u"a.txt"_s);
        QVERIFY(window);
        const QByteArray before = bytesOf(u"a.txt"_s);
        typeText(textOf(window), kOnly);
        QVERIFY(window->isWindowModified());
        QVERIFY(!QFileInfo::exists(config));

        // With questionShown the first question gets the forced close; any other question is
        // noted and cancelled, so that a fault fails the test instead of leaving it waiting.
        bool forced = false;
        QString pending;
        QTimer questions;
        questions.setInterval(10);
        connect(&questions, &QTimer::timeout, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            if (questionShown && !forced) {
                forced = true;
                pending = box->objectName();
                UnloadAllWindows(true);
                return;
            }
            m_asked.append(box->objectName());
            box->close();
        });
        questions.start();
        QTimer::singleShot(0, this, [&] {
            if (questionShown) {
                m_driver.action(u"Exit"_s)->trigger();
            } else {
                forced = true;
                UnloadAllWindows(true);
            }
        });
        QCOMPARE(QCoreApplication::exec(), 0);
        questions.stop();

        QVERIFY(forced);
        QCOMPARE(pending, questionShown ? u"closeQuestion"_s : QString());
        QCOMPARE(m_asked, QStringList());
        QVERIFY(!ClosingWithForce()); // over with the event loop
        QCOMPARE(bytesOf(u"a.txt"_s), before);
        QVERIFY(!m_driver.window().isVisible());
        QCOMPARE(readCodePageLines(config).size(), 13);
    }
};

QTEST_MAIN(TestCatalogueFileWindow)
#include "tst_cataloguefilewindow.moc"
