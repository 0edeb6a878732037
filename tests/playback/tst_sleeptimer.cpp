#include "playback.h"
#include "playbackworld.h"
#include "playqueue.h"
#include "recentlist.h"
#include "sleeptimer.h"
#include "tapeend.h"
#include "tapekeys.h"
#include "testtapes.h"
#include "volumeplayer.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;
using namespace TestTapes;

namespace {

constexpr qint64 kMinute = 60 * 1000;

} // namespace

// The sleep timer on a clock the test moves and a scripted player: when it stops, how the volume
// fades and comes back, the end of a tape and of the queue, cancelling.
class TestSleepTimer : public QObject
{
    Q_OBJECT

    qint64 m_now = 0;
    std::unique_ptr<PlaybackWorld<VolumePlayer>> m_world;
    VolumePlayer *m_player = nullptr;
    Playback *m_playback = nullptr;
    PlayQueue *m_queue = nullptr;
    SleepTimer *m_sleep = nullptr;

    void advance(qint64 ms)
    {
        m_now += ms;
        m_sleep->tick();
    }
    // A tape of length ms that plays.
    void playTape(int n, qint64 length)
    {
        m_playback->playTapeKey(tape(n));
        m_player->play(length);
    }

private Q_SLOTS:
    void init()
    {
        m_now = 1000;
        m_world = std::make_unique<PlaybackWorld<VolumePlayer>>([this] { return m_now; });
        m_player = m_world->player.get();
        m_playback = &m_world->playback;
        m_queue = &m_world->queue;
        m_sleep = &m_world->sleep;
        m_player->setVolume(80);
        m_player->volumes.clear();
    }
    void cleanup() { m_world.reset(); }

    void stopsAtTheTimeSetAndFades()
    {
        playTape(1, 120 * kMinute);
        QSignalSpy expired(m_sleep, &SleepTimer::expired);
        m_sleep->startMinutes(30);
        QCOMPARE(m_sleep->mode(), SleepTimer::Mode::Minutes);
        QCOMPARE(m_sleep->minutes(), 30);
        QCOMPARE(m_sleep->remainingText(), u"⏾ 30:00"_s);

        advance(29 * kMinute + 41 * 1000);
        QCOMPARE(m_sleep->remaining(), 19 * 1000);
        QCOMPARE(m_sleep->remainingText(), u"⏾ 0:19"_s);
        QVERIFY(m_player->volumes.isEmpty()); // no fade before the last ten seconds

        // Second by second through the last ten: the volume only goes down, towards silence.
        advance(9 * 1000);
        QCOMPARE(m_player->volume(), 80);
        for (int i = 0; i < 9; ++i)
            advance(1000);
        QCOMPARE(m_player->PlayState(), AudioPlayer::Playing);
        QVERIFY(m_player->volumes.size() >= 8);
        for (int i = 1; i < m_player->volumes.size(); ++i)
            QVERIFY(m_player->volumes[i] < m_player->volumes[i - 1]);
        QCOMPARE(m_player->volumes.first(), 72);
        QCOMPARE(m_player->volume(), 8); // one second left
        QCOMPARE(expired.count(), 0);

        advance(1000);
        QCOMPARE(m_player->PlayState(), AudioPlayer::Stopped);
        QCOMPARE(m_player->volume(), 80); // the user's volume, for the next tape
        QCOMPARE(expired.count(), 1);
        QCOMPARE(m_sleep->mode(), SleepTimer::Mode::Off);
        QCOMPARE(m_sleep->remainingText(), QString());

        // Off: time going on stops nothing more.
        playTape(2, 120 * kMinute);
        advance(200 * kMinute);
        QCOMPARE(m_player->PlayState(), AudioPlayer::Playing);
        QCOMPARE(expired.count(), 1);
    }

    void timeLeftAsShown()
    {
        QSignalSpy changed(m_sleep, &SleepTimer::remainingChanged);
        m_sleep->startMinutes(90);
        QCOMPARE(m_sleep->remainingText(), u"⏾ 1:30:00"_s);
        QCOMPARE(changed.count(), 1);
        advance(300); // within the same second: nothing new to show
        QCOMPARE(changed.count(), 1);
        advance(700);
        QCOMPARE(m_sleep->remainingText(), u"⏾ 1:29:59"_s);
        QCOMPARE(changed.count(), 2);

        // At the end of a tape whose length is not known yet, only the sign shows.
        m_playback->playTapeKey(tape(1));
        m_sleep->stopAtEndOfTape();
        QCOMPARE(m_sleep->remaining(), -1);
        QCOMPARE(m_sleep->remainingText(), u"⏾"_s);
        m_player->play(20 * kMinute);
        m_player->reach(20 * kMinute - 75 * 1000);
        QCOMPARE(m_sleep->remainingText(), u"⏾ 1:15"_s);
    }

