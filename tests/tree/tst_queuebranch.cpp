#include "catalogue.h"
#include "cataloguetree.h"
#include "catalogueworld.h"
#include "codepage.h"
#include "keyedtree.h"
#include "playback.h"
#include "playbackworld.h"
#include "playedmarker.h"
#include "playqueue.h"
#include "queuebranch.h"
#include "recentlist.h"
#include "scriptedplayer.h"
#include "tapeend.h"
#include "tapekeys.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kQuran = u"القرآن الكريم"_s;
const QString kQueue = u"قائمة الانتظار"_s;
} // namespace

// The tree mirrors the queue and the played tape: the branch, its order, and the marks, also
// after the tree was rebuilt from its roots.
class TestQueueBranch : public QObject
{
    Q_OBJECT

    std::unique_ptr<CatalogueWorld> m_catalogueWorld;
    Catalogue *m_catalogue = nullptr;
    KeyedTree *m_tree = nullptr;
    CatalogueTree *m_catalogueTree = nullptr;
    std::unique_ptr<PlaybackWorld<ScriptedPlayer>> m_world;
    ScriptedPlayer *m_player = nullptr;
    Playback *m_playback = nullptr;
    PlayQueue *m_queue = nullptr;
    std::unique_ptr<PlayedMarker> m_marker;
    std::unique_ptr<QueueBranch> m_branch;

    static QString surah(int n)
    {
        return kQuran + u"!R/%1 سورة س%1!حفص!%1.mp3"_s.arg(n, 3, 10, QChar(u'0'));
    }
    QStringList shownEntries() const
    {
        QStringList out;
        for (int i = 0; i < KeyedTree::children(m_branch->node()); ++i)
            out.append(KeyedTree::key(KeyedTree::childAt(m_branch->node(), i)));
        return out;
    }
    QString image(const QString &key) const { return KeyedTree::image(m_tree->item(key)); }
    void open(const QString &key) { m_tree->setExpanded(m_tree->item(key), true); }

private Q_SLOTS:
    void init()
    {
        m_catalogueWorld = std::make_unique<CatalogueWorld>(QMap<QString, QStringList>{
            {u"a.txt"_s, {surah(1), surah(2), surah(3), u"Leaflet!x/y!G!l.mp3"_s}}});
        m_catalogueWorld->load();
        m_catalogue = &m_catalogueWorld->catalogue;
        m_tree = &m_catalogueWorld->tree;
        m_catalogueTree = &m_catalogueWorld->catalogueTree;
        m_world = std::make_unique<PlaybackWorld<ScriptedPlayer>>();
        m_player = m_world->player.get();
        m_playback = &m_world->playback;
        m_queue = &m_world->queue;
        m_marker = std::make_unique<PlayedMarker>(*m_playback, *m_tree);
        m_branch = std::make_unique<QueueBranch>(*m_queue, *m_tree, *m_marker);
        connect(m_catalogueTree, &CatalogueTree::expanded, m_marker.get(), &PlayedMarker::refresh);
        connect(m_catalogueTree, &CatalogueTree::rebuilt, m_branch.get(), &QueueBranch::sync);
    }
    void cleanup()
    {
        m_branch.reset();
        m_marker.reset();
        m_world.reset();
        m_catalogueWorld.reset();
    }

    void branchFollowsTheQueue()
    {
        QVERIFY(!m_branch->node());
        m_queue->Add2Playlist({TapeKeys::tapeKey(surah(1)), TapeKeys::tapeKey(surah(2))});
        QVERIFY(m_branch->node());
        QCOMPARE(m_tree->roots().last(), m_branch->node()); // after the other roots
        const QString one = PlayQueue::entryKey(TapeKeys::tapeKey(surah(1)));
        const QString two = PlayQueue::entryKey(TapeKeys::tapeKey(surah(2)));
        QCOMPARE(shownEntries(), (QStringList{one, two}));
        QCOMPARE(KeyedTree::text(m_tree->item(two)), u"R - سورة س002"_s);
        QCOMPARE(CatalogueTree::NodeKind(m_tree->item(two)), KeyedTree::Kind::Tape);
        // The first started (the player was stopped) and waits for the player.
        QCOMPARE(image(one), u"wait"_s);
        m_player->play(1000);
        QCOMPARE(image(one), u"sound"_s);
        // Moves show at once, and the mark stays with its entry.
        m_queue->MoveNodeUp(two, PlayQueue::MoveDirection::Up);
        QCOMPARE(shownEntries(), (QStringList{two, one}));
        QCOMPARE(image(one), u"sound"_s);
        QCOMPARE(image(two), u"Leaf"_s);
        // The last entry played: the branch goes.
        m_queue->MoveNodeUp(one, PlayQueue::MoveDirection::ToTop);
        m_player->finish();
        m_player->play(1000);
        m_player->finish();
        QVERIFY(!m_branch->node());
        QVERIFY(!m_tree->contains(kQueue));
    }

