// Kills a program at random moments while it rewrites one of its files and checks that the file is
// always whole: either the content it had or the one being written, never a mixture or a cut-off
// copy.

#include "general.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <csignal>
#include <thread>

#include <sys/types.h>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kRounds = 20;

QByteArray contentOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestCrashSafety : public QObject
{
    Q_OBJECT

    quint32 m_seed = 0;
    QRandomGenerator m_random;

private Q_SLOTS:
    void initTestCase()
    {
        // MARVOLI_CRASH_SEED repeats a run that failed.
        bool given = false;
        m_seed = qEnvironmentVariable("MARVOLI_CRASH_SEED").toUInt(&given);
        if (!given)
            m_seed = QRandomGenerator::system()->generate();
        m_random.seed(m_seed);
        qInfo("kill delays seeded with MARVOLI_CRASH_SEED=%u", m_seed);
        QVERIFY(QFile::exists(QStringLiteral(CRASH_WRITER)));
    }

    void killedWriterLeavesAWholeFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("fileName");
        // Kills come this long after the writer is ready; a catalogue rewrite takes longest.
        QTest::addColumn<int>("maxDelayMs");
        QTest::addRow("catalogue file") << u"catalogue"_s << u"quran.txt"_s << 150;
        QTest::addRow("favourites") << u"favourites"_s << u"favorites.txt"_s << 60;
        QTest::addRow("additions") << u"additions"_s << u"additions.txt"_s << 60;
        QTest::addRow("recent list") << u"recent"_s << u"last.txt"_s << 60;
        QTest::addRow("settings") << u"config"_s << u"config.ini"_s << 60;
        QTest::addRow("restart choice") << u"updateini"_s << u"update.ini"_s << 60;
        QTest::addRow("update information") << u"updtinfos"_s << u"updtinfos"_s << 60;
    }

    void killedWriterLeavesAWholeFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, fileName);
        QFETCH(int, maxDelayMs);

        // The two contents, as the routine itself writes them.
        QTemporaryDir refDir;
        QVERIFY(refDir.isValid());
        QProcess reference;
        reference.start(QStringLiteral(CRASH_WRITER), {u"reference"_s, kind, refDir.path()});
        QVERIFY(reference.waitForFinished(30000));
        QCOMPARE(reference.exitStatus(), QProcess::NormalExit);
        QCOMPARE(reference.exitCode(), 0);
        const QByteArray contents[2] = {contentOf(refDir.filePath(u"expected-a"_s)),
                                        contentOf(refDir.filePath(u"expected-b"_s))};
        QVERIFY(!contents[0].isEmpty() && !contents[1].isEmpty());
        QVERIFY(contents[0] != contents[1]);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(fileName);
        QVERIFY(QFile::copy(refDir.filePath(u"expected-a"_s), path));
        int held = 0; // which of the two contents the file holds

        // The atomic writer's temporaries: hidden, named after the file, a random suffix.
        const QRegularExpression temporaryName(u"^\\."_s + QRegularExpression::escape(fileName) +
                                               u"\\.[0-9a-z]+$"_s);
        int writes = 0;
        int roundsWithWrites = 0;
        int leftBehind = 0;
        for (int round = 0; round < kRounds; ++round) {
            const int delayUs = int(m_random.bounded(maxDelayMs * 1000 + 1));
            const QString where =
                u"%1, round %2, delay %3 us, seed %4"_s.arg(kind).arg(round).arg(delayUs).arg(
                    m_seed);

            QProcess writer;
            writer.start(QStringLiteral(CRASH_WRITER),
                         {u"loop"_s, kind, dir.path(), held == 0 ? u"b"_s : u"a"_s});
            QVERIFY2(writer.waitForStarted(10000), qPrintable(where));
            QByteArray said;
            while (!said.contains('r') && writer.state() == QProcess::Running &&
                   writer.waitForReadyRead(10000))
                said += writer.readAllStandardOutput();
            QVERIFY2(said.startsWith('r'), qPrintable(where));
            // On a slow machine (a sanitizer build) a rewrite may take longer than every delay:
            // the last round lets one finish first, so that the file has changed at least once.
            if (round == kRounds - 1 && writes == 0)
                while (!said.contains('.') && writer.state() == QProcess::Running &&
                       writer.waitForReadyRead(10000))
                    said += writer.readAllStandardOutput();
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
            const bool running = writer.state() == QProcess::Running;
            QVERIFY2(::kill(pid_t(writer.processId()), SIGKILL) == 0 || !running,
                     qPrintable(where));
            QVERIFY2(writer.waitForFinished(10000), qPrintable(where));
            // A writer that stopped on its own had a rewrite refused: a fault in itself.
            QVERIFY2(running && writer.exitStatus() == QProcess::CrashExit,
                     qPrintable(where + u": the writer stopped by itself, code "_s +
                                QString::number(writer.exitCode())));
            said += writer.readAllStandardOutput();
            const int completed = int(said.count('.'));

            const QByteArray now = contentOf(path);
            const int found = now == contents[0] ? 0 : now == contents[1] ? 1 : -1;
            QVERIFY2(found >= 0, qPrintable(where + u": the file holds %1 bytes, neither content "
                                                    u"(%2 or %3 bytes)"_s.arg(now.size())
                                                        .arg(contents[0].size())
                                                        .arg(contents[1].size())));
            held = found;
            writes += completed;
            if (completed > 0)
                ++roundsWithWrites;

            // Nothing but the file and the writer's own temporaries, which the catalogue folder
            // listing skips: a temporary is never read as a catalogue file.
            const QStringList entries =
                QDir(dir.path())
                    .entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
            int temporaries = 0;
            for (const QString &entry : entries) {
                if (entry == fileName)
                    continue;
                QVERIFY2(temporaryName.match(entry).hasMatch(),
                         qPrintable(where + u": unexpected file "_s + entry));
                ++temporaries;
            }
            QVERIFY2(temporaries <= leftBehind + 1,
                     qPrintable(where + u": more than one temporary left by one kill"_s));
            leftBehind = temporaries;
            QCOMPARE(ListFolderFiles(dir.path()), QStringList{fileName});
        }
        qint64 temporaryBytes = 0;
        for (const QFileInfo &entry : QDir(dir.path()).entryInfoList(QDir::Files | QDir::Hidden))
            if (entry.fileName() != fileName)
                temporaryBytes += entry.size();
        qInfo("%s: %d rewrites completed in %d of %d rounds; %d temporaries (%lld bytes) left "
              "behind",
              qPrintable(kind), writes, roundsWithWrites, kRounds, leftBehind, temporaryBytes);
        // Kills that all came before the first rewrite would prove nothing.
        QVERIFY2(writes > 0, qPrintable(u"the writer never got to write: seed %1"_s.arg(m_seed)));
    }
};

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "tst_crashsafety.moc"
