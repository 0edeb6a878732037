// Starts the real Marvoli (offscreen) on a generated catalogue and on an empty one, and prints how
// long it took until the roots of the tree were filled and until the window was first painted, and
// its peak memory; beside them the time one thread takes merely to read and decode the same files
// (the floor).

#include "cataloguegenerator.h"
#include "general.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <limits>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr double kMiB = 1024.0 * 1024.0;
constexpr double kRootsTargetRatio = 2.0;  // window shown against the floor
constexpr double kMemoryTargetRatio = 1.3; // peak over an empty start against the files' size

struct Startup
{
    double rootsMs = 0;
    double shownMs = 0;
    double peakMiB = 0;
};

// An application folder whose DB/ lists the catalogue's files (as links, so nothing is copied).
bool makeAppFolder(const QString &folder, const QString &catalogue)
{
    if (!QDir().mkpath(folder + u"/DB"_s))
        return false;
    if (catalogue.isEmpty())
        return true;
    for (const QString &name : ListFolderFiles(catalogue))
        if (!name.isEmpty() && !QFile::link(catalogue + u'/' + name, folder + u"/DB/"_s + name))
            return false;
    return true;
}

std::optional<Startup> start(const QString &marvoli, const QString &appFolder)
{
    // The program lives in its application folder, as a portable installation does.
    const QString program = appFolder + u"/Marvoli"_s;
    if (!QFile::exists(program) && !QFile::copy(marvoli, program))
        return std::nullopt;

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    using namespace std::chrono;
    const auto launched =
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    env.insert(u"MARVOLI_STARTUP_REPORT"_s, QString::number(launched));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, {});
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    static const QRegularExpression report(
        u"marvoli-startup roots=(-?\\d+) shown=(\\d+) peak-kib=(\\d+)"_s);
    const auto match = report.match(QString::fromUtf8(process.readAllStandardError()));
    if (!match.hasMatch())
        return std::nullopt;
    return Startup{match.captured(1).toDouble(), match.captured(2).toDouble(),
                   match.captured(3).toDouble() / 1024.0};
}

QString fixed(double v, int width, int decimals = 1)
{
    return QString::number(v, 'f', decimals).rightJustified(width);
}

const char *verdict(bool met)
{
    return met ? "met" : "NOT met";
}

// Starts the program on one catalogue and on an empty DB/, and prints the figures and targets.
int measureShape(const QString &marvoli, const QString &catalogue, qint64 records, int runs)
{
    QTemporaryDir work;
    const QString emptyApp = work.filePath(u"empty"_s);
    const QString fullApp = work.filePath(u"full"_s);
    if (!makeAppFolder(emptyApp, {}) || !makeAppFolder(fullApp, catalogue)) {
        std::fprintf(stderr, "cannot lay out the application folders in %s\n",
                     qPrintable(work.path()));
        return 1;
    }
    const qint64 bytes = catalogueBytes(catalogue);

    // Best of the runs for times; the highest peak memory.
    double floorMs = std::numeric_limits<double>::max();
    double linesMs = std::numeric_limits<double>::max();
    Startup empty{std::numeric_limits<double>::max(), std::numeric_limits<double>::max(), 0};
    Startup full = empty;
    for (int run = 0; run < runs; ++run) {
        const double floor = decodeWholeFilesMs(catalogue);
        const double lines = readAndDecodeMs(catalogue);
        const auto e = start(marvoli, emptyApp);
        const auto f = start(marvoli, fullApp);
        if (floor < 0 || lines < 0 || !e || !f) {
            std::fprintf(stderr, "Marvoli (%s) did not start and report\n", qPrintable(marvoli));
            return 1;
        }
        floorMs = std::min(floorMs, floor);
        linesMs = std::min(linesMs, lines);
        empty = {std::min(empty.rootsMs, e->rootsMs), std::min(empty.shownMs, e->shownMs),
                 std::max(empty.peakMiB, e->peakMiB)};
        full = {std::min(full.rootsMs, f->rootsMs), std::min(full.shownMs, f->shownMs),
                std::max(full.peakMiB, f->peakMiB)};
    }

    const double filesMiB = double(bytes) / kMiB;
    const double overEmpty = full.peakMiB - empty.peakMiB;
    std::printf("Starting Marvoli offscreen: %lld records, %.1f MiB of catalogue files; best of %d "
                "runs (peak memory: the highest).\n\n",
                static_cast<long long>(records), filesMiB, runs);
    std::printf("                 roots ms   shown ms   peak MiB\n");
    std::printf("  empty DB/   %s %s %s\n", qPrintable(fixed(empty.rootsMs, 11)),
                qPrintable(fixed(empty.shownMs, 10)), qPrintable(fixed(empty.peakMiB, 10)));
    std::printf("  catalogue   %s %s %s\n", qPrintable(fixed(full.rootsMs, 11)),
                qPrintable(fixed(full.shownMs, 10)), qPrintable(fixed(full.peakMiB, 10)));
    std::printf("\nFloor (one thread reads each file and decodes it in one call): %.1f ms\n",
                floorMs);
    std::printf("(The same into a string a line, as readCodePageLines does: %.1f ms)\n\n", linesMs);
    std::printf("Targets:\n");
    std::printf("  window shown <= %.0f x floor:  %.1f ms against %.1f ms (%.2f x)  %s\n",
                kRootsTargetRatio, full.shownMs, kRootsTargetRatio * floorMs,
                full.shownMs / floorMs, verdict(full.shownMs <= kRootsTargetRatio * floorMs));
    std::printf("  peak memory over an empty start <= %.1f x files: %.1f MiB against %.1f MiB "
                "(%.2f x)  %s\n",
                kMemoryTargetRatio, overEmpty, kMemoryTargetRatio * filesMiB, overEmpty / filesMiB,
                verdict(overEmpty <= kMemoryTargetRatio * filesMiB));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    auto bench = benchCatalogue(app);
    if (!bench)
        return 1;
    const QString marvoli = QString::fromUtf8(MARVOLI_EXECUTABLE);
    return measureEachShape(*bench, [&](const QString &folder) {
        return measureShape(marvoli, folder, bench->records, bench->runs);
    });
}
