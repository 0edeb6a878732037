#include "kdekeyboardlayouts.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kService = u"org.kde.keyboard"_s;
const QString kPath = u"/Layouts"_s;
const QString kInterface = u"org.kde.KeyboardLayouts"_s;
// The calls are made when a text box gets the focus: a service that hangs must not freeze the
// window for D-Bus's default 25 seconds.
constexpr int kTimeoutMs = 1000;

// Plasma's service: getLayoutsList() -> a(sss) (short name, display name, long name),
// getLayout() -> u, setLayout(u) -> b. Older Plasma versions answer with other signatures; every
// reply is checked, and anything unexpected reads as "no layouts" or "unknown".
class KdeKeyboardLayouts final : public KeyboardLayouts
{
public:
    // The connection is kept by name: a QDBusConnection held past the application's end (this
    // object may live in a static) would outlive Qt's connection manager.
    explicit KdeKeyboardLayouts(const QString &connectionName)
        : m_connectionName(connectionName)
    {}

    QList<KeyboardLayout> layouts() const override
    {
        const QDBusMessage reply = call(u"getLayoutsList"_s);
        QList<KeyboardLayout> result;
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
            return result;
        const QVariant value = reply.arguments().constFirst();
        if (value.metaType() != QMetaType::fromType<QDBusArgument>())
            return result;
        const auto list = qvariant_cast<QDBusArgument>(value);
        if (list.currentSignature() != "a(sss)"_L1)
            return result;
        list.beginArray();
        while (!list.atEnd()) {
            QString shortName, displayName, longName;
            list.beginStructure();
            list >> shortName >> displayName >> longName;
            list.endStructure();
            // The short name is the XKB layout ("ara"); the display name is the user's own label
            // and the long name a translated description, so neither says what the layout is.
            result.append(KeyboardLayout::fromString(shortName));
        }
        list.endArray();
        return result;
    }

    int current() const override
    {
        const QDBusMessage reply = call(u"getLayout"_s);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
            return -1;
        const QVariant value = reply.arguments().constFirst();
        if (value.metaType() != QMetaType::fromType<uint>())
            return -1;
        const uint index = value.toUInt();
        return index <= uint(std::numeric_limits<int>::max()) ? int(index) : -1;
    }

    bool setCurrent(int index) override
    {
        if (index < 0)
            return false;
        const QDBusMessage reply = call(u"setLayout"_s, {QVariant::fromValue(uint(index))});
        if (reply.type() != QDBusMessage::ReplyMessage)
            return false;
        // The service answers whether it switched.
        const QVariant value = reply.arguments().value(0);
        return value.metaType() != QMetaType::fromType<bool>() || value.toBool();
    }

private:
    QDBusMessage call(const QString &method, const QList<QVariant> &arguments = {}) const
    {
        QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
        message.setArguments(arguments);
        return QDBusConnection(m_connectionName).call(message, QDBus::Block, kTimeoutMs);
    }

    QString m_connectionName;
};
} // namespace

std::unique_ptr<KeyboardLayouts> createKdeKeyboardLayouts(const QDBusConnection &bus)
{
    if (!bus.isConnected() || !bus.interface())
        return nullptr;
    if (!bus.interface()->isServiceRegistered(kService).value())
        return nullptr;
    auto kde = std::make_unique<KdeKeyboardLayouts>(bus.name());
    // A service of that name that does not know getLayout() is an older interface.
    if (kde->current() < 0)
        return nullptr;
    return kde;
}
