#include "catalogueeditor.h"
#include "codepage.h"
#include "editingactions.h"
#include "keyedtree.h"
#include "mainframe.h"
#include "playback.h"
#include "playqueue.h"
#include "queuebranch.h"
#include "searchcontroller.h"
#include "tapekeys.h"
#include "treepopup.h"
#include "windowdriver.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kQuran = u"القرآن الكريم"_s;
const QString kYaseen = kQuran + u"!R/036 سورة يس!حفص!y.mp3"_s;
const QString kLesson = u"دروس!S/الكريم!فقه!k.mp3"_s;
} // namespace

// The search bar driven as a user does: open it, type, press Enter, look at the results.
class TestSearchWindow : public QObject
{
    Q_OBJECT

    WindowDriver m_driver;

    template<typename T>
    T *child(const QString &name)
    {
        return m_driver.window().findChild<T *>(name);
    }
    void type(const QString &text)
    {
        QLineEdit *box = child<QLineEdit>(u"TSearch"_s);
        box->setText(text); // typing Arabic keys needs a keyboard layout; the text is what counts
        QTest::keyClick(box, Qt::Key_Return);
    }
    QMessageBox *noResultsBox() { return child<QMessageBox>(u"noResults"_s); }

private Q_SLOTS:
    void cleanup() { m_driver.close(); }

    void searchingFromTheBar()
    {
        MainFrame &w =
            m_driver.open({kYaseen, kLesson, kQuran + u"!R/001 سورة الفاتحة!حفص!f.mp3"_s});
        QApplication::setActiveWindow(&w);
        QTreeWidget *tree = m_driver.view();
        const int closedTop = tree->y();
        m_driver.action(u"mnusearch"_s)->trigger();
        QVERIFY(child<QPushButton>(u"CHide"_s)->isVisible());
        QVERIFY(child<QRadioButton>(u"OptionS_1"_s)->isVisible());
        QCOMPARE(tree->y(), closedTop + 30);
        QTRY_VERIFY(child<QLineEdit>(u"TSearch"_s)->hasFocus());

        // Phrase mode; the results go under their own root, expanded, the other roots closed.
        child<QRadioButton>(u"OptionS_1"_s)->click();
        type(u"  سورة يَس "_s);
        KeyedTree::Node root = w.tree().item(u"سورة يَس"_s);
        QVERIFY(root);
        QCOMPARE(KeyedTree::text(root), SearchController::rootText(u"  سورة يَس "_s));
        QVERIFY(KeyedTree::isExpanded(root));
        QCOMPARE(m_driver.childTexts(root), QStringList{u"R - 036 سورة يس"_s});
        QVERIFY(child<QPushButton>(u"CSearch"_s)->isVisible());
        QVERIFY(!child<QPushButton>(u"CStop"_s)->isVisible());
        // The same search again: still one root and one result.
        type(u"سورة يَس"_s);
        QCOMPARE(KeyedTree::children(root), 1);
        QCOMPARE(w.tree().roots().size(), 3); // two categories and the results

        // A result plays like any tape.
        KeyedTree::Node result = KeyedTree::child(root);
        m_driver.click(result);
        QCOMPARE(w.session().playback().PlayedNode(),
                 TapeKeys::searchResultKey(u"سورة يَس"_s, kYaseen));
        QCOMPARE(w.session().playback().CurrentTitle(), u"R - سورة يس"_s);
    }

    void resultsOfOtherCategories()
    {
        // "الكريم" found in a lesson: its title, queue entry and favourite follow the lesson's
        // own category, not the Quran rule the text searched for would suggest.
        MainFrame &w = m_driver.open({kYaseen, kLesson});
        m_driver.action(u"mnusearch"_s)->trigger();
        type(u"الكريم"_s);
        KeyedTree::Node root = w.tree().item(u"الكريم"_s);
        QCOMPARE(m_driver.childTexts(root), QStringList{u"S - الكريم"_s});
        KeyedTree::Node result = KeyedTree::child(root);
        m_driver.choose(result, u"mnuAdd2Fav"_s);
        QCOMPARE(readCodePageLines(m_driver.appPath(u"DB/favorites.txt"_s)),
                 QStringList{u"أشرطتي المفضلة!دروس/S - الكريم!NONE!k.mp3"_s});
        m_driver.choose(w.tree().item(u"الكريم"_s)->child(0), u"mnuAdd2Playlist"_s);
        QCOMPARE(w.session().queue().entries().first().title, u"S - الكريم"_s);
        // The favourite is a record like any other, but a search never lists it.
        type(u"الكريم"_s);
        QCOMPARE(KeyedTree::children(w.tree().item(u"الكريم"_s)), 1);
    }

