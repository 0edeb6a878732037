#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// Arabic text as the search compares it: runs of spaces become one, vowel marks (shadda, fatha,
// kasra, damma, the three tanween marks, sukun) and the tatweel go, and every written form of alif
// and hamza (أ إ آ ء ؤ ئ) becomes a bare alif. Spaces are trimmed at both ends before the marks go.
namespace ArabicText {

QString NormalizeArabic(QStringView text);

// A record's words as the search looks through them: the name path and the third field,
// normalised, "/" read as a space, each word ended by NUL.
QString haystack(QStringView names, QStringView third);
// The same, appended to out (reused buffers make a pass over a large catalogue cheap).
void appendHaystack(QStringView names, QStringView third, QString &out);

// What is searched for. Words: each word normalised and ended by NUL, so that it matches a word
// of the record that ends with it (كتاب finds الكتاب). Phrase: the normalised words joined and
// ended by NUL: the first must end a word of the record and the others follow it exactly.
QStringList wordNeedles(const QString &text);
QString phraseNeedle(const QString &text);

} // namespace ArabicText
