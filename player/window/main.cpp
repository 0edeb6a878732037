#include "accessibility.h"
#include "appfolder.h"
#include "closesignals.h"
#include "mainframe.h"
#include "startupreport.h"
#include "toolcommands.h"
#include "widgets.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QNetworkProxyFactory>
#include <QTranslator>

#include <clocale>

using namespace Qt::Literals::StringLiterals;

namespace {

// The program's entry: one main window, right to left, with its data in the application folder
// (beside the executable when portable, the user's data folder when installed).
int StartUp(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Marvoli"_s);
    QApplication::setDesktopFileName(u"marvoli"_s);
    QApplication::setLayoutDirection(Qt::RightToLeft);
    UseRoomyButtons();
    // Qt's own texts (the buttons of message boxes, the boxes' context menus) in Arabic too.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Arabic), u"qtbase"_s, u"_"_s,
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    // Saving audio goes through the desktop's proxy, as the settings item offers to change it.
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    // The audio library reads numbers with the C locale.
    std::setlocale(LC_NUMERIC, "C");

    InstallAccessibleWindows();
    const AppFolder folder = chooseAppFolder(systemAppFolderPlaces());
    if (!folder.ready()) {
        QMessageBox box(QMessageBox::Critical, u"Marvoli"_s, folder.error);
        box.setObjectName(u"appFolderFailed"_s);
        box.exec();
        return 1;
    }
    MainFrame mainframe(folder.path);
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
