#include "playedmarker.h"

#include "playback.h"

using namespace Qt::Literals::StringLiterals;

PlayedMarker::PlayedMarker(Playback &playback, KeyedTree &tree, QObject *parent)
    : QObject(parent)
    , m_playback(playback)
    , m_tree(tree)
{
    connect(&m_playback, &Playback::playedNodeChanged, this, &PlayedMarker::playedChanged);
    connect(&m_playback, &Playback::playedMarkChanged, this, &PlayedMarker::refresh);
}

void PlayedMarker::playedChanged(const QString &previous, const QString &current)
{
    if (previous != current && !previous.isEmpty())
        m_tree.setImage(m_tree.item(previous), u"Leaf"_s);
    refresh();
}

void PlayedMarker::refresh()
{
    const QString &played = m_playback.PlayedNode();
    if (played.isEmpty())
        return;
    QString image;
    switch (m_playback.playedMark()) {
    case Playback::Mark::Wait:
        image = u"wait"_s;
        break;
    case Playback::Mark::Sound:
        image = u"sound"_s;
        break;
    case Playback::Mark::Failed:
        image = u"Leaf"_s;
        break;
    }
    m_tree.setImage(m_tree.item(played), image);
}
