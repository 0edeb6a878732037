// Times the catalogue editor on a large catalogue: deleting a folder of about 50,000 tapes and
// modifying one record, each against the time of merely reading the files involved and rewriting
// them once with the atomic writer (the floor an edit that rewrites those files cannot go under).
// Every measured edit runs on a fresh copy of the catalogue, freshly loaded.
//
//   bench_editing [--data DIR] [--runs N] [SIZE]    (SIZE defaults to 1,000,000 records)
#include "catalogue.h"
#include "catalogueeditor.h"
#include "cataloguegenerator.h"
#include "codepage.h"
#include "tapekeys.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qsizetype kWantedFolder = 50000;

double msSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// Replaces whatever is in scratch by a copy of the catalogue files of source, and waits until
// they are on disk: the write-back of the copy must not land inside a timed rewrite.
bool copyCatalogue(const QString &source, const QString &scratch)
{
    QDir(scratch).removeRecursively();
    if (!QDir().mkpath(scratch))
        return false;
    for (const QFileInfo &file : QDir(source).entryInfoList(QDir::Files))
        if (!QFile::copy(file.filePath(), scratch + u'/' + file.fileName()))
            return false;
    ::sync();
    return true;
}

// A fresh copy of the catalogue, loaded: what every measured edit starts from.
struct Fresh
{
    Catalogue catalogue;
    bool ok = false;

    Fresh(const QString &source, const QString &scratch)
        : catalogue(scratch)
    {
        ok = copyCatalogue(source, scratch);
        if (ok)
            catalogue.BuildTree();
    }
};

// The folder key ("A/" or "A/B/") whose subtree holds the number of records closest to wanted.
// A key only counts for paths longer than itself, as the index's own prefix test has it.
QString folderNear(const CatalogueIndex &index, qsizetype wanted)
{
    std::map<std::uint32_t, qsizetype> roots;
    std::map<std::pair<std::uint32_t, std::uint32_t>, qsizetype> folders;
    for (qsizetype i = 1; i < index.size(); ++i) {
        const int depth = index.componentCount(i);
        if (depth > 1)
            ++roots[index.componentId(i, 0)];
        if (depth > 2)
            ++folders[{index.componentId(i, 0), index.componentId(i, 1)}];
    }
    QString best;
    qsizetype bestDistance = std::numeric_limits<qsizetype>::max();
    const auto consider = [&](QString key, qsizetype count) {
        const qsizetype distance = std::abs(count - wanted);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = std::move(key);
        }
    };
    for (const auto &[id, count] : roots)
        consider(index.componentText(id) + u'/', count);
    for (const auto &[ids, count] : folders)
        consider(index.componentText(ids.first) + u'/' + index.componentText(ids.second) + u'/',
                 count);
    return best;
}

// The floor of an edit: every file read and decoded into lines, then written back whole with the
// same atomic writer the editor uses. Returns the total, and the two halves in *reading and
// *writing.
double readAndRewrite(const QStringList &paths, double *reading, double *writing)
{
    *reading = 0;
    *writing = 0;
    for (const QString &path : paths) {
        QElapsedTimer timer;
        timer.start();
        bool read = false;
        const QStringList lines = readCodePageLines(path, &read);
        *reading += msSince(timer);
        timer.start();
        if (!read || !writeCodePageLines(path, lines)) {
            std::fprintf(stderr, "cannot read or rewrite %s\n", qPrintable(path));
            std::exit(1);
        }
        *writing += msSince(timer);
    }
    return *reading + *writing;
}

qint64 totalSize(const QStringList &paths)
{
    qint64 bytes = 0;
    for (const QString &path : paths)
        bytes += QFileInfo(path).size();
    return bytes;
}

double mib(qint64 bytes)
{
    return double(bytes) / (1 << 20);
}

// The record with its name path changed: what an edit of a tape's name writes.
QString renamed(const QString &record)
{
    QStringList fields = record.split(u'!');
    fields[1] += u" معدل"_s;
    return fields.join(u'!');
}

