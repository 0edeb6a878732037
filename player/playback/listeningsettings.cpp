#include "listeningsettings.h"

#include "atomicfile.h"
#include "audioplayer.h"

#include <QFile>
#include <QLocale>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kSpeedKey = u"speed"_s;
const QString kRepeatKey = u"repeat"_s;
} // namespace

ListeningSettings::ListeningSettings(QString path)
    : m_path(std::move(path))
{
    reload();
}

void ListeningSettings::reload()
{
    m_lines.clear();
    m_crlf = false;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kLargestFile)
        return;
    const QByteArray bytes = file.read(kLargestFile + 1);
    if (bytes.size() > kLargestFile || bytes.contains('\0'))
        return; // not a text file this program wrote
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    m_crlf = text.contains(u"\r\n"_s);
    text.replace(u"\r\n"_s, u"\n"_s);
    if (text.endsWith(u'\n'))
        text.chop(1);
    if (!text.isEmpty())
        m_lines = text.split(u'\n');
}

int ListeningSettings::lineOf(const QString &key) const
{
    for (int i = int(m_lines.size()) - 1; i >= 0; --i) {
        const QString &line = m_lines.at(i);
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0 && QStringView(line).left(eq).trimmed() == key)
            return i;
    }
    return -1;
}

QString ListeningSettings::value(const QString &key) const
{
    const int at = lineOf(key);
    if (at < 0)
        return {};
    const QString &line = m_lines.at(at);
    return line.mid(line.indexOf(u'=') + 1).trimmed();
}

bool ListeningSettings::setValue(const QString &key, const QString &value)
{
    const QString name = key.trimmed();
    if (name.isEmpty() || name.contains(u'=') || name.contains(u'\n') || name.contains(u'\r') ||
        value.contains(u'\n') || value.contains(u'\r'))
        return false;
    const QString line = name + u'=' + value.trimmed();
    const int at = lineOf(name);
    if (at >= 0 && this->value(name) == value.trimmed())
        return true;
    if (at >= 0)
        m_lines[at] = line;
    else
        m_lines.append(line);
    return write();
}

bool ListeningSettings::write() const
{
    const QString ending = m_crlf ? u"\r\n"_s : u"\n"_s;
    return writeFileAtomically(m_path, (m_lines.join(ending) + ending).toUtf8());
}

double ListeningSettings::speed() const
{
    bool ok = false;
    const double factor = QLocale::c().toDouble(value(kSpeedKey), &ok);
    if (!ok || !std::isfinite(factor) || factor < AudioPlayer::kMinimumSpeed ||
        factor > AudioPlayer::kMaximumSpeed)
        return 1.0;
    return AudioPlayer::boundedSpeed(factor);
}

bool ListeningSettings::setSpeed(double factor)
{
    const double bounded = AudioPlayer::boundedSpeed(factor);
    if (speed() == bounded && lineOf(kSpeedKey) >= 0)
        return true; // "1.50" stays as it was written
    return setValue(kSpeedKey, QString::number(bounded, 'f', 1));
}

RepeatMode ListeningSettings::repeat() const
{
    return RepeatMode::fromText(value(kRepeatKey)).value_or(RepeatMode::off());
}

bool ListeningSettings::setRepeat(const RepeatMode &mode)
{
    return setValue(kRepeatKey, mode.toText());
}
