#pragma once

#include "mediacontrol.h"
#include "notingplayer.h"

#include <QStringList>

#include <utility>

// Doubles for the desktop media control tests and their helper process: a window and the session
// it shows, which note the calls they get.

class ScriptedHost : public MediaControlHost, public MediaSource
{
public:
    QStringList calls;
    bool hasNext = false;
    QString title;
    QString link;

    void quitFromDesktop() override { calls.append(QStringLiteral("quit")); }
    void raiseFromDesktop() override { calls.append(QStringLiteral("raise")); }
    void playNextFromDesktop() override { calls.append(QStringLiteral("next")); }
    bool canGoNext() const override { return hasNext; }
    QString currentTitle() const override { return title; }
    QString currentLink() const override { return link; }
};
