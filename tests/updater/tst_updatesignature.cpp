#include "updatesignature.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// More than two of the 1 MiB chunks a prehashed file is read in, the last one partial.
QByteArray cabinetBytes(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 x = 12345;
    for (auto &b : bytes) {
        x = x * 1103515245u + 12345u;
        b = char(x >> 24);
    }
    return bytes;
}

// Line n of a signature file replaced by what edit makes of it.
template<typename Edit>
QByteArray editLine(const QByteArray &signature, int n, Edit edit)
{
    QList<QByteArray> lines = signature.split('\n');
    lines[n] = edit(lines[n]);
    return lines.join('\n');
}

// A base64 line with one decoded byte set to value.
QByteArray withByte(const QByteArray &line, int at, char value)
{
    QByteArray bytes = QByteArray::fromBase64(line);
    bytes[at] = value;
    return bytes.toBase64();
}

// A base64 line with the lowest bit of one decoded byte flipped.
QByteArray flipped(const QByteArray &line, int at)
{
    QByteArray bytes = QByteArray::fromBase64(line);
    return withByte(line, at, char(bytes[at] ^ 1));
}

} // namespace

class TestUpdateSignature : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QByteArray m_content;
    QByteArray m_prehashed; // the cabinet signed with key a, as minisign does by default
    QByteArray m_legacy;    // the same, legacy
    QByteArray m_byOther;   // the cabinet signed with key b
    QList<UpdateKey> m_trusted;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    bool minisign(const QStringList &arguments) const
    {
        QProcess p;
        p.setWorkingDirectory(m_dir.path());
        p.setStandardInputFile(QProcess::nullDevice());
        p.start(u"minisign"_s, arguments);
        return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit &&
               p.exitCode() == 0;
    }
    // Key pair name.pub / name.key, without a password.
    bool makeKey(const QString &name) const
    {
        return minisign(
            {u"-G"_s, u"-W"_s, u"-f"_s, u"-p"_s, name + u".pub"_s, u"-s"_s, name + u".key"_s});
    }
    QByteArray sign(const QString &key, const QString &file, bool legacy) const
    {
        const QString out = file + u".minisig"_s;
        QStringList args{u"-S"_s, u"-s"_s, key + u".key"_s, u"-m"_s, file, u"-x"_s, out};
        if (legacy)
            args.append(u"-l"_s);
        return minisign(args) ? readFile(path(out)) : QByteArray();
    }
    // The key line of name.pub: the line after its untrusted comment.
    QByteArray keyLine(const QString &name) const
    {
        return readFile(path(name + u".pub"_s)).split('\n').value(1);
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(u"minisign"_s).isEmpty())
            QSKIP("minisign is not installed");
        QVERIFY(m_dir.isValid());
        QVERIFY(makeKey(u"a"_s) && makeKey(u"b"_s));
        m_content = cabinetBytes(2 * 1024 * 1024 + 12345);
        QVERIFY(writeFile(path(u"up7.cab"_s), m_content));
        m_prehashed = sign(u"a"_s, u"up7.cab"_s, false);
        m_legacy = sign(u"a"_s, u"up7.cab"_s, true);
        m_byOther = sign(u"b"_s, u"up7.cab"_s, false);
        QVERIFY(!m_prehashed.isEmpty() && !m_legacy.isEmpty() && !m_byOther.isEmpty());
        m_trusted = parseUpdateKeys(keyLine(u"a"_s));
        QCOMPARE(m_trusted.size(), 1);
    }

    void goodSignaturesVerify_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("legacy");
        QTest::addColumn<bool>("crlf");
        QTest::addRow("prehashed") << m_content << false << false;
        QTest::addRow("legacy") << m_content << true << false;
        QTest::addRow("prehashed, empty file") << QByteArray() << false << false;
        QTest::addRow("legacy, empty file") << QByteArray() << true << false;
        QTest::addRow("signature file with CR LF") << m_content << false << true;
    }
    void goodSignaturesVerify()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, legacy);
        QFETCH(bool, crlf);
        QVERIFY(writeFile(path(u"good.cab"_s), content));
        QByteArray signature = sign(u"a"_s, u"good.cab"_s, legacy);
        QVERIFY(!signature.isEmpty());
        if (crlf)
            signature.replace("\n", "\r\n");
        QCOMPARE(verifyFileSignature(path(u"good.cab"_s), signature, m_trusted),
                 SignatureCheck::Verified);
    }

    // The cabinet as signed, with a signature file that is not its good one.
    void refusesTheSignature_data()
    {
        QTest::addColumn<QByteArray>("signature");
        QTest::addColumn<SignatureCheck>("expected");
        const auto Malformed = SignatureCheck::Malformed;
        const auto Bad = SignatureCheck::BadSignature;
        const QByteArray &good = m_prehashed;
        QTest::addRow("signed by a key not trusted") << m_byOther << SignatureCheck::UnknownKey;
        QTest::addRow("key id changed") << editLine(good, 1, [](auto l) { return flipped(l, 5); })
                                        << SignatureCheck::UnknownKey;
        QTest::addRow("signature changed")
            << editLine(good, 1, [](auto l) { return flipped(l, 40); }) << Bad;
        QTest::addRow("trusted comment edited")
            << editLine(good, 2, [](auto l) { return l.replace("file:", "file:x"); }) << Bad;
        QTest::addRow("trusted comment emptied")
            << editLine(good, 2, [](auto) { return QByteArray("trusted comment: "); }) << Bad;
        QTest::addRow("global signature changed")
            << editLine(good, 3, [](auto l) { return flipped(l, 0); }) << Bad;
        QTest::addRow("prehashed said to be legacy")
            << editLine(good, 1, [](auto l) { return withByte(l, 1, 'd'); }) << Bad;
        QTest::addRow("legacy said to be prehashed")
            << editLine(m_legacy, 1, [](auto l) { return withByte(l, 1, 'D'); }) << Bad;
        QTest::addRow("unknown algorithm")
            << editLine(good, 1, [](auto l) { return withByte(l, 1, 'x'); }) << Malformed;

        QTest::addRow("empty") << QByteArray() << Malformed;
        QTest::addRow("text") << QByteArray("untrusted comment: hello\nworld\n") << Malformed;
        QByteArray binary(300, Qt::Uninitialized);
        for (int i = 0; i < binary.size(); ++i)
            binary[i] = char(i);
        QTest::addRow("binary") << binary << Malformed;
        for (int lines = 1; lines <= 3; ++lines)
            QTest::addRow("only %d lines", lines) << good.split('\n').first(lines).join('\n') + '\n'
                                                  << Malformed;
        QTest::addRow("cut within the global signature")
            << good.first(good.size() - 20) << Malformed;
        QTest::addRow("signature line 4 characters short")
            << editLine(good, 1, [](auto l) { return l.first(l.size() - 4); }) << Malformed;
        QTest::addRow("global signature 4 characters short")
            << editLine(good, 3, [](auto l) { return l.first(l.size() - 4); }) << Malformed;
        QTest::addRow("global signature without its padding")
            << editLine(good, 3, [](auto l) { return l.replace("=", ""); }) << Malformed;
        QTest::addRow("signature line with more")
            << editLine(good, 1, [](auto l) { return l + "AAAA"; }) << Malformed;
        QTest::addRow("not base64")
            << editLine(good, 1, [](auto l) { return l.replace(10, 1, "*"); }) << Malformed;
        QTest::addRow("untrusted comment missing")
            << good.sliced(good.indexOf('\n') + 1) << Malformed;
        QTest::addRow("untrusted comment line replaced")
            << editLine(good, 0, [](auto) { return QByteArray("comment: x"); }) << Malformed;
        QTest::addRow("trusted comment prefix changed")
            << editLine(good, 2, [](auto l) { return l.replace("trusted comment: ", "tc: "); })
            << Malformed;
        // Whatever follows the four lines is not read, but the file as a whole is bounded.
        QTest::addRow("over 64 KiB") << good + QByteArray(64 * 1024, '\n') << Malformed;
    }
    void refusesTheSignature()
    {
        QFETCH(QByteArray, signature);
        QFETCH(SignatureCheck, expected);
        QCOMPARE(verifyFileSignature(path(u"up7.cab"_s), signature, m_trusted), expected);
    }

    void refusesAChangedFile_data()
    {
        QTest::addColumn<bool>("legacy");
        QTest::addColumn<QByteArray>("content");
        for (const bool legacy : {false, true}) {
            const char *kind = legacy ? "legacy" : "prehashed";
            QByteArray changed = m_content;
            changed[changed.size() / 2] = char(changed[changed.size() / 2] ^ 1);
            QTest::addRow("%s, one bit changed", kind) << legacy << changed;
            QTest::addRow("%s, one byte more", kind) << legacy << m_content + 'x';
            QTest::addRow("%s, last byte gone", kind) << legacy << m_content.chopped(1);
            QTest::addRow("%s, emptied", kind) << legacy << QByteArray();
        }
    }
    void refusesAChangedFile()
    {
        QFETCH(bool, legacy);
        QFETCH(QByteArray, content);
        QVERIFY(writeFile(path(u"changed.cab"_s), content));
        QCOMPARE(
            verifyFileSignature(path(u"changed.cab"_s), legacy ? m_legacy : m_prehashed, m_trusted),
            SignatureCheck::BadSignature);
    }

    // Never waited on: a FIFO in the cabinet's place would block a reader for ever.
    void refusesWhatIsNotARegularFile()
    {
        QVERIFY(::mkfifo(QFile::encodeName(path(u"fifo"_s)).constData(), 0600) == 0);
        for (const QString &name : {u"missing.cab"_s, u"."_s, u"fifo"_s}) {
            for (const QByteArray &signature : {m_prehashed, m_legacy})
                QCOMPARE(verifyFileSignature(path(name), signature, m_trusted),
                         SignatureCheck::Unreadable);
        }
    }

    void readsTheKeyFile_data()
    {
        QTest::addColumn<QByteArray>("file"); // a null array: no file at all
        QTest::addColumn<int>("keys");
        QTest::addColumn<SignatureCheck>("expected"); // for the cabinet signed with key a
        const QByteArray a = keyLine(u"a"_s);
        const QByteArray b = keyLine(u"b"_s);
        QTest::addRow("comments, blank and garbage lines, the second key signs")
            << "untrusted comment: the publishers\n\n" + b + "\nnot a key\n\n  " + a + "  \n"
            << 2 << SignatureCheck::Verified;
        QTest::addRow(".pub files appended whole, CR LF")
            << QByteArray(readFile(path(u"b.pub"_s)) + readFile(path(u"a.pub"_s)))
                   .replace("\n", "\r\n")
            << 2 << SignatureCheck::Verified;
        QTest::addRow("no line end") << a << 1 << SignatureCheck::Verified;
        QTest::addRow("only another key") << b + '\n' << 1 << SignatureCheck::UnknownKey;
        QTest::addRow("the signer's line cut short") << b + '\n' + a.first(a.size() - 4) + '\n'
                                                     << 1 << SignatureCheck::UnknownKey;
        QTest::addRow("the signer's line with more") << a + "AAAA\n"
                                                     << 0 << SignatureCheck::UnknownKey;
        QTest::addRow("a key of another algorithm") << withByte(a, 1, 'D') + '\n'
                                                    << 0 << SignatureCheck::UnknownKey;
        QTest::addRow("over 64 KiB")
            << a + '\n' + QByteArray(64 * 1024, '\n') << 0 << SignatureCheck::UnknownKey;
        QTest::addRow("empty") << QByteArray("") << 0 << SignatureCheck::UnknownKey;
        QTest::addRow("missing") << QByteArray() << 0 << SignatureCheck::UnknownKey;
    }
    void readsTheKeyFile()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, keys);
        QFETCH(SignatureCheck, expected);
        const QString keyFile = path(kUpdateKeysFile);
        QFile::remove(keyFile);
        if (!file.isNull())
            QVERIFY(writeFile(keyFile, file));
        const QList<UpdateKey> read = readUpdateKeys(keyFile);
        QCOMPARE(read.size(), keys);
        QCOMPARE(verifyFileSignature(path(u"up7.cab"_s), m_prehashed, read), expected);
    }
};

QTEST_GUILESS_MAIN(TestUpdateSignature)
#include "tst_updatesignature.moc"
