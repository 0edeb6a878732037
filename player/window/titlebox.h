#pragma once

#include <QTextEdit>

// LTitle: the title of the tape playing, centred; a title of one line is shown on the second
// line. Only the first few hundred characters are laid out: a title can come from any file, and
// a very long one would freeze the window.
class TitleBox : public QTextEdit
{
    Q_OBJECT

public:
    static constexpr int kLongestShown = 500;

    explicit TitleBox(QWidget *parent = nullptr);

    // Shows a title (cut to kLongestShown characters and "…").
    void setTitleText(const QString &text);
    QString titleText() const { return toPlainText(); }
    // Counts the lines shown; one line gets an empty line before it.
    void AdjustTitleLines();
    int TitleLineCount() const { return m_lines; }

private:
    int m_lines = 0;
};
