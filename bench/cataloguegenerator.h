#pragma once

#include <QCoreApplication>
#include <QString>
#include <QTemporaryDir>

#include <QList>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <optional>

// How a generated catalogue is laid out.
enum class CatalogueShape
{
    // Each kind of record in its own files, a folder's records in one block of lines, a few
    // hundred names repeated (a lesson is "الدرس 12" under every series).
    Blocks,
    // As catalogues made over years by hand are: hundreds of reciters and sheikhs, nearly every
    // lesson, sermon and supplication with a title of its own, series three or four folders deep,
    // and the lines of one folder spread over many files (additions, updates and edits land in
    // files of their own).
    RealShaped,
};
// "blocks" or "real": as the benchmarks print it and take it on their command line.
QString shapeName(CatalogueShape shape);

// What a generated catalogue came to.
struct GeneratedCatalogue
{
    qint64 records = 0;
    qint64 bytes = 0;
    int files = 0;
};

// Writes a made-up catalogue of `records` records into `folder` (created when missing), as
// windows-1256 files with CR LF line ends.
// Blocks: at most 50,000 records a file. About 70% of the records are Quran recordings (20 riwayat,
// 300 reciters, 114 surahs, recorded surah after surah as a reciter's albums), 20% lessons and
// sermons (series of lessons under a section, and single talks), and 10% other categories. A line
// is about 120 bytes on average.
// RealShaped: 55% Quran (600 reciters, several recordings each), 35% lessons and sermons (900
// sheikhs, series with parts, a title of its own for nearly every lesson), 10% supplications,
// chants and talks with their own titles; the lines of a folder spread over some 60 files.
// The same arguments always give the same bytes. Returns false, with a message in *error, when a
// file cannot be written.
bool generateCatalogue(const QString &folder, qint64 records, GeneratedCatalogue *result = nullptr,
                       QString *error = nullptr, CatalogueShape shape = CatalogueShape::Blocks);

// The folder of a generated catalogue of `records` records under `base`, generated first unless a
// finished one is there already (a ".ready" marker beside it says so). Empty, with a message in
// *error, when it cannot be written.
QString preparedCatalogue(const QString &base, qint64 records, QString *error = nullptr,
                          CatalogueShape shape = CatalogueShape::Blocks);

// One prepared catalogue of a benchmark run.
struct ShapedCatalogue
{
    CatalogueShape shape;
    QString folder;
};

// What the benchmarks over a generated catalogue take from their command line
// ([--data DIR] [--runs N] [--shape blocks|real|both] [SIZE]), and the catalogues prepared for it,
// both shapes unless --shape names one.
struct BenchCatalogue
{
    qint64 records = 0;
    int runs = 1;
    QString base; // where generated catalogues are kept (a temporary folder without --data)
    QList<ShapedCatalogue> catalogues;
    std::unique_ptr<QTemporaryDir> temporary;
};
// Reads the command line and prepares the catalogue; nothing, after a message, when it cannot.
std::optional<BenchCatalogue> benchCatalogue(const QCoreApplication &app);
// Runs measure on each prepared catalogue under a heading naming its shape; stops at the first
// that does not return 0 and returns what it returned.
int measureEachShape(const BenchCatalogue &bench,
                     const std::function<int(const QString &folder)> &measure);

// Reading every file and decoding it into lines on one thread, as readCodePageLines does (a string
// a line). Returns the milliseconds it took (-1 when a file cannot be read) and the number of lines
// in *lines.
double readAndDecodeMs(const QString &folder, qint64 *lines = nullptr);

// The floor of loading a catalogue folder, what no loader can beat: on one thread, read each
// file's bytes and turn them into text with one windows-1256 decoder call per file. Returns the
// milliseconds it took, -1 when a file cannot be read.
double decodeWholeFilesMs(const QString &folder);

// The size of the catalogue files of a folder, in bytes.
qint64 catalogueBytes(const QString &folder);
