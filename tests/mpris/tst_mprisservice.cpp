#include "audiocontrol.h"
#include "gdbustool.h"
#include "mprisfakes.h"
#include "mprisservice.h"
#include "playback.h"
#include "playqueue.h"
#include "recentlist.h"
#include "repeatcontrol.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSlider>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {
using namespace GDBusTool;

const QString kBaseName = u"org.mpris.MediaPlayer2.marvoli"_s;
const QString kPath = u"/org/mpris/MediaPlayer2"_s;
const QString kRoot = u"org.mpris.MediaPlayer2"_s;
const QString kPlayer = u"org.mpris.MediaPlayer2.Player"_s;
const QString kProperties = u"org.freedesktop.DBus.Properties"_s;
constexpr int kTimeoutMs = 10000;

// A finished (or not) run of a command-line tool.
// Signals from this process's service that reach a second connection, as any desktop would get
// them. Other programs on the same bus (tests running alongside) may send the same signals.
class BusWatcher : public QObject
{
    Q_OBJECT

public:
    QList<QVariantMap> changes;
    QList<qlonglong> seeks;

    explicit BusWatcher(const QString &connectionName)
        : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName))
        , m_sender(QDBusConnection::sessionBus().baseService())
    {
        m_bus.connect(QString(), kPath, kProperties, u"PropertiesChanged"_s, this,
                      SLOT(propertiesChanged(QString, QVariantMap, QStringList, QDBusMessage)));
        m_bus.connect(QString(), kPath, kPlayer, u"Seeked"_s, this,
                      SLOT(seeked(qlonglong, QDBusMessage)));
        // The match rules travel on this connection; any round trip on it returns after they
        // were installed, so nothing sent later can slip past them.
        m_bus.interface()->isServiceRegistered(kBaseName);
    }
    ~BusWatcher() override { QDBusConnection::disconnectFromBus(m_bus.name()); }

public Q_SLOTS:
    void propertiesChanged(const QString &interfaceName, const QVariantMap &changed,
                           const QStringList &, const QDBusMessage &message)
    {
        if (message.service() == m_sender && interfaceName == kPlayer)
            changes.append(changed);
    }
    void seeked(qlonglong position, const QDBusMessage &message)
    {
        if (message.service() == m_sender)
            seeks.append(position);
    }

private:
    QDBusConnection m_bus;
    // The unique bus name of the connection the service sends on.
    QString m_sender;
};

// The Metadata map as it arrives in a PropertiesChanged signal.
QVariantMap metadataOf(const QVariantMap &change)
{
    return qdbus_cast<QVariantMap>(change.value(u"Metadata"_s));
}

// The track id in gdbus's print of a Metadata value.
QString trackIdIn(const QString &printed)
{
    static const QRegularExpression id(u"'mpris:trackid': <objectpath '([^']*)'>"_s);
    return id.match(printed).captured(1);
}

} // namespace

