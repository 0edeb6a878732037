#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QLatin1StringView>
#include <QList>
#include <QString>

// Program files an update cabinet brings (a replacement player, other program files) are only
// placed when the cabinet's detached signature verifies against a key the publisher shipped with
// the application. Signatures and keys are minisign's (Ed25519, libsodium):
//  - a public key: an "untrusted comment:" line, then one base64 line holding "Ed", the 8-byte key
//    id and the 32-byte public key;
//  - a signature ("upN.cab.minisig"): an "untrusted comment:" line; a base64 line holding the
//    algorithm ("Ed": the file signed as it is; "ED": its BLAKE2b-512 hash signed), the key id and
//    the 64-byte signature; a "trusted comment: " line; and a base64 line holding the 64-byte
//    signature of the file's signature followed by the trusted comment's text. Both must verify:
//    the trusted comment (a timestamp, the file's name) cannot be changed without the key.

// One trusted publisher's key.
struct UpdateKey
{
    QByteArray keyId;     // 8 bytes, as stored in the key and signature lines
    QByteArray publicKey; // 32 bytes, Ed25519
};

// The trusted publishers' keys, in the application folder: one minisign public key line each (the
// base64 line of the ".pub" file `minisign -G` writes; the whole file may be appended as it is).
// The only place the name is written.
inline constexpr QLatin1StringView kUpdateKeysFile{"update-keys.pub"};

// The keys of a key file's text, in order. "untrusted comment:" lines, blank lines and any line
// that is not a valid key line are skipped, so one damaged line leaves the other keys usable.
QList<UpdateKey> parseUpdateKeys(QByteArrayView text);
// The keys of the key file at path. A missing file, anything but a regular file, and a file over
// 64 KiB (no key file is near that) give no keys: then nothing verifies.
QList<UpdateKey> readUpdateKeys(const QString &path);

// The outcome of checking a signature; anything but Verified is a refusal.
enum class SignatureCheck
{
    Verified,
    Malformed,    // not a signature: over 64 KiB, a line missing, bad base64, unknown algorithm
    UnknownKey,   // made with a key that is not among the trusted ones (or there are none)
    BadSignature, // the file's signature or the trusted comment's signature does not verify
    Unreadable,   // the signed file is missing, not a regular file, or fails to read
};

// Checks signature, the bytes of a ".minisig" file, for the file at path against keys. The
// signature is checked before the file is read. The file is never loaded whole (cabinets may be
// up to 1 GiB): a prehashed signature's file is hashed in chunks, a legacy one's is mapped.
// The check is of the file as it is now: the caller verifies the copy it then unpacks.
SignatureCheck verifyFileSignature(const QString &path, QByteArrayView signature,
                                   const QList<UpdateKey> &keys);
