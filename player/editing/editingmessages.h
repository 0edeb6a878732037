#pragma once

// Messages and small text helpers shared by the add and edit checks and compositions. Internal to
// the editing library: the windows show what the checks return and never build these texts.

#include "codepage.h" // holdsLineBreak

#include <QString>
#include <QStringView>

namespace EditingMessages {

using namespace Qt::Literals::StringLiterals;

// Appended to the "cannot use these symbols" messages. It names ":" although names may hold it:
// users know the message in this form.
inline const QString kSymbols = u" !  /  \\ :"_s;

inline const QString kMsgBadLink = u"رابط الملف الذي كتبته غير صالح"_s;
inline const QString kMsgSymbols = u"لا يمكن استخدام الرموز التالية"_s;
inline const QString kMsgNoRiwaya = u"فضلا أدخل الرواية"_s;
inline const QString kMsgNoSurah = u"فضلا اختر السورة من القائمة"_s;
inline const QString kMsgNoReciter = u"فضلا أدخل اسم المقرئ"_s;
inline const QString kMsgNoTitle = u"فضلا أدخل عنوان الدرس أو الخطبة"_s;
inline const QString kMsgNoSheikh = u"فضلا أدخل اسم صاحب الشريط"_s;
inline const QString kMsgTitleSymbols = u"لا يمكن استخدام الرموز التالية في عنوان الدرس"_s;
inline const QString kMsgOwnerSymbols =
    u"لا يمكن استخدام الرموز التالية في كتابة اسم صاحب الشريط"_s;
inline const QString kMsgNoName = u"فضلا أدخل اسم الشريط"_s;
inline const QString kMsgNameSymbols = u"لا يمكن استخدام الرموز التالية في كتابة اسم الشريط"_s;

// A link that can be stored: one the player takes, without the "!" that would split the record.
// Spaces around it are not part of it.
bool isStorableLink(QStringView text);

// Empty, or nothing but white space.
inline bool isBlank(QStringView text)
{
    return text.trimmed().isEmpty();
}

// The branches of the tree that are no categories: the play queue and the favourites. A tape
// filed under one of their names would be taken for one of their entries.
bool isReservedCategory(QStringView category);
inline QString reservedCategoryMessage(QStringView category)
{
    return u"لا يمكن استخدام «"_s + category.trimmed().toString() +
           u"» اسما للتصنيف، فهو اسم محجوز لفرع من فروع البرنامج"_s;
}

// A "cannot use these symbols" message with the symbols listed.
inline QString cannotUse(const QString &message)
{
    return message + kSymbols;
}

// A section or group as stored: "\" between levels becomes "/", and a blank text the default.
inline QString levelsOrDefault(const QString &text, const QString &fallback)
{
    if (isBlank(text))
        return fallback;
    QString out = text;
    out.replace(u'\\', u'/');
    return out;
}

} // namespace EditingMessages
