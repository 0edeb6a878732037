#include "playback.h"
#include "playbackworld.h"
#include "playqueue.h"
#include "recentlist.h"
#include "scriptedplayer.h"
#include "tapeend.h"
#include "tapekeys.h"
#include "testtapes.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace TestTapes;

// The play queue's rules, on a scripted player: what starts, when, and what leaves the queue.
class TestPlayQueue : public QObject
{
    Q_OBJECT

    std::unique_ptr<PlaybackWorld<ScriptedPlayer>> m_world;
    ScriptedPlayer *m_player = nullptr;
    Playback *m_playback = nullptr;
    PlayQueue *m_queue = nullptr;

    QStringList keys() const
    {
        QStringList out;
        for (const PlayQueue::Entry &e : m_queue->entries())
            out.append(e.key);
        return out;
    }

private Q_SLOTS:
    void init()
    {
        m_world = std::make_unique<PlaybackWorld<ScriptedPlayer>>();
        m_player = m_world->player.get();
        m_playback = &m_world->playback;
        m_queue = &m_world->queue;
    }
    void cleanup() { m_world.reset(); }

    void firstEntryStartsOnlyWhenStopped()
    {
        m_queue->Add2Playlist({tape(1), tape(2), u"not a tape"_s, tape(1)});
        QCOMPARE(keys(), (QStringList{entry(1), entry(2)})); // each tape once, in order
        QCOMPARE(m_player->started, QStringList{link(1)});
        QCOMPARE(m_playback->PlayedNode(), entry(1));
        QCOMPARE(m_queue->entries().first().title, u"R - سورة س001"_s);

        // A queue that already has entries only grows; a tape already queued changes nothing.
        QSignalSpy changed(m_queue, &PlayQueue::changed);
        m_queue->Add2Playlist({tape(2)});
        QCOMPARE(changed.count(), 0);
        m_queue->Add2Playlist({tape(3)});
        QCOMPARE(m_player->started.size(), 1);
        QCOMPARE(changed.count(), 1);
    }

    void addingWhileSomethingPlaysOnlyQueues()
    {
        m_playback->playTapeKey(tape(9));
        m_player->play(5000);
        m_queue->Add2Playlist({tape(1)});
        QCOMPARE(m_player->started, QStringList{link(9)});
        QVERIFY(m_queue->canGoNext());

        // Far from the end nothing moves; in the last 100 ms the entry starts.
        m_player->reach(4000);
        QCOMPARE(m_player->started.size(), 1);
        m_player->reach(4900);
        QCOMPARE(m_player->started.last(), link(1));
        QCOMPARE(m_playback->PlayedNode(), entry(1));
        QCOMPARE(keys(), QStringList{entry(1)}); // the entry playing stays first
    }

    void aClipOfUnknownLengthIsNotAtItsEnd()
    {
        m_queue->Add2Playlist({tape(1), tape(2)});
        m_player->play(0); // playing, length not known yet
        m_player->reach(0);
        m_player->reach(50);
        QCOMPARE(m_player->started, QStringList{link(1)});
        QCOMPARE(m_queue->entryCount(), 2);
    }

    void entriesPlayThroughAndLeave()
    {
        m_queue->Add2Playlist({tape(1), tape(2), tape(3)});
        for (int n = 1; n <= 3; ++n) {
            QCOMPARE(m_player->started.last(), link(n));
            m_player->play(1000);
            m_player->finish();
        }
        QCOMPARE(m_player->started, (QStringList{link(1), link(2), link(3)}));
        QVERIFY(m_queue->entries().isEmpty());
        QCOMPARE(m_player->PlayState(), AudioPlayer::Stopped);
        QCOMPARE(m_world->recent.RecentLines().size(), 0); // the list is read only when asked
        m_world->recent.reload();
        QCOMPARE(m_world->recent.RecentLines().size(), 3);
    }

    void nextIsAlwaysTheSecondWhileAnEntryPlays()
    {
        m_queue->Add2Playlist({tape(1), tape(2), tape(3)});
        m_player->play(1000);
        m_player->reach(10);
        QCOMPARE(m_queue->nextQueueKey(), entry(2));
        // Moving the played entry's neighbours does not change that the second comes next.
        m_queue->MoveNodeUp(entry(3), PlayQueue::MoveDirection::Up);
        m_player->reach(20);
        QCOMPARE(m_queue->nextQueueKey(), entry(3));
        m_player->finish();
        QCOMPARE(m_playback->PlayedNode(), entry(3));
        QCOMPARE(keys(), (QStringList{entry(3), entry(2)}));
    }

    void playNextOnTheOnlyEntryPlaying()
    {
        m_queue->Add2Playlist({tape(1)});
        m_player->play(1000);
        // Nothing comes after it: neither the menus nor the desktop may offer "next".
        QVERIFY(!m_queue->canGoNext());
        QVERIFY(m_queue->entryPlaying());
        QSignalSpy changed(m_queue, &PlayQueue::changed);
        m_queue->PlayNextInPlayList();
        QVERIFY(m_queue->entries().isEmpty());
        QCOMPARE(changed.count(), 1);
        QCOMPARE(m_player->PlayState(), AudioPlayer::Playing); // it plays on
        QCOMPARE(m_player->started.size(), 1);
    }

