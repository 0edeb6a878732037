#include "cataloguefilewindow.h"

#include "codepage.h"
#include "editingui.h"
#include "widgets.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QTextBlock>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

// ---- the text view with its line numbers -------------------------------------------------

class LineNumberArea : public QWidget
{
public:
    explicit LineNumberArea(NumberedTextView *view)
        : QWidget(view)
        , m_view(view)
    {
        setObjectName(u"lineNumbers"_s);
    }
    QSize sizeHint() const override { return {m_view->numberAreaWidth(), 0}; }

protected:
    void paintEvent(QPaintEvent *event) override { m_view->paintNumbers(event); }

private:
    NumberedTextView *m_view;
};

namespace {
constexpr int kNumberPadding = 4;
} // namespace

NumberedTextView::NumberedTextView(QWidget *parent)
    : QPlainTextEdit(parent)
    , m_numbers(new LineNumberArea(this))
{
    connect(this, &QPlainTextEdit::blockCountChanged, this, &NumberedTextView::updateMargin);
    connect(this, &QPlainTextEdit::updateRequest, this, &NumberedTextView::scrollNumbers);
    updateMargin();
}

int NumberedTextView::numberAreaWidth() const
{
    int digits = 1;
    for (int n = qMax(1, blockCount()); n >= 10; n /= 10)
        ++digits;
    return 2 * kNumberPadding + fontMetrics().horizontalAdvance(u'9') * digits;
}

void NumberedTextView::updateMargin()
{
    // The scroll area takes its margins literally, left or right whatever the direction.
    const int width = numberAreaWidth();
    if (layoutDirection() == Qt::RightToLeft)
        setViewportMargins(0, 0, width, 0);
    else
        setViewportMargins(width, 0, 0, 0);
    placeNumbers();
}

void NumberedTextView::placeNumbers()
{
    const QRect inside = contentsRect();
    const QRect area(inside.left(), inside.top(), numberAreaWidth(), inside.height());
    m_numbers->setGeometry(QStyle::visualRect(layoutDirection(), inside, area));
}

void NumberedTextView::scrollNumbers(const QRect &rect, int dy)
{
    if (dy != 0)
        m_numbers->scroll(0, dy);
    else
        m_numbers->update(0, rect.y(), m_numbers->width(), rect.height());
}

void NumberedTextView::resizeEvent(QResizeEvent *event)
{
    QPlainTextEdit::resizeEvent(event);
    placeNumbers();
}

void NumberedTextView::changeEvent(QEvent *event)
{
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::LayoutDirectionChange || event->type() == QEvent::FontChange)
        updateMargin();
}

