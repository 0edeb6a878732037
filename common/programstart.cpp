#include "programstart.h"

#include "accessibility.h"
#include "widgets.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QNetworkProxyFactory>
#include <QTranslator>

using namespace Qt::Literals::StringLiterals;

std::optional<AppFolder> StartArabicProgram(const QString &name)
{
    QApplication::setApplicationName(name);
    QApplication::setLayoutDirection(Qt::RightToLeft);
    UseRoomyButtons();
    // Qt's own texts (the buttons of message boxes, the boxes' context menus) in Arabic too.
    auto *qtTexts = new QTranslator(qApp);
    if (qtTexts->load(QLocale(QLocale::Arabic), u"qtbase"_s, u"_"_s,
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(qtTexts);
    // Downloads go through the desktop's proxy, as the settings item offers to change it.
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    InstallAccessibleWindows();

    const AppFolder folder = chooseAppFolder(systemAppFolderPlaces());
    if (!folder.ready()) {
        QMessageBox box(QMessageBox::Critical, name, folder.error);
        box.setObjectName(u"appFolderFailed"_s);
        box.exec();
        return std::nullopt;
    }
    return folder;
}
