#pragma once

#include <QString>

// Which links of a catalogue the program opens, whether to play or to download them. Links come
// from catalogue files anyone may write, and the audio library behind the player understands
// far more than web addresses and file names (its own stream prefixes can run filters that
// write files, read descriptors or other devices). So a link is taken only when it is one of two
// plain kinds, and everything else is refused before it reaches any library:
//  - a web link: http:// or https:// (the scheme in any case) naming a host;
//  - a local file: an absolute path, or one relative to the application folder. Such a path has
//    no "scheme:" prefix of two or more letters ("file:", "av:", "lavfi:"...); a Windows drive
//    letter ("C:") is one letter and stays a path.
// Control characters are refused in every link: they have no place in a file name or an address,
// and could split a request header.

enum class LinkKind
{
    Refused,
    Web,
    LocalFile,
};

LinkKind linkKind(const QString &link);

// What to open for link: a web link as given but with its scheme in lower case, a local file as
// a clean absolute path ("/..."), relative ones taken below baseFolder. Empty when refused.
QString openableLink(const QString &link, const QString &baseFolder);

// link as a URI for other programs (the desktop's media controls): a web link as given, a local
// file as a percent-encoded file:// URL of its absolute path. Empty when refused.
QString linkToUri(const QString &link, const QString &baseFolder);
