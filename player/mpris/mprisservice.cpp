#include "mprisservice.h"

#include "audioplayer.h"
#include "mprisadaptors.h"
#include "playback.h"
#include "playqueue.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kObjectPath = u"/org/mpris/MediaPlayer2"_s;
const QString kServiceName = u"org.mpris.MediaPlayer2.marvoli"_s;

} // namespace

MprisService::MprisService(AudioPlayer &player, MediaSource &source, MediaControlHost &host,
                           QObject *parent)
    : MprisService(player, source, host, QCoreApplication::applicationDirPath(), parent)
{}

MprisService::MprisService(AudioPlayer &player, MediaSource &source, MediaControlHost &host,
                           const QString &baseFolder, QObject *parent)
    : QObject(parent)
    , m_player(new MprisPlayerAdaptor(this, player, source, baseFolder))
{
    new MprisRootAdaptor(this, host);
}

MprisService::~MprisService()
{
    if (m_serviceName.isEmpty())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(m_serviceName);
    bus.unregisterObject(kObjectPath);
}

bool MprisService::registerOnSessionBus()
{
    if (!m_serviceName.isEmpty())
        return true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    // The object comes first, so that a desktop reacting to the new name finds it at once.
    if (!bus.registerObject(kObjectPath, this, QDBusConnection::ExportAdaptors))
        return false;
    // registerService() does not queue: it fails at once when the name is held.
    QString name = kServiceName;
    if (!bus.registerService(name)) {
        name = kServiceName + u".instance"_s + QString::number(QCoreApplication::applicationPid());
        if (!bus.registerService(name)) {
            bus.unregisterObject(kObjectPath);
            return false;
        }
    }
    m_serviceName = name;
    return true;
}

void MprisService::follow(const Playback &playback, const PlayQueue &queue,
                          const AudioPlayer &player)
{
    connect(&playback, &Playback::titleChanged, this, &MprisService::metadataChanged);
    connect(&queue, &PlayQueue::changed, this, &MprisService::canGoNextChanged);
    connect(&player, &AudioPlayer::StateChanged, this, &MprisService::canGoNextChanged);
}

void MprisService::metadataChanged()
{
    m_player->announceChanges();
}

void MprisService::canGoNextChanged()
{
    m_player->announceChanges();
}

void MprisService::sendPropertiesChanged(const QString &interfaceName, const QVariantMap &changed)
{
    if (m_serviceName.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(
        kObjectPath, u"org.freedesktop.DBus.Properties"_s, u"PropertiesChanged"_s);
    signal << interfaceName << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

void MprisService::setRepeat(RepeatControl *repeat)
{
    m_player->setRepeat(repeat);
}
