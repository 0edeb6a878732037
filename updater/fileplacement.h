#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

// Puts the files of one update in their places all together or not at all, whatever happens in
// between: a failed rename, a full disk, a kill or a power cut.
//
// Each file first goes beside its target as a hidden copy (".name.renfold-new": the player never
// reads a dot-file as a catalogue). A journal in the application folder (".renfold-placing") then
// lists every target before the first one is touched. Each target that exists is kept as
// ".name.renfold-old" while the new copy is renamed into its place. When all are in place the
// journal says so; the caller records the update as installed, and only then are the kept files
// removed (finish()). Until then, rollBack() - or recover() at the next start - puts every kept
// file back and removes the new ones, so the installation is again exactly as before the update.
class FilePlacement
{
public:
    struct File
    {
        QString source; // the unpacked file; moved (or copied) away by stage()
        QString target;
        bool executable = false; // a program: made executable before it takes its place
    };

    // appFolder: where the journal lives; every target must be inside it.
    explicit FilePlacement(QString appFolder);

    // Moves each source beside its target (copying it, a block at a time, when the rename cannot
    // cross file systems). False, with every staged copy removed, when one cannot be staged or a
    // target's place is taken by something other than a regular file.
    bool stage(const QList<File> &files);
    // Writes the journal for update number, then puts every staged copy in its place. False when a
    // step failed: everything already placed has then been put back.
    bool place(qint16 number);
    // Puts back what place() changed (after place() succeeded but the update could not be
    // recorded). Harmless when nothing was placed.
    void rollBack();
    // The update is recorded: the kept old files and the journal go.
    void finish();

    // Completes or undoes a placement that a crash interrupted, and removes the hidden copies
    // such a run left. A placement that had finished but whose number was not yet recorded is
    // recorded in infoPath (line 2); one that had not finished is undone. Returns false only
    // when a journal was found and could not be acted on.
    static bool recover(const QString &appFolder, const QString &infoPath);

    // The journal's name inside the application folder.
    static QString journalName();

private:
    struct Entry
    {
        QString target;
        QString staged;
        QString kept;
        bool existed = false; // the target was there before: it is kept, not removed, on undo
        bool placed = false;
    };

    bool writeJournal(const QByteArray &state);
    static void undo(const QList<Entry> &entries);

    QString m_appFolder;
    QList<Entry> m_entries;
    qint16 m_number = 0;
};
