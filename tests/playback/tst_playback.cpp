#include "catalogue.h"
#include "codepage.h"
#include "favourites.h"
#include "playback.h"
#include "recentlist.h"
#include "scriptedplayer.h"
#include "tapekeys.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kQuran = u"القرآن الكريم"_s;
const QString kQueue = u"قائمة الانتظار"_s;
const QString kFavourites = u"أشرطتي المفضلة"_s;
} // namespace

// Starting tapes (link choice, titles, recent list, marks), the favourites and the recent list,
// on a scripted player.
class TestPlayback : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void linkChoice_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("links");
        QTest::addColumn<QString>("played");
        QTest::addColumn<bool>("saveMp3");
        QTest::addColumn<bool>("saveRm");
        // Mode 0 prefers the format asked for and falls back to the only link there is.
        QTest::addRow("both, MP3 preferred")
            << 0 << 0 << u"a.mp3!b.rm"_s << u"a.mp3"_s << true << true;
        QTest::addRow("both, RM preferred")
            << 0 << 1 << u"a.mp3!b.rm"_s << u"b.rm"_s << true << true;
        QTest::addRow("both, no such format")
            << 0 << 7 << u"a.mp3!b.rm"_s << QString() << true << true;
        QTest::addRow("RM only, MP3 preferred")
            << 0 << 0 << u"b.rm"_s << u"b.rm"_s << false << true;
        QTest::addRow("MP3 only, RM preferred")
            << 0 << 1 << u"a.mp3"_s << u"a.mp3"_s << true << false;
        QTest::addRow("second field wins its kind")
            << 0 << 0 << u"a.mp3!c.MP3"_s << u"c.MP3"_s << true << false;
        // The listen items play the link of their format, even an empty one.
        QTest::addRow("RM asked, both there")
            << 2 << 0 << u"a.mp3!b.rm"_s << u"b.rm"_s << false << true;
        QTest::addRow("RM asked, MP3 only") << 2 << 0 << u"a.mp3"_s << QString() << false << true;
        QTest::addRow("MP3 asked, both there")
            << 1 << 1 << u"a.mp3!b.rm"_s << u"a.mp3"_s << true << false;
    }

    void linkChoice()
    {
        QFETCH(int, mode);
        QFETCH(int, format);
        QFETCH(QString, links);
        QFETCH(QString, played);
        QFETCH(bool, saveMp3);
        QFETCH(bool, saveRm);
        ScriptedPlayer player;
        RecentList recent(m_dir.filePath(u"choice.txt"_s));
        Playback playback(player, recent);
        playback.setSoundFormat(format);
        playback.PlayTape(TapeKeys::tapeKey(u"S!a/b!G!"_s + links), Playback::PlayMode(mode));
        QCOMPARE(player.ClipSource(), played);
        QCOMPARE(playback.saveMp3Enabled(), saveMp3);
        QCOMPARE(playback.saveRmEnabled(), saveRm);
        QCOMPARE(player.calls.mid(0, 2), (QStringList{u"setClipSource "_s, u"StopPlay"_s}));
        QVERIFY(player.calls.contains(u"StartPlay"_s));
    }

    void titles_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("queueRecord");
        QTest::addRow("Quran: reciter and surah without its number")
            << kQuran + u"!R/036 سورة يس!W!a.mp3!b.rm"_s << u"R - سورة يس"_s
            << kQueue + u"!R - سورة يس!NONE!a.mp3!b.rm"_s;
        QTest::addRow("Quran, later parts kept")
            << kQuran + u"!R/036 سورة يس/x!W!a.mp3"_s << u"R - سورة يس - x"_s
            << kQueue + u"!R - سورة يس - x!NONE!a.mp3"_s;
        QTest::addRow("three parts")
            << u"S!owner/series/title!G!a.mp3!   "_s << u"owner - series - title"_s
            << kQueue + u"!owner - series - title!NONE!a.mp3"_s;
        QTest::addRow("one part") << u"S!alone!G!a.mp3"_s << u"alone"_s
                                  << kQueue + u"!alone!NONE!a.mp3"_s;
        QTest::addRow("Quran without a surah")
            << kQuran + u"!R!W!a.mp3"_s << u"R"_s << kQueue + u"!R!NONE!a.mp3"_s;
    }

    void titles()
    {
        QFETCH(QString, record);
        QFETCH(QString, display);
        QFETCH(QString, queueRecord);
        const QString key = TapeKeys::tapeKey(record);
        QCOMPARE(TapeKeys::DisplayTitle(key), display);
        QCOMPARE(TapeKeys::queueRecord(key), queueRecord);
    }

    void searchResultKeys()
    {
        // A search result keeps only reciter and surah in the queue; its favourite is filed
        // under the record's own category, not the text searched for.
        const QString key = u"Leaf-نص@@@###"_s + kQuran + u"!R/036 سورة يس/x!W!a"_s;
        QCOMPARE(TapeKeys::queueEntryTitle(key), u"R - سورة يس"_s);
        QCOMPARE(TapeKeys::DisplayTitle(key), u"R - سورة يس - x"_s);
        QCOMPARE(TapeKeys::categoryOf(key), kQuran);
        QCOMPARE(TapeKeys::FavouriteRecord(key),
                 kFavourites + u'!' + kQuran + u"/R - سورة يس!NONE!a"_s);
    }

    void playingRecordsAndMarks()
    {
        ScriptedPlayer player;
        RecentList recent(m_dir.filePath(u"marks.txt"_s));
        Playback playback(player, recent);
        QSignalSpy played(&playback, &Playback::playedNodeChanged);
        QSignalSpy marks(&playback, &Playback::playedMarkChanged);
        const QString a = TapeKeys::tapeKey(kQuran + u"!R/001 سورة الفاتحة!W!x/a.mp3"_s);
        playback.playTapeKey(a);
        QCOMPARE(playback.PlayedNode(), a);
        QCOMPARE(playback.playedMark(), Playback::Mark::Wait);
        QCOMPARE(playback.CurrentTitle(), u"R - سورة الفاتحة"_s);
        QCOMPARE(readCodePageLines(recent.file()), QStringList{u"R - سورة الفاتحة***x/a.mp3"_s});
        player.play(1000);
        QCOMPARE(playback.playedMark(), Playback::Mark::Sound);
        QCOMPARE(playback.pauseCaption(), u"إيقاف مؤقت"_s);
        player.StopPlay();
        QCOMPARE(playback.playedMark(), Playback::Mark::Wait);
        QCOMPARE(playback.pauseCaption(), u"استماع"_s);
        QVERIFY(marks.count() >= 2);

        // The pause item pauses while playing and resumes otherwise.
        playback.playTapeKey(a);
        player.play(1000);
        playback.pauseToggle();
        QCOMPARE(player.PlayState(), AudioPlayer::Paused);
        playback.pauseToggle();
        QCOMPARE(player.PlayState(), AudioPlayer::Playing);

        // A replay from the recent list forgets the played tape.
        playback.replayRecent(u"old***y/b.rm"_s);
        QCOMPARE(playback.PlayedNode(), QString());
        QCOMPARE(played.last(), (QList<QVariant>{a, QString()}));
        QCOMPARE(player.ClipSource(), u"y/b.rm"_s);
        QCOMPARE(playback.CurrentRMLink(), u"y/b.rm"_s);
        QVERIFY(playback.CurrentMP3Link().isEmpty());
    }

    void recentListNotSavedIsReported()
    {
        ScriptedPlayer player;
        RecentList recent(m_dir.filePath(u"no such folder/last.txt"_s));
        Playback playback(player, recent);
        QSignalSpy recentChanged(&playback, &Playback::recentChanged);
        playback.playTapeKey(TapeKeys::tapeKey(u"S!a!G!a.mp3"_s));
        QCOMPARE(recentChanged.count(), 1);
        QCOMPARE(recentChanged.first().first().toBool(), false);
    }

    void recentList()
    {
        RecentList recent(m_dir.filePath(u"recent.txt"_s));
        QVERIFY(writeCodePageLines(
            recent.file(), {u"a***1.mp3"_s, u" \t\u00A0"_s, u""_s, u"abcdefghij***2.mp3"_s}));
        recent.reload();
        // Lines of white space (tabs and no-break spaces too) give no item.
        QCOMPARE(recent.RecentLines(), (QStringList{u"a***1.mp3"_s, u"abcdefghij***2.mp3"_s}));
        recent.setMaxTitleLen(10);
        QCOMPARE(recent.caption(recent.RecentLines()[1]), u"abcdefg..."_s);
        QCOMPARE(recent.caption(recent.RecentLines()[0]), u"a"_s);
        // The bound keeps that many old lines behind the new one; a repeated line moves up.
        recent.setMaxLignes(1);
        QVERIFY(recent.record(u"n"_s, u"3.mp3"_s));
        QVERIFY(recent.touch(u"a***1.mp3"_s));
        QCOMPARE(readCodePageLines(recent.file()), (QStringList{u"a***1.mp3"_s, u"n***3.mp3"_s}));
        QCOMPARE(RecentList::linkOf(u"t***l***x"_s), u"l"_s);
    }

    void recentTitleEndingInStars()
    {
        // A title ending in "*" runs into the separator; the link must still come back whole,
        // or the recent item could no longer be played.
        RecentList recent(m_dir.filePath(u"stars.txt"_s));
        QVERIFY(recent.record(u"**yx*"_s, u"https://h/a.mp3"_s));
        recent.reload();
        QCOMPARE(recent.RecentLines(), QStringList{u"**yx****https://h/a.mp3"_s});
        QCOMPARE(RecentList::titleOf(recent.RecentLines()[0]), u"**yx*"_s);
        QCOMPARE(RecentList::linkOf(recent.RecentLines()[0]), u"https://h/a.mp3"_s);
        QCOMPARE(RecentList::titleOf(u"t**"_s + u"***l***x"_s), u"t**"_s);
        QCOMPARE(RecentList::linkOf(u"t**"_s + u"***l***x"_s), u"l"_s);
        QCOMPARE(RecentList::linkOf(u"t***"_s), QString());
        QCOMPARE(RecentList::titleOf(u"t****"_s), u"t*"_s);
    }

    void favourites()
    {
        QTemporaryDir app;
        QVERIFY(QDir(app.path()).mkdir(u"DB"_s));
        QVERIFY(writeCodePageLines(app.filePath(u"DB/a.txt"_s), {u"S!a/b!G!a.mp3"_s}));
        Catalogue catalogue(app.filePath(u"DB"_s));
        catalogue.BuildTree();
        const qsizetype before = catalogue.index().size();

        Favourites favourites(catalogue, app.filePath(u"DB/favorites.txt"_s));
        const QString tape = TapeKeys::tapeKey(kQuran + u"!R/003 سورة آل عمران!W!q.mp3!  "_s);
        QVERIFY(favourites.add(tape));
        const QString record = kFavourites + u'!' + kQuran + u"/R - سورة آل عمران!NONE!q.mp3"_s;
        QCOMPARE(readCodePageLines(favourites.file()), QStringList{record});
        QCOMPARE(catalogue.index().size(), before + 1);
        QCOMPARE(catalogue.index().record(before), record);
        QCOMPARE(catalogue.index().fileNumber(before), catalogue.IndexOfFile(favourites.file()));

        // A favourite that cannot be written is not reported saved and reaches no index.
        Favourites broken(catalogue, app.filePath(u"gone/favorites.txt"_s));
        QVERIFY(!broken.add(tape));
        QCOMPARE(catalogue.index().size(), before + 1);
        QVERIFY(favourites.add(u"not a tape"_s)); // nothing to do
        QCOMPARE(catalogue.index().size(), before + 1);
    }
};

QTEST_GUILESS_MAIN(TestPlayback)
#include "tst_playback.moc"
