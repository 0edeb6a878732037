#include "closesignals.h"
#include "programstart.h"
#include "updateform.h"
#include "updateprocedure.h"
#include "widgets.h"

#include <QApplication>

using namespace Qt::Literals::StringLiterals;

namespace {

// The updater's entry: its one window, right to left, working on the application folder (its own
// folder when portable, the user's data folder when installed).
int StartUpdater(int argc, char **argv)
{
    QApplication app(argc, argv);
    const std::optional<AppFolder> folder = StartArabicProgram(u"Renfold"_s);
    if (!folder)
        return 1;
    UpdateForm form(folder->path);
    // The player to start again is the one beside the updater, wherever the data are.
    form.procedure().setProgramFolder(QCoreApplication::applicationDirPath());
    form.setInstalled(folder->installed());
    // Logout, shutdown and a stop of the user's service close the window: a running update is
    // cancelled, stops between two steps, and the program ends once it has.
    CloseSignals closeSignals;
    QObject::connect(&closeSignals, &CloseSignals::closeRequested, &form, &QWidget::close);
    form.show();
    return app.exec();
}

} // namespace

int main(int argc, char **argv)
{
    return StartUpdater(argc, argv);
}
