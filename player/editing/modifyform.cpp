#include "modifyform.h"

#include "accessibility.h"
#include "arabickeyboard.h"
#include "catalogue.h"
#include "catalogueeditor.h"
#include "editingui.h"
#include "editrows.h"
#include "tapekeys.h"
#include "widgets.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kRows = 7;
const QString kMp3Caption = u"MP3 الرابط"_s;

// The caption of each row, by layout; an empty caption hides the row.
QStringList captionsOf(RecordKind layout)
{
    switch (layout) {
    case RecordKind::Quran:
        return {u"الصنف"_s,  u"السورة"_s,    u"المقرئ"_s, u"الرواية"_s,
                kMp3Caption, u"الرابط RM"_s, {}};
    case RecordKind::Lessons:
        return {u"الصنف"_s,   u"اسم الشريط"_s, u"صاحب الشريط"_s, u"المجموعة/السلسلة"_s,
                u"التبويب"_s, u"الرابط MP3"_s, u"الرابط RM"_s};
    case RecordKind::Other:
        break;
    }
    return {
        u"الصنف"_s, u"اسم الشريط"_s, u"صاحب الشريط"_s, u"التبويب"_s, kMp3Caption, u"الرابط RM"_s,
        {}};
}

// The rows holding links, by layout: Latin text, read from the left.
bool isLinkRow(RecordKind layout, int row)
{
    return layout == RecordKind::Lessons ? row >= 5 : row == 4 || row == 5;
}

// Sets the mouse pointer to busy until the end of the scope.
struct BusyPointer
{
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
};

} // namespace

Modify::Modify(CatalogueEditor &editor, QWidget *parent)
    : QDialog(parent)
    , m_editor(editor)
    , m_layout(RecordKind::Other)
{
    setObjectName(u"Modify"_s);
    setWindowTitle(u"تعديل بيانات شريط"_s);
    setLayoutDirection(Qt::RightToLeft);
    setModal(true);
    setAttribute(Qt::WA_DeleteOnClose);

    auto *grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    for (int i = 0; i < 10; ++i) {
        auto *caption = new QLabel(this);
        caption->setObjectName(u"label_%1"_s.arg(i));
        caption->installEventFilter(this);
        label.append(caption);
    }
    for (int row = 0; row < kRows; ++row) {
        auto *box = new QLineEdit(this);
        box->setObjectName(u"Text1_%1"_s.arg(row));
        box->installEventFilter(this);
        Text1.append(box);
        // The caption of the row names its box for a screen reader, whatever the record's kind.
        label[row]->setBuddy(box);
        grid->addWidget(label[row], row, 0);
        grid->addWidget(box, row, 1);
    }
    label[7]->setText(kMp3Caption);
    label[7]->hide();

    Combo3 = new QComboBox(this);
    Combo3->setObjectName(u"Combo3"_s);
    Combo3->setEditable(true);
    Combo3->setInsertPolicy(QComboBox::NoInsert);
    for (int n = 1; n <= SurahNames().size(); ++n)
        Combo3->addItem(surahEntry(n));
    Combo2 = new QComboBox(this);
    Combo2->setObjectName(u"Combo2"_s);
    Combo2->setEditable(true);
    Combo2->setInsertPolicy(QComboBox::NoInsert);
    Combo2->addItems(RiwayaNames());
    Combo2->setEditText(RiwayaNames().constFirst());
    Combo2->hide();
    Combo3->hide();
    GiveListRowsFullHeight(Combo3);
    GiveListRowsFullHeight(Combo2);
    SetAccessibleName(Combo3, u"السورة"_s);
    SetAccessibleName(Combo2, u"الرواية"_s);
    // For Quran tapes the lists stand in the places of rows 1 and 3.
    grid->addWidget(Combo3, 1, 1);
    grid->addWidget(Combo2, 3, 1);

    // Names are typed in Arabic; links are not. Which rows hold links depends on the layout.
    for (int row = 0; row < kRows; ++row)
        ArabicKeyboard::attach(Text1[row], [this, row] { return !isLinkRow(m_layout, row); });
    ArabicKeyboard::attach(Combo3);
    ArabicKeyboard::attach(Combo2);

    cmdmodify = new QPushButton(u"تعديل"_s, this);
    cmdmodify->setObjectName(u"cmdmodify"_s);
    cmdmodify->setDefault(true);
    cmdout = new QPushButton(u"خروج"_s, this);
    cmdout->setObjectName(u"cmdout"_s);
    connect(cmdmodify, &QPushButton::clicked, this, &Modify::cmdmodify_Click);
    connect(cmdout, &QPushButton::clicked, this, &Modify::cmdout_Click);

    // "تعديل" is for a change the user made, in the lists too (a tape filed under the wrong riwaya
    // or surah is corrected there alone). Only a difference from what was opened counts: a list
    // left by Tab takes the item its text names, which changes nothing.
    const auto changed = [this] {
        cmdmodify->setEnabled(shownRows().text != m_openedRows);
    };
    for (QLineEdit *box : Text1)
        connect(box, &QLineEdit::textChanged, this, changed);
    connect(Combo3, &QComboBox::editTextChanged, this, changed);
    connect(Combo2, &QComboBox::editTextChanged, this, changed);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdmodify);
    buttons->addWidget(cmdout);
    buttons->addStretch();

    auto *file = new QHBoxLayout;
    label[8]->setText(u"الملف النصي:"_s);
    label[9]->setCursor(Qt::PointingHandCursor);
    // The keyboard opens the file too: the name is a Tab stop, and Return or Space opens it.
    label[9]->setFocusPolicy(Qt::StrongFocus);
    label[9]->setAccessibleDescription(u"Enter لفتح الملف وتحريره"_s);
    file->addWidget(label[8]);
    file->addWidget(label[9], 1);

    auto *rows = new QVBoxLayout(this);
    rows->addLayout(grid);
    rows->addLayout(buttons);
    rows->addLayout(file);
    setMinimumWidth(520);

    // Tab follows the rows as they are shown (a list stands where its hidden box would be), then
    // the buttons and the file's name.
    const QList<QWidget *> order{Text1[0], Combo3,   Text1[1], Text1[2],  Combo2, Text1[3],
                                 Text1[4], Text1[5], Text1[6], cmdmodify, cmdout, label[9]};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

