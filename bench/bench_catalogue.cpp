// Catalogue loading benchmark: how long Catalogue::BuildTree() takes and how much memory it holds,
// next to the time merely reading and decoding the same files takes (the floor no loader can go
// under). Every measurement runs in a child process of this same binary so that each has its own
// peak memory figure.
//
//   bench_catalogue [--data DIR] [--runs N] [SIZE...]   measure (sizes default to 10k, 100k, 1M)
//   bench_catalogue --generate DIR SIZE                 only write a catalogue of SIZE records

#include "catalogue.h"
#include "cataloguegenerator.h"
#include "codepage.h"
#include "general.h"
#include "knownlist.h"
#include "taperecord.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <sys/resource.h>

#include <algorithm>
#include <limits>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

// Targets for a catalogue of a million records.
constexpr double kLoadTargetRatio = 2.0;   // BuildTree time against the floor (whole files decoded)
constexpr double kMemoryTargetRatio = 1.3; // memory the load adds against the files' size
constexpr double kRegroupTargetMs = 1000.0;

constexpr double kMiB = 1024.0 * 1024.0;

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

double elapsedMs(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// Peak resident set of this process so far, in KiB. Linux carries ru_maxrss over from the process
// that forked us (the kernel keeps the pre-exec image's high-water mark), so a child of a large
// parent would report at least the parent's size; VmHWM belongs to this program image alone and is
// preferred when /proc gives it.
qint64 peakRssKiB()
{
    QFile status(u"/proc/self/status"_s);
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:")) {
                bool ok = false;
                const qint64 kib = line.mid(6).trimmed().chopped(3).trimmed().toLongLong(&ok);
                if (ok)
                    return kib;
            }
        }
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss; // KiB on Linux
}

// ---- Child side: one measurement, reported as "key=value" lines on stdout ----

void report(const QString &key, const QString &value)
{
    out() << key << u'=' << value << Qt::endl;
}

void report(const QString &key, double value)
{
    report(key, QString::number(value, 'f', 3));
}

void report(const QString &key, qint64 value)
{
    report(key, QString::number(value));
}

// Reads and decodes every catalogue file with one decoder call a file (the floor), or into a
// string a line as readCodePageLines does, and nothing else.
int childFloor(const QString &folder, bool wholeFiles)
{
    qint64 lines = 0;
    const double ms = wholeFiles ? decodeWholeFilesMs(folder) : readAndDecodeMs(folder, &lines);
    if (ms < 0) {
        err() << "cannot read the files of " << folder << Qt::endl;
        return 1;
    }
    report(u"ms"_s, ms);
    report(u"lines"_s, lines);
    report(u"peak_kib"_s, peakRssKiB());
    return 0;
}

// Loads the folder; with regroup, then re-groups the Quran records by surah/reciter the way a
// change of the Quran grouping does.
int childLoad(const QString &folder, bool regroup)
{
    Catalogue catalogue(folder);
    QElapsedTimer timer;
    timer.start();
    catalogue.BuildTree();
    report(u"ms"_s, elapsedMs(timer));
    report(u"entries"_s, catalogue.index().size() - 1);
    report(u"peak_kib"_s, peakRssKiB());
    if (!regroup)
        return 0;

    CatalogueIndex &index = catalogue.index();
    TreePaths &paths = catalogue.paths();
    paths.QuranSort = 3;
    qint64 regrouped = 0;
    timer.start();
    for (qsizetype i = 1; i < index.size(); ++i) {
        const QString record = index.record(i);
        if (!RecordField(record, 0).contains(u"قرآن"))
            continue;
        index.setPath(i, paths.BuildPath(record));
        ++regrouped;
    }
    report(u"regroup_ms"_s, elapsedMs(timer));
    report(u"regrouped"_s, regrouped);
    report(u"regroup_peak_kib"_s, peakRssKiB());
    return 0;
}

int childIdle()
{
    report(u"peak_kib"_s, peakRssKiB());
    return 0;
}

// ---- Parent side ----

using Report = QHash<QString, QString>;

std::optional<Report> runChild(const QStringList &arguments)
{
    QProcess process;
    process.setProgram(QCoreApplication::applicationFilePath());
    process.setArguments(arguments);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start();
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        err() << "measurement failed: " << arguments.join(u' ') << Qt::endl;
        return std::nullopt;
    }
    Report result;
    const QStringList lines = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n');
    for (const QString &line : lines) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0)
            result.insert(line.left(eq), line.mid(eq + 1));
    }
    return result;
}

