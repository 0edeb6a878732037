#pragma once

#include "keyboardlayouts.h"

#include <QList>
#include <QLocale>

#include <functional>

class QWidget;

// Whether a layout types Arabic letters: "ara" with its variants, and the countries' Arabic
// layouts ("iq", "sy", "ma", "dz(ar)", "pk(ara)"). Told by the XKB names, never by a description.
bool isArabicLayout(const KeyboardLayout &layout);
// Whether an Arabic layout has the North African (AZERTY) arrangement.
bool isAzertyArabicLayout(const KeyboardLayout &layout);

// A piece of information about a locale, as text: the name of its language in that language,
// or the ISO codes of its language ("ar") and of its country ("MA"). Empty when it has none.
enum class LocaleItem
{
    LanguageName,
    LanguageCode,
    CountryCode,
};
QString GetLocaleText(const QLocale &locale, LocaleItem item);

// The index of the layout to type Arabic with, or -1 when none of the configured layouts is
// Arabic. The first Arabic layout in the configured order, except that an AZERTY one goes first
// when the locale's country is Algeria, Morocco or Tunisia, and a non-AZERTY one when the locale
// is Arabic from another country.
int chooseArabicLayout(const QList<KeyboardLayout> &layouts, const QLocale &locale);

// What SwitchToArabicKeyboard() did: the layout active before and the Arabic one it made active
// (-1 when it changed nothing).
struct KeyboardSwitch
{
    int previous = -1;
    int arabic = -1;

    bool switched() const { return arabic >= 0; }
};

// Makes the user's Arabic layout active, unless an Arabic layout already is, or none is
// configured. Never says anything to the user.
KeyboardSwitch SwitchToArabicKeyboard(KeyboardLayouts &layouts,
                                      const QLocale &locale = QLocale::system());
// Gives back the layout active before the switch, unless nothing was switched or the user has
// chosen another layout since. Returns whether it switched back.
bool restoreKeyboard(KeyboardLayouts &layouts, const KeyboardSwitch &change);

class ArabicKeyboard
{
public:
    // While box has the focus, the desktop types Arabic: on focus in the user's Arabic layout is
    // made active, on focus out (or when box goes away with the focus) the previous one comes
    // back. A focus out to a popup of the box (a completer's list, its context menu) keeps Arabic.
    // layouts is the desktop's (systemLayouts()) unless a test passes its own; it must outlive box.
    // An editable QComboBox is attached itself, not its line edit: the list keeps the focus and
    // hands its focus events to the line edit directly, past any watcher there.
    static void attach(QWidget *box, KeyboardLayouts *layouts = nullptr);
    // The same for a box whose text is Arabic only at times (a row that holds a name in one layout
    // of a window and a link in another): typesArabic is asked at each focus in.
    static void attach(QWidget *box, std::function<bool()> typesArabic,
                       KeyboardLayouts *layouts = nullptr);

    // This session's layouts, picked by KeyboardLayouts::create() on first use (after the
    // QApplication exists).
    static KeyboardLayouts &systemLayouts();
    // Makes layouts this session's layouts in place of the desktop's (a test's own desktop);
    // nullptr gives the desktop's back. layouts must outlive every box attached meanwhile.
    static void useLayouts(KeyboardLayouts *layouts);
};