    void playNextStartsTheFirstWhenSomethingElsePlays()
    {
        m_playback->playTapeKey(tape(9));
        m_player->play(1000);
        m_queue->Add2Playlist({tape(1), tape(2)});
        QVERIFY(m_queue->canGoNext());
        m_queue->PlayNextInPlayList();
        QCOMPARE(m_player->started.last(), link(1));
        QCOMPARE(m_queue->entryCount(), 2); // the entry now playing stays, first
        m_player->play(1000);
        m_queue->PlayNextInPlayList();
        QCOMPARE(m_player->started.last(), link(2));
        QCOMPARE(keys(), QStringList{entry(2)});
    }

    void queueOrder_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("k");
        QTest::addColumn<int>("direction");
        QTest::addColumn<QList<int>>("order");
        QTest::addRow("to the top") << 4 << 3 << 0 << QList<int>{0, 3, 1, 2, 4};
        QTest::addRow("up") << 4 << 3 << 1 << QList<int>{0, 1, 3, 2, 4};
        QTest::addRow("down") << 4 << 3 << 2 << QList<int>{0, 1, 2, 4, 3};
        QTest::addRow("first up") << 4 << 1 << 1 << QList<int>{0, 1, 2, 3, 4};
        QTest::addRow("last down") << 4 << 4 << 2 << QList<int>{0, 1, 2, 3, 4};
        QTest::addRow("first to the top") << 4 << 1 << 0 << QList<int>{0, 1, 2, 3, 4};
        QTest::addRow("position past the end") << 3 << 9 << 1 << QList<int>{0, 1, 2, 3};
        QTest::addRow("position 0") << 3 << 0 << 2 << QList<int>{0, 1, 2, 3};
        QTest::addRow("negative position") << 3 << -4 << 0 << QList<int>{0, 1, 2, 3};
        QTest::addRow("empty, any position") << 0 << 1 << 2 << QList<int>{0};
    }

    void queueOrder()
    {
        QFETCH(int, n);
        QFETCH(int, k);
        QFETCH(int, direction);
        QFETCH(QList<int>, order);
        QCOMPARE(PlayQueue::QueueOrder(n, k, PlayQueue::MoveDirection(direction)), order);
    }

    void movingEntries()
    {
        m_playback->playTapeKey(tape(9));
        m_player->play(1000);
        m_queue->Add2Playlist({tape(1), tape(2), tape(3)});
        QSignalSpy moved(m_queue, &PlayQueue::entryMoved);
        m_queue->MoveNodeUp(entry(1), PlayQueue::MoveDirection::Down);
        QCOMPARE(keys(), (QStringList{entry(2), entry(1), entry(3)}));
        QCOMPARE(moved.count(), 1);
        QCOMPARE(moved.last().first().toString(), entry(1));
        m_queue->MoveNodeUp(u"Leaf-unknown"_s, PlayQueue::MoveDirection::ToTop);
        QCOMPARE(moved.count(), 1);
        m_queue->MoveNodeUp(entry(3), PlayQueue::MoveDirection::ToTop);
        QCOMPARE(keys(), (QStringList{entry(3), entry(2), entry(1)}));
        QCOMPARE(m_player->started.size(), 1); // something else plays: no entry starts

        // Stopped on a queue entry: a move starts the new first entry.
        m_queue->PlayNextInPlayList();
        QCOMPARE(m_playback->PlayedNode(), entry(3));
        m_player->StopPlay();
        m_queue->MoveNodeUp(entry(1), PlayQueue::MoveDirection::ToTop);
        QCOMPARE(m_playback->PlayedNode(), entry(1));
        QCOMPARE(m_player->started.last(), link(1));
    }

    void clickingAnEntryPlaysItFirst()
    {
        m_playback->playTapeKey(tape(9));
        m_player->play(1000);
        m_queue->Add2Playlist({tape(1), tape(2), tape(3)});
        m_queue->playClicked(entry(3));
        QCOMPARE(keys(), (QStringList{entry(3), entry(1), entry(2)}));
        QCOMPARE(m_playback->PlayedNode(), entry(3));
        QCOMPARE(m_playback->playedMark(), Playback::Mark::Wait);
        QCOMPARE(m_player->started, (QStringList{link(9), link(3)})); // once

        // A click on a tape outside the queue forgets the next entry worked out before.
        m_player->play(1000);
        m_player->reach(1);
        QCOMPARE(m_queue->nextQueueKey(), entry(1));
        m_queue->playClicked(tape(9));
        QVERIFY(m_queue->nextQueueKey().isEmpty());
        QCOMPARE(m_queue->entryCount(), 3);
    }
};

QTEST_GUILESS_MAIN(TestPlayQueue)
#include "tst_playqueue.moc"
