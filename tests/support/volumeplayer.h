#pragma once

#include "scriptedplayer.h"

#include <QList>

// A scripted player that keeps the volume it is given, and every volume set, in order.
class VolumePlayer : public ScriptedPlayer
{
    Q_OBJECT

public:
    using ScriptedPlayer::ScriptedPlayer;

    QList<int> volumes;

    int volume() const override { return m_volume; }
    void setVolume(int percent) override
    {
        m_volume = percent;
        volumes.append(percent);
    }

private:
    int m_volume = 100;
};
