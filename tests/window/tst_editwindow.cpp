#include "arabickeyboard.h"
#include "captionink.h"
#include "catalogue.h"
#include "catalogueeditor.h"
#include "cataloguefilewindow.h"
#include "codepage.h"
#include "editingactions.h"
#include "fakelayouts.h"
#include "inputform.h"
#include "keyedtree.h"
#include "mainframe.h"
#include "modifyform.h"
#include "playqueue.h"
#include "searchbar.h"
#include "searchcontroller.h"
#include "tapekeys.h"
#include "windowdriver.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyle>
#include <QTest>
#include <QTextLayout>
#include <QTimer>
#include <QTreeWidget>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kQuran = u"القرآن الكريم"_s;
const QString kLessons = u"الدروس والخطب"_s;
const QString kWarsh = u"رواية ورش عن نافع"_s;

QString quran(int n, const QString &surah)
{
    return kQuran + u"!R/%1 سورة "_s.arg(n, 3, 10, QChar(u'0')) + surah + u"!"_s + kWarsh +
           u"!http://h/%1.mp3"_s.arg(n);
}
const QString kLesson = kLessons + u"!ش/درس الصلاة!فقه!http://h/l.mp3"_s;
const QString kOnly = u"أناشيد!ن/نشيد وحيد!NONE!http://h/n.mp3"_s;

QByteArray fileOf(const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += CodePage::encode(line) + "\r\n";
    return bytes;
}
} // namespace

// The editing windows and the popup's delete items, driven through the main window.
class TestEditWindow : public QObject
{
    Q_OBJECT

    WindowDriver m_driver;

    MainFrame &open()
    {
        return m_driver.open({quran(1, u"الفاتحة"_s), quran(2, u"البقرة"_s), kLesson, kOnly});
    }
    QByteArray catalogueFile() { return WindowDriver::readBytes(m_driver.appPath(u"DB/a.txt"_s)); }
    KeyedTree &tree() { return m_driver.window().tree(); }

    // The message the editing windows showed last, closed; empty when none is open.
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
    // Answers the next delete question.
    static void answer(QMessageBox::StandardButton button)
    {
        QTimer::singleShot(0, qApp, [button] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            box->button(button)->click();
        });
    }
    template<typename T>
    T *in(QWidget *window, const QString &name)
    {
        T *w = window->findChild<T *>(name);
        if (!w)
            qWarning("no %s", qPrintable(name));
        return w;
    }

