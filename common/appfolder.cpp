#include "appfolder.h"

#include "atomicfile.h"
#include "general.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

namespace {

bool writableFolder(const QString &folder)
{
    const QFileInfo info(folder);
    return info.isDir() && info.isWritable();
}

} // namespace

AppFolderPlaces systemAppFolderPlaces()
{
    const QString executable = QCoreApplication::applicationDirPath();
    return {
        executable,
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
        QDir::cleanPath(QDir(executable).filePath(QStringLiteral(MARVOLI_SAMPLE_FROM_BIN))),
        writableFolder,
    };
}

bool seedFolder(const QString &sample, const QString &target, QString &failedPath)
{
    const QDir from(sample);
    const QDir to(target);
    if (!QDir().mkpath(target)) {
        failedPath = target;
        return false;
    }
    // Folders first, so that an empty one of the sample (DB/ before any file) exists too.
    QDirIterator folders(sample, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
    while (folders.hasNext()) {
        const QString made = to.filePath(from.relativeFilePath(folders.next()));
        if (!QDir().mkpath(made)) {
            failedPath = made;
            return false;
        }
    }
    QDirIterator files(sample, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString source = files.next();
        const QString copy = to.filePath(from.relativeFilePath(source));
        // Anything already there is the user's: a file, a folder, even a dangling link.
        if (QFileInfo(copy).exists() || QFileInfo(copy).isSymLink())
            continue;
        QByteArray bytes;
        if (!readRegularFile(source, bytes))
            continue; // not a regular file: nothing a program reads
        if (!writeFileAtomically(copy, bytes)) {
            failedPath = copy;
            return false;
        }
    }
    return true;
}

AppFolder chooseAppFolder(const AppFolderPlaces &places)
{
    const auto writable = places.writable ? places.writable : writableFolder;
    const QDir executable(places.executableFolder);
    const QString portableDb = executable.filePath(u"DB"_s);
    if (QFileInfo(portableDb).isDir() && writable(places.executableFolder) && writable(portableDb))
        return {AppFolder::Mode::Portable, places.executableFolder, {}};

    AppFolder folder{AppFolder::Mode::Installed, QDir(places.dataHome).filePath(u"marvoli"_s), {}};
    if (places.dataHome.isEmpty()) {
        folder.error = u"تعذر معرفة مجلد بيانات المستخدم، فلا مكان لملفات البرنامج."_s;
        return folder;
    }
    if (!QFileInfo(places.sampleFolder).isDir()) {
        // Without the sample a folder made earlier still serves; a new one would have no catalogue.
        if (!QFileInfo(QDir(folder.path).filePath(u"DB"_s)).isDir())
            folder.error = u"لم يُعثر على الفهرس المرفق بالبرنامج في المجلد %1، فتعذرت تهيئة "
                           u"مجلد البيانات."_s.arg(places.sampleFolder);
        return folder;
    }
    QString failed;
    if (!seedFolder(places.sampleFolder, folder.path, failed))
        folder.error =
            u"تعذر تهيئة مجلد بيانات البرنامج %1: لم يمكن إنشاء %2."_s.arg(folder.path, failed);
    return folder;
}