class TestMprisService : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<NotingPlayer> m_player;
    std::unique_ptr<ScriptedHost> m_host;
    std::unique_ptr<MprisService> m_service;

    QString name() const { return m_service->serviceName(); }
    ToolRun call(const QString &method, const QStringList &args = {})
    {
        return gdbusCall(name(), method, args);
    }
    ToolRun get(const QString &interfaceName, const QString &property)
    {
        return call(kProperties + u".Get"_s, {interfaceName, property});
    }

    // A tape chosen in the window and handed to the player, which has not read its length yet.
    void loadTape(const QString &link)
    {
        m_player->clip = link;
        m_player->lengthMs = 0;
        m_host->link = link;
        m_host->title = u"تفسير سورة البقرة - الشريط 1"_s;
        m_service->metadataChanged();
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("No session bus: run under dbus-run-session");
        QVERIFY2(!QStandardPaths::findExecutable(u"gdbus"_s).isEmpty(),
                 "gdbus (package libglib2.0-bin) drives the service from a second process");
    }

    void init()
    {
        m_player = std::make_unique<NotingPlayer>();
        m_host = std::make_unique<ScriptedHost>();
        m_service = std::make_unique<MprisService>(*m_player, *m_host, *m_host);
        QVERIFY(m_service->registerOnSessionBus());
    }

    void cleanup() { m_service.reset(); }

    void takesTheBaseNameAndAnswersTheRootInterface()
    {
        // Another test program on the same bus may hold the base name at this moment.
        const QString instanceName =
            kBaseName + u".instance"_s + QString::number(QCoreApplication::applicationPid());
        QVERIFY2(name() == kBaseName || name() == instanceName, qPrintable(name()));

        const ToolRun all = call(kProperties + u".GetAll"_s, {kRoot});
        QVERIFY2(all.exitCode == 0, qPrintable(all.err));
        QVERIFY(all.out.contains(u"'Identity': <'Marvoli'>"_s));
        QVERIFY(all.out.contains(u"'SupportedUriSchemes': <['http', 'https', 'file']>"_s));

        QCOMPARE(call(kRoot + u".Raise"_s).exitCode, 0);
        QCOMPARE(m_host->calls, QStringList{u"raise"_s});
    }

    void releasesItsNameWhenDestroyed()
    {
        const QString taken = name();
        QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
        QVERIFY(bus->isServiceRegistered(taken));
        m_service.reset();
        QVERIFY(!bus->isServiceRegistered(taken));
        // And a new service can be put on the bus again in the same program.
        m_service = std::make_unique<MprisService>(*m_player, *m_host, *m_host);
        QVERIFY(m_service->registerOnSessionBus());
        QCOMPARE(get(kPlayer, u"CanControl"_s).out, u"(<true>,)"_s);
    }

    void transportMethodsDriveThePlayer_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<AudioPlayer::State>("state");
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<QStringList>("calls");
        const QStringList start{u"StartPlay"_s};
        const QStringList pause{u"PausePlay"_s};
        const QStringList none;
        QTest::addRow("PlayPause stopped")
            << u"PlayPause"_s << AudioPlayer::Stopped << true << start;
        QTest::addRow("PlayPause paused") << u"PlayPause"_s << AudioPlayer::Paused << true << start;
        QTest::addRow("PlayPause playing")
            << u"PlayPause"_s << AudioPlayer::Playing << true << pause;
        QTest::addRow("PlayPause opening")
            << u"PlayPause"_s << AudioPlayer::Opening << true << pause;
        QTest::addRow("PlayPause nothing loaded")
            << u"PlayPause"_s << AudioPlayer::Stopped << false << none;
        // StartPlay() would restart a playing clip from its beginning.
        QTest::addRow("Play playing") << u"Play"_s << AudioPlayer::Playing << true << none;
        QTest::addRow("Play paused") << u"Play"_s << AudioPlayer::Paused << true << start;
        QTest::addRow("Play nothing loaded") << u"Play"_s << AudioPlayer::Stopped << false << none;
        QTest::addRow("Pause playing") << u"Pause"_s << AudioPlayer::Playing << true << pause;
        QTest::addRow("Pause paused") << u"Pause"_s << AudioPlayer::Paused << true << none;
        QTest::addRow("Stop") << u"Stop"_s << AudioPlayer::Playing << true
                              << QStringList{u"StopPlay"_s};
        QTest::addRow("Previous") << u"Previous"_s << AudioPlayer::Playing << true << none;
    }

    void transportMethodsDriveThePlayer()
    {
        QFETCH(QString, method);
        QFETCH(AudioPlayer::State, state);
        QFETCH(bool, loaded);
        QFETCH(QStringList, calls);
        if (loaded)
            loadTape(u"http://example.org/a.mp3"_s);
        m_player->enter(state);
        const ToolRun run = call(kPlayer + u'.' + method);
        QVERIFY2(run.finished && run.exitCode == 0, qPrintable(run.err));
        QCOMPARE(m_player->calls, calls);
    }

    void nextOnlyWhenTheQueueHasOne()
    {
        QCOMPARE(get(kPlayer, u"CanGoNext"_s).out, u"(<false>,)"_s);
        QCOMPARE(call(kPlayer + u".Next"_s).exitCode, 0);
        QVERIFY(m_host->calls.isEmpty());

        m_host->hasNext = true;
        m_service->canGoNextChanged();
        QCOMPARE(get(kPlayer, u"CanGoNext"_s).out, u"(<true>,)"_s);
        QCOMPARE(call(kPlayer + u".Next"_s).exitCode, 0);
        QCOMPARE(m_host->calls, QStringList{u"next"_s});
    }

    void metadataAndStatusReadThroughTheBus()
    {
        ToolRun run = get(kPlayer, u"Metadata"_s);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QCOMPARE(
            run.out,
            u"(<{'mpris:trackid': <objectpath '/org/mpris/MediaPlayer2/TrackList/NoTrack'>}>,)"_s);
        QCOMPARE(get(kPlayer, u"PlaybackStatus"_s).out, u"(<'Stopped'>,)"_s);

        loadTape(u"http://example.org/tafsir/1.mp3"_s);
        m_player->enter(AudioPlayer::Buffering);
        QCOMPARE(get(kPlayer, u"PlaybackStatus"_s).out, u"(<'Playing'>,)"_s);
        m_player->tick(0, 183500);
        run = get(kPlayer, u"Metadata"_s);
        const QString first = trackIdIn(run.out);
        QVERIFY2(first.startsWith(u'/') && !first.startsWith(u"/org/mpris"_s), qPrintable(run.out));
        QVERIFY(run.out.contains(u"'xesam:title': <'تفسير سورة البقرة - الشريط 1'>"_s));
        QVERIFY(run.out.contains(u"'xesam:url': <'http://example.org/tafsir/1.mp3'>"_s));
        QVERIFY(run.out.contains(u"'mpris:length': <int64 183500000>"_s));
        QCOMPARE(get(kPlayer, u"CanSeek"_s).out, u"(<true>,)"_s);

        m_player->positionMs = 61250;
        QCOMPARE(get(kPlayer, u"Position"_s).out, u"(<int64 61250000>,)"_s);
        m_player->enter(AudioPlayer::Paused);
        QCOMPARE(get(kPlayer, u"PlaybackStatus"_s).out, u"(<'Paused'>,)"_s);

        // The same link again is the same track; another link is a new one.
        m_service->metadataChanged();
        QCOMPARE(trackIdIn(get(kPlayer, u"Metadata"_s).out), first);
        loadTape(u"http://example.org/tafsir/2.mp3"_s);
        const QString second = trackIdIn(get(kPlayer, u"Metadata"_s).out);
        QVERIFY(!second.isEmpty() && second != first && !second.startsWith(u"/org/mpris"_s));
    }

    void urlIsAUri_data()
    {
        QTest::addColumn<QString>("baseFolder"); // empty: the service's default
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("uri"); // empty: no xesam:url
        const QString base = u"/opt/marvoli"_s;
        QTest::addRow("web link") << base << u"http://example.org/tafsir/1.mp3"_s
                                  << u"http://example.org/tafsir/1.mp3"_s;
        QTest::addRow("relative file")
            << base << u"samples/004.mp3"_s << u"file:///opt/marvoli/samples/004.mp3"_s;
        QTest::addRow("absolute file, Arabic name")
            << base << u"/srv/tapes/سورة 1.mp3"_s
            << u"file:///srv/tapes/%D8%B3%D9%88%D8%B1%D8%A9%201.mp3"_s;
        QTest::addRow("refused link") << base << u"av://lavfi:anullsrc"_s << QString();
        QTest::addRow("program's folder by default")
            << QString() << u"samples/004.mp3"_s
            << u"file://"_s + QCoreApplication::applicationDirPath() + u"/samples/004.mp3"_s;
    }

    void urlIsAUri()
    {
        QFETCH(QString, baseFolder);
        QFETCH(QString, link);
        QFETCH(QString, uri);
        m_service.reset();
        m_service = baseFolder.isEmpty()
                        ? std::make_unique<MprisService>(*m_player, *m_host, *m_host)
                        : std::make_unique<MprisService>(*m_player, *m_host, *m_host, baseFolder);
        QVERIFY(m_service->registerOnSessionBus());
        loadTape(link);
        const ToolRun run = get(kPlayer, u"Metadata"_s);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        if (uri.isEmpty())
            QVERIFY2(!run.out.contains(u"xesam:url"_s), qPrintable(run.out));
        else
            QVERIFY2(run.out.contains(u"'xesam:url': <'%1'>"_s.arg(uri)), qPrintable(run.out));
    }

    void seeksRelativeAndToAPositionOfTheCurrentTrack()
    {
        BusWatcher watcher(u"seek watcher"_s);
        loadTape(u"http://example.org/tafsir/1.mp3"_s);
        m_player->enter(AudioPlayer::Playing);
        // Nothing can be sought before the length is known.
        QCOMPARE(call(kPlayer + u".Seek"_s, {u"5000000"_s}).exitCode, 0);
        QVERIFY(m_player->calls.isEmpty());

        m_player->tick(60000, 600000);
        QCOMPARE(call(kPlayer + u".Seek"_s, {u"15000000"_s}).exitCode, 0);
        QCOMPARE(call(kPlayer + u".Seek"_s, {u"--"_s, u"-90000000"_s}).exitCode, 0);
        QCOMPARE(m_player->calls, (QStringList{u"seek 75000"_s, u"seek 0"_s}));
        QTRY_COMPARE_WITH_TIMEOUT(watcher.seeks, (QList<qlonglong>{75000000, 0}), kTimeoutMs);

        const QString track = trackIdIn(get(kPlayer, u"Metadata"_s).out);
        m_player->calls.clear();
        QCOMPARE(call(kPlayer + u".SetPosition"_s, {track, u"300000000"_s}).exitCode, 0);
        QCOMPARE(
            call(kPlayer + u".SetPosition"_s, {u"/org/marvoli/track/999"_s, u"1000000"_s}).exitCode,
            0);
        QCOMPARE(call(kPlayer + u".SetPosition"_s, {track, u"700000000"_s}).exitCode, 0);
        QCOMPARE(m_player->calls, QStringList{u"seek 300000"_s});
        QTRY_COMPARE_WITH_TIMEOUT(watcher.seeks.size(), 3, kTimeoutMs);
        QCOMPARE(watcher.seeks.last(), 300000000);

        // Past the end is the next tape, when there is one.
        m_host->hasNext = true;
        m_player->calls.clear();
        QCOMPARE(call(kPlayer + u".Seek"_s, {u"600000000"_s}).exitCode, 0);
        QVERIFY(m_player->calls.isEmpty());
        QCOMPARE(m_host->calls, QStringList{u"next"_s});
    }

    void volumeIsReadAndSet()
    {
        BusWatcher watcher(u"volume watcher"_s);
        m_player->volumePercent = 25;
        QCOMPARE(get(kPlayer, u"Volume"_s).out, u"(<0.25>,)"_s);

        QCOMPARE(call(kProperties + u".Set"_s, {kPlayer, u"Volume"_s, u"<0.5>"_s}).exitCode, 0);
        QCOMPARE(call(kProperties + u".Set"_s, {kPlayer, u"Volume"_s, u"<1.7>"_s}).exitCode, 0);
        QCOMPARE(m_player->calls, (QStringList{u"setVolume 50"_s, u"setVolume 100"_s}));
        QTRY_COMPARE_WITH_TIMEOUT(watcher.changes.size(), 2, kTimeoutMs);
        QCOMPARE(watcher.changes[0], (QVariantMap{{u"Volume"_s, 0.5}}));
        QCOMPARE(watcher.changes[1], (QVariantMap{{u"Volume"_s, 1.0}}));
    }

    void rateIsTheSpeed()
    {
        BusWatcher watcher(u"rate watcher"_s);
        QCOMPARE(get(kPlayer, u"MinimumRate"_s).out, u"(<0.5>,)"_s);
        QCOMPARE(get(kPlayer, u"MaximumRate"_s).out, u"(<2.0>,)"_s);
        QCOMPARE(get(kPlayer, u"Rate"_s).out, u"(<1.0>,)"_s);

        const auto setRate = [this](const QString &rate) {
            return call(kProperties + u".Set"_s, {kPlayer, u"Rate"_s, u"<%1>"_s.arg(rate)});
        };
        QCOMPARE(setRate(u"1.5"_s).exitCode, 0);
        QCOMPARE(m_player->speed(), 1.5);
        // Past either end: the end. Negative: nothing.
        QCOMPARE(setRate(u"3.0"_s).exitCode, 0);
        QCOMPARE(m_player->speed(), 2.0);
        QCOMPARE(setRate(u"-1.0"_s).exitCode, 0);
        QCOMPARE(m_player->speed(), 2.0);
        QTRY_COMPARE_WITH_TIMEOUT(watcher.changes.size(), 2, kTimeoutMs);
        QCOMPARE(watcher.changes[0], (QVariantMap{{u"Rate"_s, 1.5}}));
        QCOMPARE(watcher.changes[1], (QVariantMap{{u"Rate"_s, 2.0}}));

        // 0 pauses a playing tape and keeps the speed.
        loadTape(u"http://example.org/tafsir/1.mp3"_s);
        m_player->enter(AudioPlayer::Playing);
        m_player->calls.clear();
        QCOMPARE(setRate(u"0.0"_s).exitCode, 0);
        QCOMPARE(m_player->calls, QStringList{u"PausePlay"_s});
        QCOMPARE(m_player->speed(), 2.0);

        // A speed chosen in the window reaches the desktop by itself.
        watcher.changes.clear();
        m_player->setSpeed(0.8);
        QTRY_COMPARE_WITH_TIMEOUT(watcher.changes.size(), 1, kTimeoutMs);
        QCOMPARE(watcher.changes[0], (QVariantMap{{u"Rate"_s, 0.8}}));
    }

    void loopStatusIsTheRepeatMode()
    {
        // Without a repeat control there is nothing to set.
        QCOMPARE(get(kPlayer, u"LoopStatus"_s).out, u"(<'None'>,)"_s);
        QCOMPARE(call(kProperties + u".Set"_s, {kPlayer, u"LoopStatus"_s, u"<'Track'>"_s}).exitCode,
                 0);
        QCOMPARE(get(kPlayer, u"LoopStatus"_s).out, u"(<'None'>,)"_s);

        RecentList recent;
        Playback playback(*m_player, recent);
        PlayQueue queue(playback);
        RepeatControl repeat(playback, queue);
        m_service->setRepeat(&repeat);
        BusWatcher watcher(u"loop watcher"_s);
        const auto setLoop = [this](const QString &status) {
            return call(kProperties + u".Set"_s,
                        {kPlayer, u"LoopStatus"_s, u"<'%1'>"_s.arg(status)});
        };

        QCOMPARE(setLoop(u"Track"_s).exitCode, 0);
        QCOMPARE(repeat.mode(), RepeatMode::tape());
        QCOMPARE(setLoop(u"Playlist"_s).exitCode, 0);
        QCOMPARE(repeat.mode(), RepeatMode::queue());
        QCOMPARE(setLoop(u"Sometimes"_s).exitCode, 0); // not a status: nothing changes
        QCOMPARE(repeat.mode(), RepeatMode::queue());
        QCOMPARE(setLoop(u"None"_s).exitCode, 0);
        QCOMPARE(repeat.mode(), RepeatMode::off());

        // A tape played a number of times reads "Track", and "Track" leaves it so.
        repeat.setMode(RepeatMode::tape(5));
        QCOMPARE(get(kPlayer, u"LoopStatus"_s).out, u"(<'Track'>,)"_s);
        QCOMPARE(setLoop(u"Track"_s).exitCode, 0);
        QCOMPARE(repeat.mode(), RepeatMode::tape(5));

        QTRY_COMPARE_WITH_TIMEOUT(watcher.changes.size(), 4, kTimeoutMs);
        QStringList announced;
        for (const QVariantMap &change : std::as_const(watcher.changes))
            announced.append(change.value(u"LoopStatus"_s).toString());
        QCOMPARE(announced, (QStringList{u"Track"_s, u"Playlist"_s, u"None"_s, u"Track"_s}));
        m_service->setRepeat(nullptr);
    }

    void seeksAndVolumeInTheWindowReachTheDesktop()
    {
        BusWatcher watcher(u"window watcher"_s);
        AudioControl control(m_player.get());
        loadTape(u"http://example.org/tafsir/1.mp3"_s);
        m_player->enter(AudioPlayer::Playing);
        m_player->tick(60000, 600000);
        QTRY_COMPARE_WITH_TIMEOUT(watcher.changes.size(), 3, kTimeoutMs); // tape, status, length
        watcher.changes.clear();

        // The position slider: a page by the keyboard, a click on the groove.
        auto *slider = control.findChild<QSlider *>(u"PositionSlider"_s);
        QVERIFY(slider && slider->isEnabled());
        QTest::keyClick(slider, Qt::Key_PageUp);
        slider->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(m_player->calls, (QStringList{u"seek 70000"_s, u"seek 65000"_s}));
        QTRY_COMPARE_WITH_TIMEOUT(watcher.seeks, (QList<qlonglong>{70000000, 65000000}),
                                  kTimeoutMs);

        // The tape starting again from its beginning (repeated) is a jump back too.
        m_player->enter(AudioPlayer::Opening);
        QTRY_COMPARE_WITH_TIMEOUT(watcher.seeks.size(), 3, kTimeoutMs);
        QCOMPARE(watcher.seeks.last(), 0);
        m_player->enter(AudioPlayer::Playing); // "Playing" all along: nothing to announce

        // The volume slider: the desktop hears of it without waiting for the next tick.
        control.findChild<QSlider *>(u"VolumeSlider"_s)->setValue(40);
        QTRY_COMPARE_WITH_TIMEOUT(watcher.changes.size(), 1, kTimeoutMs);
        QCOMPARE(watcher.changes[0], (QVariantMap{{u"Volume"_s, 0.4}}));
    }

    void announcesOnlyWhatChanged()
    {
        BusWatcher watcher(u"change watcher"_s);
        // A barrier: a change whose signal follows everything sent before it.
        const auto flip = [this, &watcher] {
            m_host->hasNext = !m_host->hasNext;
            m_service->canGoNextChanged();
            return QTest::qWaitFor(
                [&watcher] {
                    return !watcher.changes.isEmpty() &&
                           watcher.changes.last().contains(u"CanGoNext"_s);
                },
                kTimeoutMs);
        };

        loadTape(u"http://example.org/tafsir/1.mp3"_s);
        QTRY_COMPARE_WITH_TIMEOUT(watcher.changes.size(), 1, kTimeoutMs);
        const QVariantMap loaded = watcher.changes.takeFirst();
        QCOMPARE(loaded.keys(), (QStringList{u"CanPause"_s, u"CanPlay"_s, u"Metadata"_s}));
        QCOMPARE(metadataOf(loaded).value(u"xesam:url"_s).toString(),
                 u"http://example.org/tafsir/1.mp3"_s);
        QVERIFY(!metadataOf(loaded).contains(u"mpris:length"_s));

        // Opening, buffering and playing are all "Playing" to the desktop: one announcement.
        m_player->enter(AudioPlayer::Opening);
        m_player->enter(AudioPlayer::Buffering);
        m_player->enter(AudioPlayer::Playing);
        m_player->tick(0, 0);
        m_player->tick(250, 0);
        m_service->metadataChanged();
        QVERIFY(flip());
        QCOMPARE(watcher.changes.size(), 2);
        QCOMPARE(watcher.changes[0], (QVariantMap{{u"PlaybackStatus"_s, u"Playing"_s}}));
        watcher.changes.clear();

        // The length becoming known brings the length and seeking; later ticks bring nothing.
        m_player->tick(500, 183500);
        m_player->tick(750, 183500);
        m_player->tick(1000, 183500);
        QVERIFY(flip());
        QCOMPARE(watcher.changes.size(), 2);
        QCOMPARE(watcher.changes[0].keys(), (QStringList{u"CanSeek"_s, u"Metadata"_s}));
        QCOMPARE(metadataOf(watcher.changes[0]).value(u"mpris:length"_s).toLongLong(), 183500000);
        watcher.changes.clear();

        // A volume set in the window, which the player has no event for, comes with the next tick.
        m_player->volumePercent = 40;
        m_player->tick(1250, 183500);
        m_player->enter(AudioPlayer::Paused);
        QVERIFY(flip());
        QCOMPARE(watcher.changes.size(), 3);
        QCOMPARE(watcher.changes[0], (QVariantMap{{u"Volume"_s, 0.4}}));
        QCOMPARE(watcher.changes[1], (QVariantMap{{u"PlaybackStatus"_s, u"Paused"_s}}));
        watcher.changes.clear();

        // Stopping keeps the tape loaded but ends seeking.
        m_player->enter(AudioPlayer::Stopped);
        QVERIFY(flip());
        QCOMPARE(watcher.changes.size(), 2);
        QCOMPARE(watcher.changes[0],
                 (QVariantMap{{u"PlaybackStatus"_s, u"Stopped"_s}, {u"CanSeek"_s, false}}));
    }

    void anotherProgramSeesTheChanges()
    {
        QProcess monitor;
        monitor.setProcessEnvironment(toolEnvironment());
        monitor.start(u"gdbus"_s, {u"monitor"_s, u"--session"_s, u"--dest"_s, name()});
        QVERIFY(monitor.waitForStarted(kTimeoutMs));
        // gdbus names the owner once its own match rule is in place.
        QString seen;
        const auto read = [&monitor, &seen](const QString &text) {
            seen += QString::fromUtf8(monitor.readAllStandardOutput());
            return seen.contains(text);
        };
        QTRY_VERIFY_WITH_TIMEOUT(read(u"is owned by"_s), kTimeoutMs);

        loadTape(u"http://example.org/tafsir/1.mp3"_s);
        m_player->enter(AudioPlayer::Playing);
        m_host->hasNext = true;
        m_service->canGoNextChanged();
        QTRY_VERIFY_WITH_TIMEOUT(read(u"'CanGoNext': <true>"_s), kTimeoutMs);
        monitor.kill();
        monitor.waitForFinished(kTimeoutMs);

        QVERIFY2(seen.contains(u"'xesam:title': <'تفسير سورة البقرة - الشريط 1'>"_s),
                 qPrintable(seen));
        QVERIFY(seen.contains(u"'PlaybackStatus': <'Playing'>"_s));
        QVERIFY(seen.contains(u"org.freedesktop.DBus.Properties.PropertiesChanged "
                              u"('org.mpris.MediaPlayer2.Player'"_s));
    }

    void openUriIsRefused()
    {
        const ToolRun run = call(kPlayer + u".OpenUri"_s, {u"http://example.org/x.mp3"_s});
        QVERIFY(run.finished);
        QVERIFY(run.exitCode != 0);
        QVERIFY2(run.err.contains(u"NotSupported"_s), qPrintable(run.err));
        QVERIFY(m_player->calls.isEmpty());
        QVERIFY(m_player->clip.isEmpty());
    }

    void secondInstanceGetsItsOwnNameAndEachQuits()
    {
        QProcess instance;
        QSignalSpy finished(&instance, &QProcess::finished);
        instance.start(QStringLiteral(MPRIS_INSTANCE), QStringList());
        QVERIFY(instance.waitForStarted(kTimeoutMs));
        QTRY_VERIFY_WITH_TIMEOUT(instance.canReadLine(), kTimeoutMs);
        const QString second = QString::fromUtf8(instance.readLine()).trimmed();
        QCOMPARE(second, kBaseName + u".instance"_s + QString::number(instance.processId()));

        // The helper closes its service inside Quit and ends at once: the reply must still come.
        const ToolRun quitSecond = gdbusCall(second, kRoot + u".Quit"_s);
        QVERIFY2(quitSecond.finished && quitSecond.exitCode == 0, qPrintable(quitSecond.err));
        QVERIFY(finished.count() == 1 || finished.wait(kTimeoutMs));
        QCOMPARE(instance.exitStatus(), QProcess::NormalExit);
        QCOMPARE(instance.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(instance.readAll()).trimmed(), u"quit ran"_s);

        QVERIFY(m_host->calls.isEmpty());
        const ToolRun quitFirst = call(kRoot + u".Quit"_s);
        QVERIFY2(quitFirst.exitCode == 0, qPrintable(quitFirst.err));
        QCOMPARE(m_host->calls, QStringList{u"quit"_s});
    }

    void withoutASessionBusStaysSilent()
    {
        QTemporaryDir runtime;
        QVERIFY(runtime.isValid());
        QProcessEnvironment env = toolEnvironment();
        env.remove(u"DBUS_SESSION_BUS_ADDRESS"_s);
        // Nothing to find or start a bus with: no X display, an empty runtime folder.
        env.remove(u"DISPLAY"_s);
        env.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
        const ToolRun run = runTool(QStringLiteral(MPRIS_INSTANCE), {}, env);
        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 3);
        QCOMPARE(run.out, u"no session bus"_s);
        QCOMPARE(run.err, QString());
    }
};

QTEST_MAIN(TestMprisService)
#include "tst_mprisservice.moc"
