#pragma once

#include "audioplayer.h"

#include <QStringList>

#include <utility>

// A player that plays nothing: the test sets its state, clip and position, and the calls it gets
// are noted in order. For the suites of what follows a player (its control, the desktop's media
// controls) rather than of playing itself (ScriptedPlayer).
class NotingPlayer : public AudioPlayer
{
public:
    QStringList calls;
    QString clip;
    State state = Stopped;
    qint64 positionMs = 0;
    qint64 lengthMs = 0;
    int volumePercent = 100;

    void enter(State newState)
    {
        state = newState;
        Q_EMIT StateChanged(newState);
    }
    void tick(qint64 position, qint64 length)
    {
        positionMs = position;
        lengthMs = length;
        Q_EMIT PositionChanged(position, length);
    }

    QString ClipSource() const override { return clip; }
    void setClipSource(const QString &link) override { clip = link; }
    void LoadClip(const QString &link) override { clip = link; }
    void StartPlay() override { calls.append(QStringLiteral("StartPlay")); }
    void PausePlay() override { calls.append(QStringLiteral("PausePlay")); }
    void StopPlay() override { calls.append(QStringLiteral("StopPlay")); }
    State PlayState() const override { return state; }
    QString ClipText() const override { return clip; }
    qint64 position() const override { return positionMs; }
    qint64 length() const override { return lengthMs; }
    void seek(qint64 ms) override
    {
        calls.append(QStringLiteral("seek %1").arg(ms));
        positionMs = ms;
        Q_EMIT seeked(ms);
    }
    int volume() const override { return volumePercent; }
    void setVolume(int percent) override
    {
        calls.append(QStringLiteral("setVolume %1").arg(percent));
        if (percent != std::exchange(volumePercent, percent))
            Q_EMIT volumeChanged(percent);
    }
    void setSpeed(double factor) override
    {
        calls.append(QStringLiteral("setSpeed %1").arg(factor));
        AudioPlayer::setSpeed(factor);
    }
    QString errorText() const override { return {}; }
};
