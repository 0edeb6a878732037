#include "listeningmenus.h"

#include "audioplayer.h"
#include "repeatcontrol.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QToolButton>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

int tenthsOf(double factor)
{
    return int(std::lround(factor * 10.0));
}

QAction *addAction(QMenu *menu, const QString &name, const QString &text)
{
    QAction *action = menu->addAction(text);
    action->setObjectName(name);
    return action;
}

QToolButton *makeButton(QWidget *parent, QMenu *menu, const QString &name,
                        const QString &accessibleName)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setAutoRaise(true);
    button->setMenu(menu);
    // A click opens the menu at once: the button stands for its menu, not for an action.
    button->setPopupMode(QToolButton::InstantPopup);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setAccessibleName(accessibleName);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

} // namespace

ListeningMenus::ListeningMenus(AudioPlayer &player, RepeatControl &repeat, QObject *parent)
    : QObject(parent)
    , m_player(player)
    , m_repeat(repeat)
    , m_speedMenu(std::make_unique<QMenu>(u"السرعة"_s))
    , m_repeatMenu(std::make_unique<QMenu>(u"تكرار"_s))
{
    m_speedMenu->setObjectName(u"SpeedMenu"_s);
    m_speedMenu->menuAction()->setObjectName(u"mnuSpeed"_s);
    m_speedMenu->setAccessibleName(u"السرعة"_s);
    m_slower = addAction(m_speedMenu.get(), u"mnuSlower"_s, u"أبطأ"_s);
    m_slower->setShortcut(Qt::Key_BracketLeft);
    m_faster = addAction(m_speedMenu.get(), u"mnuFaster"_s, u"أسرع"_s);
    m_faster->setShortcut(Qt::Key_BracketRight);
    m_normal = addAction(m_speedMenu.get(), u"mnuNormalSpeed"_s, u"السرعة العادية"_s);
    m_normal->setShortcut(Qt::Key_Backspace);
    m_speedMenu->addSeparator()->setObjectName(u"sepSpeed"_s);
    auto *speeds = new QActionGroup(this);
    const int slowest = tenthsOf(AudioPlayer::kMinimumSpeed);
    const int fastest = tenthsOf(AudioPlayer::kMaximumSpeed);
    for (int tenths = slowest; tenths <= fastest; ++tenths) {
        QAction *choice =
            addAction(m_speedMenu.get(), u"mnuSpeed_%1"_s.arg(tenths), speedText(tenths / 10.0));
        choice->setCheckable(true);
        speeds->addAction(choice);
        connect(choice, &QAction::triggered, this,
                [this, tenths] { m_player.setSpeed(tenths / 10.0); });
        m_speedChoices.append(choice);
    }
    connect(m_slower, &QAction::triggered, this, [this] { step(-1); });
    connect(m_faster, &QAction::triggered, this, [this] { step(+1); });
    connect(m_normal, &QAction::triggered, this, [this] { m_player.setSpeed(1.0); });

    m_repeatMenu->setObjectName(u"RepeatMenu"_s);
    m_repeatMenu->menuAction()->setObjectName(u"mnuRepeat"_s);
    m_repeatMenu->setAccessibleName(u"تكرار"_s);
    m_repeatModes.append(RepeatMode::off());
    m_repeatModes.append(RepeatMode::tape());
    for (int times : RepeatMode::offeredTimes())
        m_repeatModes.append(RepeatMode::tape(times));
    m_repeatModes.append(RepeatMode::queue());
    auto *modes = new QActionGroup(this);
    for (int i = 0; i < m_repeatModes.size(); ++i) {
        const RepeatMode mode = m_repeatModes.at(i);
        if (mode.kind == RepeatMode::Kind::Queue || i == 1)
            m_repeatMenu->addSeparator()->setObjectName(u"sepRepeat_%1"_s.arg(i));
        QAction *choice =
            addAction(m_repeatMenu.get(), u"mnuRepeat_%1"_s.arg(i), repeatCaption(mode));
        choice->setCheckable(true);
        modes->addAction(choice);
        connect(choice, &QAction::triggered, this, [this, mode] { m_repeat.setMode(mode); });
        m_repeatChoices.append(choice);
    }

    connect(&m_player, &AudioPlayer::speedChanged, this, &ListeningMenus::showSpeed);
    connect(&m_repeat, &RepeatControl::modeChanged, this, &ListeningMenus::showRepeat);
    showSpeed();
    showRepeat();
}

