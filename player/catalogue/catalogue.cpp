#include "catalogue.h"

#include "codepage.h"
#include "fileparsing.h"
#include "general.h"
#include "taperecord.h"

#include <algorithm>
#include <thread>

Catalogue::Catalogue(QString dbFolder, QObject *parent)
    : QObject(parent)
    , CatalogueFiles{QString()}
    , m_linkFolder(std::move(dbFolder))
{
    m_paths.setRiwayaListener(
        [this](qsizetype n, const QString &riwaya) { Q_EMIT riwayaAdded(n, riwaya); });
}

void Catalogue::BuildTree()
{
    m_index.reset();
    CatalogueFiles = ListFolderFiles(m_linkFolder);
    // About a hundred bytes a record: room for the entries up front saves regrowing them.
    qint64 bytes = 0;
    for (int i = 0; i < CatalogueFiles.size(); ++i)
        bytes += regularFileSize(catalogueFilePath(i));
    m_index.reserve(qsizetype(bytes / 100));
    Q_EMIT treeClearRequested();

    // The files are read and worked out on worker threads; their records are appended here, file
    // after file, so numbers, index order and the lists come out as a load of one file after the
    // other gives them.
    const int threads = loadingThreads > 0
                            ? loadingThreads
                            : int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    forEachParsedInOrder(
        int(CatalogueFiles.size()), threads,
        [this](int n) {
            return CatalogueFiles.at(n).isEmpty()
                       ? ParsedFile()
                       : parseCatalogueFile(catalogueFilePath(n), m_paths);
        },
        [this](int n, ParsedFile &file) { appendParsed(n, file); });
    m_readBuffer = QByteArray();
}

void Catalogue::appendParsed(int nfile, ParsedFile &file)
{
    if (file.tooLarge || file.slow) {
        LireLinks(nfile, false);
        return;
    }
    for (const auto &[list, value] : file.firstSeen)
        m_paths.addKnownValue(list, value);
    // The file's bytes are kept as they are unless mostly lines that are no records.
    const bool adopt = file.recordBytes * 2 >= file.bytes.size();
    m_index.appendBatch(file.records, file.bytes, adopt, nfile);
}

QString Catalogue::catalogueFilePath(int n) const
{
    if (n < 0 || n >= CatalogueFiles.size())
        return {};
    return m_linkFolder + u'/' + CatalogueFiles.at(n);
}

void Catalogue::LireLinks(int nfile, bool ifclear)
{
    if (ifclear)
        Q_EMIT treeClearRequested();
    if (nfile < 0 || nfile >= CatalogueFiles.size() || CatalogueFiles.at(nfile).isEmpty())
        return;
    // A missing or unreadable file, or one that is not a regular file (a link to a FIFO or a
    // device), is skipped; its number stays taken.
    QByteArray &bytes = m_readBuffer;
    if (!readRegularFile(catalogueFilePath(nfile), bytes))
        return;

    QString line;
    CodePage::forEachLine(bytes, [&](QByteArrayView raw) {
        CodePage::decodeInto(raw, line);
        if (IsValidLine(line))
            m_index.appendRead(m_paths.BuildPath(line), line, raw, nfile);
    });
}

void Catalogue::Add2Tree(QStringView recordLine, int fileNumber)
{
    m_index.append(m_paths.BuildPath(recordLine), recordLine, fileNumber);
}

int Catalogue::IndexOfFile(const QString &fl) const
{
    for (int i = 0; i < CatalogueFiles.size(); ++i)
        if (fl == m_linkFolder + u'/' + CatalogueFiles.at(i))
            return i;
    return -1;
}

int Catalogue::registerFile(const QString &name)
{
    if (const int known = IndexOfFile(m_linkFolder + u'/' + name); known >= 0)
        return known;
    // An empty folder was listed as one empty name: the first file takes its place.
    if (CatalogueFiles.size() == 1 && CatalogueFiles.first().isEmpty()) {
        CatalogueFiles[0] = name;
        return 0;
    }
    CatalogueFiles.append(name);
    return int(CatalogueFiles.size() - 1);
}
