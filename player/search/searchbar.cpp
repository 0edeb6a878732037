#include "searchbar.h"

#include "arabickeyboard.h"

#include <QEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr int kRowHeight = 25;
constexpr int kLongestText = 170;
} // namespace

SearchBar::SearchBar(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(u"SearchBar"_s);
    const auto button = [this](const QString &name, const QString &text) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setGeometry(0, 0, 41, kRowHeight);
        return b;
    };
    CHide = button(u"CHide"_s, u"إخفاء"_s);
    CSearch = button(u"CSearch"_s, u"بحث"_s);
    CStop = button(u"CStop"_s, u"إيقاف"_s);
    connect(CHide, &QPushButton::clicked, this, &SearchBar::CHide_Click);
    connect(CSearch, &QPushButton::clicked, this,
            [this] { Q_EMIT searchRequested(TSearch->text(), searchMode()); });
    connect(CStop, &QPushButton::clicked, this, [this] {
        setSearching(false);
        Q_EMIT stopRequested();
    });

    const QStringList captions{u"كلمات"_s, u"نص"_s};
    const int widths[2] = {49, 39};
    for (int i = 0; i < 2; ++i) {
        auto *option = new QRadioButton(captions[i], this);
        option->setObjectName(u"OptionS_%1"_s.arg(i));
        // The row's usual widths, or what the caption needs in the font at hand.
        option->resize(std::max(widths[i], option->sizeHint().width()),
                       std::max(13, option->sizeHint().height()));
        OptionS.append(option);
    }
    OptionS[Words]->setChecked(true);

    TSearch = new QLineEdit(this);
    TSearch->setObjectName(u"TSearch"_s);
    TSearch->setGeometry(0, 0, 128, kRowHeight);
    TSearch->setAccessibleName(u"كلمات البحث"_s);
    TSearch->setAccessibleDescription(u"اكتب ما تبحث عنه ثم اضغط Enter"_s);
    TSearch->installEventFilter(this);
    // Searches are typed in Arabic: the box switches to the user's Arabic layout while it has
    // the focus.
    ArabicKeyboard::attach(TSearch);
    connect(TSearch, &QLineEdit::returnPressed, CSearch, &QPushButton::click);

    resize(321, kRowHeight);
    // Closed at start: only the search button, resting under the tree with the bar.
    for (QWidget *w :
         std::initializer_list<QWidget *>{CHide, TSearch, OptionS[0], OptionS[1], CStop})
        w->hide();
    // Covered by the tree, the button is no stop for Tab (nor for a screen reader's focus)
    // until the row opens.
    CSearch->setFocusPolicy(Qt::NoFocus);
}

void SearchBar::open()
{
    m_open = true;
    for (QWidget *w : std::initializer_list<QWidget *>{CHide, TSearch, OptionS[0], OptionS[1]})
        w->show();
    // Opened again while a search runs: its stop button stays in the search button's place.
    setSearching(m_searching);
    CSearch->setFocusPolicy(Qt::StrongFocus);
    raise();
    Q_EMIT opened();
    TSearch->setFocus(Qt::OtherFocusReason);
}

void SearchBar::setSearching(bool searching)
{
    m_searching = searching;
    CStop->setVisible(searching);
    CSearch->setVisible(!searching);
}

bool SearchBar::eventFilter(QObject *watched, QEvent *event)
{
    // The whole text is selected on entering the box, ready to be typed over (after the click
    // that gave the focus has placed the cursor).
    if (watched == TSearch && event->type() == QEvent::FocusIn)
        QTimer::singleShot(0, TSearch, &QLineEdit::selectAll);
    return QWidget::eventFilter(watched, event);
}

int SearchBar::searchMode() const
{
    return OptionS[Phrase]->isChecked() ? Phrase : Words;
}

void SearchBar::setSearchMode(int mode)
{
    OptionS[mode == Phrase ? Phrase : Words]->setChecked(true);
}

void SearchBar::CHide_Click()
{
    m_open = false;
    for (QWidget *w :
         std::initializer_list<QWidget *>{CHide, CSearch, TSearch, OptionS[0], OptionS[1], CStop})
        w->hide();
    Q_EMIT closed();
}

void SearchBar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutRow();
}

void SearchBar::layoutRow()
{
    const int buttons =
        CHide->width() + CSearch->width() + OptionS[0]->width() + OptionS[1]->width();
    const int free = width() - buttons - 15;
    const int textWidth = free - kLongestText < 0 ? free : kLongestText;
    if (textWidth >= 0)
        TSearch->resize(textWidth, TSearch->height());

    const int rowLeft = (width() - (buttons + TSearch->width()) - 15) / 2;
    CHide->move(rowLeft, 0);
    CSearch->move(CHide->x() + CHide->width() + 5, 0);
    CStop->move(CSearch->x(), 0);
    const int optionTop = (TSearch->height() - OptionS[0]->height()) / 2;
    OptionS[0]->move(CSearch->x() + CSearch->width(), optionTop);
    OptionS[1]->move(OptionS[0]->x() + OptionS[0]->width(), optionTop);
    TSearch->move(OptionS[1]->x() + OptionS[1]->width() + 7, 0);
}
