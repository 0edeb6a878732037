#include "cabfile.h"

#include "atomicfile.h"
#include "codepage.h"
#include "general.h"

#include <QByteArray>
#include <QDate>
#include <QStringList>
#include <QTime>

#include <cerrno>
#include <memory>
#include <optional>

#include <fcntl.h>
#include <mspack.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

using StatBuffer = struct stat;

// Windows error codes the class reports, with the texts the updater shows for them.
enum Win32Code : qint32
{
    FileNotFound = 2,
    PathNotFound = 3,
    CannotOpen = 4,
    AccessDenied = 5,
    NotEnoughMemory = 8,
    InvalidData = 13,
    OutOfMemory = 14,
    InvalidDrive = 15,
    WriteProtected = 19,
    BadUnit = 20,
    NotReady = 21,
    CrcError = 23,
    SeekError = 25,
    NotDosDisk = 26,
    SectorNotFound = 27,
    WriteFault = 29,
    ReadFault = 30,
    GeneralFailure = 31,
    SharingViolation = 32,
    LockViolation = 33,
    HandleDiskFull = 39,
    CannotMake = 82,
    NameTooLong = 111,
    DiskFull = 112,
    InvalidName = 123,
};

struct Win32Text
{
    Win32Code code;
    const char16_t *text;
};

// One line per code, in the words of the system the catalogue's updater first ran on.
constexpr Win32Text kWin32Texts[] = {
    {FileNotFound, u"The system cannot find the file specified."},
    {PathNotFound, u"The system cannot find the path specified."},
    {CannotOpen, u"The system cannot open the file."},
    {AccessDenied, u"Access is denied."},
    {NotEnoughMemory, u"Not enough storage is available to process this command."},
    {InvalidData, u"Invalid data."},
    {OutOfMemory, u"Not enough storage is available to complete this operation."},
    {InvalidDrive, u"The system cannot find the drive specified."},
    {WriteProtected, u"The media is write protected."},
    {BadUnit, u"The system cannot find the device specified."},
    {NotReady, u"The device is not ready."},
    {CrcError, u"Data error (cyclic redundancy check)."},
    {SeekError, u"The drive cannot locate a specific area or track on the disk."},
    {NotDosDisk, u"The specified disk or diskette cannot be accessed."},
    {SectorNotFound, u"The drive cannot find the sector requested."},
    {WriteFault, u"The system cannot write to the specified device."},
    {ReadFault, u"The system cannot read from the specified device."},
    {GeneralFailure, u"A device attached to the system is not functioning."},
    {SharingViolation,
     u"The process cannot access the file because it is being used by another process."},
    {LockViolation, u"The process cannot access the file because another process has locked a "
                    u"portion of the file."},
    {HandleDiskFull, u"The disk is full."},
    {CannotMake, u"The directory or file cannot be created."},
    {NameTooLong, u"The file name is too long."},
    {DiskFull, u"There is not enough space on the disk."},
    {InvalidName, u"The filename, directory name, or volume label syntax is incorrect."},
};

QString win32ErrorText(qint32 code)
{
    for (const Win32Text &entry : kWin32Texts)
        if (entry.code == code)
            return QString::fromUtf16(entry.text);
    return u"Unknown error."_s;
}

QString errorText(qint32 number)
{
    if (number == CabFile::CabNameNotSet)
        return u"You must set the CabName property before taking any action on the CabFile "
               u"object."_s;
    return win32ErrorText(number);
}

// The Windows code closest to a failed system call's errno; fallback for anything unlisted.
qint32 codeForErrno(int error, qint32 fallback)
{
    switch (error) {
    case ENOENT:
        return FileNotFound;
    case ENOTDIR:
        return PathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
        return AccessDenied;
    case ENOMEM:
        return NotEnoughMemory;
    case EROFS:
        return WriteProtected;
    case EBUSY:
    case ETXTBSY:
        return SharingViolation;
    case ENAMETOOLONG:
        return NameTooLong;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return DiskFull;
    case EINVAL:
    case EILSEQ:
        return InvalidName;
    default:
        return fallback;
    }
}

