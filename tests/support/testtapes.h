#pragma once

#include <QString>
#include <QStringList>

#include <initializer_list>

// Made-up tapes of the Quran for the playing rules: tape n is "R - سورة سNNN" with the one link
// http://h/NNN.mp3.
namespace TestTapes {

// The tape key of tape n, as the tree gives it.
QString tape(int n);
// Its key as a queue entry.
QString entry(int n);
// Its link.
QString link(int n);
QStringList links(std::initializer_list<int> numbers);

} // namespace TestTapes
