#include "audioplayer.h"
#include "catalogue.h"
#include "codepage.h"
#include "favourites.h"
#include "keyedtree.h"
#include "mainframe.h"
#include "playback.h"
#include "playqueue.h"
#include "queuebranch.h"
#include "tapekeys.h"
#include "testhttpserver.h"
#include "treepopup.h"
#include "windowdriver.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTest>
#include <QTreeWidget>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kQuran = u"القرآن الكريم"_s;
const QString kQueue = u"قائمة الانتظار"_s;
const QString kFavourites = u"أشرطتي المفضلة"_s;
} // namespace

// The play queue and the favourites, driven through the window against the real player.
class TestQueue : public QObject
{
    Q_OBJECT

    TestHttpServer m_server;
    WindowDriver m_driver;

    QString url(const QString &name) const { return m_server.url(u'/' + name); }
    // Quran tapes of one reciter: 001, 002, 003 (the last with a second, RealMedia link).
    QString surah(int n) const
    {
        QString line =
            kQuran + u"!R/%1 سورة س%1!W!"_s.arg(n, 3, 10, QChar(u'0')) + url(u"%1.mp3"_s.arg(n));
        if (n == 3)
            line += u'!' + url(u"3.rm"_s);
        return line;
    }
    QString other() const { return u"أدعية!دعاء!none!"_s + url(u"9.mp3"_s) + u"!   "_s; }

    MainFrame &open(const QStringList &options = {})
    {
        return m_driver.open({surah(1), surah(2), surah(3), other()}, {}, options);
    }
    PlayQueue &queue() { return m_driver.window().session().queue(); }
    QStringList entries() { return m_driver.childTexts(m_driver.window().queueBranch().node()); }
    QString entryKey(int n) { return u"Leaf-"_s + TapeKeys::queueRecord(u"Leaf-"_s + surah(n)); }
    QStringList recentTitles()
    {
        QStringList titles;
        for (const QString &line :
             CodePage::decodeLines(WindowDriver::readBytes(m_driver.appPath(u"last.txt"_s))))
            titles.append(line.section(u"***"_s, 0, 0));
        return titles;
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QByteArray shortClip = makeMp3(0.5);
        if (shortClip.isEmpty())
            QSKIP("ffmpeg is not installed: no audio to serve");
        for (int n = 1; n <= 9; ++n)
            m_server.addFile(u"/%1.mp3"_s.arg(n), shortClip);
        m_server.addFile(u"/3.rm"_s, shortClip);
        QVERIFY(m_server.start());
    }

    void cleanup() { m_driver.close(); }

    void aQueuedFolderPlaysThroughAndDisappears()
    {
        // Clips reach their end in milliseconds: the queue must carry on by itself.
        MainFrame &w = open({u"ao-null-untimed=yes"_s});
        KeyedTree::Node reciter = m_driver.showFolder(kQuran + u"/W/R/"_s);
        m_driver.collapse(reciter);
        m_driver.choose(reciter, u"mnuAdd2Playlist"_s);
        // The whole folder, in the tree's order; the first starts since the player was stopped.
        QTRY_VERIFY_WITH_TIMEOUT(!m_driver.window().queueBranch().node(), 10000);
        QTRY_COMPARE(w.session().player().PlayState(), AudioPlayer::Stopped);
        QCOMPARE(recentTitles(),
                 (QStringList{u"R - سورة س003"_s, u"R - سورة س002"_s, u"R - سورة س001"_s}));
        QVERIFY(!w.tree().contains(kQueue));
    }