EditRows Modify::shownRows() const
{
    // What the user sees is what is saved: for the Quran the lists stand for rows 1 and 3.
    EditRows rows;
    rows.layout = m_layout;
    rows.opened = m_editedLine;
    for (int row = 0; row < kRows; ++row)
        rows.text[row] = Text1[row]->text();
    if (m_layout == RecordKind::Quran) {
        rows.text[1] = Combo3->currentText();
        rows.text[3] = Combo2->currentText();
    }
    return rows;
}

bool Modify::load(const QString &tapeKey)
{
    const qsizetype entry = m_editor.findRecord(tapeKey);
    if (entry < 0)
        return false;
    const CatalogueIndex &index = m_editor.catalogue().index();
    m_tapeKey = tapeKey;
    m_editedLine = index.record(entry);
    m_editedFile = index.fileNumber(entry);
    m_editedIndex = entry;
    label[9]->setText(QFileInfo(m_editor.catalogue().catalogueFilePath(m_editedFile)).fileName());

    const EditRows rows = EditRows::fromRecord(m_editedLine);
    for (int row = 0; row < kRows; ++row)
        Text1[row]->setText(rows.text[row]);
    // The list's current item is the one its text names, if any, so that leaving it by Tab
    // does not pick it anew.
    Combo3->setCurrentIndex(Combo3->findText(rows.text[1]));
    Combo3->setEditText(rows.text[1]);
    Combo2->setCurrentIndex(Combo2->findText(rows.text[3]));
    Combo2->setEditText(rows.text[3]);
    showLayout(rows.layout);
    m_openedRows = shownRows().text;
    cmdmodify->setEnabled(false);
    // The window opens on its first row, not on the file's name.
    Text1[0]->setFocus();
    return true;
}

void Modify::showLayout(RecordKind layout)
{
    m_layout = layout;
    const QStringList captions = captionsOf(layout);
    const bool quran = layout == RecordKind::Quran;
    for (int row = 0; row < kRows; ++row) {
        const bool shown = !captions[row].isEmpty();
        label[row]->setText(captions[row]);
        label[row]->setVisible(shown);
        Text1[row]->setVisible(shown && !(quran && (row == 1 || row == 3)));
        const bool link = isLinkRow(layout, row);
        Text1[row]->setLayoutDirection(link ? Qt::LeftToRight : Qt::RightToLeft);
        // Absolute: a plain AlignRight is mirrored in a right-to-left box and would put Arabic
        // text on the left.
        Text1[row]->setAlignment(Qt::AlignAbsolute | (link ? Qt::AlignLeft : Qt::AlignRight));
    }
    Combo3->setVisible(quran);
    Combo2->setVisible(quran);
    // A screen reader names a list by the caption it is the buddy of.
    label[1]->setBuddy(quran ? static_cast<QWidget *>(Combo3) : Text1[1]);
    label[3]->setBuddy(quran ? static_cast<QWidget *>(Combo2) : Text1[3]);
}

void Modify::cmdmodify_Click()
{
    const EditRows rows = shownRows();
    if (const QString problem = checkEditRows(rows); !problem.isEmpty()) {
        showEditMessage(this, problem, QMessageBox::Warning);
        if (rows.text[0].trimmed().isEmpty())
            Text1[0]->setFocus();
        return;
    }
    const QString newLine =
        composeEditedRecord(rows, kindOfCategory(rows.text[0]) == RecordKind::Quran
                                      ? m_editor.storedRiwaya(rows.text[3])
                                      : QString());

    EditResult result;
    {
        BusyPointer busy;
        result = m_editor.modify(m_tapeKey, newLine);
    }
    if (!result.ok) {
        showEditMessage(this, result.message, QMessageBox::Warning);
        return;
    }
    // The window now edits the line just saved, so a second correction finds it.
    m_editedLine = newLine;
    m_tapeKey = TapeKeys::tapeKey(newLine);
    m_editedIndex = m_editor.findRecord(m_tapeKey);
    m_openedRows = rows.text;
    cmdmodify->setEnabled(false);
    Q_EMIT recordModified(newLine);
    showEditMessage(this, result.message);
}

void Modify::cmdout_Click()
{
    close();
}

void Modify::label_Click()
{
    Q_EMIT fileRequested(m_editor.catalogue().catalogueFilePath(m_editedFile));
}

bool Modify::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease &&
        label.contains(qobject_cast<QLabel *>(watched))) {
        label_Click();
        return true;
    }
    if (event->type() == QEvent::KeyPress && watched == label[9]) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
            label_Click();
            return true;
        }
    }
    if (event->type() == QEvent::FocusIn) {
        // A box entered is selected whole, ready to be typed over; after the mouse has placed
        // its caret.
        if (auto *box = qobject_cast<QLineEdit *>(watched); box && Text1.contains(box))
            QTimer::singleShot(0, box, &QLineEdit::selectAll);
    }
    return QDialog::eventFilter(watched, event);
}
