#include "fileguards.h"
#include "playback.h"
#include "recentlist.h"
#include "resumepositions.h"
#include "resumetracker.h"
#include "scriptedplayer.h"
#include "sleepresumestatus.h"
#include "sleeptimer.h"
#include "tapekeys.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qint64 kMinute = 60 * 1000;
const QString kArabicFile = u"/home/مستمع/تلاوات/سورة البقرة ٢.mp3"_s;

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
QString link(int n)
{
    return u"http://h/%1.mp3"_s.arg(n);
}
QString tape(int n)
{
    return TapeKeys::tapeKey(u"الدروس والخطب!درس %1!الشيخ!"_s.arg(n) + link(n));
}

} // namespace

// Remembered positions: the rules of what is kept, the file, the tracker that writes it, and
// starting a tape where it stopped through Playback and the player control.
class TestResume : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(u"positions.txt"_s); }

private Q_SLOTS:
    void cleanup() { QDir(m_dir.path()).removeRecursively(), QDir().mkpath(m_dir.path()); }

    void whatIsKept_data()
    {
        QTest::addColumn<qint64>("position");
        QTest::addColumn<qint64>("length");
        QTest::addColumn<qint64>("start");
        QTest::addRow("long tape, midway")
            << 12 * kMinute + 34500 << 20 * kMinute << qint64(749000);
        QTest::addRow("ten minutes is not long") << 5 * kMinute << 10 * kMinute << qint64(0);
        QTest::addRow("first 30 s") << qint64(29999) << 20 * kMinute << qint64(0);
        QTest::addRow("just after 30 s") << qint64(30000) << 20 * kMinute << qint64(25000);
        QTest::addRow("last 30 s") << 20 * kMinute - 29000 << 20 * kMinute << qint64(0);
        QTest::addRow("played to its end") << 20 * kMinute << 20 * kMinute << qint64(0);
        QTest::addRow("length unknown") << 5 * kMinute << qint64(0) << qint64(0);
    }
    void whatIsKept()
    {
        QFETCH(qint64, position);
        QFETCH(qint64, length);
        QFETCH(qint64, start);
        ResumePositions positions(path());
        positions.note(link(1), position, length);
        QCOMPARE(positions.startFor(link(1)), start);
        QCOMPARE(positions.isDirty(), start > 0);
    }

    void aPositionNotKeptForgetsTheOldOne()
    {
        ResumePositions positions(path());
        positions.note(link(1), 5 * kMinute, 20 * kMinute);
        positions.note(link(1), 10 * 1000, 20 * kMinute); // restarted, stopped at once
        QCOMPARE(positions.startFor(link(1)), 0);
        positions.note(link(2), 5 * kMinute, 20 * kMinute);
        positions.note(link(2), 20 * kMinute, 20 * kMinute); // played to the end
        QVERIFY(positions.entries().isEmpty());
        // An unknown length keeps what was there.
        positions.note(link(3), 5 * kMinute, 20 * kMinute);
        positions.note(link(3), 10 * 1000, 0);
        QCOMPARE(positions.startFor(link(3)), 5 * kMinute - ResumePositions::kRewind);
    }

    void newestFirstAndAtMost200()
    {
        ResumePositions positions(path());
        for (int i = 0; i < 205; ++i)
            positions.note(link(i), (i + 1) * kMinute, 300 * kMinute);
        QCOMPARE(positions.entries().size(), ResumePositions::kLimit);
        QCOMPARE(positions.entries().first().link, link(204));
        QCOMPARE(positions.entries().last().link, link(5));
        QCOMPARE(positions.startFor(link(4)), 0);

        // Noted again: to the front, once.
        positions.note(link(100), 3 * kMinute, 300 * kMinute);
        QCOMPARE(positions.entries().size(), ResumePositions::kLimit);
        QCOMPARE(positions.entries().first(), (ResumePositions::Entry{180, link(100)}));
        QCOMPARE(positions.entries().at(1).link, link(204));

        QVERIFY(positions.save());
        ResumePositions read(path());
        read.load();
        QCOMPARE(read.entries(), positions.entries());
        QVERIFY(!read.isDirty());
    }

    void arabicLinksRoundTrip()
    {
        ResumePositions positions(path());
        positions.note(kArabicFile, 12 * kMinute, 40 * kMinute);
        positions.note(u"https://h/دروس/درس ١.mp3"_s, 15 * kMinute, 40 * kMinute);
        QVERIFY(positions.save());
        // UTF-8 on disk, newest first, whole seconds and a tab.
        QCOMPARE(contents(path()),
                 (u"900\thttps://h/دروس/درس ١.mp3\n720\t"_s + kArabicFile + u"\n"_s).toUtf8());
        ResumePositions read(path());
        read.load();
        QCOMPARE(read.startFor(kArabicFile), 12 * kMinute - ResumePositions::kRewind);
        QCOMPARE(read.entries(), positions.entries());
    }

    void damagedLinesAreSkipped()
    {
        QByteArray bytes = "600\thttp://h/good.mp3\r\n"
                           "no tab at all\n"
                           "\thttp://h/no-seconds.mp3\n"
                           "abc\thttp://h/not-a-number.mp3\n"
                           "-5\thttp://h/negative.mp3\n"
                           "99999999999999999\thttp://h/huge.mp3\n"
                           "700\t\n"
                           "800\tav://lavfi:anullsrc\n"
                           "900\thttp://h/good.mp3\n"
                           "\n"
                           "1000\thttp://h/\xff\xfe.mp3\n";
        bytes += "1100\thttp://h/" + QByteArray(100000, 'y') + ".mp3\n"; // far too long
        bytes += "650\t" + kArabicFile.toUtf8() + '\n';
        bytes += QByteArray(5000, 'x'); // a cut-off tail
        QVERIFY(write(path(), bytes));
        ResumePositions positions(path());
        positions.load();
        QCOMPARE(positions.entries(), (QList<ResumePositions::Entry>{{600, u"http://h/good.mp3"_s},
                                                                     {650, kArabicFile}}));
        // A missing file, or a folder in its place, is an empty list.
        ResumePositions missing(m_dir.filePath(u"none.txt"_s));
        missing.load();
        QVERIFY(missing.entries().isEmpty());
    }

    void writtenAtomically()
    {
        ResumePositions positions(path());
        positions.note(link(1), 12 * kMinute, 40 * kMinute);
        QVERIFY(positions.save());
        const QByteArray before = contents(path());
        positions.note(link(2), 13 * kMinute, 40 * kMinute);
        {
            // A full disk: the old file stays whole, and the list is still to be written.
            const FileSizeLimit limit(10);
            QVERIFY(!positions.save());
        }
        QCOMPARE(contents(path()), before);
        QVERIFY(positions.isDirty());
        QVERIFY(positions.save());
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"positions.txt"_s}); // no temporary left behind

        // A folder in the file's place is not replaced.
        ResumePositions folder(m_dir.filePath(u"folder"_s));
        QVERIFY(QDir(m_dir.path()).mkdir(u"folder"_s));
        folder.note(link(1), 12 * kMinute, 40 * kMinute);
        QVERIFY(!folder.save());
        QVERIFY(QFileInfo(m_dir.filePath(u"folder"_s)).isDir());
        folder.load();
        QVERIFY(folder.entries().isEmpty());
    }

    // The tracker writes when a clip stops or is replaced, at most every 30 s while playing, and
    // when it goes; not on every position event.
    void trackerWritesAtTheRightMoments()
    {
        qint64 now = 0;
        ScriptedPlayer player;
        ResumePositions positions(path());
        auto tracker = std::make_unique<ResumeTracker>(player, positions, [&now] { return now; });
        player.setClipSource(link(1));
        player.StartPlay();
        player.play(40 * kMinute);
        for (int s = 60; s <= 90; ++s) {
            now += 1000;
            player.reach(s * 1000);
            if (s < 90)
                QVERIFY(!QFile::exists(path()));
        }
        QCOMPARE(contents(path()), "90\t" + link(1).toUtf8() + '\n'); // at 30 s: 1:30
        now += 1000;
        player.reach(100 * 1000);
        QCOMPARE(contents(path()), "90\t" + link(1).toUtf8() + '\n');

        player.reach(200 * 1000);
        player.StopPlay();
        QCOMPARE(contents(path()), "200\t" + link(1).toUtf8() + '\n');

        // Another clip replaces this one, then the program closes while it plays.
        player.setClipSource(link(1));
        player.StartPlay();
        player.play(40 * kMinute);
        player.reach(300 * 1000);
        player.setClipSource(link(2));
        player.StartPlay();
        QCOMPARE(contents(path()), "300\t" + link(1).toUtf8() + '\n');
        player.play(40 * kMinute);
        player.reach(400 * 1000);
        tracker.reset();
        QCOMPARE(contents(path()),
                 "400\t" + link(2).toUtf8() + "\n300\t" + link(1).toUtf8() + '\n');

        // Played to its end: forgotten.
        tracker = std::make_unique<ResumeTracker>(player, positions, [&now] { return now; });
        player.setClipSource(link(2));
        player.StartPlay();
        player.play(40 * kMinute);
        player.reach(40 * kMinute - 500);
        player.finish();
        QCOMPARE(contents(path()), "300\t" + link(1).toUtf8() + '\n');
    }

    void aFailedWriteIsToldOnce()
    {
        QVERIFY(QDir(m_dir.path()).mkdir(u"positions.txt"_s)); // cannot be written
        ScriptedPlayer player;
        ResumePositions positions(path());
        ResumeTracker tracker(player, positions, [] { return 0; });
        QSignalSpy failed(&tracker, &ResumeTracker::saveFailed);
        for (int i = 0; i < 2; ++i) {
            player.setClipSource(link(1));
            player.StartPlay();
            player.play(40 * kMinute);
            player.reach((5 + i) * kMinute);
            player.StopPlay();
        }
        QCOMPARE(failed.count(), 1);
        QCOMPARE(failed.first().first().toString(),
                 u"تعذر حفظ مواضع الاستئناف في الملف positions.txt."_s);
    }

    // Through Playback and the player control: a remembered tape starts 5 s before where it
    // stopped, once it plays; "من البداية" takes it back to 0 and then its position is forgotten.
    void playbackResumesAndRestarts()
    {
        ScriptedPlayer player;
        RecentList recent(m_dir.filePath(u"last.txt"_s));
        Playback playback(player, recent);
        ResumePositions positions(path());
        positions.note(link(1), 12 * kMinute + 34 * 1000, 40 * kMinute);
        playback.setResumePositions(&positions);
        ResumeTracker tracker(player, positions, [] { return 0; });
        SleepTimer sleep(playback, nullptr, [] { return 0; });
        SleepResumeStatus status(sleep, playback);
        QSignalSpy resumed(&playback, &Playback::resumed);

        playback.playTapeKey(tape(1));
        QCOMPARE(player.position(), 0); // not before the clip plays: the seek would be lost
        QCOMPARE(resumed.count(), 0);
        player.play(40 * kMinute);
        QCOMPARE(player.position(), 12 * kMinute + 29 * 1000);
        QCOMPARE(resumed.count(), 1);
        QVERIFY(!status.noticeLabel()->isHidden());
        QCOMPARE(status.noticeLabel()->text(), u"استُؤنف من 12:29 —"_s);
        QToolButton *fromStart = status.fromStartButton();
        QVERIFY(!fromStart->isHidden());
        QCOMPARE(fromStart->objectName(), u"FromStartButton"_s);
        QVERIFY(!fromStart->accessibleName().isEmpty());
        QVERIFY(fromStart->focusPolicy() & Qt::TabFocus);
        QVERIFY(status.sleepLabel()->isHidden()); // no sleep timer set

        fromStart->click();
        QCOMPARE(player.position(), 0);
        QVERIFY(status.noticeLabel()->isHidden());
        QVERIFY(fromStart->isHidden());
        player.reach(10 * 1000);
        player.StopPlay();
        QCOMPARE(positions.startFor(link(1)), 0);

        // A pause and a resume of the same clip is no new start; a tape not remembered starts at
        // its beginning.
        positions.note(link(1), 5 * kMinute, 40 * kMinute);
        playback.playTapeKey(tape(1));
        player.play(40 * kMinute);
        QCOMPARE(resumed.count(), 2);
        player.PausePlay();
        playback.pauseToggle();
        QCOMPARE(resumed.count(), 2);
        player.reach(6 * kMinute);
        playback.playTapeKey(tape(2));
        QVERIFY(status.noticeLabel()->isHidden()); // the notice was about the tape before
        player.play(40 * kMinute);
        QCOMPARE(player.position(), 0);
        QCOMPARE(resumed.count(), 2);
        // The first tape was left at 6:00 when the second replaced it.
        QCOMPARE(positions.startFor(link(1)), 6 * kMinute - ResumePositions::kRewind);

        // A tape that fails before playing does not carry its resume to the next start.
        positions.note(link(3), 5 * kMinute, 40 * kMinute);
        playback.playTapeKey(tape(3));
        player.StopPlay();
        player.setClipSource(link(3));
        player.StartPlay();
        player.play(40 * kMinute);
        QCOMPARE(player.position(), 0);
    }

    void sleepTimeShownInTheControl()
    {
        ScriptedPlayer player;
        RecentList recent(m_dir.filePath(u"last.txt"_s));
        Playback playback(player, recent);
        qint64 now = 0;
        SleepTimer sleep(playback, nullptr, [&now] { return now; });
        SleepResumeStatus status(sleep, playback);
        QVERIFY(status.sleepLabel()->isHidden());
        sleep.startMinutes(30);
        QVERIFY(!status.sleepLabel()->isHidden());
        now += 19 * 1000;
        sleep.tick();
        QCOMPARE(status.sleepLabel()->text(), u"⏾ 29:41"_s);
        sleep.cancel();
        QVERIFY(status.sleepLabel()->isHidden());
    }
};

QTEST_MAIN(TestResume)
#include "tst_resume.moc"