    void addingWhilePlayingOnlyQueues()
    {
        MainFrame &w = open();
        KeyedTree::Node dua = m_driver.showTape(other());
        m_driver.click(dua);
        QTRY_COMPARE(w.session().player().PlayState(), AudioPlayer::Playing);

        KeyedTree::Node one = m_driver.showTape(surah(1));
        m_driver.choose(one, u"mnuAdd2Playlist"_s);
        QCOMPARE(entries(), QStringList{u"R - سورة س001"_s});
        QCOMPARE(w.session().playback().PlayedNode(),
                 u"Leaf-"_s + other()); // still the tape that was playing
        // Twice the same tape: still one entry.
        m_driver.choose(m_driver.showTape(surah(1)), u"mnuAdd2Playlist"_s);
        QCOMPARE(queue().entryCount(), 1);
        QCOMPARE(w.tree().item(entryKey(1))->text(0), u"R - سورة س001"_s);

        // At the end of the clip the queued tape starts and the played one is just a tape again.
        QTRY_COMPARE_WITH_TIMEOUT(w.session().playback().PlayedNode(), entryKey(1), 5000);
        QCOMPARE(KeyedTree::image(w.tree().item(u"Leaf-"_s + other())), u"Leaf"_s);
        // "Next" on the only entry while it plays: entry and branch go, the player plays on.
        QVERIFY(m_driver.window().queueBranch().node());
        w.menuForm().popup().mnuPlayNext->trigger();
        QVERIFY(!m_driver.window().queueBranch().node());
        QVERIFY(w.session().player().PlayState() != AudioPlayer::Stopped);
    }

    void commandsOnANodeThatIsGone()
    {
        // The popup was opened on the entry playing; the queue moved on before a command was
        // chosen (a media key said "next"): the commands find the node gone.
        MainFrame &w = open();
        m_driver.choose(m_driver.showTape(surah(1)), u"mnuAdd2Playlist"_s);
        QTRY_COMPARE(w.session().player().PlayState(), AudioPlayer::Playing);
        m_driver.view()->expandItem(w.queueBranch().node());
        m_driver.click(w.tree().item(entryKey(1)), Qt::RightButton);
        w.menuForm().mnupopup()->close();
        w.session().playNextFromDesktop();
        QVERIFY(!w.tree().contains(entryKey(1)));
        QVERIFY(!w.treePopup().SourceNode());
        w.menuForm().popup().mnuMoveDown->trigger();
        w.menuForm().popup().mnuMoveup->trigger();
        QVERIFY(w.session().queue().entries().isEmpty());
        // Listening still plays the tape the menu was opened on.
        w.session().player().StopPlay();
        w.menuForm().popup().mnulisten->trigger();
        QCOMPARE(w.session().playback().PlayedNode(), entryKey(1));
        QCOMPARE(w.session().player().ClipSource(), url(u"1.mp3"_s));
        QTRY_COMPARE(w.session().player().PlayState(), AudioPlayer::Playing);
    }

    void movingEntries()
    {
        MainFrame &w = open();
        // Something else plays, so the queue only fills.
        m_driver.click(m_driver.showTape(other()));
        for (int n = 1; n <= 3; ++n)
            m_driver.choose(m_driver.showTape(surah(n)), u"mnuAdd2Playlist"_s);
        w.session().player().StopPlay();
        const QStringList start = entries();
        QCOMPARE(start.size(), 3);
        KeyedTree &tree = w.tree();
        m_driver.view()->expandItem(m_driver.window().queueBranch().node());

        // The first up and the last down keep the order but re-create and select the entry.
        m_driver.choose(tree.item(entryKey(1)), u"mnuMoveDown"_s);
        QCOMPARE(entries(), (QStringList{start[1], start[0], start[2]}));
        QCOMPARE(m_driver.view()->currentItem(), tree.item(entryKey(1)));
        QCOMPARE(w.treePopup().SourceNode(), tree.item(entryKey(1)));
        queue().MoveNodeUp(entryKey(2),
                           PlayQueue::MoveDirection::Up); // already first: nothing moves
        QCOMPARE(entries(), (QStringList{start[1], start[0], start[2]}));
        m_driver.choose(tree.item(entryKey(3)), u"mnuMoveup"_s);
        QCOMPARE(entries(), (QStringList{start[1], start[2], start[0]}));
        QVERIFY(!w.session().player().PlayState());

        // Clicking an entry plays it and puts it first.
        m_driver.click(tree.item(entryKey(1)));
        QCOMPARE(entries(), (QStringList{start[0], start[1], start[2]}));
        QCOMPARE(w.session().playback().PlayedNode(), entryKey(1));
        QCOMPARE(KeyedTree::image(tree.item(entryKey(1))), u"wait"_s);

        // Stopped after a queue entry: moving starts the new first entry.
        w.session().player().StopPlay();
        QTRY_COMPARE(w.session().player().PlayState(), AudioPlayer::Stopped);
        queue().MoveNodeUp(entryKey(3), PlayQueue::MoveDirection::ToTop);
        QCOMPARE(entries(), (QStringList{start[2], start[0], start[1]}));
        QCOMPARE(w.session().playback().PlayedNode(), entryKey(3));
        QCOMPARE(w.session().player().ClipSource(), url(u"3.mp3"_s));
    }

