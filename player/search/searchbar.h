#pragma once

#include <QList>
#include <QWidget>

class QLineEdit;
class QPushButton;
class QRadioButton;

// The search row above the tree: hide (CHide), search (CSearch) or stop (CStop) in its place, the
// two modes "كلمات" and "نص" (OptionS_0, OptionS_1) and the text box (TSearch). The row is centred
// in the bar's width; the text box takes up to 170 pixels of what is left.
//
// Closed, only the search button is shown, and the bar rests under the tree.
class SearchBar : public QWidget
{
    Q_OBJECT

public:
    enum Mode
    {
        Words = 0,
        Phrase = 1,
    };

    explicit SearchBar(QWidget *parent = nullptr);

    int searchMode() const;
    void setSearchMode(int mode);
    // Only the search button shows.
    void close();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutRow();

    QPushButton *CHide = nullptr;
    QPushButton *CSearch = nullptr;
    QPushButton *CStop = nullptr;
    QLineEdit *TSearch = nullptr;
    QList<QRadioButton *> OptionS;
};