    void rebuildingTheTreeKeepsQueueAndMarks()
    {
        const QString tape3 = TapeKeys::tapeKey(surah(3));
        open(kQuran + u'/');
        open(kQuran + u"/حفص/"_s);
        open(kQuran + u"/حفص/R/"_s);
        m_playback->playTapeKey(tape3);
        m_player->play(1000);
        QCOMPARE(image(tape3), u"sound"_s);
        m_queue->Add2Playlist({TapeKeys::tapeKey(surah(1)), TapeKeys::tapeKey(surah(2))});
        const QStringList before = shownEntries();
        QCOMPARE(before.size(), 2);

        // A new grouping rebuilds the tree from its roots: the queue comes back, in order.
        m_catalogueTree->setQuranSort(3);
        QCOMPARE(shownEntries(), before);
        QCOMPARE(m_tree->roots().last(), m_branch->node());
        // The playing tape's node is made again when its folders are opened, with its mark.
        const QString path = m_catalogue->BuildPath(surah(3));
        QString prefix;
        for (const QString &part : path.split(u'/', Qt::SkipEmptyParts)) {
            prefix += part + u'/';
            open(prefix);
        }
        QCOMPARE(image(tape3), u"sound"_s);

        // The same after a change of the riwaya filter; a queue entry that plays keeps its mark.
        m_queue->PlayNextInPlayList();
        m_player->play(1000);
        m_catalogueTree->setRiwayaFilter(RiwayaFilter::fromStored(u"@حفص"_s));
        m_catalogueTree->rebuild();
        QCOMPARE(shownEntries(), before);
        QCOMPARE(image(before.first()), u"sound"_s);
    }

    void aFailedLinkLeavesNoHourglass()
    {
        // A link that fails while opening, or refuses at once: the tape is shown as any other
        // once the failure is out, also when the user stops afterwards; a replay that plays
        // marks it again.
        const QString tape1 = TapeKeys::tapeKey(surah(1));
        const QString tape2 = TapeKeys::tapeKey(surah(2));
        open(kQuran + u'/');
        open(kQuran + u"/حفص/"_s);
        open(kQuran + u"/حفص/R/"_s);
        m_playback->playTapeKey(tape1);
        QCOMPARE(image(tape1), u"wait"_s);
        m_player->fail();
        QCOMPARE(image(tape1), u"Leaf"_s);
        m_playback->stop();
        QCOMPARE(image(tape1), u"Leaf"_s);

        m_player->refuse(u"002.mp3"_s);
        m_playback->playTapeKey(tape2);
        QCOMPARE(m_playback->PlayedNode(), tape2);
        QCOMPARE(image(tape2), u"Leaf"_s);

        m_playback->playTapeKey(tape1);
        QCOMPARE(image(tape1), u"wait"_s);
        m_player->play(1000);
        QCOMPARE(image(tape1), u"sound"_s);
        m_player->StopPlay();
        QCOMPARE(image(tape1), u"wait"_s);
    }

    void nodeKindsComeFromWhatMadeThem()
    {
        // A category whose name holds "leaf" is still a folder, and its records tapes.
        KeyedTree::Node leaflet = m_tree->item(u"Leaflet/"_s);
        QCOMPARE(CatalogueTree::NodeKind(leaflet), KeyedTree::Kind::Folder);
        open(u"Leaflet/"_s);
        KeyedTree::Node x = m_tree->item(u"Leaflet/x/"_s);
        QCOMPARE(CatalogueTree::NodeKind(x), KeyedTree::Kind::Folder);
        open(u"Leaflet/x/"_s);
        open(u"Leaflet/x/y/"_s);
        KeyedTree::Node tape = m_tree->item(TapeKeys::tapeKey(u"Leaflet!x/y!G!l.mp3"_s));
        QCOMPARE(KeyedTree::parent(tape), m_tree->item(u"Leaflet/x/y/"_s));
        QCOMPARE(CatalogueTree::NodeKind(tape), KeyedTree::Kind::Tape);
        QCOMPARE(m_catalogueTree->tapesBelow(u"Leaflet/"_s),
                 QStringList{TapeKeys::tapeKey(u"Leaflet!x/y!G!l.mp3"_s)});
    }
};

QTEST_MAIN(TestQueueBranch)
#include "tst_queuebranch.moc"
