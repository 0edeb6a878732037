// Serves the files of one folder over HTTP on 127.0.0.1, for trying the updater offline:
//   marvoli_serve_folder FOLDER [PORT]     (port 8765 unless given)
// Only GET of a plain file name directly in the folder is answered; everything else is a 404.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray answer(const QDir &folder, const QByteArray &requestLine)
{
    const QList<QByteArray> parts = requestLine.split(' ');
    const QString name = QString::fromUtf8(QByteArray::fromPercentEncoding(parts.value(1))).mid(1);
    const QFileInfo file(folder.filePath(name));
    QFile f(file.filePath());
    if (parts.value(0) != "GET" || name.isEmpty() || name.contains(u'/') || name.startsWith(u'.') ||
        !file.isFile() || !f.open(QIODevice::ReadOnly))
        return "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    const QByteArray body = f.readAll();
    std::printf("sent %s (%lld bytes)\n", qPrintable(name), static_cast<long long>(body.size()));
    std::fflush(stdout);
    return "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: marvoli_serve_folder FOLDER [PORT]\n");
        return 2;
    }
    const QDir folder(args.at(1));
    const quint16 port = args.size() > 2 ? quint16(args.at(2).toUInt()) : 8765;
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, port)) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1:%u\n", unsigned(port));
        return 1;
    }
    std::printf("serving %s on http://127.0.0.1:%u/ (Ctrl+C stops)\n",
                qPrintable(folder.absolutePath()), unsigned(port));
    std::fflush(stdout);
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
        while (QTcpSocket *socket = server.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, &folder] {
                if (!socket->canReadLine())
                    return;
                socket->write(answer(folder, socket->readLine().trimmed()));
                socket->disconnectFromHost();
            });
        }
    });
    return app.exec();
}
