#include "closesignals.h"

#include <QSignalSpy>
#include <QTest>

#include <csignal>

namespace {

// The handler a signal has now.
void (*handlerOf(int number))(int)
{
    struct sigaction now = {};
    ::sigaction(number, nullptr, &now);
    return now.sa_handler;
}

} // namespace

class TestCloseSignals : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each signal that asks to end becomes one close request in the event loop, and the process
    // lives on to answer it; a signal that came before the loop ran waits for it.
    void eachSignalAsksToClose_data()
    {
        QTest::addColumn<int>("number");
        QTest::addRow("SIGTERM") << int(SIGTERM);
        QTest::addRow("SIGINT") << int(SIGINT);
        QTest::addRow("SIGHUP") << int(SIGHUP);
    }
    void eachSignalAsksToClose()
    {
        QFETCH(int, number);
        CloseSignals signals;
        QVERIFY(signals.installed());
        QVERIFY(CloseSignals::handled().contains(number));
        QSignalSpy requests(&signals, &CloseSignals::closeRequested);
        QCOMPARE(::raise(number), 0);
        QVERIFY(requests.isEmpty()); // only in the event loop
        QVERIFY(requests.wait());
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests.first().first().toInt(), number);

        // Again: the pipe was emptied, and still works.
        QCOMPARE(::raise(number), 0);
        QVERIFY(requests.wait());
        QCOMPARE(requests.size(), 2);
    }

    // Signals that come together before the loop reads them make one request, naming the last.
    void signalsTogetherAskOnce()
    {
        CloseSignals signals;
        QSignalSpy requests(&signals, &CloseSignals::closeRequested);
        QCOMPARE(::raise(SIGTERM), 0);
        QCOMPARE(::raise(SIGHUP), 0);
        QVERIFY(requests.wait());
        QCoreApplication::processEvents();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests.first().first().toInt(), int(SIGHUP));
    }

    // Destroying the object gives each signal the handling it had; a second object while one
    // holds the handlers takes nothing, and leaves the first one's in place when it goes.
    void handlersAreGivenBack()
    {
        const auto before = ::signal(SIGHUP, SIG_IGN);
        const auto intBefore = handlerOf(SIGINT);
        {
            CloseSignals first;
            QVERIFY(first.installed());
            QVERIFY(handlerOf(SIGHUP) != SIG_IGN);
            {
                CloseSignals second;
                QVERIFY(!second.installed());
            }
            QSignalSpy requests(&first, &CloseSignals::closeRequested);
            QCOMPARE(::raise(SIGHUP), 0);
            QVERIFY(requests.wait());
        }
        QVERIFY(handlerOf(SIGHUP) == SIG_IGN);
        QVERIFY(handlerOf(SIGINT) == intBefore);
        QCOMPARE(::raise(SIGHUP), 0); // ignored again: the test goes on
        ::signal(SIGHUP, before);

        // A new object after the first is gone holds the handlers again.
        CloseSignals again;
        QVERIFY(again.installed());
    }
};

QTEST_GUILESS_MAIN(TestCloseSignals)
#include "tst_closesignals.moc"