// The Windows code for a libmspack failure; error is errno as the failing call left it. A
// truncated cabinet shows up as a failed read, so reads count as damaged data too.
qint32 codeForMspack(int result, int error)
{
    switch (result) {
    case MSPACK_ERR_OPEN:
        return codeForErrno(error, CannotOpen);
    case MSPACK_ERR_WRITE:
        return codeForErrno(error, WriteFault);
    case MSPACK_ERR_NOMEMORY:
        return NotEnoughMemory;
    case MSPACK_ERR_CHECKSUM:
        return CrcError;
    default: // READ, SEEK, SIGNATURE, DATAFORMAT, DECRUNCH
        return InvalidData;
    }
}

// Folder part of a local path without its final "/", "." when there is none.
QString localFolderOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0)
        return u"."_s;
    return slash == 0 ? u"/"_s : path.left(slash);
}

// Why the cabinet file cannot be read, before libmspack opens it: a missing file or folder is
// told apart as Windows does, and anything but a regular file is refused (a FIFO would block).
qint32 cabinetAccessError(const QString &cabName)
{
    StatBuffer st{};
    if (::stat(nativeFileName(cabName).constData(), &st) != 0) {
        const int error = errno;
        if (error != ENOENT)
            return codeForErrno(error, CannotOpen);
        const bool folderThere =
            ::stat(nativeFileName(localFolderOf(cabName)).constData(), &st) == 0 &&
            S_ISDIR(st.st_mode);
        return folderThere ? FileNotFound : PathNotFound;
    }
    return S_ISREG(st.st_mode) ? 0 : AccessDenied;
}

// A stored name: UTF-8 when the entry says so, otherwise in the Arabic code page.
QString entryName(const mscabd_file *file)
{
    const QByteArrayView bytes(file->filename);
    if (file->attribs & MSCAB_ATTRIB_UTF_NAME)
        return QString::fromUtf8(bytes);
    return CodePage::decode(bytes);
}

// The stored MS-DOS date and time as they are; invalid when they make no date.
QDateTime entryDate(const mscabd_file *file)
{
    const QDate date(file->date_y, file->date_m, file->date_d);
    const QTime time(file->time_h, file->time_m, file->time_s);
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time);
}

// The stored name as a path below the output folder, or nothing when it would leave that folder:
// an absolute name ("\x", "/x", "C:x"), a ".." part, or an empty or "." part. Both "\" and "/"
// separate folders, as they do where cabinets are made.
std::optional<QString> relativeLocalPath(const QString &name)
{
    const auto isAsciiLetter = [](QChar c) {
        const auto lower = char16_t(c.unicode() | 0x20);
        return lower >= u'a' && lower <= u'z';
    };
    if (name.size() >= 2 && name.at(1) == u':' && isAsciiLetter(name.at(0)))
        return std::nullopt;
    QStringList parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= name.size(); ++i) {
        if (i < name.size() && name.at(i) != u'\\' && name.at(i) != u'/')
            continue;
        const QStringView part = QStringView(name).mid(start, i - start);
        if (part.isEmpty() || part == u"." || part == u"..")
            return std::nullopt;
        parts.append(part.toString());
        start = i + 1;
    }
    return parts.join(u'/');
}

// One element: the content between the tags, with one attribute when a name is given. Nothing is
// escaped.
QString XmlElement(const QString &content, QStringView tag, QStringView attribute = {},
                   QStringView value = {})
{
    QString element;
    element += u'<';
    element += tag;
    if (!attribute.isEmpty()) {
        element += u' ';
        element += attribute;
        element += u" = '";
        element += value;
        element += u'\'';
    }
    element += u'>';
    element += content;
    element += u"</";
    element += tag;
    element += u'>';
    return element;
}

struct DecompressorDeleter
{
    void operator()(mscab_decompressor *d) const { mspack_destroy_cab_decompressor(d); }
};

} // namespace

