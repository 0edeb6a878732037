#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class AudioPlayer;
class QAction;
class QMenu;
class QToolButton;
class QWidget;
class RepeatControl;
struct RepeatMode;

// The speed and repeat choices, as one set of actions offered in two places: two compact buttons
// of the player control, and two submenus of another menu (the tray's). The speed button shows
// the speed ("1.0×"), the repeat button the mode; both follow changes made anywhere (the desktop's
// media controls included).
//
// Slower, faster and the normal speed have keys ([, ] and Backspace) that work wherever the keys
// were given to (addKeysTo()); a text box with the focus keeps its own use of them.
class ListeningMenus : public QObject
{
    Q_OBJECT

public:
    ListeningMenus(AudioPlayer &player, RepeatControl &repeat, QObject *parent = nullptr);
    ~ListeningMenus() override;

    // Speeds go up and down by this much.
    static constexpr double kStep = 0.1;

    QMenu *speedMenu() const { return m_speedMenu.get(); }
    QMenu *repeatMenu() const { return m_repeatMenu.get(); }
    QAction *slowerAction() const { return m_slower; }
    QAction *fasterAction() const { return m_faster; }
    QAction *normalSpeedAction() const { return m_normal; }
    // One checkable item per speed from the slowest to the fastest, and one per repeat mode.
    const QList<QAction *> &speedChoices() const { return m_speedChoices; }
    const QList<QAction *> &repeatChoices() const { return m_repeatChoices; }

    // The two buttons, made once, as children of parent.
    QToolButton *speedButton(QWidget *parent);
    QToolButton *repeatButton(QWidget *parent);
    // Puts "السرعة" and "تكرار" into menu as submenus, before the item before (at the end when
    // it is null).
    void addToMenu(QMenu *menu, QAction *before);
    // Makes the speed keys work while widget's window is active.
    void addKeysTo(QWidget *widget);

    // "1.0×".
    static QString speedText(double factor);
    // The caption of a repeat choice, and the short one the button shows.
    static QString repeatCaption(const RepeatMode &mode);
    static QString repeatButtonText(const RepeatMode &mode);

private:
    void step(int tenths);
    void showSpeed();
    void showRepeat();

    AudioPlayer &m_player;
    RepeatControl &m_repeat;
    std::unique_ptr<QMenu> m_speedMenu;
    std::unique_ptr<QMenu> m_repeatMenu;
    QAction *m_slower = nullptr;
    QAction *m_faster = nullptr;
    QAction *m_normal = nullptr;
    QList<QAction *> m_speedChoices;
    QList<QAction *> m_repeatChoices;
    QList<RepeatMode> m_repeatModes; // the mode of each repeat choice
    QToolButton *m_speedButton = nullptr;
    QToolButton *m_repeatButton = nullptr;
};
