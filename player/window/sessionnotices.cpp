#include "sessionnotices.h"

#include "apppaths.h"
#include "playback.h"
#include "playersession.h"
#include "sleepresumestatus.h"
#include "widgets.h"

#include <QMessageBox>
#include <QWidget>

using namespace Qt::Literals::StringLiterals;

SessionNotices::SessionNotices(PlayerSession &session, SleepResumeStatus &status, QWidget *window)
    : QObject(window)
    , m_session(session)
    , m_status(status)
    , m_window(window)
{
    connect(&session.playback(), &Playback::recentChanged, this, [this](bool saved) {
        if (!saved && !std::exchange(m_recentWarned, true))
            warn(u"المحفوظات"_s, u"تعذر حفظ قائمة المحفوظات في الملف last.txt."_s);
    });
    connect(&session, &PlayerSession::listeningNotSaved, this, [this] {
        if (!std::exchange(m_listeningWarned, true))
            warn(u"إعدادات الاستماع"_s, u"تعذر حفظ إعدادات الاستماع في الملف %1."_s.arg(
                                            QString::fromLatin1(AppPaths::kListeningFile)));
    });
    connect(&session, &PlayerSession::positionsNotSaved, this, &SessionNotices::positionsNotSaved);
}

void SessionNotices::warn(const QString &title, const QString &text)
{
    ShowNotice(m_window, QMessageBox::Warning, title, text, u"warning"_s);
}

void SessionNotices::positionsNotSaved(const QString &message)
{
    if (!m_session.closing()) {
        m_status.showMessage(message);
        return;
    }
    if (ClosingWithForce()) {
        qWarning("%s", qPrintable(message));
        return;
    }
    // Modal, like the message about config.ini: the program is about to end.
    QMessageBox box(QMessageBox::Warning, m_window->windowTitle(), message, QMessageBox::Ok,
                    m_window);
    box.setObjectName(u"positionsFailed"_s);
    box.exec();
}
