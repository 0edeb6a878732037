#pragma once

#include "editrows.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <array>

class CatalogueEditor;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The window that corrects one tape's data: the record split into rows by its kind, checked and
// composed again on "تعديل", and written over the old line in the catalogue file that holds it.
class Modify : public QDialog
{
    Q_OBJECT

public:
    explicit Modify(CatalogueEditor &editor, QWidget *parent = nullptr);

    // Fills the rows from the record the tape key stands for. False, and nothing filled, when the
    // catalogue index holds no such record (the tape was changed or deleted meanwhile).
    bool load(const QString &tapeKey);

    // The record being edited as the catalogue holds it, and where: the number of its file and
    // the position of its index entry. After a save, the line saved.
    const QString &EditedLine() const { return m_editedLine; }
    int EditedFile() const { return m_editedFile; }
    qsizetype EditedIndex() const { return m_editedIndex; }

    void cmdmodify_Click();
    void cmdout_Click();
    // Asks for the record's catalogue file in the catalogue file window.
    void label_Click();

Q_SIGNALS:
    // The record was replaced in its file and in the index.
    void recordModified(const QString &newLine);
    // The catalogue file at path (empty when the record's file is unknown) is to be shown in the
    // catalogue file window.
    void fileRequested(const QString &path);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showLayout(RecordKind layout);
    // The rows as the window shows them now.
    EditRows shownRows() const;

    CatalogueEditor &m_editor;
    QList<QLineEdit *> Text1;
    QList<QLabel *> label;
    QComboBox *Combo3 = nullptr;
    QComboBox *Combo2 = nullptr;
    QPushButton *cmdmodify = nullptr;
    QPushButton *cmdout = nullptr;

    QString m_tapeKey;
    QString m_editedLine;
    int m_editedFile = -1;
    qsizetype m_editedIndex = -1;
    RecordKind m_layout;
    // The rows as they were opened (or last saved): "تعديل" is enabled while they differ.
    std::array<QString, 7> m_openedRows;
};
