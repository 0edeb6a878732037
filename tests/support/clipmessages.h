#pragma once

#include <QString>

// What the player says when a clip cannot be played, as the user reads it.
namespace ClipMessages {
using namespace Qt::Literals::StringLiterals;
inline const QString kNotFound = u"تعذر العثور على الملف الصوتي"_s;
inline const QString kNoConnection = u"تعذر الاتصال بالخادم"_s;
inline const QString kBadFormat = u"صيغة الملف غير مدعومة"_s;
inline const QString kCannotPlay = u"تعذر تشغيل الملف الصوتي"_s;
inline const QString kNoDevice = u"لا يوجد جهاز صوت متاح"_s;
inline const QString kRefused =
    u"رابط غير مسموح به: يقبل البرنامج روابط http و https والملفات المحلية فقط"_s;
} // namespace ClipMessages
