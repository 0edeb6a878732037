#pragma once

#include "audioplayer.h"

#include <QObject>
#include <QString>

#include <functional>

class AudioPlayer;
class ResumePositions;

// Follows the player and keeps ResumePositions up to date: the position of the clip playing is
// noted and the file written when the clip stops (also when another clip replaces it), at most
// every kSaveInterval while it plays, and at flush() (the program closing). Not on every position
// event: the file is rewritten whole.
class ResumeTracker : public QObject
{
    Q_OBJECT

public:
    // Milliseconds of a steady clock; the tests give their own.
    using Clock = std::function<qint64()>;

    static constexpr qint64 kSaveInterval = 30 * 1000;

    ResumeTracker(AudioPlayer &player, ResumePositions &positions, Clock clock = {},
                  QObject *parent = nullptr);
    ~ResumeTracker() override;

    // Notes where the clip playing stands and writes the file if anything changed.
    void flush();

Q_SIGNALS:
    // The file could not be written (once per run: the user hears of it once).
    void saveFailed(const QString &message);

private:
    void positionChanged(qint64 position, qint64 length);
    void stateChanged(AudioPlayer::State state);
    void save();

    AudioPlayer &m_player;
    ResumePositions &m_positions;
    Clock m_clock;
    QString m_link; // the clip the last position event was about
    qint64 m_position = 0;
    qint64 m_length = 0;
    qint64 m_lastSave = 0;
    bool m_warned = false;
};