    void stoppingPartWay()
    {
        // The stop button is clicked while the search runs: what was found stays, expanded.
        QStringList records;
        for (int i = 0; i < 3000; ++i)
            records.append(u"دروس!S/درس %1!فقه!a.mp3"_s.arg(i));
        MainFrame &w = m_driver.open(records);
        m_driver.action(u"mnusearch"_s)->trigger();
        QVERIFY(w.search().engine().update()); // as idle time would have done
        w.search().engine().setPauseInterval(0);
        QTimer::singleShot(0, &w, [this] {
            QVERIFY(child<QPushButton>(u"CStop"_s)->isVisible());
            QVERIFY(!child<QPushButton>(u"CSearch"_s)->isVisible());
            child<QPushButton>(u"CStop"_s)->click();
        });
        type(u"درس"_s);
        KeyedTree::Node root = w.tree().item(u"درس"_s);
        QVERIFY(root);
        QVERIFY(KeyedTree::isExpanded(root));
        QVERIFY(KeyedTree::children(root) > 0);
        QVERIFY(KeyedTree::children(root) < 3000);
        QVERIFY(child<QPushButton>(u"CSearch"_s)->isVisible());
        QVERIFY(!noResultsBox());
        // Searching again completes the list without repeating what is there.
        w.search().engine().setPauseInterval(20);
        type(u"درس"_s);
        QCOMPARE(KeyedTree::children(root), 3000);
    }

    // A search that the user stops before anything was found says so; the row opened again while
    // a search runs keeps its stop button.
    void stoppedBeforeTheFirstMatch()
    {
        QStringList records;
        for (int i = 0; i < 3000; ++i)
            records.append(u"دروس!S/درس %1!فقه!a.mp3"_s.arg(i));
        records.append(u"دروس!S/خطبة!فقه!b.mp3"_s);
        MainFrame &w = m_driver.open(records);
        m_driver.action(u"mnusearch"_s)->trigger();
        QVERIFY(w.search().engine().update());
        w.search().engine().setPauseInterval(0);
        QTimer::singleShot(0, &w, [this] {
            m_driver.action(u"mnusearch"_s)->trigger();
            QVERIFY(child<QPushButton>(u"CStop"_s)->isVisible());
            QVERIFY(!child<QPushButton>(u"CSearch"_s)->isVisible());
            child<QPushButton>(u"CStop"_s)->click();
        });
        type(u"خطبة"_s);
        QVERIFY(!w.tree().item(u"خطبة"_s));
        QTRY_VERIFY(noResultsBox());
        QCOMPARE(noResultsBox()->text(), u"لا توجد نتائج مطابقة"_s);
        QVERIFY(child<QPushButton>(u"CSearch"_s)->isVisible());
    }

    // A record deleted while the search runs is no result.
    void recordDeletedDuringTheSearch()
    {
        QStringList records;
        for (int i = 0; i < 2000; ++i)
            records.append(u"دروس!S/درس %1!فقه!a.mp3"_s.arg(i));
        MainFrame &w = m_driver.open(records);
        m_driver.action(u"mnusearch"_s)->trigger();
        QVERIFY(w.search().engine().update());
        w.search().engine().setPauseInterval(0);
        const QString last = TapeKeys::tapeKey(records.constLast());
        QTimer::singleShot(0, &w,
                           [&w, last] { QVERIFY(w.editing().editor().deleteTape(last).ok); });
        type(u"درس"_s);
        KeyedTree::Node root = w.tree().item(u"درس"_s);
        QVERIFY(root);
        QCOMPARE(KeyedTree::children(root), 1999);
        QVERIFY(!w.tree().item(TapeKeys::searchResultKey(u"درس"_s, records.constLast())));
    }