ListeningMenus::~ListeningMenus() = default;

QString ListeningMenus::speedText(double factor)
{
    return QString::number(factor, 'f', 1) + u'×';
}

QString ListeningMenus::repeatCaption(const RepeatMode &mode)
{
    switch (mode.kind) {
    case RepeatMode::Kind::Off:
        return u"بدون تكرار"_s;
    case RepeatMode::Kind::Queue:
        return u"تكرار قائمة الانتظار"_s;
    case RepeatMode::Kind::Tape:
        break;
    }
    if (mode.times == 0)
        return u"تكرار الشريط الحالي باستمرار"_s;
    if (mode.times == 2)
        return u"تشغيل الشريط الحالي مرتين"_s;
    // Arabic counts: three to ten take the plural, eleven and more the singular.
    return mode.times <= 10 ? u"تشغيل الشريط الحالي %1 مرات"_s.arg(mode.times)
                            : u"تشغيل الشريط الحالي %1 مرة"_s.arg(mode.times);
}

QString ListeningMenus::repeatButtonText(const RepeatMode &mode)
{
    switch (mode.kind) {
    case RepeatMode::Kind::Off:
        return u"تكرار"_s;
    case RepeatMode::Kind::Queue:
        return u"تكرار: القائمة"_s;
    case RepeatMode::Kind::Tape:
        break;
    }
    return mode.times == 0 ? u"تكرار: الشريط"_s : u"تكرار: %1×"_s.arg(mode.times);
}

QToolButton *ListeningMenus::speedButton(QWidget *parent)
{
    if (!m_speedButton) {
        m_speedButton = makeButton(parent, m_speedMenu.get(), u"SpeedButton"_s, u"السرعة"_s);
        showSpeed();
    }
    return m_speedButton;
}

QToolButton *ListeningMenus::repeatButton(QWidget *parent)
{
    if (!m_repeatButton) {
        m_repeatButton = makeButton(parent, m_repeatMenu.get(), u"RepeatButton"_s, u"تكرار"_s);
        showRepeat();
    }
    return m_repeatButton;
}

void ListeningMenus::addToMenu(QMenu *menu, QAction *before)
{
    menu->insertMenu(before, m_speedMenu.get());
    menu->insertMenu(before, m_repeatMenu.get());
    QAction *separator = menu->insertSeparator(before);
    separator->setObjectName(u"sepListening"_s);
}

void ListeningMenus::addKeysTo(QWidget *widget)
{
    for (QAction *action : {m_slower, m_faster, m_normal}) {
        action->setShortcutContext(Qt::WindowShortcut);
        widget->addAction(action);
    }
}

void ListeningMenus::step(int tenths)
{
    m_player.setSpeed((tenthsOf(m_player.speed()) + tenths) / 10.0);
}

void ListeningMenus::showSpeed()
{
    const int tenths = tenthsOf(m_player.speed());
    for (QAction *choice : std::as_const(m_speedChoices))
        choice->setChecked(choice->objectName() == u"mnuSpeed_%1"_s.arg(tenths));
    m_slower->setEnabled(tenths > tenthsOf(AudioPlayer::kMinimumSpeed));
    m_faster->setEnabled(tenths < tenthsOf(AudioPlayer::kMaximumSpeed));
    m_normal->setEnabled(tenths != 10);
    if (m_speedButton) {
        const QString text = speedText(m_player.speed());
        m_speedButton->setText(text);
        m_speedButton->setToolTip(u"السرعة: %1"_s.arg(text));
        m_speedButton->setAccessibleDescription(text);
    }
}

void ListeningMenus::showRepeat()
{
    const RepeatMode &mode = m_repeat.mode();
    for (int i = 0; i < m_repeatChoices.size(); ++i)
        m_repeatChoices[i]->setChecked(m_repeatModes.at(i) == mode);
    if (m_repeatButton) {
        m_repeatButton->setText(repeatButtonText(mode));
        m_repeatButton->setToolTip(repeatCaption(mode));
        m_repeatButton->setAccessibleDescription(repeatCaption(mode));
    }
}
