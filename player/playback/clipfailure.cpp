#include "clipfailure.h"

#include <QStringList>

#include <mpv/client.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Whether text is one of the module names, or a sub-module of one ("ffmpeg/demuxer").
bool startsWithAny(const QString &text, std::initializer_list<QStringView> prefixes)
{
    for (const QStringView prefix : prefixes) {
        if (text == prefix || (text.startsWith(prefix) && text.at(prefix.size()) == u'/'))
            return true;
    }
    return false;
}

} // namespace

namespace ClipFailures {

ClipFailure failureInLog(const QString &prefix, const QString &line)
{
    // mpv's stream layer ("stream", "file" for local files), its demuxers, and FFmpeg's protocols
    // and demuxers ("ffmpeg", "ffmpeg/demuxer"...).
    if (!startsWithAny(prefix, {u"stream", u"file", u"demux", u"lavf", u"ffmpeg"}))
        return ClipFailure::None;
    // FFmpeg's and mpv's wording.
    static const QStringList refused = {u"Refusing to load potentially unsafe URL"_s,
                                        u"not on whitelist"_s};
    static const QStringList notFound = {u"HTTP error 404"_s, u"HTTP error 410"_s,
                                         u"404 Not Found"_s, u"No such file or directory"_s};
    static const QStringList connection = {
        u"Connection refused"_s,     u"Failed to resolve hostname"_s, u"timed out"_s,
        u"Network is unreachable"_s, u"No route to host"_s,           u"Connection reset"_s,
    };
    auto mentions = [&line](const QStringList &phrases) {
        for (const QString &phrase : phrases) {
            if (line.contains(phrase, Qt::CaseInsensitive))
                return true;
        }
        return false;
    };
    if (mentions(refused))
        return ClipFailure::Refused;
    if (mentions(notFound))
        return ClipFailure::NotFound;
    if (mentions(connection))
        return ClipFailure::Connection;
    if (line.contains(u"HTTP error"_s))
        return ClipFailure::Other; // the server answered, with another error status
    return ClipFailure::None;
}

ClipFailure failureOfError(int error, ClipFailure logged, bool web, bool missingFile)
{
    // The error code is mpv's own verdict and comes first; the log only tells apart the causes
    // mpv sums up as "loading failed".
    if (error == MPV_ERROR_AO_INIT_FAILED)
        return ClipFailure::NoDevice;
    if (logged == ClipFailure::Refused)
        return ClipFailure::Refused;
    if (error == MPV_ERROR_UNKNOWN_FORMAT || error == MPV_ERROR_NOTHING_TO_PLAY)
        return ClipFailure::Format;
    if (missingFile)
        return ClipFailure::NotFound;
    if (logged != ClipFailure::None)
        return logged;
    // Neither an HTTP status nor a socket error in the log: a server that accepted the connection
    // and then said nothing until the network timeout.
    if (web && error != 0)
        return ClipFailure::Connection;
    return ClipFailure::Other;
}

QString messageFor(ClipFailure failure)
{
    switch (failure) {
    case ClipFailure::NotFound:
        return u"تعذر العثور على الملف الصوتي"_s;
    case ClipFailure::Connection:
        return u"تعذر الاتصال بالخادم"_s;
    case ClipFailure::Format:
        return u"صيغة الملف غير مدعومة"_s;
    case ClipFailure::NoDevice:
        return u"لا يوجد جهاز صوت متاح"_s;
    case ClipFailure::Refused:
        return u"رابط غير مسموح به: يقبل البرنامج روابط http و https والملفات المحلية فقط"_s;
    case ClipFailure::None:
    case ClipFailure::Other:
        break;
    }
    return u"تعذر تشغيل الملف الصوتي"_s;
}

} // namespace ClipFailures