    // Results for a text naming the queue or the favourites are results: deleting one leaves the
    // queue alone, and the last one takes its root with it.
    void resultsNamingTheQueueOrTheFavourites_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::addRow("queue") << u"قائمة الانتظار"_s << u"قائمة الانتظار"_s;
        // The favourites' own records are never searched: the words stand apart in this one.
        QTest::addRow("favourites") << u"أشرطتي المفضلة"_s << u"أشرطتي و المفضلة"_s;
    }
    void resultsNamingTheQueueOrTheFavourites()
    {
        QFETCH(QString, text);
        QFETCH(QString, name);
        const QString record = u"دروس!S/"_s + name + u"!فقه!q.mp3"_s;
        MainFrame &w = m_driver.open({record, kLesson});
        w.session().queue().Add2Playlist({TapeKeys::tapeKey(kLesson)});
        m_driver.action(u"mnusearch"_s)->trigger();
        type(text);
        const QString key = TapeKeys::searchResultKey(text, record);
        QVERIFY(!TapeKeys::isQueueEntryKey(key));
        QVERIFY(!TapeKeys::isFavouriteKey(key));
        KeyedTree::Node result = w.tree().item(key);
        QVERIFY(result);
        KeyedTree::Node root = KeyedTree::parent(result);
        const int roots = w.tree().roots().size();
        // Offered to the favourites like any tape.
        m_driver.click(result, Qt::RightButton);
        QVERIFY(m_driver.popupItem(u"mnuAdd2Fav"_s)->isVisible());
        w.menuForm().mnupopup()->close();

        QTimer::singleShot(0, qApp, [] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            box->button(QMessageBox::Yes)->click();
        });
        m_driver.choose(result, u"mnudelete"_s);
        QVERIFY(!w.tree().contains(key));
        QVERIFY(!w.tree().roots().contains(root));
        QCOMPARE(w.tree().roots().size(), roots - 1);
        QCOMPARE(w.session().queue().entryCount(), 1);
        QVERIFY(m_driver.window().editing().editor().findRecord(TapeKeys::tapeKey(record)) > 0);
    }

    void aSearchForTheQueuesName()
    {
        // Results for "قائمة الانتظار" and the queue itself are two branches, whichever comes
        // first.
        MainFrame &w = m_driver.open({u"دروس!S/قائمة الانتظار!فقه!q.mp3"_s, kLesson});
        m_driver.action(u"mnusearch"_s)->trigger();
        type(u"قائمة الانتظار"_s);
        QCOMPARE(w.tree().roots().size(), 2);
        KeyedTree::Node results = w.tree().roots().last();
        QCOMPARE(KeyedTree::children(results), 1);
        w.session().queue().Add2Playlist({TapeKeys::tapeKey(kLesson)});
        QCOMPARE(w.tree().roots().size(), 3);
        QCOMPARE(KeyedTree::children(results), 1);
        QCOMPARE(KeyedTree::children(w.queueBranch().node()), 1);
        QVERIFY(w.queueBranch().node() != results);
    }

    void nothingFoundAndNothingAsked()
    {
        MainFrame &w = m_driver.open({kYaseen});
        m_driver.action(u"mnusearch"_s)->trigger();
        const int nodes = w.tree().count();
        type(u"لا شيء"_s);
        QTRY_VERIFY(noResultsBox());
        QCOMPARE(noResultsBox()->text(), u"لا توجد نتائج مطابقة"_s);
        QCOMPARE(w.tree().count(), nodes);
        noResultsBox()->close();
        QTRY_VERIFY(!noResultsBox());

        // Spaces only: nothing is searched and nothing is said.
        type(u"   "_s);
        QTest::qWait(50);
        QVERIFY(!noResultsBox());
        QCOMPARE(w.tree().count(), nodes);

        // Closing the bar hides all of it, the modes too, and the tree takes the room back.
        const int openTop = m_driver.view()->y();
        child<QPushButton>(u"CHide"_s)->click();
        for (const QString &name :
             {u"CHide"_s, u"CSearch"_s, u"TSearch"_s, u"OptionS_0"_s, u"OptionS_1"_s})
            QVERIFY2(!child<QWidget>(name)->isVisible(), qPrintable(name));
        QCOMPARE(m_driver.view()->y(), openTop - 30);
        // From the tree's popup the bar opens again.
        m_driver.click(nullptr, Qt::RightButton);
        w.menuForm().mnupopup()->close();
        w.menuForm().popup().mnusearch2->trigger();
        QVERIFY(child<QLineEdit>(u"TSearch"_s)->isVisible());
    }
};

QTEST_MAIN(TestSearchWindow)
#include "tst_searchwindow.moc"
