// Times searching a large catalogue: one pass that merely normalises every record (the floor a
// search that normalises as it goes cannot go under), preparing the normalised texts the search
// keeps (the program does it in idle time once its window runs), the first search after that, and
// words and phrase searches; then the process's peak memory against the catalogue files' size.
//
//   bench_search [--data DIR] [--runs N] [--shape blocks|real|both] [SIZE]
//   (SIZE defaults to 1,000,000 records)
#include "arabictext.h"
#include "catalogue.h"
#include "cataloguegenerator.h"
#include "cataloguesearch.h"
#include "taperecord.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace {

double bestOf(int runs, const std::function<void()> &timed)
{
    double best = std::numeric_limits<double>::max();
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        timed();
        best = std::min(best, double(t.nsecsElapsed()) / 1e6);
    }
    return best;
}

// Peak resident memory of this process, in MiB.
double peakMiB()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

const char *verdict(bool met)
{
    return met ? "met" : "NOT met";
}

// The figures of one catalogue.
int measureShape(const BenchCatalogue &benchmark, const QString &folder)
{
    const BenchCatalogue *bench = &benchmark;
    const int runs = bench->runs;

    qint64 fileBytes = 0;
    for (const QFileInfo &file : QDir(folder).entryInfoList(QDir::Files))
        fileBytes += file.size();

    Catalogue catalogue(folder);
    catalogue.BuildTree();
    const CatalogueIndex &index = catalogue.index();
    std::printf("%lld records, %.1f MiB of files\n", static_cast<long long>(index.size() - 1),
                double(fileBytes) / (1 << 20));

    QString scratch;
    const double pass = bestOf(runs, [&] {
        for (qsizetype i = 1; i < index.size(); ++i) {
            scratch.truncate(0);
            const QString record = index.record(i);
            const FirstFields fields = SplitFirstFields(record);
            ArabicText::appendHaystack(fields.names, fields.third, scratch);
        }
    });
    std::printf("normalising every record once:      %8.1f ms\n", pass);

    CatalogueSearch search(index);
    const auto words = CatalogueSearch::prepare(u"سورة الحكمة"_s, CatalogueSearch::Words);
    const auto phrase = CatalogueSearch::prepare(u"سورة الحكمة الصغرى"_s, CatalogueSearch::Phrase);
    const auto rare = CatalogueSearch::prepare(u"لا يوجد مثله"_s, CatalogueSearch::Words);
    qsizetype found = 0;
    // The program prepares the kept texts in slices of idle time once its window runs.
    const double prepare = bestOf(1, [&] { search.update(); });
    std::printf("preparing the kept texts (idle time): %7.1f ms\n", prepare);
    const double first = bestOf(1, [&] { found = search.run(*words).size(); });
    std::printf("first search after that:            %8.1f ms  (%lld found)\n", first,
                static_cast<long long>(found));
    const double wordsTime = bestOf(runs, [&] { found = search.run(*words).size(); });
    std::printf("words \"سورة الحكمة\":                %8.1f ms  (%lld found)\n", wordsTime,
                static_cast<long long>(found));
    const double phraseTime = bestOf(runs, [&] { found = search.run(*phrase).size(); });
    std::printf("phrase \"سورة الحكمة الصغرى\":        %8.1f ms  (%lld found)\n", phraseTime,
                static_cast<long long>(found));
    const double rareTime = bestOf(runs, [&] { found = search.run(*rare).size(); });
    std::printf("three words found nowhere:          %8.1f ms  (%lld found)\n", rareTime,
                static_cast<long long>(found));

    const double peak = peakMiB();
    const double files = double(fileBytes) / (1 << 20);
    std::printf("peak memory after the searches:     %8.1f MiB = %.2fx the files\n", peak,
                peak / files);
    const double slowest = std::max(wordsTime, phraseTime);
    std::printf("targets: searches under 30 ms: %s; memory after them under 2x the files: %s\n",
                verdict(std::max(slowest, rareTime) < 30), verdict(peak < 2 * files));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const std::optional<BenchCatalogue> bench = benchCatalogue(app);
    if (!bench)
        return 1;
    return measureEachShape(*bench,
                            [&](const QString &folder) { return measureShape(*bench, folder); });
}