void NumberedTextView::paintNumbers(QPaintEvent *event)
{
    QPainter painter(m_numbers);
    painter.fillRect(event->rect(), palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.setFont(font());
    // Next to the text: right-aligned on the left of it, left-aligned on the right.
    const Qt::Alignment align =
        QStyle::visualAlignment(layoutDirection(), Qt::AlignRight) | Qt::AlignTop;
    const int width = m_numbers->width() - 2 * kNumberPadding;

    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    while (block.isValid() && top <= event->rect().bottom()) {
        const int bottom = top + qRound(blockBoundingRect(block).height());
        if (block.isVisible() && bottom >= event->rect().top())
            painter.drawText(kNumberPadding, top, width, fontMetrics().height(), align,
                             QString::number(block.blockNumber() + 1));
        block = block.next();
        top = bottom;
    }
}

// ---- the window ---------------------------------------------------------------------------

namespace {

const QString kFindLabel = u"بحث عن:"_s;

QString fileNameOf(const QString &path)
{
    return QFileInfo(path).fileName();
}

QAbstractButton *captioned(QMessageBox &box, QMessageBox::StandardButton button,
                           const QString &text)
{
    QAbstractButton *b = box.button(button);
    b->setText(text);
    return b;
}

} // namespace

CatalogueFileWindow::CatalogueFileWindow(const QString &path,
                                         const CatalogueFileText::Opened &opened)
    : QWidget(nullptr)
    , m_path(path)
    , m_onDisk(opened.bytes)
    , m_existed(opened.status == CatalogueFileText::Opened::Status::Read)
{
    setObjectName(u"CatalogueFileWindow"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setLayoutDirection(Qt::RightToLeft);
    setWindowTitle(fileNameOf(path) + u"[*] - ملف الفهرس"_s);

    m_text = new NumberedTextView(this);
    m_text->setObjectName(u"fileText"_s);
    // Long records wrap (a line's number stands at its first row): only lines of a bounded
    // width can be laid against the right edge, as right-to-left text is read.
    m_text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QTextDocument *doc = m_text->document();
    QTextOption option = doc->defaultTextOption();
    option.setTextDirection(Qt::RightToLeft);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setAlignment(Qt::AlignRight | Qt::AlignAbsolute);
    doc->setDefaultTextOption(option);
    m_text->setPlainText(CatalogueFileText::textOfLines(opened.lines));
    doc->setModified(false);
    connect(doc, &QTextDocument::modificationChanged, this, &QWidget::setWindowModified);

    // The find row, shown by Ctrl+F.
    m_findRow = new QWidget(this);
    m_findRow->setObjectName(u"findRow"_s);
    auto *find = new QHBoxLayout(m_findRow);
    find->setContentsMargins(0, 0, 0, 0);
    auto *findLabel = new QLabel(kFindLabel, m_findRow);
    m_findText = new QLineEdit(m_findRow);
    m_findText->setObjectName(u"findText"_s);
    findLabel->setBuddy(m_findText);
    auto *findButton = new QPushButton(u"التالي"_s, m_findRow);
    findButton->setObjectName(u"findNextButton"_s);
    findButton->setAutoDefault(false);
    m_findStatus = new QLabel(m_findRow);
    m_findStatus->setObjectName(u"findStatus"_s);
    find->addWidget(findLabel);
    find->addWidget(m_findText, 1);
    find->addWidget(findButton);
    find->addWidget(m_findStatus, 1);
    m_findRow->hide();
    connect(m_findText, &QLineEdit::returnPressed, this, &CatalogueFileWindow::findNext);
    connect(findButton, &QPushButton::clicked, this, &CatalogueFileWindow::findNext);
    connect(m_findText, &QLineEdit::textEdited, m_findStatus, &QLabel::clear);

    auto *buttons = new QHBoxLayout;
    m_saveButton = new QPushButton(u"حفظ"_s, this);
    m_saveButton->setObjectName(u"saveButton"_s);
    m_saveButton->setToolTip(u"حفظ الملف (Ctrl+S)"_s);
    m_saveButton->setAutoDefault(false);
    connect(m_saveButton, &QPushButton::clicked, this, &CatalogueFileWindow::save);
    auto *closeButton = new QPushButton(u"إغلاق"_s, this);
    closeButton->setObjectName(u"closeButton"_s);
    closeButton->setAutoDefault(false);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    buttons->addWidget(m_saveButton);
    buttons->addStretch();
    buttons->addWidget(closeButton);

    auto *rows = new QVBoxLayout(this);
    rows->addWidget(m_text, 1);
    rows->addWidget(m_findRow);
    rows->addLayout(buttons);

    const auto shortcut = [this](const QKeySequence &keys, auto slot) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, slot);
    };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_S), &CatalogueFileWindow::save);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_F), &CatalogueFileWindow::showFindRow);
    shortcut(QKeySequence(Qt::Key_F3), &CatalogueFileWindow::findNext);
    shortcut(QKeySequence(Qt::Key_Escape), &CatalogueFileWindow::onEscape);

    resize(760, 520);
    m_text->setFocus();
}

QStringList CatalogueFileWindow::lines() const
{
    // Block by block: the document's plain text would turn no-break spaces into spaces.
    QStringList out;
    const QTextDocument *doc = m_text->document();
    if (doc->isEmpty())
        return out;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
        out.append(block.text());
    return out;
}

bool CatalogueFileWindow::save()
{
    const QStringList text = lines();
    QTextDocument *doc = m_text->document();

    // A character windows-1256 cannot hold would come back as "?": it is shown, not written.
    if (const auto bad = CatalogueFileText::firstUnencodable(text); bad.found()) {
        QTextCursor cursor(doc->findBlockByNumber(int(bad.line)));
        const int at = cursor.position() + int(bad.column);
        cursor.setPosition(at);
        cursor.setPosition(at + int(bad.length), QTextCursor::KeepAnchor);
        m_text->setTextCursor(cursor);
        m_text->setFocus();
        showEditMessage(this, CatalogueFileText::unencodableMessage(bad), QMessageBox::Warning);
        return false;
    }

    const QList<qsizetype> strays = CatalogueFileText::nonRecordLines(text);
    markLines(strays);
    if (!strays.isEmpty()) {
        const QString question =
            u"في الملف أسطر ليست سجلات صالحة، فلن يقرأها البرنامج في الفهرس: عددها %1، أولها السطر "
            u"%2، وقد ظللت في النافذة.\nهل تحفظ الملف رغم ذلك؟"_s.arg(strays.size())
                .arg(strays.first() + 1);
        if (!askYesNo(u"nonRecordQuestion"_s, question)) {
            m_text->setTextCursor(QTextCursor(doc->findBlockByNumber(int(strays.first()))));
            m_text->setFocus();
            return false;
        }
    }

    // Something else (the add window, an edit) may have written the file since it was read here:
    // saving would undo that.
    const CatalogueFileText::Opened now = CatalogueFileText::open(m_path);
    const bool changed = now.status == CatalogueFileText::Opened::Status::Absent
                             ? m_existed
                             : !m_existed || now.bytes != m_onDisk;
    if (changed &&
        !askYesNo(u"changedFileQuestion"_s,
                  u"تغير الملف %1 منذ فتح في هذه النافذة، ولعل شريطا أضيف إليه أو عدل. إن حفظته "
                  u"ذهب ما تغير فيه.\nهل تحفظ الملف رغم ذلك؟"_s.arg(fileNameOf(m_path))))
        return false;

    bool written = false;
    {
        QApplication::setOverrideCursor(Qt::BusyCursor);
        written = CatalogueFileText::save(m_path, text);
        QApplication::restoreOverrideCursor();
    }
    if (!written) {
        // The old file is in place and the text stays as typed, still to be saved.
        showEditMessage(this,
                        u"تعذر حفظ الملف %1 (لعل القرص ممتلئ أو المجلد لا يقبل الكتابة)، فبقي "
                        u"الملف كما كان."_s.arg(fileNameOf(m_path)),
                        QMessageBox::Warning);
        return false;
    }
    m_onDisk = CodePage::encodeLines(text);
    m_existed = true;
    doc->setModified(false);
    Q_EMIT saved(m_path);
    return true;
}

