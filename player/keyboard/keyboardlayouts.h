#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <memory>

// One keyboard layout the user configured: its XKB layout name and variant ("ara" and "azerty"
// for "ara(azerty)"). An empty variant is the layout's default one.
struct KeyboardLayout
{
    QString name;
    QString variant;

    // "ara(azerty)" gives {"ara", "azerty"}, "us" gives {"us", ""}; toString() is the reverse.
    static KeyboardLayout fromString(QStringView text);
    QString toString() const;

    bool operator==(const KeyboardLayout &) const = default;
};

// The XKB layout and variant lists as the X server keeps them ("us,ara" and ",azerty"): one
// entry per group, in group order. A missing variant is the default one.
QList<KeyboardLayout> parseXkbLayouts(QStringView layouts, QStringView variants);

// The layouts configured on this desktop, which one is active, and switching between them. The
// program only ever picks among these; it never adds a layout.
class KeyboardLayouts
{
public:
    virtual ~KeyboardLayouts() = default;

    // In the order the user configured them; an index is a position in this list.
    virtual QList<KeyboardLayout> layouts() const = 0;
    // The active layout's index, or -1 when it cannot be known.
    virtual int current() const = 0;
    // Makes the layout at index active; false when that did not happen.
    virtual bool setCurrent(int index) = 0;

    // The implementation for this session: KDE's keyboard service when it is on the session bus,
    // else the X server's XKB groups when the program runs on X11, else one that does nothing
    // (other Wayland desktops offer programs no way to switch).
    static std::unique_ptr<KeyboardLayouts> create();
};

// A desktop where the program cannot see or switch layouts.
class NoKeyboardLayouts final : public KeyboardLayouts
{
public:
    QList<KeyboardLayout> layouts() const override { return {}; }
    int current() const override { return -1; }
    bool setCurrent(int) override { return false; }
};
