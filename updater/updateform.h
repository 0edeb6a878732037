#pragma once

#include <QWidget>

class QCheckBox;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class UpdateProcedure;

// The updater's window: a status text, "تحديث" to run the update, "إلغاء" (later "خروج" with
// the seconds left before the window closes itself), the choice to restart the player, and the
// read-me an update may bring.
class UpdateForm : public QWidget
{
    Q_OBJECT

public:
    explicit UpdateForm(const QString &appFolder, QWidget *parent = nullptr);
    ~UpdateForm() override;

    UpdateProcedure &procedure() { return *m_procedure; }
    // An installed copy: catalogue updates only, which a line of the window says.
    void setInstalled(bool installed);

    // Shows a status text in the label, wrapped to its width.
    static void ShowStatus(QLabel *label, const QString &text);

    void Command1_Click();
    void Command2_Click();
    void Label1_Click();
    void Timer1_Timer();

    int countdown() const { return m_countdown; }

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void startCountdown();
    // Another updater works on the folder: this window only says so and closes itself.
    void showAlreadyRunning();
    void showReadme(const QString &text);

    QString m_appFolder;
    UpdateProcedure *m_procedure;
    QFrame *Shape1;
    QLabel *Label1;
    QLabel *m_installedNote;
    QPushButton *Command1;
    QPushButton *Command2;
    QCheckBox *Check1;
    QPlainTextEdit *TReadme;
    QTimer *Timer1;
    int m_countdown = 10;
    bool m_closeAfterRun = false;
};
