#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QStringView>

struct TapeFields;

class Catalogue;

// What an editing operation did: whether it succeeded, and the message to show the user (empty
// when there is nothing to say).
struct EditResult
{
    bool ok = false;
    QString message;
};

// The three kinds of tape an added or edited record can be, told from its category text.
enum class RecordKind
{
    Quran,   // the category holds "القرآن الكريم"
    Lessons, // the category holds both "دروس" and "خطب"
    Other,
};
RecordKind kindOfCategory(QStringView category);

// The 114 surah names in mushaf order (element 0 is surah 1). Their exact forms end up in stored
// lines and tree paths, so they must not be "corrected".
const QStringList &SurahNames();
// The number (1..114) of the surah whose name equals the trimmed text, or 0 when none does.
int surahNumber(QStringView name);
// "NNN سورة name" for surah n (1..114), as records and the edit window write it.
QString surahEntry(int n);
// The riwaya texts offered for Quran tapes, in the order they are offered.
const QStringList &RiwayaNames();

// The fields of a tape being added. Only those of its kind are read: reciter, surah and riwaya for
// the Quran; sheikh, title and section for lessons and sermons; name, owner and group otherwise.
struct NewTape
{
    QString category;
    QString link;
    QString reciter;
    QString surah;
    QString riwaya;
    QString sheikh;
    QString title;
    QString section;
    QString name;
    QString owner;
    QString group;

    // The fields as adding and editing share them.
    TapeFields fields() const;
};

// The record lines of several catalogue files, by file number (-1: records whose file was not
// known when they were indexed).
using LinesByFile = QMap<int, QStringList>;

// Adds, changes and deletes records of a loaded catalogue, in the catalogue files and in its
// index together. Files are rewritten atomically and only after they were read whole, so a file
// that cannot be read is never replaced by a partial copy.
class CatalogueEditor
{
public:
    explicit CatalogueEditor(Catalogue &catalogue);

    Catalogue &catalogue() const { return m_catalogue; }

    // The user's own records: "additions.txt" in the DB folder.
    QString additionsFile() const;

    // The first check the tape fails, as a message; empty when it passes every one.
    static QString checkNewTape(const NewTape &tape);
    // The record line of a tape that passed the checks, its names trimmed. The riwaya is written
    // as given (storedRiwaya()), or trimmed when none is given.
    static QString composeRecord(const NewTape &tape, QStringView riwaya = {});
    // The form in which a riwaya is stored: the one the loaded catalogue already uses for it
    // (equal when both are trimmed; the typed form first, when the catalogue has it as typed),
    // else the typed text trimmed.
    QString storedRiwaya(QStringView typed) const;
    // Checks the tape, writes its line at the top of the additions file and indexes it. When
    // line is given it receives the line written.
    EditResult add(const NewTape &tape, QString *line = nullptr);

    // The index entry a tape key stands for: the first entry whose record equals the key's record
    // (for a search result, the record after the search text). -1 when there is none.
    qsizetype findRecord(QStringView tapeKey) const;

    // Replaces every line of catalogue file number file that equals oldLine by newLine. Fails, and
    // writes nothing, when no line equals it or the file cannot be read or written.
    EditResult ModifyInFile(int file, const QString &oldLine, const QString &newLine);
    // Changes the record of the tape key to newLine in its file, then its index entry (and the
    // entries of identical lines of that file) with the new path.
    EditResult modify(QStringView tapeKey, const QString &newLine);

    // The records of every entry whose path lies under the folder key, by file number.
    LinesByFile CollectFolderLines(QStringView folderKey) const;
    // Removes every line of each file that equals one of that file's given lines, and clears the
    // index entries of those lines. A file that cannot be read or rewritten keeps its lines and
    // its entries, and is named in the message.
    EditResult DeleteRecords(const LinesByFile &lines);
    // Deletes the tape's record from its file and the index. Queue entries and search results
    // are not records of their own: nothing is deleted for them.
    EditResult deleteTape(QStringView tapeKey);
    // Deletes the records of every tape under the folder key.
    EditResult deleteFolder(QStringView folderKey);

    // Indexes a catalogue file of the DB folder anew after it was rewritten whole (by the file
    // window): the entries of its records are cleared and its lines read again, under the same
    // file number. A file not known yet (an additions file the save created) is registered first.
    // Returns the file's number, or -1 when path is no file of the DB folder (nothing changes).
    int reloadFile(const QString &path);

private:
    Catalogue &m_catalogue;
};