struct Measurement
{
    CatalogueShape shape = CatalogueShape::Blocks;
    qint64 records = 0;
    double linesMs = std::numeric_limits<double>::max(); // a string a line
    qint64 fileBytes = 0;
    qint64 loadedEntries = 0;
    double floorMs = std::numeric_limits<double>::max();
    double loadMs = std::numeric_limits<double>::max();
    qint64 peakKiB = 0;
    bool regrouped = false;
    double regroupMs = std::numeric_limits<double>::max();
    qint64 regroupedEntries = 0;
    qint64 regroupPeakKiB = 0;
};

// The folder holding a catalogue of `records` records under root, written unless a complete one
// is already there (a marker beside the folder says it was finished).
std::optional<QString> catalogueFolder(const QString &root, qint64 records, CatalogueShape shape)
{
    QElapsedTimer timer;
    timer.start();
    QString error;
    const QString folder = preparedCatalogue(root, records, &error, shape);
    if (folder.isEmpty()) {
        err() << error << Qt::endl;
        return std::nullopt;
    }
    if (elapsedMs(timer) > 1000)
        out() << "Generated " << QLocale(QLocale::English).toString(records) << " records ("
              << shapeName(shape) << ") in " << QString::number(elapsedMs(timer) / 1000.0, 'f', 1)
              << " s" << Qt::endl;
    return folder;
}

std::optional<Measurement> measure(const QString &folder, CatalogueShape shape, qint64 records,
                                   int runs, bool regroup)
{
    Measurement m;
    m.shape = shape;
    m.records = records;
    m.fileBytes = catalogueBytes(folder);
    // Floors and load take turns, so all find the files equally warm in the page cache.
    for (int run = 0; run < runs; ++run) {
        const auto floor = runChild({u"--child"_s, u"floor"_s, u"--folder"_s, folder});
        const auto lines = runChild({u"--child"_s, u"lines"_s, u"--folder"_s, folder});
        QStringList loadArguments{u"--child"_s, u"load"_s, u"--folder"_s, folder};
        if (regroup)
            loadArguments << u"--regroup"_s;
        const auto load = runChild(loadArguments);
        if (!floor || !lines || !load)
            return std::nullopt;
        m.floorMs = std::min(m.floorMs, floor->value(u"ms"_s).toDouble());
        m.linesMs = std::min(m.linesMs, lines->value(u"ms"_s).toDouble());
        m.loadMs = std::min(m.loadMs, load->value(u"ms"_s).toDouble());
        m.peakKiB = std::max(m.peakKiB, load->value(u"peak_kib"_s).toLongLong());
        m.loadedEntries = load->value(u"entries"_s).toLongLong();
        if (regroup) {
            m.regrouped = true;
            m.regroupMs = std::min(m.regroupMs, load->value(u"regroup_ms"_s).toDouble());
            m.regroupedEntries = load->value(u"regrouped"_s).toLongLong();
            m.regroupPeakKiB =
                std::max(m.regroupPeakKiB, load->value(u"regroup_peak_kib"_s).toLongLong());
        }
    }
    return m;
}

QString grouped(qint64 n)
{
    return QLocale(QLocale::English).toString(n);
}

QString fixed(double v, int width, int precision = 1)
{
    return QString::number(v, 'f', precision).rightJustified(width);
}

QString verdict(bool met)
{
    return met ? u"met"_s : u"NOT met"_s;
}

