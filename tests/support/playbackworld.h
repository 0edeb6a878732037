#pragma once

#include "playback.h"
#include "playqueue.h"
#include "recentlist.h"
#include "repeatcontrol.h"
#include "scriptedplayer.h"
#include "sleeptimer.h"
#include "tapeend.h"

#include <QTemporaryDir>

#include <memory>

// The playing parts wired as the player session wires them (playback, queue, repeat, sleep
// timer, the end-of-tape step), on a scripted player, with the recent list in a folder of its
// own: what the suites of the playing rules drive. Repeat and the sleep timer start off.
template<class Player = ScriptedPlayer>
struct PlaybackWorld
{
    explicit PlaybackWorld(SleepTimer::Clock clock = {})
        : sleep(playback, &queue, std::move(clock))
    {}

    QTemporaryDir dir;
    std::unique_ptr<Player> player = std::make_unique<Player>();
    RecentList recent{dir.filePath(QStringLiteral("last.txt"))};
    Playback playback{*player, recent};
    PlayQueue queue{playback};
    RepeatControl repeat{playback, queue};
    SleepTimer sleep;
    TapeEndStep tapeEnd{playback, queue, &repeat, &sleep};
};
