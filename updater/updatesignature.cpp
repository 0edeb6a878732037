#include "updatesignature.h"

#include <QFile>
#include <QFileInfo>

#include <sodium.h>

#include <algorithm>
#include <optional>

namespace {

constexpr qsizetype kAlgorithmBytes = 2;
constexpr qsizetype kKeyIdBytes = 8;
constexpr qsizetype kKeyLineBytes = kAlgorithmBytes + kKeyIdBytes + crypto_sign_PUBLICKEYBYTES;
constexpr qsizetype kSignatureLineBytes = kAlgorithmBytes + kKeyIdBytes + crypto_sign_BYTES;
constexpr qsizetype kHashBytes = crypto_generichash_BYTES_MAX; // 64: BLAKE2b-512
constexpr qsizetype kMaxSignatureFile = 64 * 1024;
constexpr qsizetype kMaxKeyFile = 64 * 1024;
constexpr qint64 kHashChunk = 1024 * 1024;

constexpr QByteArrayView kUntrustedPrefix = "untrusted comment:";
constexpr QByteArrayView kTrustedPrefix = "trusted comment: ";

bool sodiumReady()
{
    static const bool ready = sodium_init() >= 0;
    return ready;
}

// A line without its line end; a file written on Windows ends its lines with CR LF.
QByteArrayView withoutCr(QByteArrayView line)
{
    return line.endsWith('\r') ? line.chopped(1) : line;
}

// Base64 of exactly the expected size, or nothing: a short line must never be read past. Only
// the one padded spelling minisign writes is taken, so each line decodes from a single text.
std::optional<QByteArray> decodeExactly(QByteArrayView line, qsizetype size)
{
    auto decoded =
        QByteArray::fromBase64Encoding(line.toByteArray(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() != size || decoded.decoded.toBase64() != line)
        return std::nullopt;
    return std::move(decoded.decoded);
}

const unsigned char *bytesOf(QByteArrayView bytes)
{
    return reinterpret_cast<const unsigned char *>(bytes.data());
}

struct Signature
{
    bool prehashed = false;
    QByteArray keyId;
    QByteArray signature;       // of the file, or of its hash
    QByteArray trustedComment;  // the text after "trusted comment: "
    QByteArray globalSignature; // of signature followed by trustedComment
};

std::optional<Signature> parseSignature(QByteArrayView text)
{
    if (text.size() > kMaxSignatureFile)
        return std::nullopt;
    // The four lines; anything after them is not signed and not looked at.
    QByteArrayView lines[4];
    for (auto &line : lines) {
        const qsizetype end = text.indexOf('\n');
        if (end < 0 && text.isEmpty())
            return std::nullopt;
        line = withoutCr(end < 0 ? text : text.first(end));
        text = end < 0 ? QByteArrayView() : text.sliced(end + 1);
    }
    if (!lines[0].startsWith(kUntrustedPrefix) || !lines[2].startsWith(kTrustedPrefix))
        return std::nullopt;
    const auto main = decodeExactly(lines[1], kSignatureLineBytes);
    const auto global = decodeExactly(lines[3], crypto_sign_BYTES);
    if (!main || !global)
        return std::nullopt;
    const QByteArrayView algorithm = QByteArrayView(*main).first(kAlgorithmBytes);
    if (algorithm != "Ed" && algorithm != "ED")
        return std::nullopt;
    return Signature{
        algorithm == "ED",
        main->sliced(kAlgorithmBytes, kKeyIdBytes),
        main->sliced(kAlgorithmBytes + kKeyIdBytes),
        lines[2].sliced(kTrustedPrefix.size()).toByteArray(),
        *global,
    };
}

bool verifies(QByteArrayView signature, QByteArrayView message, const QByteArray &publicKey)
{
    // An empty message may have no storage at all; the library wants a pointer all the same.
    static const unsigned char none = 0;
    const unsigned char *data = message.isEmpty() ? &none : bytesOf(message);
    return crypto_sign_verify_detached(bytesOf(signature), data, quint64(message.size()),
                                       bytesOf(publicKey)) == 0;
}

// The BLAKE2b-512 hash of the file, read a chunk at a time.
std::optional<QByteArray> hashFile(QFile &file)
{
    crypto_generichash_state state;
    if (crypto_generichash_init(&state, nullptr, 0, kHashBytes) != 0)
        return std::nullopt;
    QByteArray chunk(kHashChunk, Qt::Uninitialized);
    for (;;) {
        const qint64 got = file.read(chunk.data(), chunk.size());
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        crypto_generichash_update(&state, bytesOf(chunk), quint64(got));
    }
    QByteArray hash(kHashBytes, Qt::Uninitialized);
    if (crypto_generichash_final(&state, reinterpret_cast<unsigned char *>(hash.data()),
                                 kHashBytes) != 0)
        return std::nullopt;
    return hash;
}

} // namespace

QList<UpdateKey> parseUpdateKeys(QByteArrayView text)
{
    QList<UpdateKey> keys;
    while (!text.isEmpty()) {
        const qsizetype end = text.indexOf('\n');
        const QByteArrayView line = (end < 0 ? text : text.first(end)).trimmed();
        text = end < 0 ? QByteArrayView() : text.sliced(end + 1);
        // Comment lines and blank ones are not base64 of a key's size either.
        const auto decoded = decodeExactly(line, kKeyLineBytes);
        if (!decoded || !decoded->startsWith("Ed"))
            continue;
        keys.append({decoded->sliced(kAlgorithmBytes, kKeyIdBytes),
                     decoded->sliced(kAlgorithmBytes + kKeyIdBytes)});
    }
    return keys;
}

QList<UpdateKey> readUpdateKeys(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // One byte past the limit tells a file that is too long.
    const QByteArray text = file.read(kMaxKeyFile + 1);
    if (text.size() > kMaxKeyFile)
        return {};
    return parseUpdateKeys(text);
}

SignatureCheck verifyFileSignature(const QString &path, QByteArrayView signature,
                                   const QList<UpdateKey> &keys)
{
    // Without the library nothing can be checked, so nothing verifies.
    if (!sodiumReady())
        return SignatureCheck::BadSignature;
    const auto parsed = parseSignature(signature);
    if (!parsed)
        return SignatureCheck::Malformed;
    const auto key = std::find_if(keys.begin(), keys.end(), [&](const UpdateKey &k) {
        return k.keyId == parsed->keyId && k.publicKey.size() == crypto_sign_PUBLICKEYBYTES;
    });
    if (key == keys.end())
        return SignatureCheck::UnknownKey;
    if (!verifies(parsed->globalSignature, parsed->signature + parsed->trustedComment,
                  key->publicKey))
        return SignatureCheck::BadSignature;

    // Only a regular file: a FIFO or a device in its place would be waited on or read forever.
    if (!QFileInfo(path).isFile())
        return SignatureCheck::Unreadable;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return SignatureCheck::Unreadable;
    if (parsed->prehashed) {
        const auto hash = hashFile(file);
        if (!hash)
            return SignatureCheck::Unreadable;
        return verifies(parsed->signature, *hash, key->publicKey) ? SignatureCheck::Verified
                                                                  : SignatureCheck::BadSignature;
    }
    // A legacy signature is over the bytes themselves, which the library wants in one piece.
    const qint64 size = file.size();
    uchar *mapped = size > 0 ? file.map(0, size) : nullptr;
    if (size > 0 && !mapped)
        return SignatureCheck::Unreadable;
    const QByteArrayView bytes(mapped, size);
    const bool good = verifies(parsed->signature, bytes, key->publicKey);
    if (mapped)
        file.unmap(mapped);
    return good ? SignatureCheck::Verified : SignatureCheck::BadSignature;
}
