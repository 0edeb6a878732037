#include "playerwindows.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kPrefix = u"org.mpris.MediaPlayer2."_s;
const QString kPath = u"/org/mpris/MediaPlayer2"_s;
const QString kRoot = u"org.mpris.MediaPlayer2"_s;

QStringList playerServices(const QDBusConnection &bus)
{
    QStringList out;
    const QDBusReply<QStringList> names = bus.interface()->registeredServiceNames();
    if (!names.isValid())
        return out;
    for (const QString &name : names.value())
        if (name.startsWith(kPrefix))
            out.append(name);
    return out;
}

QString identityOf(const QDBusConnection &bus, const QString &service)
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        service, kPath, u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    get << kRoot << u"Identity"_s;
    // A busy player may be slow to answer; one that is not asked is not closed, and the player
    // started after the update would then run beside it.
    const QDBusMessage reply = bus.call(get, QDBus::Block, 10000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant().toString();
}

} // namespace

int ClosePlayerWindows(const QString &titleFragment, std::chrono::milliseconds timeout)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return 0;
    const QDeadlineTimer deadline(timeout);
    QStringList asked;
    for (const QString &service : playerServices(bus)) {
        if (!identityOf(bus, service).contains(titleFragment))
            continue;
        // Asked without blocking: the answer comes once the player has run its closing code,
        // and events go on meanwhile.
        const QDBusMessage quit = QDBusMessage::createMethodCall(service, kPath, kRoot, u"Quit"_s);
        QDBusPendingCallWatcher watcher(bus.asyncCall(quit, int(timeout.count())));
        QEventLoop loop;
        QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        if (!watcher.isFinished())
            loop.exec();
        asked.append(service);
    }
    // Then until every one of them has left the bus.
    while (!deadline.hasExpired()) {
        const QStringList running = playerServices(bus);
        bool anyLeft = false;
        for (const QString &service : asked)
            anyLeft = anyLeft || running.contains(service);
        if (!anyLeft)
            break;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(50);
    }
    return int(asked.size());
}
