#include "aboutform.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

frmAbout::frmAbout(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(u"frmAbout"_s);
    setWindowTitle(u"حول البرنامج"_s);
    setLayoutDirection(Qt::RightToLeft);
    setAttribute(Qt::WA_DeleteOnClose);

    // Two frames, one inside the other, around the name and the text.
    auto *Shape1 = new QFrame(this);
    Shape1->setObjectName(u"Shape1"_s);
    Shape1->setFrameShape(QFrame::Box);
    auto *Shape2 = new QFrame(Shape1);
    Shape2->setObjectName(u"Shape2"_s);
    Shape2->setFrameShape(QFrame::StyledPanel);

    lblTitle = new QLabel(u"Marvoli"_s, Shape2);
    lblTitle->setObjectName(u"lblTitle"_s);
    QFont titleFont(u"Andalus"_s); // the face the name was drawn in, where it is installed
    titleFont.setPointSize(22);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblTitle->setAlignment(Qt::AlignCenter);
    Label1 = new QLabel(u"الإصدار الثاني "_s, Shape2);
    Label1->setObjectName(u"Label1"_s);
    Label1->setAlignment(Qt::AlignCenter);
    lblDescription = new QLabel(Shape2);
    lblDescription->setObjectName(u"lblDescription"_s);
    // Lines end in CR LF as the text is kept; a label lays out plain line feeds, and a blank at
    // the end of a right-to-left line pushes its first character out of sight.
    QStringList lines = description().split(u"\r\n"_s);
    for (QString &line : lines)
        line = line.trimmed();
    lblDescription->setTextFormat(Qt::PlainText);
    lblDescription->setText(lines.join(u'\n'));

    auto *inner = new QVBoxLayout(Shape2);
    inner->addWidget(lblTitle);
    inner->addWidget(Label1);
    inner->addSpacing(8);
    inner->addWidget(lblDescription);
    auto *outer = new QVBoxLayout(Shape1);
    outer->addWidget(Shape2);

    cmdOK = new QPushButton(u"إغلاق"_s, this);
    cmdOK->setObjectName(u"cmdOK"_s);
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    auto *rows = new QVBoxLayout(this);
    rows->addWidget(Shape1);
    rows->addWidget(cmdOK, 0, Qt::AlignHCenter);
}

QString frmAbout::description()
{
    return QStringList{
        u"يمكنك برنامج Marvoli من الاستماع إلى عدد كبير من الملفات الصوتية."_s,
        u"تحتوي قاعدة بيانات الأشرطة على :"_s,
        u"- عدد كبير من التلاوات بروايات مختلفة."_s,
        u"- عدد كبير من الدروس العلمية والخطب والمواعظ."_s,
        u"- مجموعة من الأدعية المختارة. "_s,
        u"وغير ذلك من الملفات..."_s,
    }
        .join(u"\r\n"_s);
}
