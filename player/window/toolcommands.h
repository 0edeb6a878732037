#pragma once

#include "mainmenus.h"

#include <QObject>
#include <QString>
#include <QStringList>

class QWidget;

// The small commands of the Tools and About menus: starting the updater, opening the desktop's
// network settings, showing the About window.
class ToolCommands : public QObject
{
    Q_OBJECT

public:
    // A program with its arguments; empty when there is none.
    struct Command
    {
        QString program;
        QStringList arguments;
    };

    ToolCommands(QString appFolder, QWidget *window);

    // Connects the Tools and About items, and offers the network item only where its tool is.
    void attach(const MainMenus::Items &items);

    // Starts the updater in the application folder, without arguments and without waiting.
    void mUpdate_Click();
    // Opens the desktop's network (proxy) settings.
    void IntOptions_Click();
    // Shows the About window, modal to the main window.
    void about_Click();

    // Where the programs are: the application folder unless set (an installed copy's are in bin/).
    void setProgramFolder(QString folder) { m_programFolder = std::move(folder); }
    // The updater's path: "Renfold" in the program folder.
    QString updaterPath() const;
    // The desktop's tool for network settings when one is installed (GNOME's or KDE's);
    // otherwise the item is not offered.
    static Command networkSettingsTool();

private:
    void start(const Command &command, const QString &failure);

    QString m_appFolder;
    QString m_programFolder;
    QWidget *m_window;
};
