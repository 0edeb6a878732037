#pragma once

#include "catalogueindex.h"
#include "treepaths.h"

#include <QObject>
#include <QString>
#include <QStringList>

struct ParsedFile;

// The loaded catalogue: the files of the DB folder, the index of their records and the lists of
// known values. It is read once at start-up; the tree is filled from the index on demand.
class Catalogue : public QObject
{
    Q_OBJECT

public:
    // dbFolder: the DB folder; every file in it is a catalogue file.
    explicit Catalogue(QString dbFolder, QObject *parent = nullptr);

    const QString &linkFolder() const { return m_linkFolder; }

    // Names of the files found in the DB folder, as ListFolderFiles gives them (a name that is not
    // UTF-8 keeps its bytes through fileNameFromNative); a file's position is its number. A missing
    // or empty folder gives one empty name.
    QStringList CatalogueFiles;

    // Threads that read and work out the files while BuildTree appends their records; 0 for as
    // many as the machine has cores.
    int loadingThreads = 0;

    TreePaths &paths() { return m_paths; }
    const TreePaths &paths() const { return m_paths; }
    // The catalogue index.
    CatalogueIndex &index() { return m_index; }
    const CatalogueIndex &index() const { return m_index; }

    // Reads the whole DB folder into the index (the index is emptied first).
    void BuildTree();
    // Loads file number nfile; with ifclear the tree is asked to drop all its nodes first.
    void LireLinks(int nfile, bool ifclear);
    // Gives one record its path and appends it to the index.
    void Add2Tree(QStringView recordLine, int fileNumber);
    // The number of the catalogue file whose full path is fl, or -1.
    int IndexOfFile(const QString &fl) const;
    // Registers a catalogue file the program itself created in the DB folder during this run, so
    // that its records carry its real number; returns that number.
    int registerFile(const QString &name);
    // The full path of catalogue file number n.
    QString catalogueFilePath(int n) const;

    QString BuildPath(QStringView recordLine) { return m_paths.BuildPath(recordLine); }

Q_SIGNALS:
    // A riwaya met for the first time, with its entry number n in the riwaya list.
    void riwayaAdded(qsizetype n, const QString &riwaya);
    // Loading with ifclear: every node of the tree must go.
    void treeClearRequested();

private:
    void appendParsed(int nfile, ParsedFile &file);

    TreePaths m_paths;
    CatalogueIndex m_index;
    QByteArray m_readBuffer; // the file being loaded; kept while BuildTree reads them all
    QString m_linkFolder;
};