void CatalogueFileWindow::markLines(const QList<qsizetype> &lines)
{
    QList<QTextEdit::ExtraSelection> marks;
    const QTextDocument *doc = m_text->document();
    for (const qsizetype n : lines) {
        QTextEdit::ExtraSelection mark;
        mark.format.setBackground(QColor(255, 221, 170));
        mark.format.setProperty(QTextFormat::FullWidthSelection, true);
        mark.cursor = QTextCursor(doc->findBlockByNumber(int(n)));
        marks.append(mark);
    }
    m_text->setExtraSelections(marks);
}

bool CatalogueFileWindow::askYesNo(const QString &name, const QString &question)
{
    QMessageBox box(QMessageBox::Question, fileNameOf(m_path), question,
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName(name);
    box.setLayoutDirection(Qt::RightToLeft);
    box.setWindowModality(Qt::WindowModal);
    captioned(box, QMessageBox::Yes, u"نعم"_s);
    captioned(box, QMessageBox::No, u"لا"_s);
    box.setDefaultButton(QMessageBox::No); // a stray Return saves nothing
    return box.exec() == QMessageBox::Yes;
}

void CatalogueFileWindow::showFindRow()
{
    m_findRow->show();
    m_findText->setFocus();
    m_findText->selectAll();
}

bool CatalogueFileWindow::findNext()
{
    const CatalogueFileText::Finder finder(m_findText->text());
    if (finder.isEmpty())
        return false;
    const QTextDocument *doc = m_text->document();
    const int from = m_text->textCursor().selectionEnd();
    const QTextBlock first = doc->findBlock(from);
    QTextBlock block = first;
    qsizetype column = from - first.position();
    bool wrapped = false;
    // Every line once, from the cursor on, then the start of the cursor's line.
    for (int step = 0; step <= doc->blockCount(); ++step) {
        if (const auto match = finder.in(block.text(), column); match.found()) {
            QTextCursor cursor(block);
            const int at = block.position() + int(match.start);
            cursor.setPosition(at);
            cursor.setPosition(at + int(match.length), QTextCursor::KeepAnchor);
            m_text->setTextCursor(cursor);
            m_text->ensureCursorVisible();
            m_findStatus->setText(wrapped ? u"بلغ البحث آخر الملف فعاد من أوله"_s : QString());
            return true;
        }
        block = block.next();
        if (!block.isValid()) {
            block = doc->begin();
            wrapped = true;
        }
        column = 0;
    }
    m_findStatus->setText(u"لم يعثر على «%1» في الملف"_s.arg(m_findText->text().trimmed()));
    return false;
}

void CatalogueFileWindow::onEscape()
{
    // In the find row, Escape puts the row away; anywhere else it closes the window.
    if (m_findRow->isVisible() && m_findRow->isAncestorOf(QApplication::focusWidget())) {
        m_findRow->hide();
        m_text->setFocus();
        return;
    }
    close();
}

void CatalogueFileWindow::closeEvent(QCloseEvent *event)
{
    // A forced close (the desktop ending the session) has nobody to ask: the file stays as it was
    // last saved, whole, rather than be written with a text that was never checked.
    if (!m_text->document()->isModified() || ClosingWithForce()) {
        event->accept();
        return;
    }
    QMessageBox box(
        QMessageBox::Question, fileNameOf(m_path),
        u"لم تحفظ التغييرات في الملف %1. هل تحفظها قبل إغلاق النافذة؟"_s.arg(fileNameOf(m_path)),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box.setObjectName(u"closeQuestion"_s);
    box.setLayoutDirection(Qt::RightToLeft);
    box.setWindowModality(Qt::WindowModal);
    captioned(box, QMessageBox::Save, u"حفظ"_s);
    captioned(box, QMessageBox::Discard, u"إغلاق دون حفظ"_s);
    captioned(box, QMessageBox::Cancel, u"إلغاء"_s);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save:
        if (save())
            event->accept();
        else
            event->ignore();
        return;
    case QMessageBox::Discard:
        event->accept();
        return;
    default:
        event->ignore();
        return;
    }
}
