#include "testtapes.h"

#include "playqueue.h"
#include "tapekeys.h"

using namespace Qt::Literals::StringLiterals;

namespace TestTapes {

QString tape(int n)
{
    return TapeKeys::tapeKey(u"القرآن الكريم!R/%1 سورة س%1!W!"_s.arg(n, 3, 10, QChar(u'0')) +
                             link(n));
}

QString entry(int n)
{
    return PlayQueue::entryKey(tape(n));
}

QString link(int n)
{
    return u"http://h/%1.mp3"_s.arg(n, 3, 10, QChar(u'0'));
}

QStringList links(std::initializer_list<int> numbers)
{
    QStringList out;
    for (int n : numbers)
        out.append(link(n));
    return out;
}

} // namespace TestTapes
