#include "sleeptimermenu.h"

#include "sleeptimer.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

using namespace Qt::Literals::StringLiterals;

SleepTimerMenu::SleepTimerMenu(SleepTimer &timer, QMenu *parent, QAction *before,
                               const QString &namePrefix, QObject *owner)
    : QObject(owner)
    , m_timer(timer)
{
    m_menu = new QMenu(u"مؤقت الإيقاف"_s, parent);
    m_menu->setObjectName(namePrefix);
    m_menu->menuAction()->setObjectName(namePrefix + u"Menu"_s);
    // A menu item is read out by its text, which is already Arabic; the menu gets its own name.
    m_menu->setAccessibleName(u"مؤقت الإيقاف"_s);
    parent->insertMenu(before, m_menu);

    m_group = new QActionGroup(this);
    m_group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    auto addChoice = [this, &namePrefix](const QString &name, const QString &text) {
        QAction *action = m_menu->addAction(text);
        action->setObjectName(namePrefix + name);
        action->setCheckable(true);
        m_group->addAction(action);
        m_choices.append(action);
        return action;
    };
    for (const int minutes : kMinuteChoices) {
        QAction *action =
            addChoice(QString::number(minutes), u"الإيقاف بعد %1 دقيقة"_s.arg(minutes));
        connect(action, &QAction::triggered, this,
                [this, minutes] { m_timer.startMinutes(minutes); });
    }
    m_menu->addSeparator()->setObjectName(namePrefix + u"Sep"_s);
    connect(addChoice(u"EndOfTape"_s, u"الإيقاف في نهاية الشريط"_s), &QAction::triggered, this,
            [this] { m_timer.stopAtEndOfTape(); });
    connect(addChoice(u"EndOfQueue"_s, u"الإيقاف في نهاية قائمة الانتظار"_s), &QAction::triggered,
            this, [this] { m_timer.stopAtEndOfQueue(); });
    m_menu->addSeparator()->setObjectName(namePrefix + u"Sep2"_s);
    m_cancel = m_menu->addAction(u"إلغاء مؤقت الإيقاف"_s);
    m_cancel->setObjectName(namePrefix + u"Cancel"_s);
    connect(m_cancel, &QAction::triggered, &m_timer, &SleepTimer::cancel);

    connect(&m_timer, &SleepTimer::modeChanged, this, &SleepTimerMenu::sync);
    sync();
}

void SleepTimerMenu::sync()
{
    QAction *on = nullptr;
    switch (m_timer.mode()) {
    case SleepTimer::Mode::Off:
        break;
    case SleepTimer::Mode::Minutes:
        for (int i = 0; i < int(std::size(kMinuteChoices)); ++i)
            if (kMinuteChoices[i] == m_timer.minutes())
                on = m_choices[i];
        break;
    case SleepTimer::Mode::EndOfTape:
        on = m_choices[std::size(kMinuteChoices)];
        break;
    case SleepTimer::Mode::EndOfQueue:
        on = m_choices[std::size(kMinuteChoices) + 1];
        break;
    }
    for (QAction *action : std::as_const(m_choices))
        action->setChecked(action == on);
    m_cancel->setEnabled(m_timer.mode() != SleepTimer::Mode::Off);
}
