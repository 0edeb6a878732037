// Starts the real Marvoli (and its updater) on an application folder of its own and ends it the
// way the desktop does (logout, shutdown, "systemctl --user stop", Ctrl+C, a closed terminal): the
// program must close as its Exit item closes it, with its settings written, and end with status 0.

#include "codepage.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <csignal>

#include <sys/types.h>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kWaitMs = 60000; // a sanitizer build starts slowly

// Whether the process has a handler of its own for each of these signals (its SigCgt mask).
bool catches(qint64 pid, const QList<int> &numbers)
{
    QFile status(u"/proc/%1/status"_s.arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (!line.startsWith("SigCgt:"))
            continue;
        bool ok = false;
        const qulonglong mask = line.mid(7).trimmed().toULongLong(&ok, 16);
        return ok && std::all_of(numbers.begin(), numbers.end(),
                                 [mask](int n) { return mask & (1ULL << (n - 1)); });
    }
    return false;
}

// Starts one of the programs from the application folder, offscreen.
void startIn(QProcess &process, const QString &program, const QString &dataHome)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    env.remove(u"MARVOLI_STARTUP_REPORT"_s);
    // Were the folder not taken as the application folder, the data would go here.
    env.insert(u"XDG_DATA_HOME"_s, dataHome);
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, {});
}

} // namespace

class TestSessionEnd : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_app;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // A portable installation: the program beside a writable DB/, which makes this folder
        // its application folder.
        m_app = m_dir.filePath(u"app"_s);
        QVERIFY(QDir().mkpath(m_app + u"/DB"_s));
        QVERIFY(writeCodePageLines(
            m_app + u"/DB/quran.txt"_s,
            {u"القرآن الكريم!R/001 سورة الفاتحة!رواية ورش عن نافع!http://127.0.0.1:9/1.mp3"_s}));
        QVERIFY(QFile::copy(QStringLiteral(MARVOLI_EXECUTABLE), m_app + u"/Marvoli"_s));
        QVERIFY(QFile::copy(QStringLiteral(RENFOLD_EXECUTABLE), m_app + u"/Renfold"_s));
    }

    void init() { QFile::remove(m_app + u"/config.ini"_s); }

    // Each signal closes the program through its closing code. Without an earlier config.ini all
    // thirteen lines are written; with one, what the user had chosen is written back as it was
    // (the file rewritten: the spaces around the numbers are gone). An empty expected line is a
    // window measure, which the window may place anew.
    void signalClosesAndWritesSettings_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QStringList>("earlier");
        QTest::addColumn<QStringList>("expected");
        // The thirteen lines, one after the other between the bars.
        const auto lines = [](const QString &bars) {
            return bars.split(u'|');
        };
        const QStringList defaults = lines(u"0|0|0|25|100|||||0|@كل الروايات|0|0"_s);
        QTest::addRow("SIGTERM") << int(SIGTERM) << QStringList() << defaults;
        QTest::addRow("SIGINT") << int(SIGINT) << QStringList() << defaults;
        QTest::addRow("SIGHUP") << int(SIGHUP) << QStringList() << defaults;
        QTest::addRow("SIGTERM, earlier settings")
            << int(SIGTERM)
            << lines(u" 1|1 |1| 10 |50|1500|1500|6000|8400|0|@رواية ورش عن نافع|1| 1"_s)
            << lines(u"1|1|1|10|50|||||0|@رواية ورش عن نافع|1|1"_s);
    }
    void signalClosesAndWritesSettings()
    {
        QFETCH(int, number);
        QFETCH(QStringList, earlier);
        QFETCH(QStringList, expected);
        const QString config = m_app + u"/config.ini"_s;
        if (!earlier.isEmpty())
            QVERIFY(writeCodePageLines(config, earlier));

        QProcess marvoli;
        startIn(marvoli, m_app + u"/Marvoli"_s, m_dir.filePath(u"data"_s));
        QVERIFY2(marvoli.waitForStarted(kWaitMs), qPrintable(marvoli.errorString()));
        // Up once it handles the signals: the window has been made and is being shown.
        QTRY_VERIFY_WITH_TIMEOUT(marvoli.state() != QProcess::Running ||
                                     catches(marvoli.processId(), {number}),
                                 kWaitMs);
        QCOMPARE(marvoli.state(), QProcess::Running);
        if (earlier.isEmpty())
            QVERIFY(!QFile::exists(config)); // nothing is written before the close

        QCOMPARE(::kill(pid_t(marvoli.processId()), number), 0);
        QVERIFY(marvoli.waitForFinished(kWaitMs));
        QCOMPARE(marvoli.exitStatus(), QProcess::NormalExit);
        QCOMPARE(marvoli.exitCode(), 0);

        bool ok = false;
        const QStringList lines = readCodePageLines(config, &ok);
        QVERIFY(ok);
        QCOMPARE(lines.size(), 13);
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (expected[i].isEmpty()) {
                bool isNumber = false;
                lines[i].toInt(&isNumber);
                QVERIFY2(isNumber, qPrintable(u"line %1: %2"_s.arg(i + 1).arg(lines[i])));
            } else {
                QCOMPARE(lines[i], expected[i]);
            }
        }
        QVERIFY(!QFile::exists(m_dir.filePath(u"data/marvoli"_s)));
    }

    // The updater closes its window on SIGTERM too: the restart choice is written as the
    // window's own close writes it, and the program ends with status 0.
    void updaterClosesOnSignal()
    {
        const QString choice = m_app + u"/update.ini"_s;
        QFile::remove(choice);
        QProcess updater;
        startIn(updater, m_app + u"/Renfold"_s, m_dir.filePath(u"data"_s));
        QVERIFY2(updater.waitForStarted(kWaitMs), qPrintable(updater.errorString()));
        QTRY_VERIFY_WITH_TIMEOUT(updater.state() != QProcess::Running ||
                                     catches(updater.processId(), {SIGTERM}),
                                 kWaitMs);
        QCOMPARE(updater.state(), QProcess::Running);
        QVERIFY(!QFile::exists(choice));

        QCOMPARE(::kill(pid_t(updater.processId()), SIGTERM), 0);
        QVERIFY(updater.waitForFinished(kWaitMs));
        QCOMPARE(updater.exitStatus(), QProcess::NormalExit);
        QCOMPARE(updater.exitCode(), 0);
        QCOMPARE(readCodePageLines(choice), QStringList{u" 1 "_s});
    }
};

QTEST_GUILESS_MAIN(TestSessionEnd)
#include "tst_sessionend.moc"
