#include "updateform.h"

#include "apppaths.h"
#include "updateinfo.h"
#include "updateprocedure.h"
#include "widgets.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QTextOption>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kExit = u"خروج"_s;

struct BusyPointer
{
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
};
} // namespace

UpdateForm::UpdateForm(const QString &appFolder, QWidget *parent)
    : QWidget(parent)
    , m_appFolder(appFolder)
    , m_procedure(new UpdateProcedure(appFolder, this))
{
    setObjectName(u"UpdateForm"_s);
    setWindowTitle(u"تحديث البرنامج وقاعدة البيانات"_s);
    setLayoutDirection(Qt::RightToLeft);

    Shape1 = new QFrame(this);
    Shape1->setObjectName(u"Shape1"_s);
    Shape1->setFrameShape(QFrame::StyledPanel);
    Label1 = new QLabel(Shape1);
    Label1->setObjectName(u"Label1"_s);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setMinimumHeight(48);
    Label1->installEventFilter(this);
    // A Tab stop, so that a screen reader's user can read the status again. Reaching it changes
    // nothing; only a click, or Return or Space on it, keeps the window.
    Label1->setFocusPolicy(Qt::StrongFocus);
    Check1 = new QCheckBox(u"إعادة تشغيل البرنامج بعد التحديث"_s, Shape1);
    Check1->setObjectName(u"Check1"_s);
    Check1->setChecked(true);
    m_installedNote = new QLabel(
        u"البرنامج مثبَّت من حزمة النظام: يُحدَّث هنا الفهرس وحده، ويحدِّث مدير الحزم البرنامجَ نفسه."_s,
        Shape1);
    m_installedNote->setObjectName(u"installedNote"_s);
    m_installedNote->setAccessibleName(u"ملاحظة التثبيت"_s);
    m_installedNote->setWordWrap(true);
    m_installedNote->hide();
    auto *inside = new QVBoxLayout(Shape1);
    inside->addWidget(Label1, 1);
    inside->addWidget(m_installedNote);
    inside->addWidget(Check1);

    Command1 = new QPushButton(u"تحديث"_s, this);
    Command1->setObjectName(u"Command1"_s);
    Command1->setDefault(true);
    Command2 = new QPushButton(u"إلغاء"_s, this);
    Command2->setObjectName(u"Command2"_s);
    connect(Command1, &QPushButton::clicked, this, &UpdateForm::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &UpdateForm::Command2_Click);

    TReadme = new QPlainTextEdit(this);
    TReadme->setObjectName(u"TReadme"_s);
    TReadme->setReadOnly(true);
    TReadme->setAccessibleName(u"ملاحظات التحديث"_s);
    QTextOption readmeLines = TReadme->document()->defaultTextOption();
    readmeLines.setTextDirection(Qt::RightToLeft); // read-mes are written in Arabic
    readmeLines.setAlignment(Qt::AlignRight);
    TReadme->document()->setDefaultTextOption(readmeLines);
    TReadme->hide();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(u"Timer1"_s);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &UpdateForm::Timer1_Timer);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto *rows = new QVBoxLayout(this);
    rows->addWidget(Shape1);
    rows->addLayout(buttons);
    rows->addWidget(TReadme, 1);
    resize(420, 160);
    // The first focus goes to the button, not to the status text before it.
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Check1);
    setTabOrder(Check1, Label1);
    Command1->setFocus();

    connect(m_procedure, &UpdateProcedure::status, this,
            [this](const QString &text) { ShowStatus(Label1, text); });
    connect(m_procedure, &UpdateProcedure::readme, this, &UpdateForm::showReadme);

    ShowStatus(Label1, u"تحديث البرنامج وقاعدة البيانات"_s);
    if (const std::optional<bool> restart = readUpdateIni(AppPaths(appFolder).updateIni()))
        Check1->setChecked(*restart);
    if (!m_procedure->lockFolder())
        showAlreadyRunning();
}

void UpdateForm::showAlreadyRunning()
{
    Command1->setEnabled(false);
    Check1->setEnabled(false);
    startCountdown();
}

UpdateForm::~UpdateForm() = default;

