#pragma once

#include <QList>
#include <QStringList>
#include <QWidget>

class CatalogueEditor;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
struct NewTape;

// The window that adds the user's own tapes: one tape per click on "إضافة", written at the top of
// the additions file. It stays open so that several tapes can be added in a row.
class InputForm : public QWidget
{
    Q_OBJECT

public:
    explicit InputForm(CatalogueEditor &editor, QWidget *parent = nullptr);

    // The known values offered in the lists, each without its empty entry 0. The first of each
    // becomes the list's text.
    void setKnownValues(const QStringList &categories, const QStringList &reciters,
                        const QStringList &owners, const QStringList &sections);
    // Puts a category into the category box and shows its panel.
    void setCategory(const QString &category);

    // Shows the panel of the category's kind: Quran, lessons and sermons, or other tapes.
    void ShowKindFrame();
    // 0: add the tape, 1: close the window.
    void cmdbutton_Click(int index);
    // Asks for the additions file in the catalogue file window.
    void Command1_Click();

    // The tape the fields describe.
    NewTape tape() const;

Q_SIGNALS:
    // A tape was written and indexed: its line and its category as typed.
    void tapeAdded(const QString &line, const QString &category);
    // "ملف الإضافات": the additions file is to be shown in the catalogue file window.
    void fileRequested(const QString &path);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Completes a surah name typed in Combo3 to the first name it begins, the rest selected.
    void completeSurah(const QString &typed);
    QFrame *makeFrame(int index);

    CatalogueEditor &m_editor;
    QComboBox *Combo1, *Combo2, *Combo3, *Combo4, *Combo5, *Combo6;
    QLineEdit *Text1, *Text2, *Text3, *Text4, *Text5;
    QList<QFrame *> Frame;
    QLabel *Label2;
    QList<QPushButton *> cmdbutton;
    QPushButton *Command1;
};
