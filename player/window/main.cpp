#include "closesignals.h"
#include "mainframe.h"
#include "playersession.h"
#include "programstart.h"
#include "startupreport.h"
#include "toolcommands.h"
#include "widgets.h"

#include <QApplication>

#include <clocale>

using namespace Qt::Literals::StringLiterals;

namespace {

// The program's entry: one main window, right to left, with its data in the application folder
// (beside the executable when portable, the user's data folder when installed).
int StartUp(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setDesktopFileName(u"marvoli"_s);
    // The audio library reads numbers with the C locale.
    std::setlocale(LC_NUMERIC, "C");
    const std::optional<AppFolder> folder = StartArabicProgram(u"Marvoli"_s);
    if (!folder)
        return 1;
    PlayerSession session(folder->path);
    MainFrame mainframe(session);
    // The updater is installed beside the player, wherever the data are.
    mainframe.tools().setProgramFolder(QCoreApplication::applicationDirPath());
    StartupReport::quitWhenShown(&mainframe);
    // Logout, shutdown and a stop of the user's service close the program as its Exit item does,
    // settings written, but forced: no window may hold the desktop's end up with a question.
    // Before this point nothing has been changed that closing would have to keep.
    CloseSignals closeSignals;
    QObject::connect(&closeSignals, &CloseSignals::closeRequested, &mainframe,
                     [] { UnloadAllWindows(true); });
    mainframe.show();
    return app.exec();
}

} // namespace

int main(int argc, char **argv)
{
    return StartUp(argc, argv);
}