void UpdateForm::setInstalled(bool installed)
{
    m_procedure->setInstalled(installed);
    m_installedNote->setVisible(installed);
}

void UpdateForm::ShowStatus(QLabel *label, const QString &text)
{
    label->setWordWrap(true);
    label->setText(text);
}

void UpdateForm::Command1_Click()
{
    // A retry after an error stop: its countdown must not close the window under the new run.
    Timer1->stop();
    Command2->setText(u"إلغاء"_s);
    Check1->setEnabled(true);
    TReadme->clear();
    TReadme->hide();
    Command1->setEnabled(false); // one run at a time
    UpdateProcedure::End end;
    {
        BusyPointer busy;
        end = m_procedure->run(Check1->isChecked());
    }
    if (m_closeAfterRun || end == UpdateProcedure::End::Cancelled ||
        end == UpdateProcedure::End::PlayerReplaced) {
        if (end != UpdateProcedure::End::PlayerReplaced)
            QDir(m_procedure->workFolder()).removeRecursively();
        close();
        return;
    }
    switch (end) {
    case UpdateProcedure::End::CheckFailed:
        Command1->setEnabled(true); // the user may try again
        break;
    case UpdateProcedure::End::NoUpdates:
        Command2->setText(kExit);
        Check1->setEnabled(false);
        startCountdown();
        break;
    case UpdateProcedure::End::ErrorStop:
        Command1->setEnabled(true);
        // Nothing was installed: there is nothing to restart the player for.
        if (m_procedure->installedThisRun() == 0)
            Check1->setEnabled(false);
        startCountdown();
        break;
    case UpdateProcedure::End::AlreadyRunning:
        showAlreadyRunning();
        break;
    case UpdateProcedure::End::Done:
        Command2->setText(kExit);
        // A read-me stays on screen until the user leaves.
        if (TReadme->isHidden())
            startCountdown();
        break;
    case UpdateProcedure::End::Cancelled:
    case UpdateProcedure::End::PlayerReplaced:
        break;
    }
}

void UpdateForm::Command2_Click()
{
    Timer1->stop();
    if (m_procedure->running()) {
        // The run breaks off at its next step; the window closes when it has.
        m_closeAfterRun = true;
        m_procedure->cancel();
        return;
    }
    // The work folder of another updater's run is not ours to remove.
    if (m_procedure->holdsFolder())
        QDir(m_procedure->workFolder()).removeRecursively();
    close();
}

void UpdateForm::Label1_Click()
{
    // The user is reading: the window stays.
    Timer1->stop();
    Timer1->setInterval(100);
}

void UpdateForm::startCountdown()
{
    // Every end message is shown for the whole ten seconds.
    m_countdown = 10;
    Command2->setText(kExit + u"  "_s + QString::number(m_countdown));
    Timer1->start();
}

void UpdateForm::Timer1_Timer()
{
    --m_countdown;
    Command2->setText(kExit + u"  "_s + QString::number(m_countdown));
    if (m_countdown <= 0) {
        Timer1->stop();
        UnloadAllWindows(false);
    }
}

void UpdateForm::showReadme(const QString &text)
{
    if (TReadme->isHidden()) {
        TReadme->show();
        resize(width(), height() + 220);
    }
    QString lines = text;
    lines.replace(u"\r\n"_s, u"\n"_s); // the box lays out line feeds, and aligns each line by its
                                       // own language
    TReadme->setPlainText(TReadme->toPlainText() + lines);
}

bool UpdateForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != Label1)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        Label1_Click();
    } else if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
            Label1_Click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void UpdateForm::closeEvent(QCloseEvent *event)
{
    if (m_procedure->running()) {
        // Closing the window mid-run cancels it; the window goes once the run has stopped.
        m_closeAfterRun = true;
        m_procedure->cancel();
        event->ignore();
        return;
    }
    if (!writeUpdateIni(AppPaths(m_appFolder).updateIni(), Check1->isChecked()))
        QMessageBox::warning(this, windowTitle(), u"تعذر حفظ الإعداد في الملف update.ini."_s);
    event->accept();
}
