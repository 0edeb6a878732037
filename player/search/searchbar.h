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
// Closed, the bar rests under the tree. Enter in the text box searches as the search button does;
// the text box selects its whole text when it gets the focus.
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
    bool isOpen() const { return m_open; }
    QLineEdit *textBox() const { return TSearch; }

    // Opens the bar with the focus in the text box.
    void open();
    // Closes the bar: its controls are hidden.
    void CHide_Click();
    // While a search runs the stop button stands in the search button's place.
    void setSearching(bool searching);

Q_SIGNALS:
    void opened();
    void closed();
    void searchRequested(const QString &text, int mode);
    void stopRequested();

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void layoutRow();

    QPushButton *CHide = nullptr;
    QPushButton *CSearch = nullptr;
    QPushButton *CStop = nullptr;
    QLineEdit *TSearch = nullptr;
    QList<QRadioButton *> OptionS;
    bool m_searching = false;
    bool m_open = false;
};
