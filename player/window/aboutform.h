#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The About window: the program's name, its edition and what its catalogue holds.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(QWidget *parent = nullptr);

    // The six lines shown under the name.
    static QString description();

private:
    QLabel *lblTitle;
    QLabel *Label1;
    QLabel *lblDescription;
    QPushButton *cmdOK;
};