namespace CabPath {

QString AddBackslash(const QString &path)
{
    return path.endsWith(u'\\') ? path : path + u'\\';
}

Parts SplitPath(QStringView name)
{
    const qsizetype slash = name.lastIndexOf(u'\\');
    return {name.left(slash + 1).toString(), name.mid(slash + 1).toString()};
}

bool MakePath(const QString &folder)
{
    if (folder.isEmpty())
        return false;
    const QByteArray native = nativeFileName(folder);
    StatBuffer st{};
    // Each prefix ending before a "/" (and the whole path) is created in turn, from the top.
    for (qsizetype end = 1; end <= native.size(); ++end) {
        if (end < native.size() && native.at(end) != '/')
            continue;
        const QByteArray prefix = native.left(end);
        if (::mkdir(prefix.constData(), 0777) != 0 &&
            (errno != EEXIST || ::stat(prefix.constData(), &st) != 0 || !S_ISDIR(st.st_mode)))
            return false;
    }
    return true;
}

} // namespace CabPath

CabFile::CabFile(QObject *parent)
    : QObject(parent)
{}

CabFile::~CabFile() = default;

qint32 CabFile::FileCount()
{
    m_count = 0;
    return run(Mode::Count, {}) ? m_count : -1;
}

bool CabFile::Extract(const QString &fileToExtract, const QString &outputPath,
                      const QString &outputFile)
{
    m_filter = fileToExtract;
    m_outputPath = outputPath;
    m_outputFile = outputFile;
    if (run(Mode::Extract, {}))
        return true;
    Q_EMIT ExtractFailed(m_errorNumber, m_errorText);
    return false;
}

bool CabFile::GetInfo(const QString &fileToInvestigate)
{
    m_filter = fileToInvestigate;
    return run(Mode::Info, u"CabFile.GetInfo"_s);
}

QString CabFile::GetXML(const QString &fileToInvestigate)
{
    m_filter = fileToInvestigate;
    m_xml.clear();
    if (!run(Mode::Xml, u"CabFile.GetXML"_s))
        return {};
    return u"<?xml version=\"1.0\"?>"_s +
           XmlElement(XmlElement(m_xml, u"FILES"), u"CABFILE", u"CABFILENAME", m_cabName);
}

// Runs one operation; a failure is recorded with its own source unless the operation names one.
bool CabFile::run(Mode mode, const QString &source)
{
    m_failed = false;
    m_errorNumber = 0;
    m_errorSource.clear();
    m_errorText.clear();
    if (m_cabName.isEmpty())
        fail(CabNameNotSet, u"CabFile"_s);
    else
        walk(mode);
    if (m_failed && !source.isEmpty())
        m_errorSource = source;
    return !m_failed;
}

bool CabFile::walk(Mode mode)
{
    if (const qint32 code = cabinetAccessError(m_cabName)) {
        fail(code, u"CabFile"_s);
        return false;
    }
    const std::unique_ptr<mscab_decompressor, DecompressorDeleter> decompressor(
        mspack_create_cab_decompressor(nullptr));
    if (!decompressor) {
        fail(NotEnoughMemory, u"CabFile"_s);
        return false;
    }
    mscab_decompressor *d = decompressor.get();
    // libmspack keeps this pointer to reopen the cabinet for each extraction.
    const QByteArray cabinetPath = nativeFileName(m_cabName);
    errno = 0;
    mscabd_cabinet *cabinet = d->open(d, cabinetPath.constData());
    if (!cabinet) {
        fail(codeForMspack(d->last_error(d), errno), u"CabFile"_s);
        return false;
    }
    const auto closeCabinet = [d](mscabd_cabinet *c) {
        d->close(d, c);
    };
    const std::unique_ptr<mscabd_cabinet, decltype(closeCabinet)> guard(cabinet, closeCabinet);

    if (mode == Mode::Extract && !refuseUnsafeNames(cabinet->files))
        return false;
    for (mscabd_file *file = cabinet->files; file; file = file->next) {
        const Answer answer = onFile(mode, file);
        if (answer == Answer::Abort)
            break;
        if (answer == Answer::Skip)
            continue;
        if (const qint32 code = writeEntry(d, file)) {
            fail(code, u"CabFile"_s);
            break;
        }
        Q_EMIT AfterExtract(m_target);
    }
    return !m_failed;
}