    void cancelGivesTheVolumeBack()
    {
        playTape(1, 120 * kMinute);
        m_sleep->startMinutes(15);
        advance(15 * kMinute - 4000);
        QVERIFY(m_player->volume() < 80);
        QSignalSpy modes(m_sleep, &SleepTimer::modeChanged);
        m_sleep->cancel();
        QCOMPARE(modes.count(), 1);
        QCOMPARE(m_sleep->mode(), SleepTimer::Mode::Off);
        QCOMPARE(m_player->volume(), 80);
        advance(10 * kMinute);
        QCOMPARE(m_player->PlayState(), AudioPlayer::Playing);
        QCOMPARE(m_player->volume(), 80);
    }

    void anotherChoiceStartsAfresh()
    {
        playTape(1, 120 * kMinute);
        m_sleep->startMinutes(15);
        advance(15 * kMinute - 2000);
        QVERIFY(m_player->volume() < 80);
        m_sleep->startMinutes(45); // counted from now, at full volume
        QCOMPARE(m_player->volume(), 80);
        advance(30 * kMinute);
        QCOMPARE(m_player->PlayState(), AudioPlayer::Playing);
        advance(15 * kMinute);
        QCOMPARE(m_player->PlayState(), AudioPlayer::Stopped);
    }

    void endOfTape()
    {
        m_queue->Add2Playlist({tape(1), tape(2)});
        m_player->play(20 * kMinute);
        m_sleep->stopAtEndOfTape();

        // Another tape chosen: the stop moves to its end.
        playTape(3, 30 * kMinute);
        m_player->reach(20 * kMinute);
        QCOMPARE(m_player->PlayState(), AudioPlayer::Playing);
        QCOMPARE(m_player->volume(), 80);

        m_player->reach(30 * kMinute - 5000); // five of the last ten seconds: half the volume
        QCOMPARE(m_player->volume(), 40);
        QSignalSpy expired(m_sleep, &SleepTimer::expired);
        m_player->finish();
        QCOMPARE(expired.count(), 1);
        QCOMPARE(m_player->PlayState(), AudioPlayer::Stopped);
        QCOMPARE(m_player->volume(), 80);
        QCOMPARE(m_sleep->mode(), SleepTimer::Mode::Off);
        // The queue moved on as at any end of a tape, but nothing plays.
        QCOMPARE(m_player->started.last(), link(1));
    }

    void endOfQueue()
    {
        m_queue->Add2Playlist({tape(1), tape(2)});
        m_player->play(20 * kMinute);
        m_sleep->stopAtEndOfQueue();
        QCOMPARE(m_sleep->remaining(), -1); // more follows

        // The end of the first entry: the second starts and plays on, with no fade before.
        m_player->reach(20 * kMinute - 3000);
        QVERIFY(m_player->volumes.isEmpty());
        m_player->finish();
        QCOMPARE(m_player->started, (QStringList{link(1), link(2)}));
        QCOMPARE(m_sleep->mode(), SleepTimer::Mode::EndOfQueue);
        m_player->play(15 * kMinute);
        QCOMPARE(m_player->PlayState(), AudioPlayer::Playing);
        QCOMPARE(m_sleep->remaining(), 15 * kMinute);

        // The last entry: fades, then everything stops.
        m_player->reach(15 * kMinute - 2000);
        QCOMPARE(m_player->volume(), 16);
        QSignalSpy expired(m_sleep, &SleepTimer::expired);
        m_player->finish();
        QCOMPARE(expired.count(), 1);
        QCOMPARE(m_player->PlayState(), AudioPlayer::Stopped);
        QCOMPARE(m_player->volume(), 80);
        QCOMPARE(m_queue->entryCount(), 0);
    }

    void aTapeQueuedDuringTheFadeCancelsIt()
    {
        playTape(1, 20 * kMinute);
        m_sleep->stopAtEndOfQueue();
        m_player->reach(20 * kMinute - 4000);
        QVERIFY(m_player->volume() < 80);
        m_queue->Add2Playlist({tape(2)});
        m_player->reach(20 * kMinute - 3000);
        QCOMPARE(m_player->volume(), 80);
        m_player->finish();
        QCOMPARE(m_player->started.last(), link(2));
        QCOMPARE(m_sleep->mode(), SleepTimer::Mode::EndOfQueue);
    }
};

QTEST_GUILESS_MAIN(TestSleepTimer)
#include "tst_sleeptimer.moc"