// One record to modify: its entry, its line before and after, and the name of its file.
struct Modification
{
    qsizetype entry = 0;
    QString oldLine;
    QString newLine;
    QString file;
};

const char *verdict(bool met)
{
    return met ? "met" : "NOT met";
}

void failed(const char *what)
{
    std::fprintf(stderr, "%s\n", what);
    std::exit(1);
}

// The figures of one catalogue.
int measureShape(const BenchCatalogue &benchmark, const QString &source)
{
    const BenchCatalogue *bench = &benchmark;
    const int runs = bench->runs;
    const QString &base = bench->base;

    // The copies the edits change live beside the catalogue, on the same disk.
    QTemporaryDir scratchParent(base + u"/editing-XXXXXX"_s);
    if (!scratchParent.isValid())
        failed("cannot create a scratch folder");
    const QString scratch = scratchParent.filePath(u"catalogue"_s);

    // What to edit, chosen once on a first copy: the same choice holds for every fresh copy.
    QString folderKey;
    qsizetype folderRecords = 0;
    QStringList folderFiles;
    std::vector<Modification> modifications;
    {
        Fresh fresh(source, scratch);
        if (!fresh.ok)
            failed("cannot copy the catalogue");
        const Catalogue &catalogue = fresh.catalogue;
        const CatalogueIndex &index = catalogue.index();
        qint64 fileBytes = 0;
        for (const QFileInfo &file : QDir(scratch).entryInfoList(QDir::Files))
            fileBytes += file.size();
        std::printf("%lld records, %.1f MiB of files\n", static_cast<long long>(index.size() - 1),
                    mib(fileBytes));

        folderKey = folderNear(index, kWantedFolder);
        const QList<qsizetype> under = index.entriesUnder(folderKey);
        folderRecords = under.size();
        std::set<int> files;
        for (const qsizetype i : under)
            files.insert(index.fileNumber(i));
        for (const int file : files)
            folderFiles.append(QFileInfo(catalogue.catalogueFilePath(file)).fileName());

        // findRecord walks the index up to the record: the middle is the usual case, the last
        // entry the slowest.
        for (qsizetype entry : {index.size() / 2, index.size() - 1}) {
            while (entry > 1 && index.isEmptyEntry(entry))
                --entry;
            const QString line = index.record(entry);
            modifications.push_back(
                {entry, line, renamed(line),
                 QFileInfo(catalogue.catalogueFilePath(index.fileNumber(entry))).fileName()});
        }
    }
    const auto inScratch = [&](const QStringList &names) {
        QStringList paths;
        for (const QString &name : names)
            paths.append(scratch + u'/' + name);
        return paths;
    };

    // Deleting the folder.
    // The generated catalogue has no folder of exactly that size: the nearest one stands for it.
    std::printf("\ndeleting the folder nearest to %lld records, \"%s\": %lld records in %lld files "
                "(%.1f MiB)\n",
                static_cast<long long>(kWantedFolder), qPrintable(folderKey),
                static_cast<long long>(folderRecords), static_cast<long long>(folderFiles.size()),
                mib(totalSize(inScratch(folderFiles))));
    double collectTime = std::numeric_limits<double>::max();
    double deleteTime = std::numeric_limits<double>::max();
    double deleteFloor = std::numeric_limits<double>::max();
    double deleteReading = 0;
    double deleteWriting = 0;
    for (int r = 0; r < runs; ++r) {
        Fresh fresh(source, scratch);
        if (!fresh.ok)
            failed("cannot copy the catalogue");
        CatalogueEditor editor(fresh.catalogue);

        QElapsedTimer timer;
        timer.start();
        const LinesByFile lines = editor.CollectFolderLines(folderKey);
        collectTime = std::min(collectTime, msSince(timer));

        // The floor rewrites the files as they are, so the delete after it finds them unchanged.
        double reading = 0;
        double writing = 0;
        const double floor = readAndRewrite(inScratch(folderFiles), &reading, &writing);
        if (floor < deleteFloor) {
            deleteFloor = floor;
            deleteReading = reading;
            deleteWriting = writing;
        }

        timer.start();
        const EditResult result = editor.deleteFolder(folderKey);
        deleteTime = std::min(deleteTime, msSince(timer));
        if (!result.ok || !fresh.catalogue.index().entriesUnder(folderKey).isEmpty())
            failed("the folder was not deleted");
    }
    std::printf("  collecting its lines alone:         %8.1f ms\n", collectTime);
    std::printf("  deleteFolder:                       %8.1f ms\n", deleteTime);
    std::printf("  floor (read + rewrite the files):   %8.1f ms  (reading %.1f, writing %.1f)\n",
                deleteFloor, deleteReading, deleteWriting);
    std::printf("  ratio:                              %8.2fx\n", deleteTime / deleteFloor);

    // Modifying one record.
    std::vector<double> ratios;
    for (const Modification &m : modifications) {
        std::printf("\nmodifying entry %lld (in %s, %.1f MiB)\n", static_cast<long long>(m.entry),
                    qPrintable(m.file), mib(totalSize(inScratch({m.file}))));
        const QString tapeKey = TapeKeys::tapeKey(m.oldLine);
        double findTime = std::numeric_limits<double>::max();
        double modifyTime = std::numeric_limits<double>::max();
        double fileTime = std::numeric_limits<double>::max();
        double modifyFloor = std::numeric_limits<double>::max();
        double modifyReading = 0;
        double modifyWriting = 0;
        for (int r = 0; r < runs; ++r) {
            Fresh fresh(source, scratch);
            if (!fresh.ok)
                failed("cannot copy the catalogue");
            CatalogueEditor editor(fresh.catalogue);

            QElapsedTimer timer;
            timer.start();
            const qsizetype found = editor.findRecord(tapeKey);
            findTime = std::min(findTime, msSince(timer));
            if (found != m.entry)
                failed("findRecord found another entry");

            double reading = 0;
            double writing = 0;
            const double floor = readAndRewrite(inScratch({m.file}), &reading, &writing);
            if (floor < modifyFloor) {
                modifyFloor = floor;
                modifyReading = reading;
                modifyWriting = writing;
            }

            // The file part of modify on its own: the line replaced by itself reads, compares and
            // rewrites the file as the edit does, and leaves it as it was.
            const int file = fresh.catalogue.index().fileNumber(m.entry);
            timer.start();
            if (!editor.ModifyInFile(file, m.oldLine, m.oldLine).ok)
                failed("the record's file could not be rewritten");
            fileTime = std::min(fileTime, msSince(timer));

            timer.start();
            const EditResult result = editor.modify(tapeKey, m.newLine);
            modifyTime = std::min(modifyTime, msSince(timer));
            if (!result.ok || fresh.catalogue.index().record(m.entry) != m.newLine)
                failed("the record was not modified");
        }
        std::printf("  findRecord alone:                   %8.1f ms\n", findTime);
        std::printf("  ModifyInFile alone (same line):     %8.1f ms\n", fileTime);
        std::printf("  modify:                             %8.1f ms\n", modifyTime);
        std::printf(
            "  floor (read + rewrite the file):    %8.1f ms  (reading %.1f, writing %.1f)\n",
            modifyFloor, modifyReading, modifyWriting);
        std::printf("  ratio:                              %8.2fx\n", modifyTime / modifyFloor);
        ratios.push_back(modifyTime / modifyFloor);
    }

    std::printf(
        "\ntargets: folder deleted within 3x its floor: %s; middle record modified within 3x "
        "its floor: %s; last record: %s\n",
        verdict(deleteTime < 3 * deleteFloor), verdict(ratios[0] < 3), verdict(ratios[1] < 3));
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
