#pragma once

#include "cataloguefiletext.h"

#include <QByteArray>
#include <QPlainTextEdit>
#include <QString>
#include <QStringList>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

// A plain-text view with the number of each line in a margin where the lines begin (on the right
// when it is laid out right to left).
class NumberedTextView : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit NumberedTextView(QWidget *parent = nullptr);

    // The margin the numbers are painted in.
    QWidget *numberArea() const { return m_numbers; }
    int numberAreaWidth() const;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    friend class LineNumberArea;
    void paintNumbers(QPaintEvent *event);
    void updateMargin();
    void scrollNumbers(const QRect &rect, int dy);
    void placeNumbers();

    QWidget *m_numbers = nullptr;
};

// The player's own window on one catalogue file: its windows-1256 text, right to left, found in
// with the Arabic comparison of the search and saved back the way every rewrite of a catalogue
// file is written. A character the code page cannot hold is never saved; lines the loader would
// pass over are shown and asked about. A top-level window of its own, so that a modal editing
// window does not block it.
class CatalogueFileWindow : public QWidget
{
    Q_OBJECT

public:
    // The file at path as CatalogueFileText::open found it: read, or absent (an empty document).
    CatalogueFileWindow(const QString &path, const CatalogueFileText::Opened &opened);

    const QString &path() const { return m_path; }
    NumberedTextView *textView() const { return m_text; }
    // The document's lines, as they would be saved.
    QStringList lines() const;

    // Checks the text and writes it; true when the file now holds it.
    bool save();
    // Shows the find row with the focus in its box.
    void showFindRow();
    // Selects the next match of the find box's text after the cursor, going round to the top.
    // When there is none, says so in the row and leaves the cursor where it was.
    bool findNext();

Q_SIGNALS:
    // The file was written with the document's text.
    void saved(const QString &path);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void markLines(const QList<qsizetype> &lines);
    bool askYesNo(const QString &name, const QString &question);
    void onEscape();

    QString m_path;
    // The file's bytes as this window last read or wrote them, and whether it existed: a save
    // over a file changed meanwhile by something else asks first.
    QByteArray m_onDisk;
    bool m_existed = false;

    NumberedTextView *m_text = nullptr;
    QWidget *m_findRow = nullptr;
    QLineEdit *m_findText = nullptr;
    QLabel *m_findStatus = nullptr;
    QPushButton *m_saveButton = nullptr;
};
