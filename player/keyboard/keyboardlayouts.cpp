#include "keyboardlayouts.h"

#include "kdekeyboardlayouts.h"
#include "x11keyboardlayouts.h"

#include <QDBusConnection>

using namespace Qt::Literals::StringLiterals;

KeyboardLayout KeyboardLayout::fromString(QStringView text)
{
    text = text.trimmed();
    const qsizetype open = text.indexOf(u'(');
    if (open < 0 || !text.endsWith(u')'))
        return {text.toString(), QString()};
    return {text.first(open).trimmed().toString(),
            text.sliced(open + 1, text.size() - open - 2).trimmed().toString()};
}

QString KeyboardLayout::toString() const
{
    return variant.isEmpty() ? name : u"%1(%2)"_s.arg(name, variant);
}

QList<KeyboardLayout> parseXkbLayouts(QStringView layouts, QStringView variants)
{
    QList<KeyboardLayout> result;
    if (layouts.trimmed().isEmpty())
        return result;
    const QList<QStringView> variantList = variants.split(u',');
    const QList<QStringView> layoutList = layouts.split(u',');
    for (qsizetype i = 0; i < layoutList.size(); ++i) {
        // Empty entries stay: each position is a group number.
        result.append(
            {layoutList[i].trimmed().toString(), variantList.value(i).trimmed().toString()});
    }
    return result;
}

std::unique_ptr<KeyboardLayouts> KeyboardLayouts::create()
{
    if (auto kde = createKdeKeyboardLayouts(QDBusConnection::sessionBus()))
        return kde;
    if (auto x11 = createX11KeyboardLayouts())
        return x11;
    return std::make_unique<NoKeyboardLayouts>();
}
