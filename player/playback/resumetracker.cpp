#include "resumetracker.h"

#include "audioplayer.h"
#include "resumepositions.h"

#include <QElapsedTimer>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

ResumeTracker::ResumeTracker(AudioPlayer &player, ResumePositions &positions, Clock clock,
                             QObject *parent)
    : QObject(parent)
    , m_player(player)
    , m_positions(positions)
    , m_clock(std::move(clock))
{
    if (!m_clock) {
        auto timer = std::make_shared<QElapsedTimer>();
        timer->start();
        m_clock = [timer] {
            return timer->elapsed();
        };
    }
    m_lastSave = m_clock();
    connect(&m_player, &AudioPlayer::PositionChanged, this, &ResumeTracker::positionChanged);
    connect(&m_player, &AudioPlayer::StateChanged, this, &ResumeTracker::stateChanged);
}

ResumeTracker::~ResumeTracker()
{
    flush();
}

void ResumeTracker::positionChanged(qint64 position, qint64 length)
{
    const AudioPlayer::State state = m_player.PlayState();
    if (state != AudioPlayer::Playing && state != AudioPlayer::Paused)
        return;
    const QString link = m_player.ClipSource();
    if (link != m_link) {
        // Another clip without a stop in between: the one before is done with.
        flush();
        m_link = link;
        m_lastSave = m_clock();
    }
    m_position = position;
    m_length = length;
    if (m_clock() - m_lastSave >= kSaveInterval) {
        m_positions.note(m_link, m_position, m_length);
        save();
    }
}

void ResumeTracker::stateChanged(AudioPlayer::State state)
{
    // Stopped, or a clip opening (it may replace one without a stop between): the clip before is
    // done with. The player is not asked anything here: it may be on its way out.
    if (state == AudioPlayer::Stopped || state == AudioPlayer::Opening)
        flush();
}

void ResumeTracker::flush()
{
    if (!m_link.isEmpty())
        m_positions.note(m_link, m_position, m_length);
    m_link.clear();
    m_position = 0;
    m_length = 0;
    save();
}

void ResumeTracker::save()
{
    m_lastSave = m_clock();
    if (!m_positions.isDirty() || m_positions.save() || std::exchange(m_warned, true))
        return;
    Q_EMIT saveFailed(
        u"تعذر حفظ مواضع الاستئناف في الملف %1."_s.arg(QFileInfo(m_positions.path()).fileName()));
}
