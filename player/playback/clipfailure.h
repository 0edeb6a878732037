#pragma once

#include <QString>

// Why a clip failed, as far as mpv's error code and its log tell.
enum class ClipFailure
{
    None,
    NotFound,
    Connection,
    Format,
    NoDevice, // no audio output could be opened
    Refused,  // the link, or a link a playlist led to, is not one the program opens
    Other,
};

namespace ClipFailures {

// The cause a log line names, or None. prefix is the mpv module that wrote it: only the modules
// that open and read the link count, as the audio output writes lines ("No such file or
// directory") that have nothing to do with the link.
ClipFailure failureInLog(const QString &prefix, const QString &line);
// The cause of a clip's ERROR end: error is mpv's error code, logged the cause the log named
// last, web whether the link is an http(s) one, missingFile whether it is a local file that does
// not exist.
ClipFailure failureOfError(int error, ClipFailure logged, bool web, bool missingFile);
// The Arabic message shown for a failure.
QString messageFor(ClipFailure failure);

} // namespace ClipFailures