void printTable(const QList<Measurement> &results, qint64 baselineKiB, int runs)
{
    const double baseMiB = double(baselineKiB) / 1024.0;
    out() << Qt::endl
          << "Times: best of " << runs << " runs. Peak RSS: highest of the load runs. Idle process "
          << "of this binary (baseline): " << QString::number(baseMiB, 'f', 1) << " MiB."
          << Qt::endl
          << "floor = one thread reads each file and decodes it with one call; lines = the same "
          << "into a string a line, as readCodePageLines does." << Qt::endl
          << "load/floor = BuildTree time / floor; mem/files = (peak - baseline) / files' size."
          << Qt::endl
          << Qt::endl;
    out() << "shape      records  files MiB   floor ms   lines ms    load ms  load/floor   peak MiB"
          << "  peak-base MiB  mem/files" << Qt::endl;
    for (const Measurement &m : results) {
        const double filesMiB = double(m.fileBytes) / kMiB;
        const double peakMiB = double(m.peakKiB) / 1024.0;
        out() << shapeName(m.shape).leftJustified(6) << grouped(m.records).rightJustified(11)
              << fixed(filesMiB, 11) << fixed(m.floorMs, 11) << fixed(m.linesMs, 11)
              << fixed(m.loadMs, 11) << fixed(m.loadMs / m.floorMs, 12, 2) << fixed(peakMiB, 11)
              << fixed(peakMiB - baseMiB, 15) << fixed((peakMiB - baseMiB) / filesMiB, 11, 2)
              << Qt::endl;
        if (m.loadedEntries != m.records)
            out() << "    warning: the load gave " << grouped(m.loadedEntries) << " entries for "
                  << grouped(m.records) << " records" << Qt::endl;
    }
}

void printTargets(const Measurement &m, qint64 baselineKiB)
{
    const double filesMiB = double(m.fileBytes) / kMiB;
    const double addedMiB = double(m.peakKiB - baselineKiB) / 1024.0;
    const double loadLimit = kLoadTargetRatio * m.floorMs;
    const double memoryLimit = kMemoryTargetRatio * filesMiB;
    out() << Qt::endl
          << "Targets at " << grouped(m.records) << " records, " << shapeName(m.shape) << " shape";
    if (m.records != 1000000)
        out() << " (the targets are meant for 1,000,000)";
    out() << ":" << Qt::endl;
    out() << "  load <= " << kLoadTargetRatio
          << " x floor:        " << QString::number(m.loadMs, 'f', 1) << " ms against "
          << QString::number(loadLimit, 'f', 1) << " ms ("
          << QString::number(m.loadMs / m.floorMs, 'f', 2) << " x)  "
          << verdict(m.loadMs <= loadLimit) << Qt::endl;
    out() << "  memory <= " << kMemoryTargetRatio
          << " x files' size: " << QString::number(addedMiB, 'f', 1) << " MiB against "
          << QString::number(memoryLimit, 'f', 1) << " MiB ("
          << QString::number(addedMiB / filesMiB, 'f', 2) << " x)  "
          << verdict(addedMiB <= memoryLimit) << Qt::endl;
    if (m.regrouped) {
        out() << Qt::endl
              << "Re-grouping the Quran records by surah/reciter (QuranSort = 3), "
              << grouped(m.regroupedEntries) << " entries: " << QString::number(m.regroupMs, 'f', 1)
              << " ms (target for later: < " << kRegroupTargetMs << " ms, "
              << verdict(m.regroupMs < kRegroupTargetMs) << "); peak RSS afterwards "
              << QString::number(double(m.regroupPeakKiB) / 1024.0, 'f', 1) << " MiB" << Qt::endl;
    }
}

// Collecting 40,000 distinct owners when one value met before holds a NUL character (a stray
// byte in a catalogue file). Membership must stay a hash look-up whatever the values hold; a
// search of the whole list here grows with the square of the number of values.
void printKnownValues()
{
    constexpr int kValues = 40000;
    QElapsedTimer timer;
    timer.start();
    KnownList owners;
    owners.addIfNew(u"S\0"_s);
    for (int i = 0; i < kValues; ++i)
        owners.addIfNew(u"S"_s + QString::number(i));
    out() << Qt::endl
          << "Known values: " << grouped(kValues)
          << " distinct after one holding NUL: " << QString::number(elapsedMs(timer), 'f', 1)
          << " ms (" << grouped(owners.size() - 1) << " kept)" << Qt::endl;
}

