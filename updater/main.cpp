#include "updateform.h"

#include "accessibility.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QNetworkProxyFactory>
#include <QTranslator>

using namespace Qt::Literals::StringLiterals;

namespace {

// The updater's entry: its one window, right to left, working on the folder it was started from.
int StartUpdater(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Renfold"_s);
    QApplication::setLayoutDirection(Qt::RightToLeft);
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Arabic), u"qtbase"_s, u"_"_s,
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    QNetworkProxyFactory::setUseSystemConfiguration(true);

    InstallAccessibleWindows();
    UpdateForm form(QCoreApplication::applicationDirPath());
    form.show();
    return app.exec();
}

} // namespace

int main(int argc, char **argv)
{
    return StartUpdater(argc, argv);
}
