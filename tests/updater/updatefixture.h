#pragma once

#include "testhttpserver.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <map>
#include <memory>

// What the update tests share: an application folder in a temporary folder, an update server on
// 127.0.0.1 offering update information and cabinets made with gcab, and publisher keys made with
// minisign.
namespace UpdateFixture {

using Files = std::map<QString, QByteArray>;

bool writeFile(const QString &path, const QByteArray &bytes);
QByteArray readFile(const QString &path); // "<missing>" when there is none
// A cabinet of the files (names may hold folders), made with gcab -z.
QByteArray makeCab(const Files &files);
// True when gcab (and, for signing, minisign) can be run.
bool haveGcab();
bool haveMinisign();

// A publisher's key pair made with minisign in a folder of its own.
class Publisher
{
public:
    Publisher();
    bool ready() const { return m_ready; }
    // The public key line, as update-keys.pub holds it.
    QByteArray publicKeyLine() const;
    // The detached signature of bytes (prehashed unless legacy).
    QByteArray sign(const QByteArray &bytes, bool legacy = false) const;

private:
    QTemporaryDir m_dir;
    bool m_ready = false;
};

class Site
{
public:
    // A fresh application folder whose updtinfos says installed, and a server offering newest
    // (complete: the newest complete update, -1 for none). False when the server cannot start.
    bool prepare(int installed, int newest, int complete = -1);
    // Serves update number as a cabinet of files; returns the cabinet's bytes.
    QByteArray offer(int number, const Files &files);
    // Serves the signature of update number's cabinet.
    void sign(int number, const QByteArray &cabinet, const Publisher &publisher);
    // Trusts the publisher: its key goes into the application folder's update-keys.pub.
    void trust(const Publisher &publisher);

    QString app(const QString &name = {}) const;
    QString infoLine2() const;
    QString cabinetPath(int number) const { return QStringLiteral("/up%1.cab").arg(number); }
    TestHttpServer &server() { return *m_server; }

private:
    std::unique_ptr<TestHttpServer> m_server;
    std::unique_ptr<QTemporaryDir> m_app;
};

} // namespace UpdateFixture
