#pragma once

#include "keyedtree.h"

#include <QObject>

class Playback;

// Shows the tape being played in the tree: its node gets "wait" once chosen and "sound" while the
// player runs; the tape played before, and one whose link failed, go back to "Leaf". Nodes come and
// go (expansion, rebuilds, the queue branch), so the mark is put back whenever asked.
class PlayedMarker : public QObject
{
    Q_OBJECT

public:
    PlayedMarker(Playback &playback, KeyedTree &tree, QObject *parent = nullptr);

    // Marks the played tape's node, if the tree shows it now.
    void refresh();

private:
    void playedChanged(const QString &previous, const QString &current);

    Playback &m_playback;
    KeyedTree &m_tree;
};
