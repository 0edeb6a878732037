#pragma once

#include <QCoreApplication>
#include <QString>
#include <QTemporaryDir>

#include <QtGlobal>
#include <memory>
#include <optional>

// What a generated catalogue came to.
struct GeneratedCatalogue
{
    qint64 records = 0;
    qint64 bytes = 0;
    int files = 0;
};

// Writes a made-up but realistic catalogue of `records` records into `folder` (created when
// missing), as windows-1256 files with CR LF line ends, at most 50,000 records a file. About 70% of
// the records are Quran recordings (20 riwayat, 300 reciters, 114 surahs, recorded surah after
// surah as a reciter's albums), 20% lessons and sermons (series of lessons under a section, and
// single talks), and 10% other categories. A line is about 120 bytes on average. The same arguments
// always give the same bytes. Returns false, with a message in *error, when a file cannot be
// written.
bool generateCatalogue(const QString &folder, qint64 records, GeneratedCatalogue *result = nullptr,
                       QString *error = nullptr);

// The folder of a generated catalogue of `records` records under `base`, generated first unless a
// finished one is there already (a ".ready" marker beside it says so). Empty, with a message in
// *error, when it cannot be written.
QString preparedCatalogue(const QString &base, qint64 records, QString *error = nullptr);

// What the benchmarks over a generated catalogue take from their command line
// ([--data DIR] [--runs N] [SIZE]), and the catalogue prepared for it.
struct BenchCatalogue
{
    qint64 records = 0;
    int runs = 1;
    QString base;   // where generated catalogues are kept (a temporary folder without --data)
    QString folder; // the prepared catalogue
    std::unique_ptr<QTemporaryDir> temporary;
};
// Reads the command line and prepares the catalogue; nothing, after a message, when it cannot.
std::optional<BenchCatalogue> benchCatalogue(const QCoreApplication &app);

// The floor of loading a catalogue folder: reading every file and decoding it into lines on one
// thread, as readCodePageLines does. Returns the milliseconds it took (-1 when a file cannot be
// read) and the number of lines in *lines.
double readAndDecodeMs(const QString &folder, qint64 *lines = nullptr);