std::optional<QList<qint64>> parseSizes(const QStringList &arguments)
{
    QList<qint64> sizes;
    for (const QString &argument : arguments) {
        bool ok = false;
        const qint64 n = argument.toLongLong(&ok);
        if (!ok || n <= 0) {
            err() << "not a number of records: " << argument << Qt::endl;
            return std::nullopt;
        }
        if (!sizes.contains(n))
            sizes.append(n);
    }
    if (sizes.isEmpty())
        sizes = {10000, 100000, 1000000};
    return sizes;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Measures Catalogue::BuildTree() against reading and decoding the same files."_s);
    parser.addHelpOption();
    const QCommandLineOption dataOption(
        u"data"_s, u"Keep the generated catalogues in <dir> and reuse them on later runs."_s,
        u"dir"_s);
    const QCommandLineOption runsOption(u"runs"_s, u"Runs per measurement (default 3)."_s, u"n"_s,
                                        u"3"_s);
    const QCommandLineOption generateOption(
        u"generate"_s, u"Only write a catalogue of the first size into <dir>."_s, u"dir"_s);
    const QCommandLineOption realOption(u"real"_s,
                                        u"With --generate: the real-shaped catalogue."_s);
    QCommandLineOption childOption(u"child"_s, u"Internal: run one measurement."_s, u"mode"_s);
    QCommandLineOption folderOption(u"folder"_s, u"Internal: the catalogue folder."_s, u"dir"_s);
    QCommandLineOption regroupOption(u"regroup"_s, u"Internal: re-group after loading."_s);
    for (QCommandLineOption *option : {&childOption, &folderOption, &regroupOption})
        option->setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({dataOption, runsOption, generateOption, realOption, childOption,
                       folderOption, regroupOption});
    parser.addPositionalArgument(
        u"sizes"_s, u"Numbers of records (default 10000 100000 1000000)."_s, u"[size...]"_s);
    parser.process(app);

    if (parser.isSet(childOption)) {
        const QString mode = parser.value(childOption);
        const QString folder = parser.value(folderOption);
        if (mode == u"idle"_s)
            return childIdle();
        if (mode == u"floor"_s)
            return childFloor(folder, true);
        if (mode == u"lines"_s)
            return childFloor(folder, false);
        if (mode == u"load"_s)
            return childLoad(folder, parser.isSet(regroupOption));
        err() << "unknown measurement " << mode << Qt::endl;
        return 2;
    }

    const auto sizes = parseSizes(parser.positionalArguments());
    if (!sizes)
        return 2;

    if (parser.isSet(generateOption)) {
        GeneratedCatalogue written;
        QString error;
        const CatalogueShape shape =
            parser.isSet(realOption) ? CatalogueShape::RealShaped : CatalogueShape::Blocks;
        if (!generateCatalogue(parser.value(generateOption), sizes->first(), &written, &error,
                               shape)) {
            err() << error << Qt::endl;
            return 1;
        }
        out() << "Wrote " << grouped(written.records) << " records, " << written.files << " files, "
              << QString::number(double(written.bytes) / kMiB, 'f', 1) << " MiB" << Qt::endl;
        return 0;
    }

    bool runsOk = false;
    const int runs = parser.value(runsOption).toInt(&runsOk);
    if (!runsOk || runs < 1) {
        err() << "--runs needs a positive number" << Qt::endl;
        return 2;
    }

    std::optional<QTemporaryDir> temporary;
    QString root = parser.value(dataOption);
    if (root.isEmpty()) {
        temporary.emplace();
        if (!temporary->isValid()) {
            err() << "cannot create a temporary folder: " << temporary->errorString() << Qt::endl;
            return 1;
        }
        root = temporary->path();
    } else if (!QDir().mkpath(root)) {
        err() << "cannot create " << root << Qt::endl;
        return 1;
    }

    qint64 baselineKiB = std::numeric_limits<qint64>::max();
    for (int run = 0; run < runs; ++run) {
        const auto idle = runChild({u"--child"_s, u"idle"_s});
        if (!idle)
            return 1;
        baselineKiB = std::min(baselineKiB, idle->value(u"peak_kib"_s).toLongLong());
    }

    const qint64 largest = *std::max_element(sizes->begin(), sizes->end());
    QList<Measurement> results;
    for (const CatalogueShape shape : {CatalogueShape::Blocks, CatalogueShape::RealShaped}) {
        for (const qint64 records : *sizes) {
            const auto folder = catalogueFolder(root, records, shape);
            if (!folder)
                return 1;
            out() << "Measuring " << grouped(records) << " records (" << shapeName(shape) << ")..."
                  << Qt::endl;
            const auto m = measure(*folder, shape, records, runs, records == largest);
            if (!m)
                return 1;
            results.append(*m);
        }
    }

    printTable(results, baselineKiB, runs);
    for (const Measurement &m : results)
        if (m.records == largest)
            printTargets(m, baselineKiB);
    printKnownValues();
    return 0;
}