    void favourites()
    {
        MainFrame &w = open();
        const QString file = m_driver.appPath(u"DB/favorites.txt"_s);
        QCOMPARE(w.session().catalogue().IndexOfFile(file), -1);

        // The first favourite creates the file, the branch and its placeholder.
        m_driver.choose(m_driver.showTape(surah(3)), u"mnuAdd2Fav"_s);
        const QString quranFav = kFavourites + u'!' + kQuran + u"/R - سورة س003!NONE!"_s +
                                 url(u"3.mp3"_s) + u'!' + url(u"3.rm"_s);
        QCOMPARE(WindowDriver::readBytes(file), CodePage::encode(quranFav) + "\r\n");
        KeyedTree::Node branch = w.tree().item(kFavourites + u'/');
        QVERIFY(branch);
        QVERIFY(w.tree().contains(kFavourites + u"/-tmp"_s));
        // The file is registered: its record carries its real number, so editing reaches it.
        const int number = w.session().catalogue().IndexOfFile(file);
        QVERIFY(number >= 0);
        const CatalogueIndex &index = w.session().catalogue().index();
        QCOMPARE(index.record(index.size() - 1), quranFav);
        QCOMPARE(index.fileNumber(index.size() - 1), number);

        // A fifth field of spaces is not written; the same tape twice stands once, at the top.
        m_driver.choose(m_driver.showTape(other()), u"mnuAdd2Fav"_s);
        m_driver.choose(m_driver.showTape(surah(3)), u"mnuAdd2Fav"_s);
        const QString duaFav = kFavourites + u"!أدعية/دعاء!NONE!"_s + url(u"9.mp3"_s);
        QCOMPARE(CodePage::decodeLines(WindowDriver::readBytes(file)),
                 (QStringList{quranFav, duaFav}));

        // The branch shows each favourite once, by category.
        branch = m_driver.showFolder(kFavourites + u'/');
        QCOMPARE(m_driver.childTexts(branch), (QStringList{u" أدعية"_s, u' ' + kQuran}));
        KeyedTree::Node quran = m_driver.showFolder(kFavourites + u'/' + kQuran + u'/');
        QCOMPARE(m_driver.childTexts(quran), QStringList{u"R - سورة س003"_s});
        // Adding while the branch is open closes it and empties it down to its placeholder.
        m_driver.choose(m_driver.showTape(surah(1)), u"mnuAdd2Fav"_s);
        branch = w.tree().item(kFavourites + u'/');
        QVERIFY(!KeyedTree::isExpanded(branch));
        QCOMPARE(KeyedTree::children(branch), 1);
        QVERIFY(w.tree().contains(kFavourites + u"/-tmp"_s));
        // A favourite is not offered again inside the branch.
        KeyedTree::Node favourite = m_driver.showTape(quranFav);
        m_driver.click(favourite, Qt::RightButton);
        w.menuForm().mnupopup()->close();
        QVERIFY(!m_driver.popupItem(u"mnuAdd2Fav"_s)->isVisible());
    }
};

QTEST_MAIN(TestQueue)
#include "tst_queue.moc"
