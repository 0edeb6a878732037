#include "inputform.h"

#include "accessibility.h"
#include "arabickeyboard.h"
#include "catalogueeditor.h"
#include "editingui.h"
#include "widgets.h"

#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

QComboBox *editableList(QWidget *parent, const QString &name)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMaxVisibleItems(20);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(24);
    GiveListRowsFullHeight(box);
    return box;
}

QLineEdit *textBox(QWidget *parent, const QString &name)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(name);
    return box;
}

void fill(QComboBox *box, const QStringList &items)
{
    box->clear();
    box->addItems(items);
    box->setEditText(items.value(0));
}

} // namespace

InputForm::InputForm(CatalogueEditor &editor, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_editor(editor)
{
    setObjectName(u"InputForm"_s);
    setWindowTitle(u"إضافة شريط جديد"_s);
    setLayoutDirection(Qt::RightToLeft);
    setAttribute(Qt::WA_DeleteOnClose);

    auto *top = new QFormLayout;
    Combo1 = editableList(this, u"Combo1"_s);
    Text5 = textBox(this, u"Text5"_s);
    // Links are Latin text, read from the left.
    Text5->setLayoutDirection(Qt::LeftToRight);
    top->addRow(u"التصنيف"_s, Combo1);
    top->addRow(u"رابط الشريط"_s, Text5);

    // Quran tapes.
    QFrame *quran = makeFrame(0);
    auto *quranRows = new QFormLayout(quran);
    Combo3 = editableList(quran, u"Combo3"_s);
    Combo3->setCompleter(nullptr); // completed by completeSurah, to the first name that fits
    Combo3->addItems(SurahNames());
    Combo3->setEditText(SurahNames().constFirst());
    Combo4 = editableList(quran, u"Combo4"_s);
    Combo2 = editableList(quran, u"Combo2"_s);
    fill(Combo2, RiwayaNames());
    quranRows->addRow(u"السورة"_s, Combo3);
    quranRows->addRow(u"اسم المقرئ"_s, Combo4);
    quranRows->addRow(u"الرواية"_s, Combo2);

    // Lessons and sermons.
    QFrame *lessons = makeFrame(1);
    auto *lessonRows = new QFormLayout(lessons);
    Text1 = textBox(lessons, u"Text1"_s);
    Combo5 = editableList(lessons, u"Combo5"_s);
    Combo6 = editableList(lessons, u"Combo6"_s);
    Label2 = new QLabel(lessons);
    Label2->setObjectName(u"Label2"_s);
    // A bare line feed: a carriage return inside right-to-left text is laid out as a character
    // of its own and pushes the line's first letter out of sight.
    Label2->setText(u"استخدم الرمز  /  لتحديد الأبواب الفرعية مثل:\n"_s +
                    u"عقيدة/الأسماء والصفات"_s + u"    و    "_s + u"فقه/فقه العبادات/الصلاة"_s);
    lessonRows->addRow(u"عنوان الدرس"_s, Text1);
    lessonRows->addRow(u"اسم الشيخ"_s, Combo5);
    lessonRows->addRow(u"الموضوع"_s, Combo6);
    lessonRows->addRow(Label2);

    // Every other tape.
    QFrame *other = makeFrame(2);
    auto *otherRows = new QFormLayout(other);
    Text2 = textBox(other, u"Text2"_s);
    Text3 = textBox(other, u"Text3"_s);
    Text4 = textBox(other, u"Text4"_s);
    otherRows->addRow(u"اسم الشريط"_s, Text2);
    otherRows->addRow(u"صاحب الشريط"_s, Text3);
    otherRows->addRow(u"تبويب فرعي"_s, Text4);

    auto *buttons = new QHBoxLayout;
    const QStringList captions{u"إضافة"_s, u"خروج"_s};
    for (int i = 0; i < 2; ++i) {
        auto *button = new QPushButton(captions[i], this);
        button->setObjectName(u"cmdbutton_%1"_s.arg(i));
        connect(button, &QPushButton::clicked, this, [this, i] { cmdbutton_Click(i); });
        cmdbutton.append(button);
        buttons->addWidget(button);
    }
    cmdbutton[0]->setDefault(true);
    buttons->addStretch();
    Command1 = new QPushButton(u"ملف الإضافات"_s, this);
    Command1->setObjectName(u"Command1"_s);
    connect(Command1, &QPushButton::clicked, this, &InputForm::Command1_Click);
    buttons->addWidget(Command1);

    for (QFormLayout *form : {top, quranRows, lessonRows, otherRows})
        NameFormFields(form);

    auto *rows = new QVBoxLayout(this);
    rows->addLayout(top);
    for (QFrame *frame : Frame)
        rows->addWidget(frame);
    rows->addStretch();
    rows->addLayout(buttons);

    // Names are typed in Arabic: every box but the link's switches the keyboard while it has the
    // focus.
    for (QWidget *box : std::initializer_list<QWidget *>{Combo1, Combo2, Combo3, Combo4, Combo5,
                                                         Combo6, Text1, Text2, Text3, Text4})
        ArabicKeyboard::attach(box);

    // The panel follows the category as it is picked or typed.
    connect(Combo1, &QComboBox::currentTextChanged, this, &InputForm::ShowKindFrame);
    // The list itself, not its line edit: the list has the focus and hands its key events on to
    // the line edit directly, past any filter there.
    Combo3->installEventFilter(this);
    setMinimumWidth(480);
    ShowKindFrame();
}

QFrame *InputForm::makeFrame(int index)
{
    auto *frame = new QFrame(this);
    frame->setObjectName(u"Frame_%1"_s.arg(index));
    frame->setFrameShape(QFrame::StyledPanel);
    Frame.append(frame);
    return frame;
}

void InputForm::setKnownValues(const QStringList &categories, const QStringList &reciters,
                               const QStringList &owners, const QStringList &sections)
{
    // Filled anew at every opening, so that values indexed since the last one are offered and
    // none is offered twice.
    fill(Combo1, categories);
    fill(Combo4, reciters);
    fill(Combo5, owners);
    fill(Combo6, sections);
    ShowKindFrame();
}

void InputForm::setCategory(const QString &category)
{
    Combo1->setEditText(category);
    ShowKindFrame();
}

void InputForm::ShowKindFrame()
{
    const int shown = int(kindOfCategory(Combo1->currentText()));
    for (int i = 0; i < Frame.size(); ++i)
        Frame[i]->setVisible(i == shown);
    // The window fits the panel shown: a taller one shown before leaves no gap.
    if (QLayout *rows = layout()) {
        rows->activate();
        resize(width(), sizeHint().height());
    }
}

bool InputForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Combo3 && event->type() == QEvent::KeyRelease) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // Completing after a deletion would put back what the user just removed.
        if (key->key() != Qt::Key_Backspace && key->key() != Qt::Key_Delete &&
            !key->text().isEmpty() && key->text().at(0).isPrint())
            completeSurah(Combo3->lineEdit()->text());
    }
    return QWidget::eventFilter(watched, event);
}