private Q_SLOTS:
    void cleanup()
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<QMessageBox *>(w) || qobject_cast<Modify *>(w))
                w->close();
        m_driver.close();
    }

    void addQuranTapeThroughTheWindow()
    {
        open();
        QVERIFY(m_driver.showTape(quran(1, u"الفاتحة"_s)));
        m_driver.action(u"AddNewFile"_s)->trigger();
        InputForm *form = m_driver.window().editing().inputForm();
        QVERIFY(form && form->isVisible());
        QCOMPARE(in<QComboBox>(form, u"Combo1"_s)->currentText(), kQuran);
        QVERIFY(in<QWidget>(form, u"Frame_0"_s)->isVisible());
        // The lessons' hint: two lines, each whole (no carriage return to eat a letter).
        QCOMPARE(in<QLabel>(form, u"Label2"_s)->text().split(u'\n'),
                 (QStringList{u"استخدم الرمز  /  لتحديد الأبواب الفرعية مثل:"_s,
                              u"عقيدة/الأسماء والصفات    و    فقه/فقه العبادات/الصلاة"_s}));

        // A surah is completed as it is typed, the rest selected to be typed over.
        // Typed into the list itself, which holds the focus and hands keys to its line edit.
        auto *surah = in<QComboBox>(form, u"Combo3"_s);
        QVERIFY(QTest::qWaitForWindowExposed(form));
        surah->setFocus();
        QTest::keyClick(surah, Qt::Key_End);
        QTest::keyClick(surah, Qt::Key_Home, Qt::ShiftModifier);
        QTest::keyClick(surah, Qt::Key_Backspace);
        QCOMPARE(surah->currentText(), QString());
        typeText(surah, u"الب"_s);
        QCOMPARE(surah->currentText(), u"البقرة"_s);
        QCOMPARE(surah->lineEdit()->selectedText(), u"قرة"_s);
        QTest::keyClick(surah, Qt::Key_Backspace);
        QCOMPARE(surah->currentText(), u"الب"_s);
        surah->setEditText(u"الأنعام"_s);

        in<QComboBox>(form, u"Combo4"_s)->setEditText(u"R"_s);
        in<QComboBox>(form, u"Combo2"_s)->setEditText(kWarsh);
        QPushButton *add = in<QPushButton>(form, u"cmdbutton_0"_s);
        add->click();
        QCOMPARE(takeMessage(), u"فضلا أدخل رابط الشريط"_s);
        QVERIFY(!QFile::exists(m_driver.appPath(u"DB/additions.txt"_s)));

        in<QLineEdit>(form, u"Text5"_s)->setText(u"http://h/6.mp3"_s);
        add->click();
        QVERIFY(takeMessage().startsWith(u"تم إضافة الشريط إلى القائمة"_s));
        const QString line = quran(6, u"الأنعام"_s);
        QCOMPARE(WindowDriver::readBytes(m_driver.appPath(u"DB/additions.txt"_s)), fileOf({line}));

        // The category was closed and emptied; opened again, it lists the new tape.
        KeyedTree::Node root = tree().item(kQuran + u'/');
        QVERIFY(root && !KeyedTree::isExpanded(root));
        QVERIFY(m_driver.showTape(line));

        // A category of its own gets a root at once, and the window stays open for the next.
        in<QComboBox>(form, u"Combo1"_s)->setEditText(u"محاضرات"_s);
        QVERIFY(in<QWidget>(form, u"Frame_2"_s)->isVisible());
        in<QLineEdit>(form, u"Text2"_s)->setText(u"محاضرة"_s);
        add->click();
        QVERIFY(takeMessage().startsWith(u"تم إضافة"_s));
        QVERIFY(tree().item(u"محاضرات/"_s));
        QVERIFY(m_driver.showTape(u"محاضرات!محاضرة!NONE!http://h/6.mp3"_s));
        QVERIFY(form->isVisible());

        // "ملف الإضافات" shows the file, newest tape first, in the player's own window.
        in<QPushButton>(form, u"Command1"_s)->click();
        CatalogueFileWindow *file =
            m_driver.window().editing().fileWindow(m_driver.appPath(u"DB/additions.txt"_s));
        QVERIFY(file && file->isVisible());
        QCOMPARE(file->lines(), (QStringList{u"محاضرات!محاضرة!NONE!http://h/6.mp3"_s, line}));
        file->close();

        // Offered the next time: the new category among the known ones.
        in<QPushButton>(form, u"cmdbutton_1"_s)->click();
        QTRY_VERIFY(!m_driver.window().editing().inputForm());
        m_driver.action(u"AddNewFile"_s)->trigger();
        QVERIFY(in<QComboBox>(m_driver.window().editing().inputForm(), u"Combo1"_s)
                    ->findText(u"محاضرات"_s) >= 0);
    }

    // What a person sees: the window fits the panel shown, the category list's rows hold their
    // hamzas, and a message's caption keeps clear of its button's border.
    void addWindowAsShown()
    {
        m_driver.open({quran(1, u"الفاتحة"_s), kLesson, u"أدعية!دعاء!NONE!http://h/d.mp3"_s});
        m_driver.action(u"AddNewFile"_s)->trigger();
        InputForm *form = m_driver.window().editing().inputForm();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        auto *category = in<QComboBox>(form, u"Combo1"_s);
        auto *add = in<QPushButton>(form, u"cmdbutton_0"_s);
        const auto gapAboveButtons = [&](const QString &frame) {
            QCoreApplication::processEvents();
            return add->y() - in<QWidget>(form, frame)->geometry().bottom();
        };
        category->setEditText(kQuran);
        const int quranGap = gapAboveButtons(u"Frame_0"_s);
        category->setEditText(kLessons);
        QVERIFY(in<QWidget>(form, u"Frame_1"_s)->isVisible());
        category->setEditText(kQuran);
        // Under a window manager the window takes its new size a moment later.
        QTRY_COMPARE(gapAboveButtons(u"Frame_0"_s), quranGap);
        category->setEditText(u"أدعية"_s);
        QTRY_VERIFY(gapAboveButtons(u"Frame_2"_s) <= quranGap);

        // Each row of the list is as tall as its text drawn, fallback fonts included.
        const int row = category->findText(u"أدعية"_s);
        QVERIFY(row >= 0);
        QTextLayout text(u"أدعية"_s, category->view()->font());
        text.beginLayout();
        const QTextLine line = text.createLine();
        text.endLayout();
        QVERIFY(category->view()->sizeHintForRow(row) >= line.ascent() + line.descent());

        add->click(); // no link: a message
        QMessageBox *box = nullptr;
        for (auto *b : form->findChildren<QMessageBox *>(u"editMessage"_s))
            box = b->isVisible() ? b : box;
        QVERIFY(box);
        // The caption's ink keeps clear of both borders (no icon pushes it aside).
        QAbstractButton *ok = box->buttons().constFirst();
        QVERIFY(ok->icon().isNull());
        QVERIFY(captionClearOfBorders(ok));
        takeMessage();
    }

    // Every box and list that takes Arabic text switches the keyboard while it has the focus,
    // through focus changes of the widget a person clicks (the list, not its inner line edit);
    // link boxes keep the user's layout.
    void arabicBoxesSwitchTheKeyboard_data()
    {
        QTest::addColumn<QString>("record");   // the tape the edit window opens; empty: add window
        QTest::addColumn<QString>("category"); // the add window's category
        QTest::addColumn<QString>("box");
        QTest::addColumn<bool>("arabic");
        const QString q = quran(2, u"البقرة"_s);
        const QString other = u"أناشيد"_s;
        const struct
        {
            const char *name;
            QString record, category, box;
            bool arabic;
        } rows[] = {
            {"add: category", {}, kQuran, u"Combo1"_s, true},
            {"add: link", {}, kQuran, u"Text5"_s, false},
            {"add: surah", {}, kQuran, u"Combo3"_s, true},
            {"add: riwaya", {}, kQuran, u"Combo2"_s, true},
            {"add: reciter", {}, kQuran, u"Combo4"_s, true},
            {"add: title", {}, kLessons, u"Text1"_s, true},
            {"add: sheikh", {}, kLessons, u"Combo5"_s, true},
            {"add: section", {}, kLessons, u"Combo6"_s, true},
            {"add: name", {}, other, u"Text2"_s, true},
            {"add: owner", {}, other, u"Text3"_s, true},
            {"add: group", {}, other, u"Text4"_s, true},
            {"edit Quran: category", q, {}, u"Text1_0"_s, true},
            {"edit Quran: surah", q, {}, u"Combo3"_s, true},
            {"edit Quran: reciter", q, {}, u"Text1_2"_s, true},
            {"edit Quran: riwaya", q, {}, u"Combo2"_s, true},
            {"edit Quran: MP3 link", q, {}, u"Text1_4"_s, false},
            {"edit Quran: RM link", q, {}, u"Text1_5"_s, false},
            {"edit lesson: series", kLesson, {}, u"Text1_3"_s, true},
            {"edit lesson: section", kLesson, {}, u"Text1_4"_s, true},
            {"edit lesson: MP3 link", kLesson, {}, u"Text1_5"_s, false},
            {"edit lesson: RM link", kLesson, {}, u"Text1_6"_s, false},
            {"edit other: group", kOnly, {}, u"Text1_3"_s, true},
            {"edit other: MP3 link", kOnly, {}, u"Text1_4"_s, false},
        };
        for (const auto &row : rows)
            QTest::addRow("%s", row.name) << row.record << row.category << row.box << row.arabic;
    }
    void arabicBoxesSwitchTheKeyboard()
    {
        QFETCH(QString, record);
        QFETCH(QString, category);
        QFETCH(QString, box);
        QFETCH(bool, arabic);
        FakeLayouts desktop(u"us,ara"_s, 0);
        ArabicKeyboard::useLayouts(&desktop);
        const auto restore = qScopeGuard([] { ArabicKeyboard::useLayouts(nullptr); });
        open();
        QWidget *window = nullptr;
        QWidget *neutral = nullptr; // a button: taking the focus switches nothing
        if (record.isEmpty()) {
            m_driver.action(u"AddNewFile"_s)->trigger();
            InputForm *form = m_driver.window().editing().inputForm();
            form->setCategory(category);
            window = form;
            neutral = in<QWidget>(form, u"cmdbutton_1"_s);
        } else {
            m_driver.choose(m_driver.showTape(record), u"mnumodify"_s);
            window = QApplication::activeModalWidget();
            QVERIFY(qobject_cast<Modify *>(window));
            neutral = in<QWidget>(window, u"cmdout"_s);
        }
        QVERIFY(QTest::qWaitForWindowActive(window));
        neutral->setFocus();
        QCOMPARE(desktop.active, 0);
        QWidget *target = in<QWidget>(window, box);
        QVERIFY(target && target->isVisible());
        target->setFocus();
        QCOMPARE(desktop.active, arabic ? 1 : 0);
        neutral->setFocus();
        QCOMPARE(desktop.active, 0);
    }

    void modifyThroughTheWindow()
    {
        open();
        const QByteArray before = catalogueFile();
        KeyedTree::Node tape = m_driver.showTape(quran(2, u"البقرة"_s));
        m_driver.choose(tape, u"mnumodify"_s);
        auto *form = qobject_cast<Modify *>(QApplication::activeModalWidget());
        QVERIFY(form);
        QCOMPARE(in<QComboBox>(form, u"Combo3"_s)->currentText(), u"002 سورة البقرة"_s);
        QCOMPARE(in<QLineEdit>(form, u"Text1_2"_s)->text(), u"R"_s);
        QCOMPARE(in<QLabel>(form, u"label_9"_s)->text(), u"a.txt"_s);
        // The label shows the record's file in the file window; from the keyboard too, for
        // whoever cannot click (the same window, brought forward).
        const QString path = m_driver.appPath(u"DB/a.txt"_s);
        QTest::mouseClick(in<QLabel>(form, u"label_9"_s), Qt::LeftButton);
        QPointer<CatalogueFileWindow> file = m_driver.window().editing().fileWindow(path);
        QVERIFY(file && file->isVisible());
        file->hide();
        QTest::keyClick(in<QLabel>(form, u"label_9"_s), Qt::Key_Return);
        QCOMPARE(m_driver.window().editing().fileWindow(path), file.data());
        QVERIFY(file->isVisible());
        QCOMPARE(file->lines(), CodePage::decodeLines(catalogueFile()));
        file->close();
        QTRY_VERIFY(!file);
        QPushButton *save = in<QPushButton>(form, u"cmdmodify"_s);
        QVERIFY(!save->isEnabled());

        // A second RM link; then, in the same opening, the reciter.
        QLineEdit *rm = in<QLineEdit>(form, u"Text1_5"_s);
        QTest::keyClicks(rm, u"http://h/2.rm"_s);
        QVERIFY(save->isEnabled());
        save->click();
        QCOMPARE(takeMessage(), u"تم تعديل بيانات الشريط"_s);
        const QString first = quran(2, u"البقرة"_s) + u"!http://h/2.rm"_s;
        QCOMPARE(catalogueFile(), fileOf({quran(1, u"الفاتحة"_s), first, kLesson, kOnly}));

        QLineEdit *reciter = in<QLineEdit>(form, u"Text1_2"_s);
        reciter->setText(u"S"_s);
        Q_EMIT reciter->textEdited(reciter->text());
        save->click();
        QCOMPARE(takeMessage(), u"تم تعديل بيانات الشريط"_s);
        QString second = first;
        second.replace(u"!R/"_s, u"!S/"_s);
        QCOMPARE(catalogueFile(), fileOf({quran(1, u"الفاتحة"_s), second, kLesson, kOnly}));
        QVERIFY(before != catalogueFile());

        // The tree was built anew: the tape is found under its new reciter.
        form->close();
        QVERIFY(m_driver.showTape(second));
        QVERIFY(!tree().item(TapeKeys::tapeKey(quran(2, u"البقرة"_s))));
    }

    // Whatever its category, a tape opened and saved without a change writes its line back byte
    // for byte: the window lays the rows out by the rule the save reads them with.
    void savedUnchangedKeepsItsBytes_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addRow("Quran, riwaya with the offered leading space")
            << kQuran + u"!R/036 سورة يس! رواية حفص عن عاصم!http://h/y.mp3"_s;
        QTest::addRow("Quran, both links") << quran(2, u"البقرة"_s) + u"!http://h/2.rm"_s;
        QTest::addRow("Quran, RM link only")
            << kQuran + u"!R/114 سورة الناس!"_s + kWarsh + u"!http://h/n.rm"_s;
        QTest::addRow("كريم without القرآن الكريم")
            << u"تلاوات كريمة!R/036 سورة يس!ر!http://h/k.mp3"_s;
        QTest::addRow("الدروس والخطب with a series")
            << kLessons + u"!ش/سلسلة/درس!فقه/صلاة!http://h/l.mp3"_s;
        QTest::addRow("الدروس والخطب") << kLesson;
        QTest::addRow("دروس alone") << u"دروس!ش/درس!فقه!http://h/d.mp3"_s;
        QTest::addRow("خطب alone") << u"خطب الجمعة!ش/خطبة!NONE!http://h/k.rm"_s;
        QTest::addRow("other, no owner") << u"أناشيد!نشيد!NONE!http://h/n.mp3"_s;
        QTest::addRow("other, owner, group levels, two links")
            << u"أدعية!فلان/دعاء!أ/ب!http://h/a.mp3!http://h/a.rm"_s;
    }
    void savedUnchangedKeepsItsBytes()
    {
        QFETCH(QString, record);
        m_driver.open({kOnly, record});
        const QByteArray before = catalogueFile();
        m_driver.choose(m_driver.showTape(record), u"mnumodify"_s);
        auto *form = qobject_cast<Modify *>(QApplication::activeModalWidget());
        QVERIFY(form);
        QVERIFY(QTest::qWaitForWindowActive(form));
        // Tab through every row: nothing changed, so nothing to save. A letter typed and taken
        // back changes nothing either.
        QPushButton *save = in<QPushButton>(form, u"cmdmodify"_s);
        QLineEdit *category = in<QLineEdit>(form, u"Text1_0"_s);
        QCOMPARE(QApplication::focusWidget(), category);
        for (int i = 0; i < 7; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(!save->isEnabled());
        category->setFocus();
        QTest::keyClick(category, Qt::Key_End);
        typeText(category, u"x"_s);
        QVERIFY(save->isEnabled());
        QTest::keyClick(category, Qt::Key_Backspace);
        QVERIFY(!save->isEnabled());
        // A space after the category is a change of the box, not of the record: the line
        // goes back as it was.
        typeText(category, u" "_s);
        QVERIFY(save->isEnabled());
        save->click();
        QCOMPARE(takeMessage(), u"تم تعديل بيانات الشريط"_s);
        QCOMPARE(catalogueFile(), before);
    }

    // The window as a person meets it: the focus on the first row, Tab down the rows as shown,
    // Arabic on the right of its boxes and links on the left.
    void editWindowFocusOrderAndAlignment_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QStringList>("tabOrder"); // "تعديل" waits for a change: no Tab stop
        QTest::addRow("Quran") << quran(2, u"البقرة"_s)
                               << QStringList{u"Text1_0"_s, u"Combo3"_s,  u"Text1_2"_s,
                                              u"Combo2"_s,  u"Text1_4"_s, u"Text1_5"_s,
                                              u"cmdout"_s,  u"label_9"_s};
        QTest::addRow("lessons") << kLesson << QStringList{u"Text1_0"_s, u"Text1_1"_s, u"Text1_2"_s,
                                                           u"Text1_3"_s, u"Text1_4"_s, u"Text1_5"_s,
                                                           u"Text1_6"_s, u"cmdout"_s};
    }
    void editWindowFocusOrderAndAlignment()
    {
        QFETCH(QString, record);
        QFETCH(QStringList, tabOrder);
        m_driver.open({kOnly, record});
        m_driver.choose(m_driver.showTape(record), u"mnumodify"_s);
        auto *form = qobject_cast<Modify *>(QApplication::activeModalWidget());
        QVERIFY(form);
        QVERIFY(QTest::qWaitForWindowActive(form));
        QStringList reached;
        for (qsizetype i = 0; i < tabOrder.size(); ++i) {
            QWidget *focus = QApplication::focusWidget();
            QVERIFY(focus);
            // An editable list's focus may sit in its line edit.
            if (auto *list = qobject_cast<QComboBox *>(focus->parentWidget()))
                focus = list;
            reached.append(focus->objectName());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(reached, tabOrder);
        QVERIFY(!in<QPushButton>(form, u"cmdmodify"_s)->isEnabled());

        // Where the text is drawn, as the box's style sees it.
        const auto drawnOnTheRight = [](QLineEdit *box) {
            return bool(QStyle::visualAlignment(box->layoutDirection(), box->alignment()) &
                        Qt::AlignRight);
        };
        QVERIFY(drawnOnTheRight(in<QLineEdit>(form, u"Text1_0"_s)));
        QVERIFY(drawnOnTheRight(in<QLineEdit>(form, u"Text1_2"_s)));
        QVERIFY(!drawnOnTheRight(in<QLineEdit>(form, u"Text1_5"_s)));
    }

    void modifyRefusesARecordGoneMeanwhile()
    {
        open();
        KeyedTree::Node tape = m_driver.showTape(kLesson);
        // Another way in removed it from the index (and its file) after the tree showed it.
        QVERIFY(m_driver.window().editing().editor().deleteTape(TapeKeys::tapeKey(kLesson)).ok);
        m_driver.choose(tape, u"mnumodify"_s);
        QVERIFY(!qobject_cast<Modify *>(QApplication::activeModalWidget()));
        QVERIFY(takeMessage().startsWith(u"لم يعثر على بيانات هذا الشريط"_s));
    }

    void deleteTapesAndFolders()
    {
        open();
        const QByteArray original = catalogueFile();

        // No keeps everything.
        KeyedTree::Node only = m_driver.showTape(kOnly);
        answer(QMessageBox::No);
        m_driver.choose(only, u"mnudelete"_s);
        QCOMPARE(catalogueFile(), original);
        QVERIFY(tree().item(TapeKeys::tapeKey(kOnly)));

        // The only tape of its folder takes the folder with it.
        const QString folderKey = KeyedTree::key(KeyedTree::parent(only));
        answer(QMessageBox::Yes);
        m_driver.choose(only, u"mnudelete"_s);
        QVERIFY(!tree().item(TapeKeys::tapeKey(kOnly)));
        QVERIFY(!tree().item(folderKey));
        QCOMPARE(catalogueFile(), fileOf({quran(1, u"الفاتحة"_s), quran(2, u"البقرة"_s), kLesson}));

        // A queued tape: the entry leaves the queue, the record stays.
        PlayQueue &queue = m_driver.window().session().queue();
        const QString entry = PlayQueue::entryKey(TapeKeys::tapeKey(kLesson));
        queue.Add2Playlist({TapeKeys::tapeKey(kLesson), TapeKeys::tapeKey(quran(1, u"الفاتحة"_s))});
        QVERIFY(queue.contains(entry));
        answer(QMessageBox::Yes);
        m_driver.choose(tree().item(entry), u"mnudelete"_s);
        QVERIFY(!queue.contains(entry));
        QVERIFY(!tree().item(entry));
        // The queue's folder: the queue is emptied, no record leaves its file.
        answer(QMessageBox::Yes);
        m_driver.choose(tree().item(TapeKeys::queueCategory()), u"mnuDelDir"_s);
        QCOMPARE(queue.entryCount(), 0);
        QVERIFY(!tree().item(TapeKeys::queueCategory()));
        QCOMPARE(catalogueFile(), fileOf({quran(1, u"الفاتحة"_s), quran(2, u"البقرة"_s), kLesson}));

        // A category's root takes every record of the category.
        KeyedTree::Node quranRoot = tree().item(kQuran + u'/');
        answer(QMessageBox::Yes);
        m_driver.choose(quranRoot, u"mnuDelDir"_s);
        QVERIFY(!tree().item(kQuran + u'/'));
        QCOMPARE(catalogueFile(), fileOf({kLesson}));
    }

    // Opened from the favourites' branch, the add window proposes no category, and the
    // favourites are not among the categories it offers.
    void addFromTheFavouritesProposesNothing()
    {
        open();
        m_driver.choose(m_driver.showTape(kLesson), u"mnuAdd2Fav"_s);
        const QString favourite = TapeKeys::FavouriteRecord(TapeKeys::tapeKey(kLesson));
        m_driver.choose(m_driver.showTape(favourite), u"mnuAddNew2Dir"_s);
        auto *category = in<QComboBox>(m_driver.window().editing().inputForm(), u"Combo1"_s);
        QVERIFY(category->currentText() != TapeKeys::favouritesCategory());
        QCOMPARE(category->findText(TapeKeys::favouritesCategory()), -1);
    }

    void deleteAFavourite()
    {
        open();
        const QByteArray original = catalogueFile();
        m_driver.choose(m_driver.showTape(kLesson), u"mnuAdd2Fav"_s);
        const QString favourite =
            TapeKeys::tapeKey(TapeKeys::FavouriteRecord(TapeKeys::tapeKey(kLesson)));
        KeyedTree::Node node = m_driver.showTape(favourite.mid(5));
        QVERIFY(node);
        answer(QMessageBox::Yes);
        m_driver.choose(node, u"mnudelete"_s);
        // Gone from the favourites file; the tape's own record stays where it was.
        QCOMPARE(WindowDriver::readBytes(m_driver.appPath(u"DB/favorites.txt"_s)), QByteArray());
        QCOMPARE(catalogueFile(), original);
        QVERIFY(m_driver.showTape(kLesson));
    }

    void searchesFollowEdits()
    {
        MainFrame &w = open();
        CatalogueEditor &editor = w.editing().editor();
        m_driver.action(u"mnusearch"_s)->trigger();
        auto *box = w.findChild<QLineEdit *>(u"TSearch"_s);
        const auto search = [&](const QString &text) {
            box->setText(text);
            QTest::keyClick(box, Qt::Key_Return);
            return m_driver.childTexts(w.tree().item(text));
        };
        QCOMPARE(search(u"نشيد"_s), QStringList{u"ن - نشيد وحيد"_s});

        NewTape tape;
        tape.category = u"أناشيد"_s;
        tape.name = u"نشيد جديد"_s;
        tape.link = u"http://h/j.mp3"_s;
        QString added;
        QVERIFY(editor.add(tape, &added).ok);
        QCOMPARE(search(u"جديد"_s), QStringList{u"نشيد جديد"_s});

        QVERIFY(
            editor.modify(TapeKeys::tapeKey(added), u"أناشيد!نشيد آخر!NONE!http://h/j.mp3"_s).ok);
        QCOMPARE(search(u"آخر"_s), QStringList{u"نشيد آخر"_s});
        search(u"جديد"_s); // the old name is found no more
        QTRY_VERIFY(w.findChild<QMessageBox *>(u"noResults"_s));

        QVERIFY(editor.deleteTape(TapeKeys::tapeKey(kOnly)).ok);
        w.tree().remove(u"نشيد"_s); // the earlier results
        QCOMPARE(search(u"نشيد"_s), QStringList{u"نشيد آخر"_s});
    }

    void deleteLeavesTheTapeWhenItsFileCannotBeRewritten()
    {
        open();
        KeyedTree::Node tape = m_driver.showTape(kLesson);
        // Something not a regular file now stands in the catalogue file's place.
        const QString path = m_driver.appPath(u"DB/a.txt"_s);
        const QByteArray before = catalogueFile();
        QVERIFY(QFile::remove(path));
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        answer(QMessageBox::Yes);
        m_driver.choose(tape, u"mnudelete"_s);
        QVERIFY(takeMessage().contains(u"a.txt"_s));
        QVERIFY(tree().item(TapeKeys::tapeKey(kLesson)));
        QVERIFY(m_driver.window().editing().editor().findRecord(TapeKeys::tapeKey(kLesson)) > 0);
        QFile::remove(path);
        WindowDriver::writeBytes(path, before);
    }
};

QTEST_MAIN(TestEditWindow)
#include "tst_editwindow.moc"
