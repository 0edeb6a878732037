// Kills the updater at random moments of a run that installs updates 6 to 8 over 5, and checks
// what it leaves: the installed number is one whose files are all in place, the next start puts
// the installation back exactly as that number says, and the next run installs the rest.

#include "fileplacement.h"
#include "updatefixture.h"
#include "updateprocedure.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include <csignal>

using namespace Qt::Literals::StringLiterals;
using namespace UpdateFixture;

namespace {

constexpr int kRounds = 20;
constexpr int kInstalled = 5;
constexpr int kNewest = 8;

// Update n brings a file of its own, and a new version of a file every update shares.
QString ownFile(int n)
{
    return u"links%1.txt"_s.arg(n);
}
QByteArray ownContent(int n, QRandomGenerator &random)
{
    QByteArray bytes(256 * 1024, Qt::Uninitialized);
    random.fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
    return QByteArray::number(n) + bytes;
}
QByteArray sharedContent(int n)
{
    return "shared as of update " + QByteArray::number(n);
}

} // namespace

class TestUpdateCrash : public QObject
{
    Q_OBJECT

    quint32 m_seed = 0;
    QRandomGenerator m_random;
    Site m_site;
    std::map<int, QByteArray> m_cabinets;
    std::map<int, QByteArray> m_own;

    void prepareSite()
    {
        QVERIFY(m_site.prepare(kInstalled, kNewest));
        QVERIFY(writeFile(m_site.app(u"DB/links-shared.txt"_s), sharedContent(kInstalled)));
        for (const auto &[n, cab] : m_cabinets)
            m_site.server().addFile(m_site.cabinetPath(n), cab, "application/vnd.ms-cab");
    }
    // The runner as a process of its own; the server answers from this one.
    void startRunner(QProcess &runner)
    {
        runner.setProcessChannelMode(QProcess::ForwardedChannels);
        runner.start(QStringLiteral(UPDATE_RUNNER), {m_site.app()});
        QVERIFY(runner.waitForStarted());
    }
    // Waits while this process serves the runner.
    void waitFor(QProcess &runner, int ms)
    {
        QElapsedTimer clock;
        clock.start();
        while (runner.state() != QProcess::NotRunning && clock.elapsed() < ms)
            QTest::qWait(1);
    }
    int installedNumber() const { return m_site.infoLine2().toInt(); }
    // Exactly the files of updates up to number, and nothing an update left half done.
    void verifyInstalledUpTo(int number)
    {
        for (int n = kInstalled + 1; n <= kNewest; ++n) {
            const QString path = m_site.app(u"DB/"_s + ownFile(n));
            if (n <= number)
                QVERIFY2(readFile(path) == m_own.at(n), qPrintable(ownFile(n)));
            else
                QVERIFY2(!QFile::exists(path), qPrintable(ownFile(n)));
        }
        QCOMPARE(readFile(m_site.app(u"DB/links-shared.txt"_s)), sharedContent(number));
        const auto hidden = QDir::Files | QDir::Hidden;
        QCOMPARE(QDir(m_site.app(u"DB"_s)).entryList(hidden).filter(u"renfold"_s), QStringList());
        QCOMPARE(QDir(m_site.app()).entryList(hidden).filter(u"renfold-"_s).join(u" "_s),
                 QString());
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (!haveGcab())
            QSKIP("gcab is not installed");
        QVERIFY(QFile::exists(QStringLiteral(UPDATE_RUNNER)));
        // MARVOLI_CRASH_SEED repeats a run that failed.
        bool given = false;
        m_seed = qEnvironmentVariable("MARVOLI_CRASH_SEED").toUInt(&given);
        if (!given)
            m_seed = QRandomGenerator::system()->generate();
        m_random.seed(m_seed);
        qInfo("kill delays seeded with MARVOLI_CRASH_SEED=%u", m_seed);
        for (int n = kInstalled + 1; n <= kNewest; ++n) {
            m_own[n] = ownContent(n, m_random);
            m_cabinets[n] =
                makeCab({{ownFile(n), m_own[n]}, {u"links-shared.txt"_s, sharedContent(n)}});
        }
    }

    void killedAtRandomMoments()
    {
        // How long a whole run takes here: kills fall anywhere in it.
        prepareSite();
        QElapsedTimer clock;
        clock.start();
        QProcess whole;
        startRunner(whole);
        waitFor(whole, 60000);
        QCOMPARE(whole.state(), QProcess::NotRunning);
        const int length = int(clock.elapsed());
        QCOMPARE(whole.exitCode(), int(UpdateProcedure::End::Done));
        verifyInstalledUpTo(kNewest);

        QList<int> numbersSeen;
        for (int round = 0; round < kRounds; ++round) {
            prepareSite();
            QProcess runner;
            startRunner(runner);
            waitFor(runner, int(m_random.bounded(length + 1)));
            // A run that ended by itself has no process left to kill (and pid 0 would be ours).
            if (runner.state() != QProcess::NotRunning && runner.processId() > 0)
                ::kill(pid_t(runner.processId()), SIGKILL);
            QVERIFY(runner.state() == QProcess::NotRunning || runner.waitForFinished(10000));

            // The number is honest at once: every file of the updates it counts is there.
            const int number = installedNumber();
            QVERIFY2(number >= kInstalled && number <= kNewest, qPrintable(m_site.infoLine2()));
            numbersSeen.append(number);
            for (int n = kInstalled + 1; n <= number; ++n)
                QCOMPARE(readFile(m_site.app(u"DB/"_s + ownFile(n))), m_own.at(n));
            {
                // The next start (its lock is the dead run's) mends what the kill left.
                UpdateProcedure next(m_site.app());
                QVERIFY(next.lockFolder());
                verifyInstalledUpTo(installedNumber());
                QVERIFY(installedNumber() >= number);
                QVERIFY(!QFile::exists(m_site.app(u"MVupdates.cab"_s)));
                QVERIFY(!QFile::exists(m_site.app(u"Updates"_s)));
            }
            const bool allThere = installedNumber() == kNewest;
            QProcess rest;
            startRunner(rest);
            waitFor(rest, 60000);
            QCOMPARE(rest.state(), QProcess::NotRunning);
            QCOMPARE(rest.exitCode(),
                     int(allThere ? UpdateProcedure::End::NoUpdates : UpdateProcedure::End::Done));
            verifyInstalledUpTo(kNewest);
            QVERIFY(!QFile::exists(m_site.app(u"MVupdates.cab"_s)));
        }
        qInfo() << "installed numbers left by the kills:" << numbersSeen;
    }
};

QTEST_GUILESS_MAIN(TestUpdateCrash)
#include "tst_updatecrash.moc"
