#pragma once

#include <QObject>
#include <QString>

class QMenu;
class QSystemTrayIcon;
class QWidget;

// The tray icon that stands for the main window while it is minimised to the tray: the window is
// hidden and the icon shows the playing title; a double click (or a click) brings the window back
// in the state it had before, and the icon goes.
class TrayController : public QObject
{
    Q_OBJECT

public:
    TrayController(QWidget *window, QMenu *trayMenu, QObject *parent = nullptr);
    ~TrayController() override;

    // Whether a tray exists to minimise into right now (asked at the moment of minimising: a
    // desktop can lose its tray).
    static bool available();

    QSystemTrayIcon *icon() const { return m_icon; }
    bool inTray() const { return m_icon != nullptr; }
    const QString &TrayTip() const { return m_tip; }

    // The state to give back when the window returns: 2 maximised, otherwise normal.
    void setLastWindowState(int state) { m_lastWindowState = state; }
    int LastWindowState() const { return m_lastWindowState; }

    // Hides the window behind a tray icon; never when there is no tray to find it in again.
    void ShowinTray();
    void DeleteFromTray();
    // Shows the window normal, activates it and removes the icon.
    void mnuShow_Click();
    // The tooltip follows the playing title, on one line.
    void setTitle(const QString &title);

private:
    void activated(int reason);

    QWidget *m_window;
    QMenu *m_menu;
    QSystemTrayIcon *m_icon = nullptr;
    QString m_tip;
    QString m_title;
    int m_lastWindowState = 0;
};
