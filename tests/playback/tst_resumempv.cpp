#include "mpvplayer.h"
#include "playback.h"
#include "recentlist.h"
#include "resumepositions.h"
#include "tapekeys.h"
#include "testhttpserver.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

// The one resume test on the real libmpv: a tape served from 127.0.0.1 with a remembered
// position begins there, because the seek waits until mpv has loaded the clip.
class TestResumeMpv : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsAtTheRememberedPosition()
    {
        QTemporaryDir dir;
        const QString mp3 = dir.filePath(u"tone.mp3"_s);
        QProcess ffmpeg;
        ffmpeg.start(u"ffmpeg"_s,
                     {u"-hide_banner"_s, u"-loglevel"_s, u"error"_s, u"-y"_s, u"-f"_s, u"lavfi"_s,
                      u"-i"_s, u"sine=frequency=440:duration=40"_s, u"-ac"_s, u"1"_s, u"-b:a"_s,
                      u"32k"_s, u"-c:a"_s, u"libmp3lame"_s, mp3});
        if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0 || QFileInfo(mp3).size() == 0)
            QSKIP("ffmpeg is not installed: no fixture");
        QFile file(mp3);
        QVERIFY(file.open(QIODevice::ReadOnly));
        TestHttpServer server;
        QVERIFY(server.start());
        server.addFile(u"/lessons/tone.mp3"_s, file.readAll());
        const QString link = server.url(u"/lessons/tone.mp3"_s);

        MpvPlayer player(dir.path(), {u"ao=null"_s, u"network-timeout=1"_s});
        if (!player.errorText().isEmpty())
            QSKIP("libmpv cannot be started here");
        RecentList recent(dir.filePath(u"last.txt"_s));
        Playback playback(player, recent);
        ResumePositions positions(dir.filePath(u"positions.txt"_s));
        positions.note(link, 35 * 1000, 20 * 60 * 1000); // as if it were a long tape
        playback.setResumePositions(&positions);
        QSignalSpy resumed(&playback, &Playback::resumed);
        QList<qint64> seen;
        connect(&player, &AudioPlayer::PositionChanged, this,
                [&seen](qint64 position, qint64) { seen.append(position); });

        playback.playTapeKey(TapeKeys::tapeKey(u"الدروس والخطب!درس!الشيخ!"_s + link));
        QTRY_COMPARE_WITH_TIMEOUT(resumed.count(), 1, 15000);
        QCOMPARE(resumed.first().first().toLongLong(), 30 * 1000);
        QTRY_VERIFY_WITH_TIMEOUT(player.position() >= 30 * 1000, 15000);
        QCOMPARE(player.PlayState(), AudioPlayer::Playing);
        // It jumped there rather than playing its way up: nothing between the first second and
        // the remembered place was ever reported.
        for (const qint64 position : std::as_const(seen))
            QVERIFY2(position < 1000 || position >= 29 * 1000,
                     qPrintable(QString::number(position)));
        player.StopPlay();
    }
};

QTEST_GUILESS_MAIN(TestResumeMpv)
#include "tst_resumempv.moc"
