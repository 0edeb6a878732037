#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// What the fuzz targets share: a broken property is reported like a crash, so that libFuzzer
// keeps the input that shows it; inputs that go through a file are written into one private
// folder per process, removed at exit.

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition);  \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace Fuzz {

inline QByteArrayView bytes(const std::uint8_t *data, std::size_t size)
{
    return QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size));
}

// Text as it may arrive from the keyboard or another program: the bytes read as UTF-16 units
// (any unit, unpaired surrogates included); an odd last byte is dropped.
inline QString utf16(QByteArrayView bytes)
{
    QString text(bytes.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(char16_t(quint8(bytes[2 * i]) | (quint8(bytes[2 * i + 1]) << 8)));
    return text;
}

// The process's own folder for files made from inputs. In memory where the system has a shared
// memory folder: the programs sync every file they rewrite, which on a disk would slow a target
// to a few dozen inputs a second.
inline const QDir &workFolder()
{
    static QTemporaryDir folder(QDir(QStringLiteral("/dev/shm")).exists()
                                    ? QStringLiteral("/dev/shm/marvoli-fuzz-XXXXXX")
                                    : QDir::tempPath() + QStringLiteral("/marvoli-fuzz-XXXXXX"));
    if (!folder.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        std::abort();
    }
    static const QDir dir(folder.path());
    return dir;
}

// Writes the input to a file of the work folder and returns its path.
inline QString writeInput(const QString &name, QByteArrayView content)
{
    const QString path = workFolder().filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(content.data(), content.size()) != content.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::abort();
    }
    return path;
}

} // namespace Fuzz