void InputForm::completeSurah(const QString &typed)
{
    if (typed.isEmpty())
        return;
    for (int i = 0; i < Combo3->count(); ++i) {
        const QString name = Combo3->itemText(i);
        if (!name.startsWith(typed, Qt::CaseInsensitive))
            continue;
        Combo3->setCurrentIndex(i);
        QLineEdit *edit = Combo3->lineEdit();
        edit->setText(name);
        // The caret after what was typed, the completed rest selected: typing goes on over it.
        edit->setSelection(int(name.size()), int(typed.size() - name.size()));
        return;
    }
}

NewTape InputForm::tape() const
{
    NewTape t;
    t.category = Combo1->currentText();
    t.link = Text5->text();
    t.reciter = Combo4->currentText();
    t.surah = Combo3->currentText();
    t.riwaya = Combo2->currentText();
    t.sheikh = Combo5->currentText();
    t.title = Text1->text();
    t.section = Combo6->currentText();
    t.name = Text2->text();
    t.owner = Text3->text();
    t.group = Text4->text();
    return t;
}

void InputForm::cmdbutton_Click(int index)
{
    if (index == 1) {
        close();
        return;
    }
    QString line;
    const EditResult result = m_editor.add(tape(), &line);
    if (!result.ok) {
        showEditMessage(this, result.message, QMessageBox::Warning);
        return;
    }
    Q_EMIT tapeAdded(line, Combo1->currentText());
    // The fields keep their texts: the next tape often differs in one of them only.
    showEditMessage(this, result.message);
}

void InputForm::Command1_Click()
{
    Q_EMIT fileRequested(m_editor.additionsFile());
}
