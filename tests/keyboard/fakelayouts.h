#pragma once

#include "keyboardlayouts.h"

#include <QStringList>

// A desktop's layouts in memory, given as "us,ara(azerty)"; setCurrent() refuses indexes outside
// the list, as the desktops do.
class FakeLayouts final : public KeyboardLayouts
{
public:
    FakeLayouts(const QString &names, int start)
        : active(start)
    {
        for (const QString &entry : names.split(u',', Qt::SkipEmptyParts))
            m_configured.append(KeyboardLayout::fromString(entry));
    }

    QList<KeyboardLayout> layouts() const override { return m_configured; }
    int current() const override { return active; }
    bool setCurrent(int index) override
    {
        if (index < 0 || index >= m_configured.size())
            return false;
        active = index;
        return true;
    }

    int active;

private:
    QList<KeyboardLayout> m_configured;
};
