#include "linkpolicy.h"

#include <QDir>
#include <QRegularExpression>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace {

// The length of link's "scheme:" prefix, colon excluded, when it has one of at least two
// characters (RFC 3986 spelling); 0 otherwise.
qsizetype schemeLength(const QString &link)
{
    static const QRegularExpression scheme(u"^[A-Za-z][A-Za-z0-9+.\\-]+:"_s);
    const QRegularExpressionMatch match = scheme.match(link);
    return match.hasMatch() ? match.capturedLength() - 1 : 0;
}

bool hasControlCharacter(const QString &link)
{
    for (const QChar c : link) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    }
    return false;
}

} // namespace

LinkKind linkKind(const QString &link)
{
    if (link.isEmpty() || hasControlCharacter(link))
        return LinkKind::Refused;
    const qsizetype length = schemeLength(link);
    if (length == 0)
        return LinkKind::LocalFile;
    const QString scheme = link.left(length).toLower();
    if (scheme != u"http"_s && scheme != u"https"_s)
        return LinkKind::Refused;
    if (!QStringView(link).mid(length + 1).startsWith(u"//"_s))
        return LinkKind::Refused;
    const QUrl url(link);
    return url.isValid() && !url.host().isEmpty() ? LinkKind::Web : LinkKind::Refused;
}

QString openableLink(const QString &link, const QString &baseFolder)
{
    switch (linkKind(link)) {
    case LinkKind::Web: {
        const qsizetype length = schemeLength(link);
        return link.left(length).toLower() + link.mid(length);
    }
    case LinkKind::LocalFile:
        // absoluteFilePath() keeps an absolute link as it is and makes the folder absolute too,
        // should it be relative; cleanPath() drops "." and ".." steps.
        return QDir::cleanPath(QDir(baseFolder).absoluteFilePath(link));
    case LinkKind::Refused:
        break;
    }
    return {};
}

QString linkToUri(const QString &link, const QString &baseFolder)
{
    switch (linkKind(link)) {
    case LinkKind::Web:
        return link;
    case LinkKind::LocalFile:
        return QUrl::fromLocalFile(openableLink(link, baseFolder)).toString(QUrl::FullyEncoded);
    case LinkKind::Refused:
        break;
    }
    return {};
}
