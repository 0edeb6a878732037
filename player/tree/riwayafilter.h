#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// Which riwayat the tree shows of the Quran tapes. Kept as the settings file holds it, byte for
// byte: "@" before each chosen item, in the menu's order; "@كل الروايات" shows every riwaya, and
// an empty text none.
class RiwayaFilter
{
public:
    // The item that stands for every riwaya.
    static const QString &allRiwayat();

    // Every riwaya shown.
    RiwayaFilter();
    // A filter as stored, kept as it is.
    static RiwayaFilter fromStored(const QString &text);

    const QString &stored() const { return m_text; }
    bool showsAll() const;
    // Whether an item of the riwaya menu (a riwaya, or allRiwayat()) is one of those chosen:
    // exactly that item, not a longer one it begins.
    bool isChosen(QStringView item) const;
    // Whether a riwaya's tapes are shown.
    bool shows(QStringView riwaya) const { return showsAll() || isChosen(riwaya); }

    // The filter after the user picks item index of the menu, whose items are given (0 is
    // allRiwayat()): 0, or an index outside the menu, shows all; a riwaya toggles, and with every
    // riwaya chosen the filter comes back to all of them.
    RiwayaFilter afterChoosing(int index, const QStringList &items) const;

    friend bool operator==(const RiwayaFilter &a, const RiwayaFilter &b)
    {
        return a.m_text == b.m_text;
    }

private:
    explicit RiwayaFilter(const QString &text)
        : m_text(text)
    {}

    QString m_text;
};
