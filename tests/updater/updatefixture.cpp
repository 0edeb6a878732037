#include "updatefixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

namespace UpdateFixture {

namespace {

bool runTool(const QString &program, const QStringList &args, const QString &folder = {})
{
    QProcess tool;
    tool.setWorkingDirectory(folder);
    tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tool.start(program, args);
    tool.closeWriteChannel();
    return tool.waitForFinished(30000) && tool.exitStatus() == QProcess::NormalExit &&
           tool.exitCode() == 0;
}

} // namespace

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool haveGcab()
{
    return !QStandardPaths::findExecutable(u"gcab"_s).isEmpty();
}

bool haveMinisign()
{
    return !QStandardPaths::findExecutable(u"minisign"_s).isEmpty();
}

QByteArray makeCab(const Files &files)
{
    QTemporaryDir dir;
    QStringList args{u"-cz"_s, dir.filePath(u"t.cab"_s)};
    for (const auto &[name, bytes] : files) {
        writeFile(dir.filePath(u"src/"_s + name), bytes);
        args.append(name);
    }
    if (!runTool(u"gcab"_s, args, dir.filePath(u"src"_s)))
        return {};
    return readFile(dir.filePath(u"t.cab"_s));
}

Publisher::Publisher()
{
    m_ready = haveMinisign() && runTool(u"minisign"_s, {u"-G"_s, u"-W"_s, u"-f"_s, u"-p"_s,
                                                        m_dir.filePath(u"key.pub"_s), u"-s"_s,
                                                        m_dir.filePath(u"key.sec"_s)});
}

QByteArray Publisher::publicKeyLine() const
{
    return readFile(m_dir.filePath(u"key.pub"_s)).split('\n').value(1).trimmed();
}

QByteArray Publisher::sign(const QByteArray &bytes, bool legacy) const
{
    const QString file = m_dir.filePath(u"signed"_s);
    writeFile(file, bytes);
    QStringList args{u"-S"_s, u"-s"_s, m_dir.filePath(u"key.sec"_s), u"-m"_s, file};
    if (legacy)
        args.append(u"-l"_s);
    QFile::remove(file + u".minisig"_s);
    if (!runTool(u"minisign"_s, args))
        return {};
    return readFile(file + u".minisig"_s);
}

bool Site::prepare(int installed, int newest, int complete)
{
    m_server = std::make_unique<TestHttpServer>();
    if (!m_server->start())
        return false;
    m_app = std::make_unique<QTemporaryDir>();
    const QByteArray addresses = m_server->url(u"/updtinfos"_s).toUtf8() + "\r\n" +
                                 m_server->url(u"/up#.cab"_s).toUtf8() + "\r\n";
    m_server->addFile(u"/updtinfos"_s,
                      "[update]" + (complete >= 0 ? QByteArray::number(complete) : "") + "\r\n" +
                          QByteArray::number(newest) + "\r\n" + addresses,
                      "text/plain");
    return writeFile(app(u"DB/a.txt"_s), "old\r\n") &&
           writeFile(app(u"updtinfos"_s),
                     "[update]\r\n" + QByteArray::number(installed) + "\r\n" + addresses);
}

QByteArray Site::offer(int number, const Files &files)
{
    const QByteArray cab = makeCab(files);
    m_server->addFile(cabinetPath(number), cab, "application/vnd.ms-cab");
    return cab;
}

void Site::sign(int number, const QByteArray &cabinet, const Publisher &publisher)
{
    m_server->addFile(cabinetPath(number) + u".minisig"_s, publisher.sign(cabinet), "text/plain");
}

void Site::trust(const Publisher &publisher)
{
    QFile keys(app(u"update-keys.pub"_s));
    if (keys.open(QIODevice::Append))
        keys.write(publisher.publicKeyLine() + "\n");
}

QString Site::app(const QString &name) const
{
    return name.isEmpty() ? m_app->path() : m_app->filePath(name);
}

QString Site::infoLine2() const
{
    return QString::fromUtf8(readFile(app(u"updtinfos"_s)).split('\n').value(1).trimmed());
}

} // namespace UpdateFixture
