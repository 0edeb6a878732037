#include "arabickeyboard.h"

#include <QFocusEvent>
#include <QWidget>

using namespace Qt::Literals::StringLiterals;

bool isArabicLayout(const KeyboardLayout &layout)
{
    const QString &name = layout.name;
    const QString &variant = layout.variant;
    const bool defaultVariant = variant.isEmpty() || variant == "basic"_L1;
    // "ara" is the language code; every variant types Arabic but the one that replaces it with
    // Ugaritic.
    if (name == "ara"_L1)
        return variant != "uga"_L1;
    // Countries whose layout is Arabic by default; their other variants are Kurdish, Syriac,
    // French or Tifinagh.
    if (name == "iq"_L1 || name == "sy"_L1)
        return defaultVariant;
    if (name == "ma"_L1)
        return variant.isEmpty() || variant == "arabic"_L1;
    // Countries with an Arabic variant of another language's layout.
    if (name == "dz"_L1)
        return variant == "ar"_L1;
    if (name == "pk"_L1)
        return variant == "ara"_L1;
    return false;
}

bool isAzertyArabicLayout(const KeyboardLayout &layout)
{
    if (!isArabicLayout(layout))
        return false;
    // Morocco's and Algeria's Arabic layouts are Arabic AZERTY under their own names.
    return layout.variant.contains("azerty"_L1) || layout.name == "ma"_L1 || layout.name == "dz"_L1;
}

QString GetLocaleText(const QLocale &locale, LocaleItem item)
{
    switch (item) {
    case LocaleItem::LanguageName:
        return locale.nativeLanguageName();
    case LocaleItem::LanguageCode:
        return locale.language() == QLocale::C ? QString()
                                               : QLocale::languageToCode(locale.language());
    case LocaleItem::CountryCode:
        return locale.territory() == QLocale::AnyTerritory
                   ? QString()
                   : QLocale::territoryToCode(locale.territory());
    }
    return {};
}

int chooseArabicLayout(const QList<KeyboardLayout> &layouts, const QLocale &locale)
{
    int first = -1;
    int preferred = -1;
    // North Africa types Arabic on AZERTY keyboards.
    const QString country = GetLocaleText(locale, LocaleItem::CountryCode);
    const bool maghreb = country == "DZ"_L1 || country == "MA"_L1 || country == "TN"_L1;
    const bool arabic = GetLocaleText(locale, LocaleItem::LanguageCode) == "ar"_L1;
    for (int i = 0; i < layouts.size(); ++i) {
        if (!isArabicLayout(layouts[i]))
            continue;
        if (first < 0)
            first = i;
        const bool azerty = isAzertyArabicLayout(layouts[i]);
        if (preferred < 0 && ((maghreb && azerty) || (!maghreb && arabic && !azerty)))
            preferred = i;
    }
    return preferred >= 0 ? preferred : first;
}

KeyboardSwitch SwitchToArabicKeyboard(KeyboardLayouts &layouts, const QLocale &locale)
{
    KeyboardSwitch result;
    const QList<KeyboardLayout> configured = layouts.layouts();
    const int arabic = chooseArabicLayout(configured, locale);
    if (arabic < 0)
        return result;
    result.previous = layouts.current();
    // A layout that could not be given back is not taken away.
    if (result.previous < 0)
        return result;
    // On any Arabic layout already, the user's own choice stays.
    if (result.previous < configured.size() && isArabicLayout(configured[result.previous]))
        return result;
    if (layouts.setCurrent(arabic))
        result.arabic = arabic;
    return result;
}

bool restoreKeyboard(KeyboardLayouts &layouts, const KeyboardSwitch &change)
{
    if (!change.switched() || change.previous < 0)
        return false;
    if (layouts.current() != change.arabic)
        return false;
    return layouts.setCurrent(change.previous);
}

namespace {
// Watches one text box's focus; a child of the box, so it goes away with it.
class ArabicKeyboardWatch final : public QObject
{
public:
    ArabicKeyboardWatch(QWidget *box, KeyboardLayouts *layouts, std::function<bool()> wanted)
        : QObject(box)
        , m_layouts(layouts)
        , m_wanted(std::move(wanted))
    {
        box->installEventFilter(this);
    }

    // A box deleted while it has the focus may not see a focus out first.
    ~ArabicKeyboardWatch() override { leave(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusIn) {
            enter();
        } else if (event->type() == QEvent::FocusOut &&
                   static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason) {
            leave();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    KeyboardLayouts &layouts() const
    {
        return m_layouts ? *m_layouts : ArabicKeyboard::systemLayouts();
    }

    void enter()
    {
        // Back from a popup of the box: the layout remembered before is still the one to restore.
        if (m_switch.switched())
            return;
        if (m_wanted && !m_wanted())
            return;
        m_switch = SwitchToArabicKeyboard(layouts());
    }

    void leave()
    {
        if (m_switch.switched())
            restoreKeyboard(layouts(), m_switch);
        m_switch = {};
    }

    KeyboardLayouts *m_layouts;
    std::function<bool()> m_wanted;
    KeyboardSwitch m_switch;
};
} // namespace

void ArabicKeyboard::attach(QWidget *box, KeyboardLayouts *layouts)
{
    attach(box, {}, layouts);
}

void ArabicKeyboard::attach(QWidget *box, std::function<bool()> typesArabic,
                            KeyboardLayouts *layouts)
{
    if (box)
        new ArabicKeyboardWatch(box, layouts, std::move(typesArabic));
}

namespace {
KeyboardLayouts *g_layoutsInUse = nullptr;
}

KeyboardLayouts &ArabicKeyboard::systemLayouts()
{
    if (g_layoutsInUse)
        return *g_layoutsInUse;
    static const std::unique_ptr<KeyboardLayouts> layouts = KeyboardLayouts::create();
    return *layouts;
}

void ArabicKeyboard::useLayouts(KeyboardLayouts *layouts)
{
    g_layoutsInUse = layouts;
}