CabFile::Answer CabFile::onFile(Mode mode, mscabd_file *file)
{
    switch (mode) {
    case Mode::Count:
        ++m_count;
        return Answer::Skip;
    case Mode::Extract:
        return onFileToExtract(file);
    case Mode::Info:
    case Mode::Xml:
        break;
    }
    const QString name = entryName(file);
    const CabPath::Parts parts = CabPath::SplitPath(name);
    const bool filtered = !m_filter.isEmpty();
    const QString &key = mode == Mode::Info ? name : parts.file;
    if (filtered && key.compare(m_filter, Qt::CaseInsensitive) != 0)
        return Answer::Skip;

    const QDateTime date = entryDate(file);
    if (mode == Mode::Info) {
        Q_EMIT FileFound(parts.file, date, static_cast<qint32>(file->length), parts.folder);
    } else {
        const QString dateText = date.isValid() ? date.toString(u"yyyy-MM-dd HH:mm:ss") : QString();
        m_xml += XmlElement(XmlElement(name, u"FULLNAME") + XmlElement(parts.file, u"NAME") +
                                XmlElement(dateText, u"DATE") +
                                XmlElement(QString::number(file->length), u"SIZE") +
                                XmlElement(parts.folder, u"PATH"),
                            u"FILE") +
                 u"\r\n"_s;
    }
    // A named entry is looked for only until it is found.
    return filtered ? Answer::Abort : Answer::Skip;
}

CabFile::Answer CabFile::onFileToExtract(mscabd_file *file)
{
    const QString name = entryName(file);
    if (!m_filter.isEmpty() && name.compare(m_filter, Qt::CaseInsensitive) != 0)
        return Answer::Skip;
    bool cancel = false;
    Q_EMIT BeforeExtract(name, &cancel);
    if (cancel)
        return Answer::Skip;

    QString relative = m_outputFile;
    if (relative.isEmpty()) {
        const std::optional<QString> path = relativeLocalPath(name);
        if (!path) {
            fail(InvalidName, u"CabFile.CabCallBack"_s);
            return Answer::Abort;
        }
        relative = *path;
    }
    QString folder = outputFolder();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    m_target = folder + relative;
    // An entry whose folder cannot be made is passed over, as the platform's service does.
    if (!CabPath::MakePath(localFolderOf(m_target)))
        return Answer::Skip;
    return Answer::DoIt;
}

// Checks every name Extract would write before the first file is written, so that a cabinet made
// to write outside the output folder leaves nothing at all behind.
bool CabFile::refuseUnsafeNames(mscabd_file *files)
{
    for (const mscabd_file *file = files; file; file = file->next) {
        const QString name = entryName(file);
        if (!m_filter.isEmpty() && name.compare(m_filter, Qt::CaseInsensitive) != 0)
            continue;
        if (!relativeLocalPath(name)) {
            fail(InvalidName, u"CabFile.CabCallBack"_s);
            return false;
        }
    }
    return true;
}

// Writes the entry to a new temporary file beside m_target and renames it into place once it is
// whole; returns 0, or the code of the failure (the temporary file is then removed).
qint32 CabFile::writeEntry(mscab_decompressor *d, mscabd_file *file)
{
    QByteArray temp;
    const int fd =
        createTemporaryFile(nativeFileName(localFolderOf(m_target)) + "/.cabpart-", temp);
    if (fd < 0)
        return codeForErrno(errno, CannotMake);
    ::close(fd);

    errno = 0;
    const int result = d->extract(d, file, temp.constData());
    const int error = errno;
    qint32 code = 0;
    StatBuffer st{};
    if (result != MSPACK_ERR_OK) {
        code = codeForMspack(result, error);
    } else if (::stat(temp.constData(), &st) != 0 || st.st_size != qint64(file->length)) {
        // libmspack does not check the final flush of the output file; a short file means that
        // flush failed (a full disk, typically).
        code = codeForErrno(error, WriteFault);
    } else if (::rename(temp.constData(), nativeFileName(m_target).constData()) != 0) {
        code = codeForErrno(errno, CannotMake);
    }
    if (code != 0)
        ::unlink(temp.constData());
    return code;
}

QString CabFile::outputFolder() const
{
    return m_outputPath.isEmpty() ? localFolderOf(m_cabName) : m_outputPath;
}

void CabFile::fail(qint32 number, const QString &source)
{
    m_failed = true;
    m_errorNumber = number;
    m_errorSource = source;
    m_errorText = errorText(number);
}
