#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringView>

#include <optional>

class Playback;
class PlayQueue;

// What is played again when a tape ends.
struct RepeatMode
{
    enum class Kind
    {
        Off,   // nothing: the queue moves on, or playing stops
        Tape,  // the current tape
        Queue, // the play queue, from its first entry again after its last
    };
    Kind kind = Kind::Off;
    // For Tape: how often the tape plays in all, 0 for endlessly.
    int times = 0;

    bool operator==(const RepeatMode &) const = default;

    static RepeatMode off() { return {}; }
    static RepeatMode tape(int times = 0) { return {Kind::Tape, times}; }
    static RepeatMode queue() { return {Kind::Queue, 0}; }

    // The counts the menus offer for a tape.
    static const QList<int> &offeredTimes();
    // The largest count a saved value may name.
    static constexpr int kMostTimes = 99;

    // As kept in the listening settings: "off", "tape", "tape:3", "queue".
    QString toText() const;
    // Nothing for a text that names no mode (a count of 1, or past kMostTimes, included).
    static std::optional<RepeatMode> fromText(QStringView text);
    // The desktop's loop status: "None", "Track" (any repeat of the tape) or "Playlist".
    QString loopStatus() const;
};

// Plays a tape again, or the queue round again, by the repeat mode. At the end of a tape it is
// asked first (TapeEndStep): a tape to repeat starts again from its beginning and the queue is not
// told; otherwise the queue moves on as without repeat. While the queue repeats, it keeps its
// played entries (PlayQueue::setKeepPlayed).
//
// A tape repeated a number of times counts the plays since it was started (chosen, or started
// again after stopping); when the count is reached, playback moves on as with repeat off.
class RepeatControl : public QObject
{
    Q_OBJECT

public:
    RepeatControl(Playback &playback, PlayQueue &queue, QObject *parent = nullptr);

    const RepeatMode &mode() const { return m_mode; }
    void setMode(const RepeatMode &mode);
    // How often the current tape has played to its end since it was started.
    int playsDone() const { return m_playsDone; }

    // The tape playing has reached its end: starts it again when the mode says so (true), or
    // leaves the end to the queue (false).
    bool playAgainAtEnd();

Q_SIGNALS:
    void modeChanged();

private:
    Playback &m_playback;
    PlayQueue &m_queue;
    RepeatMode m_mode;
    int m_playsDone = 0;
};
