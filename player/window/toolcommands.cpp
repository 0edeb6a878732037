#include "toolcommands.h"

#include "aboutform.h"
#include "widgets.h"

#include <QAction>
#include <QDir>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

ToolCommands::ToolCommands(QString appFolder, QWidget *window)
    : QObject(window)
    , m_appFolder(std::move(appFolder))
    , m_programFolder(m_appFolder)
    , m_window(window)
{}

void ToolCommands::attach(const MainMenus::Items &items)
{
    items.mUpdate->setEnabled(true);
    items.about->setEnabled(true);
    items.IntOptions->setEnabled(true);
    items.IntOptions->setVisible(!networkSettingsTool().program.isEmpty());
    connect(items.mUpdate, &QAction::triggered, this, &ToolCommands::mUpdate_Click);
    connect(items.IntOptions, &QAction::triggered, this, &ToolCommands::IntOptions_Click);
    connect(items.about, &QAction::triggered, this, &ToolCommands::about_Click);
}

QString ToolCommands::updaterPath() const
{
    return QDir(m_programFolder).filePath(u"Renfold"_s);
}

void ToolCommands::mUpdate_Click()
{
    start({updaterPath(), {}}, u"تعذر تشغيل برنامج التحديث Renfold."_s);
}

ToolCommands::Command ToolCommands::networkSettingsTool()
{
    const QList<Command> known{
        {u"gnome-control-center"_s, {u"network"_s}},
        {u"kcmshell6"_s, {u"kcm_proxy"_s}},
        {u"kcmshell5"_s, {u"proxy"_s}},
    };
    for (const Command &tool : known)
        if (const QString path = QStandardPaths::findExecutable(tool.program); !path.isEmpty())
            return {path, tool.arguments};
    return {};
}

void ToolCommands::IntOptions_Click()
{
    start(networkSettingsTool(), u"تعذر فتح إعدادات الشبكة."_s);
}

void ToolCommands::about_Click()
{
    auto *about = new frmAbout(m_window);
    about->open();
}

void ToolCommands::start(const Command &command, const QString &failure)
{
    // Started on its own: the player neither waits for it nor ends with it.
    if (!command.program.isEmpty() &&
        QProcess::startDetached(command.program, command.arguments, m_appFolder))
        return;
    ShowNotice(m_window, QMessageBox::Warning, u"Marvoli"_s, failure, u"startFailed"_s);
}
