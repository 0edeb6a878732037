#include "updateplan.h"

using namespace Qt::Literals::StringLiterals;

QString UpdatePlan::progressText(int i) const
{
    if (i == last)
        return u"يتم الآن تحميل آخر تحديث للبرنامج"_s;
    return u"يتم الآن تحميل التحديث رقم "_s + QString::number(ordinal(i)) + u" من "_s +
           QString::number(total()) + u" الرجاء الانتظار ... "_s;
}

QString UpdatePlan::downloadFailedText(int i) const
{
    return u"حدث خطأ أثناء عملية تحميل التحديث رقم "_s + QString::number(ordinal(i));
}

UpdatePlan planUpdates(qint16 installed, qint16 newest, qint16 complete)
{
    UpdatePlan plan;
    plan.installed = installed;
    if (newest < 0 || newest <= installed)
        return plan;
    if (complete == newest) {
        plan.first = plan.last = complete;
        plan.countText = u"يحتاج البرنامج إلى تحديث واحد شامل"_s;
    } else if (complete > installed) {
        plan.first = plan.last = complete;
    } else {
        plan.first = installed + 1;
        plan.last = newest;
        plan.countText = updateCountText(plan.total());
    }
    return plan;
}

QString updateCountText(int total)
{
    if (total == 1)
        return u"يحتاج البرنامج إلى تحديث واحد"_s;
    if (total == 2)
        return u"يحتاج البرنامج إلى تحديثين"_s;
    const QString start = u"يحتاج البرنامج إلى"_s + QString::number(total);
    return start + (total <= 10 ? u"تحديثات"_s : u"تحديثا"_s);
}
