#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringView>

// Path helpers shared by the cabinet class. Names inside a cabinet separate their folders with
// "\"; AddBackslash and SplitPath work on such names. MakePath works on the local file system.
namespace CabPath {

// The path with "\" appended unless it already ends in one; an empty path gives "\".
QString AddBackslash(const QString &path);

struct Parts
{
    QString folder; // everything up to and including the last "\", or empty
    QString file;   // the rest
};
// Splits a cabinet name at its last "\".
Parts SplitPath(QStringView name);

// Creates a folder of the file system and every missing parent. True when the folder exists
// afterwards; an empty path, or something other than a folder in the way, gives false.
bool MakePath(const QString &folder);

} // namespace CabPath

struct mscab_decompressor;
struct mscabd_file;

// Reads the Microsoft cabinet files in which the updater receives its updates: counts and lists
// their entries and extracts them (all, or one named entry) into a folder, recreating the folders
// of the names inside the cabinet. The cabinet is read with libmspack.
//
// Each operation walks the cabinet once, synchronously, in the stored order of its entries, and
// raises the events below on the calling thread. Operations are not reentrant: an event handler
// must not start another operation on the same object.
//
// Failures are numbered as the platform's cabinet service numbers them (Windows error codes, such
// as 2 for a missing cabinet or 13 for damaged data) and are kept as lastError(),
// lastErrorSource() and lastErrorText() until the next operation starts.
class CabFile : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString CabName READ CabName WRITE setCabName)

public:
    // Number of the failure "no cabinet named": 0x800407A4, application object error 1956.
    static constexpr qint32 CabNameNotSet = static_cast<qint32>(0x800407A4u);

    explicit CabFile(QObject *parent = nullptr);
    ~CabFile() override;

    // Full path of the cabinet to work on; every operation fails while it is empty.
    const QString &CabName() const { return m_cabName; }
    void setCabName(const QString &cabName) { m_cabName = cabName; }

    // Number of entries in the cabinet, counted afresh on each call; -1 on failure.
    qint32 FileCount();

    // Extracts the entries selected by fileToExtract (every entry when empty, otherwise the one
    // whose full name inside the cabinet is equal, ignoring letter case) into outputPath (the
    // cabinet's own folder when empty). With an empty outputFile each entry keeps its name and
    // folders below outputPath; otherwise every selected entry is written as outputFile.
    //
    // Each entry is written to a temporary file beside its target and renamed into place only
    // once complete, so a failed entry leaves no partial file and an older file of that name
    // keeps its content. A cabinet holding a selected name that is absolute or climbs out of the
    // output folder ("..") is refused before anything is written. An entry whose folder cannot
    // be created, or that a BeforeExtract handler cancels, is skipped.
    //
    // Returns false on failure, after raising ExtractFailed.
    bool Extract(const QString &fileToExtract = {}, const QString &outputPath = {},
                 const QString &outputFile = {});

    // Raises FileFound for every entry when fileToInvestigate is empty, otherwise for the first
    // entry whose full name is equal to it, ignoring letter case. False on failure.
    bool GetInfo(const QString &fileToInvestigate = {});

    // A listing of the cabinet as a small XML document (one FILE element per selected entry; a
    // non-empty filter is compared with the name without folder, and the listing stops at the
    // first match). Names are put in as they are, without escaping. Empty on failure.
    QString GetXML(const QString &fileToInvestigate = {});

    qint32 lastError() const { return m_errorNumber; }
    const QString &lastErrorSource() const { return m_errorSource; }
    const QString &lastErrorText() const { return m_errorText; }

Q_SIGNALS:
    // One entry found by GetInfo: its name without folder, its stored date and time (as stored,
    // no time zone conversion; invalid when the stored date is not a date), its size in bytes and
    // its folder inside the cabinet ending in "\" (or empty).
    void FileFound(const QString &fileName, const QDateTime &dateTime, qint32 size,
                   const QString &path);
    // About to extract the entry of this full name inside the cabinet; setting *cancel to true
    // skips it. Connect directly: the flag is read as soon as the handlers have returned.
    void BeforeExtract(const QString &fileName, bool *cancel);
    // An entry was written completely to this path.
    void AfterExtract(const QString &fileName);
    // Extract failed; the window shows the description in a message box with an OK button.
    void ExtractFailed(qint32 number, const QString &description);

private:
    enum class Mode
    {
        Count = 0,
        Info = 1,
        Extract = 2,
        Xml = 3,
    };
    enum class Answer
    {
        Abort, // stop the walk (after a match, or after a recorded failure)
        DoIt,  // extract the entry to m_target
        Skip,
    };

    bool run(Mode mode, const QString &source);
    bool walk(Mode mode);
    Answer onFile(Mode mode, mscabd_file *file);
    Answer onFileToExtract(mscabd_file *file);
    bool refuseUnsafeNames(mscabd_file *files);
    qint32 writeEntry(mscab_decompressor *decompressor, mscabd_file *file);
    QString outputFolder() const;
    void fail(qint32 number, const QString &source);

    QString m_cabName;
    QString m_filter;
    QString m_outputPath;
    QString m_outputFile;
    qint32 m_count = 0;
    QString m_xml;

    QString m_target; // where the entry being extracted goes
    bool m_failed = false;
    qint32 m_errorNumber = 0;
    QString m_errorSource;
    QString m_errorText;
};
