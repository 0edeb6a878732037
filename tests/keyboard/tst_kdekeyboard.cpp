#include "arabickeyboard.h"
#include "kdekeyboardlayouts.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QLineEdit>
#include <QTest>
#include <QThread>
#include <QVBoxLayout>

#include <atomic>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kService = u"org.kde.keyboard"_s;
const QString kPath = u"/Layouts"_s;

// The names Plasma's keyboard service gives each layout.
struct LayoutNames
{
    QString shortName;
    QString displayName;
    QString longName;
};

QDBusArgument &operator<<(QDBusArgument &argument, const LayoutNames &names)
{
    argument.beginStructure();
    argument << names.shortName << names.displayName << names.longName;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, LayoutNames &names)
{
    argument.beginStructure();
    argument >> names.shortName >> names.displayName >> names.longName;
    argument.endStructure();
    return argument;
}
} // namespace

Q_DECLARE_METATYPE(LayoutNames)

// A stand-in for Plasma's keyboard service with the same interface. It lives in a thread of its
// own, as the real one lives in another process: the program's calls block until they are answered.
class FakePlasmaKeyboard : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.KeyboardLayouts")

public:
    // Set before the service is on the bus.
    QList<LayoutNames> names;
    std::atomic<uint> layout = 0;

public Q_SLOTS:
    uint getLayout() const { return layout; }
    bool setLayout(uint index)
    {
        if (index >= uint(names.size()))
            return false;
        layout = index;
        return true;
    }
    QList<LayoutNames> getLayoutsList() const { return names; }
};

// The program's side of Plasma's keyboard service, on a private session bus.
class TestKdeKeyboard : public QObject
{
    Q_OBJECT

    QThread m_thread;
    FakePlasmaKeyboard *m_fake = nullptr;
    QDBusConnection m_serviceBus{QString()};

    // Puts the fake on the bus (once).
    bool serve()
    {
        if (m_serviceBus.isConnected())
            return true;
        m_serviceBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"plasma"_s);
        return m_serviceBus.registerObject(kPath, m_fake, QDBusConnection::ExportAllSlots) &&
               m_serviceBus.registerService(kService);
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("No session bus: run under dbus-run-session");
        // On a desktop's own bus the real service may be there; this test never talks to it.
        if (QDBusConnection::sessionBus().interface()->isServiceRegistered(kService))
            QSKIP("A keyboard service already runs on this bus: run under dbus-run-session");
        qDBusRegisterMetaType<LayoutNames>();
        qDBusRegisterMetaType<QList<LayoutNames>>();
        m_fake = new FakePlasmaKeyboard;
        m_fake->names = {{u"us"_s, QString(), u"English (US)"_s},
                         {u"ara"_s, u"ع"_s, u"العربية"_s},
                         {u"fr"_s, QString(), u"Arabic"_s}};
        m_fake->moveToThread(&m_thread);
        connect(&m_thread, &QThread::finished, m_fake, &QObject::deleteLater);
        m_thread.start();
    }
    void cleanupTestCase()
    {
        if (m_serviceBus.isConnected())
            QDBusConnection::disconnectFromBus(m_serviceBus.name());
        m_thread.quit();
        m_thread.wait();
    }

    // Without the service the program looks elsewhere.
    void absentServiceIsNotUsed()
    {
        QVERIFY(!createKdeKeyboardLayouts(QDBusConnection::sessionBus()));
    }

    // Layouts are told by their short names; the display and long names (translated, or the
    // user's labels) say nothing about what a layout is.
    void readsAndSwitches()
    {
        QVERIFY(serve());
        auto kde = createKdeKeyboardLayouts(QDBusConnection::sessionBus());
        QVERIFY(kde);
        const QList<KeyboardLayout> expected{
            {u"us"_s, QString()}, {u"ara"_s, QString()}, {u"fr"_s, QString()}};
        QCOMPARE(kde->layouts(), expected);
        QCOMPARE(kde->current(), 0);
        QVERIFY(kde->setCurrent(2));
        QCOMPARE(m_fake->layout.load(), 2u);
        QCOMPARE(kde->current(), 2);
        QVERIFY(!kde->setCurrent(3));
        QVERIFY(!kde->setCurrent(-1));
        QCOMPARE(m_fake->layout.load(), 2u);
        QVERIFY(kde->setCurrent(0));
    }

    // The program's own choice of desktop takes the service when it is there, and a text box
    // switches through it.
    void textBoxSwitchesThroughService()
    {
        QVERIFY(serve());
        m_fake->layout = 0;
        const auto layouts = KeyboardLayouts::create();
        QWidget window;
        auto *box = new QLineEdit(&window);
        auto *other = new QLineEdit(&window);
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(box);
        layout->addWidget(other);
        ArabicKeyboard::attach(box, layouts.get());
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        box->setFocus();
        QCOMPARE(m_fake->layout.load(), 1u);
        other->setFocus();
        QCOMPARE(m_fake->layout.load(), 0u);
    }
};

QTEST_MAIN(TestKdeKeyboard)
#include "tst_kdekeyboard.moc"
