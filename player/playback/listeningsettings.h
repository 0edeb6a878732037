#pragma once

#include "repeatcontrol.h"

#include <QString>
#include <QStringList>

// The listening settings file, "listening.ini" in the application folder (AppPaths): plain
// "key=value" lines in UTF-8, CR LF or LF. The known keys have typed getters and setters; other
// features keep their own keys through value() and setValue(). Lines this class does not know
// (other keys, comments, anything else) are kept as they are when the file is rewritten.
//
// Reading is lenient: a missing, unreadable or damaged file, or a value out of range, reads as
// the default. A setter that changes a value rewrites the file at once, atomically; it returns
// false when the file could not be written (the value is kept in memory all the same).
class ListeningSettings
{
public:
    // A larger file is not one this program wrote: it is read as empty.
    static constexpr qint64 kLargestFile = 64 * 1024;

    explicit ListeningSettings(QString path);

    const QString &path() const { return m_path; }
    // Reads the file again.
    void reload();

    // Playing speed, 1.0 unless a value between the player's bounds is kept.
    double speed() const;
    bool setSpeed(double factor);
    // Repeat mode, off unless a valid one is kept.
    RepeatMode repeat() const;
    bool setRepeat(const RepeatMode &mode);

    // The value of any key, trimmed; empty when the key is missing. A key may appear more than
    // once: the last line counts.
    QString value(const QString &key) const;
    // Keys are non-empty and hold neither '=' nor a line break; values hold no line break.
    bool setValue(const QString &key, const QString &value);

private:
    int lineOf(const QString &key) const;
    bool write() const;

    QString m_path;
    QStringList m_lines;
    bool m_crlf = false;
};
