#pragma once

#include "audioplayer.h"

#include <QStringList>

// An audio player whose clips play only when the test says so: StartPlay opens the clip, and the
// test moves it on with play(), reach() and finish(). Every call is written to calls.
class ScriptedPlayer : public AudioPlayer
{
    Q_OBJECT

public:
    using AudioPlayer::AudioPlayer;

    QStringList calls;
    QStringList started; // links started, in order

    QString ClipSource() const override { return m_link; }
    void setClipSource(const QString &link) override
    {
        calls.append(QStringLiteral("setClipSource ") + link);
        if (link.isEmpty())
            StopPlay();
        m_link = link;
    }
    void LoadClip(const QString &link) override
    {
        calls.append(QStringLiteral("LoadClip ") + link);
        m_link = link;
    }
    void StartPlay() override
    {
        calls.append(QStringLiteral("StartPlay"));
        if (m_link.isEmpty())
            return;
        if (m_refused.contains(m_link)) { // as a player that cannot even open the link
            fail();
            return;
        }
        if (m_state == Paused) {
            setState(Playing);
            return;
        }
        started.append(m_link);
        m_position = 0;
        m_length = 0;
        setState(Opening);
    }
    void PausePlay() override
    {
        calls.append(QStringLiteral("PausePlay"));
        if (m_state != Stopped)
            setState(Paused);
    }
    void StopPlay() override
    {
        calls.append(QStringLiteral("StopPlay"));
        m_position = 0;
        setState(Stopped);
    }
    State PlayState() const override { return m_state; }
    QString ClipText() const override { return m_link.section(u'/', -1); }
    qint64 position() const override { return m_position; }
    qint64 length() const override { return m_length; }
    void seek(qint64 ms) override { m_position = ms; }
    int volume() const override { return 100; }
    void setVolume(int /*percent*/) override {}
    QString errorText() const override { return {}; }

    // The clip plays; its length becomes known when length > 0.
    void play(qint64 length = 0)
    {
        m_length = length;
        setState(Playing);
    }
    // A position event.
    void reach(qint64 position)
    {
        m_position = position;
        Q_EMIT PositionChanged(position, m_length);
    }
    // Links whose StartPlay fails at once.
    void refuse(const QString &link) { m_refused.append(link); }
    // The clip cannot be played (not found, no network): stopped, then the failure.
    void fail()
    {
        setState(Stopped);
        Q_EMIT failed(QStringLiteral("failed"));
    }
    // The end of the clip: the last position while still playing, then stopped.
    void finish()
    {
        const qsizetype before = started.size();
        reach(m_length);
        if (started.size() == before && m_state == Playing) // nobody started another clip
            setState(Stopped);
    }

private:
    void setState(State state)
    {
        if (state == m_state)
            return;
        m_state = state;
        Q_EMIT StateChanged(state);
    }

    QString m_link;
    QStringList m_refused;
    State m_state = Stopped;
    qint64 m_position = 0;
    qint64 m_length = 0;
};
