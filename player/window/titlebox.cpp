#include "titlebox.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>

#include <algorithm>

TitleBox::TitleBox(QWidget *parent)
    : QTextEdit(parent)
{
    setObjectName(QStringLiteral("LTitle"));
    setReadOnly(true);
    setAccessibleName(QStringLiteral(u"عنوان الشريط"));
    setAlignment(Qt::AlignCenter);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    document()->setDocumentMargin(1);
}

void TitleBox::setTitleText(const QString &text)
{
    if (text.size() > kLongestShown)
        setPlainText(text.left(kLongestShown) + QChar(0x2026));
    else
        setPlainText(text);
    QTextCursor all(document());
    all.select(QTextCursor::Document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignCenter);
    all.mergeBlockFormat(centred);
}

void TitleBox::AdjustTitleLines()
{
    document()->setTextWidth(viewport()->width());
    int lines = 0;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next())
        lines += b.layout() ? b.layout()->lineCount() : 0;
    m_lines = lines;
    if (lines == 1)
        setTitleText(u'\n' + toPlainText());
}
