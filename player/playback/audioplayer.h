#pragma once

#include <QObject>
#include <QString>

#include <algorithm>
#include <cmath>

// The audio player component as the rest of the program sees it: one clip at a time, chosen by
// its link, started, paused and stopped, with its play state and two events. The program never
// talks to an audio library directly; MpvPlayer is the real implementation, tests may add doubles.
class AudioPlayer : public QObject
{
    Q_OBJECT

public:
    // Play states, as PlayState() reports them and StateChanged() carries them.
    enum State
    {
        Stopped = 0,   // nothing playing (also before any clip was loaded)
        Opening = 1,   // connecting to the link, reading its header
        Buffering = 2, // waiting for data
        Playing = 3,
        Paused = 4,
    };
    Q_ENUM(State)

    using QObject::QObject;

    // The link of the clip last loaded, exactly as it was given. Writing a link selects that clip
    // for the next StartPlay(); writing "" unloads the clip.
    virtual QString ClipSource() const = 0;
    virtual void setClipSource(const QString &link) = 0;
    // Selects a clip for the next StartPlay().
    virtual void LoadClip(const QString &link) = 0;
    // Starts the selected clip from its beginning, or resumes a paused one.
    virtual void StartPlay() = 0;
    virtual void PausePlay() = 0;
    // Stops; PlayState() then reads Stopped.
    virtual void StopPlay() = 0;
    virtual State PlayState() const = 0;
    // Empty exactly when no clip is loaded.
    virtual QString ClipText() const = 0;

    // For the player's own control: position and length in milliseconds, seeking and volume.
    virtual qint64 position() const = 0;
    virtual qint64 length() const = 0;
    virtual void seek(qint64 ms) = 0;
    virtual int volume() const = 0;
    virtual void setVolume(int percent) = 0;
    // Why the last clip could not be played, in Arabic; empty when it played or is playing.
    virtual QString errorText() const = 0;

    // Playing speed, 1.0 the normal one, with the pitch kept. Any value is brought to a tenth
    // between kMinimumSpeed and kMaximumSpeed (boundedSpeed()); speedChanged follows a change.
    // This base only keeps the value, as a player that cannot change speed would; a player
    // that can applies the bounded value and then calls this one.
    static constexpr double kMinimumSpeed = 0.5;
    static constexpr double kMaximumSpeed = 2.0;
    static double boundedSpeed(double factor)
    {
        if (!std::isfinite(factor))
            return 1.0;
        return std::round(std::clamp(factor, kMinimumSpeed, kMaximumSpeed) * 10.0) / 10.0;
    }
    virtual double speed() const { return m_speedTenths / 10.0; }
    virtual void setSpeed(double factor)
    {
        const int tenths = int(std::lround(boundedSpeed(factor) * 10.0));
        if (tenths == m_speedTenths)
            return;
        m_speedTenths = tenths;
        Q_EMIT speedChanged(speed());
    }

Q_SIGNALS:
    // Raised repeatedly while a clip plays, in milliseconds. At the end of a clip one last event
    // has position == length while the state is still Playing; Stopped follows.
    void PositionChanged(qint64 position, qint64 length);
    void StateChanged(AudioPlayer::State state);
    // The clip could not be opened or played (not found, refused, no network, unknown format).
    // The state is Stopped afterwards; message is errorText().
    void failed(const QString &message);
    // The speed changed (setSpeed()).
    void speedChanged(double factor);
    // setVolume() changed the volume.
    void volumeChanged(int percent);
    // A seek() was carried out; position is where the clip now stands, in milliseconds.
    void seeked(qint64 position);

private:
    // Tenths, so that a value reached by steps compares equal to the same value set directly.
    int m_speedTenths = 10;
};
