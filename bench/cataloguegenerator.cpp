#include "cataloguegenerator.h"

#include "codepage.h"
#include "general.h"

#include <QByteArray>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringView>
#include <algorithm>
#include <cstdio>

#include <initializer_list>
#include <iterator>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qint64 kRecordsPerFile = 50000;
constexpr quint64 kSeed = 0x4d6172766f6c69ull;

// SplitMix64: small and fast, and unlike the std distributions it gives the same sequence with
// every compiler and library, so a catalogue of a given size is the same file everywhere.
class Random
{
public:
    explicit Random(quint64 seed)
        : m_state(seed)
    {}

    quint64 next()
    {
        quint64 z = (m_state += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }
    // 0 .. n - 1 (the modulo bias is far below anything a benchmark could notice).
    int below(int n) { return int(next() % quint64(n)); }
    bool percent(int p) { return below(100) < p; }

    template<std::size_t N>
    QStringView pick(const QStringView (&list)[N])
    {
        return list[below(int(N))];
    }

private:
    quint64 m_state;
};

// All names below are made up: common words put together, never a real person or recording.

constexpr QStringView kFirstNames[] = {
    u"سالم", u"ماجد", u"نبيل", u"طارق", u"حامد", u"عادل", u"فهد", u"رائد", u"وليد", u"باسل",
};

constexpr QStringView kFamilyNames[] = {
    u"البحري", u"الجبلي", u"السهلي",   u"الرملي", u"النخلي",  u"الحجري",  u"القمري",
    u"النجمي", u"الغيمي", u"الوردي",   u"الزهري", u"العنبري", u"المسكي",  u"اللؤلؤي",
    u"الفضي",  u"الصخري", u"البستاني", u"الموجي", u"السحابي", u"الجدولي",
};

// Riwaya texts: "رواية <narrator> عن <teacher>", 5 x 4 = 20.
constexpr QStringView kNarrators[] = {u"سهل", u"ورد", u"نور", u"فرج", u"صابر"};
constexpr QStringView kTeachers[] = {u"الأمين", u"الهادي", u"الراشد", u"الصادق"};

// Surah names: 19 x 6 = 114 distinct texts.
constexpr QStringView kSurahNouns[] = {
    u"الغيث",   u"البيان", u"الميزان", u"الرحمة",  u"الهدى",   u"السلام", u"البركة",
    u"الصبر",   u"الشكر",  u"اليقين",  u"الإحسان", u"العدل",   u"الحكمة", u"النعمة",
    u"الأمانة", u"الوفاء", u"التقوى",  u"الإيمان", u"الموعظة",
};
constexpr QStringView kSurahQualifiers[] = {u"الكبرى",  u"الصغرى",  u"الأولى",
                                            u"الثانية", u"الثالثة", u"الرابعة"};

constexpr QStringView kBooks[] = {
    u"متن الطهارة",       u"أحكام الصلاة",     u"كتاب الصيام",   u"آداب المجالس",
    u"الأربعين المختارة", u"رسالة في الأخلاق", u"منظومة الآداب", u"كتاب الزكاة",
    u"مختصر السيرة",      u"أصول الإيمان",     u"قواعد الفقه",   u"كتاب البيوع",
    u"الرقائق والزهد",    u"آداب طالب العلم",  u"كتاب الحج",     u"أحكام الأسرة",
    u"شمائل الأخلاق",     u"مختصر التفسير",    u"كتاب الأذكار",  u"رسالة في التوحيد",
};

constexpr QStringView kTalkTopics[] = {
    u"الصبر على البلاء", u"فضل العلم",    u"بر الوالدين",  u"حسن الخلق",     u"صلة الرحم",
    u"التوبة والإنابة",  u"فضل الصدقة",   u"حفظ اللسان",   u"استقبال رمضان", u"الأمانة",
    u"شكر النعمة",       u"محاسبة النفس", u"الرفق واللين", u"فضل الذكر",     u"الإحسان إلى الجار",
};

// Sections, each with its subsections (lessons may name a section, a section/subsection or none).
struct Section
{
    QStringView name;
    QStringView subsections[4];
};
constexpr Section kSections[] = {
    {u"الفقه", {u"الطهارة", u"الصلاة", u"الصيام", u"المعاملات"}},
    {u"العقيدة", {u"الإيمان", u"التوحيد", u"الأسماء والصفات", u"اليوم الآخر"}},
    {u"التفسير", {u"تفسير موضوعي", u"تفسير تحليلي", u"علوم التفسير", u"أسباب النزول"}},
    {u"الحديث", {u"شرح الأحاديث", u"مصطلح الحديث", u"الأربعينيات", u"الرجال"}},
    {u"السيرة", {u"المرحلة المكية", u"المرحلة المدنية", u"الغزوات", u"الشمائل"}},
    {u"الرقائق", {u"الزهد", u"التوبة", u"الموت وما بعده", u"أعمال القلوب"}},
    {u"الأخلاق", {u"الآداب", u"المعاملة", u"الأسرة", u"المجتمع"}},
    {u"الخطب المنبرية", {u"المناسبات", u"الأعياد", u"رمضان", u"الجمعة"}},
};

constexpr QStringView kOtherCategories[] = {u"أدعية", u"أناشيد", u"أذكار", u"قصص وعبر",
                                            u"محاضرات عامة"};
constexpr QStringView kOtherKinds[] = {u"دعاء", u"نشيد", u"ورد", u"قصة", u"كلمة"};
constexpr QStringView kOtherGroups[] = {
    u"أدعية مأثورة", u"أذكار الصباح والمساء", u"مناسبات", u"للأطفال",      u"مختارات",
    u"منوعات",       u"إصدارات قديمة",        u"حفلات",   u"برامج إذاعية", u"سلسلة قصصية",
};

const QString kQuranCategory = u"القرآن الكريم"_s;
const QString kLessonCategory = u"الدروس والخطب"_s;
const QString kLinkBase = u"https://audio.example.org/"_s;

// Appends every part to text (Qt 6.4 has no operator+ for QStringView).
void appendAll(QString &text, std::initializer_list<QStringView> parts)
{
    for (QStringView part : parts)
        text.append(part);
}

QString joined(std::initializer_list<QStringView> parts)
{
    QString text;
    appendAll(text, parts);
    return text;
}

QString threeDigits(int n)
{
    return QString::number(n).rightJustified(3, u'0');
}

// "<first> بن <father> <family>": n below 200 gives distinct names (first and family differ).
QString personName(int n)
{
    const int first = n % 10;
    const int family = (n / 10) % int(std::size(kFamilyNames));
    const int father = (n * 3 + 1) % 10;
    return joined({kFirstNames[first], u" بن ", kFirstNames[father], u" ", kFamilyNames[family]});
}

// 300 reciters: 100 names, each three times with a number.
QString reciterName(int r)
{
    return joined({personName(r % 100), u" ", QString::number(r / 100 + 1)});
}

QString riwayaName(int w)
{
    return joined({u"رواية ", kNarrators[w % 5], u" عن ", kTeachers[w / 5]});
}

QString surahName(int s)
{
    return joined({kSurahNouns[s % 19], u" ", kSurahQualifiers[s / 19]});
}

// Appends a line in the code page, ended by CR LF. Every name above is meant to fit the code
// page; a slip would silently become '?', so it stops the generation instead.
bool appendLine(QByteArray &buffer, QStringView line, QString &error)
{
    QByteArray bytes;
    if (!CodePage::tryEncode(line, bytes)) {
        error = joined({u"a generated line does not fit windows-1256: ", line});
        return false;
    }
    buffer.append(bytes);
    buffer.append("\r\n", 2);
    return true;
}

// Collects the lines of one kind of record and writes them into numbered files of at most
// kRecordsPerFile records each (quran_001.txt, quran_002.txt, ...).
class FileWriter
{
public:
    FileWriter(const QString &folder, const QString &prefix, GeneratedCatalogue &totals)
        : m_folder(folder)
        , m_prefix(prefix)
        , m_totals(totals)
    {}

    bool add(QStringView line)
    {
        if (!appendLine(m_buffer, line, m_error))
            return false;
        if (++m_inFile == kRecordsPerFile)
            return flush();
        return true;
    }

    bool flush()
    {
        if (m_inFile == 0)
            return true;
        const QString path =
            m_folder + u'/' + m_prefix + u'_' + threeDigits(++m_fileNumber) + u".txt"_s;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(m_buffer) != m_buffer.size() || !file.flush()) {
            m_error = u"cannot write "_s + path + u": "_s + file.errorString();
            return false;
        }
        m_totals.records += m_inFile;
        m_totals.bytes += m_buffer.size();
        ++m_totals.files;
        m_buffer.clear();
        m_inFile = 0;
        return true;
    }

    const QString &error() const { return m_error; }

private:
    QString m_folder;
    QString m_prefix;
    GeneratedCatalogue &m_totals;
    QByteArray m_buffer;
    qint64 m_inFile = 0;
    int m_fileNumber = 0;
    QString m_error;
};

// A reciter's recordings come as albums: a whole reading of the Quran surah after surah, or a part
// of one. Most reciters keep to one riwaya.
bool writeQuran(FileWriter &out, Random &random, qint64 count)
{
    QString line;
    qint64 written = 0;
    for (int album = 1; written < count; ++album) {
        const int reciter = random.below(300);
        const int riwaya = random.percent(70) ? reciter % 20 : random.below(20);
        int first = 0;
        int last = 113;
        if (random.percent(30)) {
            first = random.below(114);
            last = first + random.below(114 - first);
        }
        const bool withRealMedia = random.percent(20);
        const QString reciterText = reciterName(reciter);
        const QString riwayaText = riwayaName(riwaya);
        const QString albumLink = kLinkBase + u"q/"_s + QString::number(album) + u'/';
        for (int s = first; s <= last && written < count; ++s, ++written) {
            const QString number = threeDigits(s + 1);
            line.clear();
            appendAll(line, {kQuranCategory, u"!", reciterText, u"/", number, u" سورة ",
                             surahName(s), u"!", riwayaText, u"!", albumLink, number, u".mp3"});
            if (withRealMedia)
                appendAll(line, {u"!", albumLink, number, u".rm"});
            if (!out.add(line))
                return false;
        }
    }
    return true;
}

QString sectionField(Random &random)
{
    const Section &section = kSections[random.below(int(std::size(kSections)))];
    const int kind = random.below(100);
    if (kind < 25)
        return u"none"_s;
    if (kind < 60)
        return section.name.toString();
    return joined({section.name, u"/", section.subsections[random.below(4)]});
}

// Lessons come as series (sheikh/series/lesson, one section for the whole series) or as single
// talks straight under their sheikh (sheikh/title).
bool writeLessons(FileWriter &out, Random &random, qint64 count)
{
    QString line;
    qint64 written = 0;
    for (int block = 1; written < count; ++block) {
        const QString sheikh = u"الشيخ "_s + personName(random.below(200));
        const QString blockLink = kLinkBase + u"d/"_s + QString::number(block) + u'/';
        if (random.percent(75)) {
            const QString series = joined({u"شرح ", random.pick(kBooks)});
            const QString section = sectionField(random);
            const int lessons = 5 + random.below(56);
            for (int k = 1; k <= lessons && written < count; ++k, ++written) {
                line.clear();
                appendAll(line, {kLessonCategory, u"!", sheikh, u"/", series, u"/الدرس ",
                                 QString::number(k), u"!", section, u"!", blockLink,
                                 QString::number(k), u".mp3"});
                if (!out.add(line))
                    return false;
            }
        } else {
            const int talks = 1 + random.below(10);
            for (int k = 1; k <= talks && written < count; ++k, ++written) {
                line.clear();
                const QStringView topic = random.pick(kTalkTopics);
                const QString number = QString::number(1 + random.below(40));
                const QString section = sectionField(random);
                appendAll(line, {kLessonCategory, u"!", sheikh, u"/خطبة: ", topic, u" ", number,
                                 u"!", section, u"!", blockLink, QString::number(k), u".mp3"});
                if (!out.add(line))
                    return false;
            }
        }
    }
    return true;
}

// Other categories: a bare title with no group, or owner/title in a group.
bool writeOthers(FileWriter &out, Random &random, qint64 count)
{
    QString line;
    for (qint64 n = 1; n <= count; ++n) {
        const int category = random.below(int(std::size(kOtherCategories)));
        const QStringView topic = random.pick(kTalkTopics);
        const QString title = joined(
            {kOtherKinds[category], u" ", topic, u" ", QString::number(1 + random.below(500))});
        const QString link = kLinkBase + u"o/"_s + QString::number(n) + u".mp3"_s;
        line.clear();
        appendAll(line, {kOtherCategories[category], u"!"});
        if (random.percent(50)) {
            appendAll(line, {title, u"!none!", link});
        } else {
            const QString owner = personName(random.below(120));
            const QStringView group = random.pick(kOtherGroups);
            appendAll(line, {u"المنشد ", owner, u"/", title, u"!", group, u"!", link});
        }
        if (!out.add(line))
            return false;
    }
    return true;
}

// ---- The real-shaped catalogue ----

constexpr QStringView kMoreFirstNames[] = {
    u"سالم", u"ماجد", u"نبيل", u"طارق", u"حامد", u"عادل", u"فهد",  u"رائد", u"وليد", u"باسل",
    u"منير", u"راشد", u"هاني", u"زاهر", u"ناصر", u"كامل", u"جابر", u"عامر", u"فارس", u"سامي",
};

// "<first> بن <father> <family>": distinct for n below 8,000.
QString manyPersonName(int n)
{
    return joined({kMoreFirstNames[n % 20], u" بن ", kMoreFirstNames[(n / 20) % 20], u" ",
                   kFamilyNames[(n / 400) % 20]});
}

// How a reciter's recording is told apart from his others.
constexpr QStringView kRecordingStyles[] = {
    u"", u" (مرتل)", u" (مجود)", u" - تسجيلات قديمة", u" - صلاة التراويح", u" - برواية الإذاعة",
};

// Chapter titles: 40 x 30 x 12 = 14,400 topics, each met under many lesson numbers.
constexpr QStringView kChapterNouns[] = {
    u"المسح",   u"الوضوء",  u"التيمم", u"الأذان",  u"القبلة",   u"السترة",  u"السهو",  u"القصر",
    u"الجمع",   u"الجنائز", u"الزكاة", u"الفطر",   u"الاعتكاف", u"الإحرام", u"الطواف", u"السعي",
    u"البيع",   u"الربا",   u"السلم",  u"الرهن",   u"الضمان",   u"الحوالة", u"الشركة", u"الوكالة",
    u"الإجارة", u"الوقف",   u"الهبة",  u"الوصية",  u"النكاح",   u"الطلاق",  u"الرضاع", u"النفقة",
    u"الأيمان", u"النذور",  u"القضاء", u"الشهادة", u"الأطعمة",  u"الذبائح", u"الصيد",  u"اللباس",
};
constexpr QStringView kChapterQualifiers[] = {
    u"على الخفين",   u"في السفر",    u"عند العذر",  u"للمريض",     u"في الحضر",  u"بين الفقهاء",
    u"وأحكامه",      u"وشروطه",      u"وأركانه",    u"وسننه",      u"ومبطلاته",  u"وآدابه",
    u"في الجماعة",   u"للمرأة",      u"عند الحاجة", u"في المسجد",  u"في البيت",  u"قبل الوقت",
    u"بعد الوقت",    u"بالنية",      u"بالقول",     u"بالفعل",     u"في العقود", u"في المعاملات",
    u"عند الاختلاف", u"بين الزوجين", u"في الميراث", u"مع الجهالة", u"مع الغرر",  u"في النوازل",
};
constexpr QStringView kChapterNotes[] = {
    u"",           u" (1)",      u" (2)",     u" (3)",     u" - مسائل", u" - أدلة",
    u" - تطبيقات", u" - مراجعة", u" - أسئلة", u" - خلاصة", u" - تتمة",  u" - شواهد",
};
constexpr QStringView kSeriesEditions[] = {
    u"",
    u" - الدورة الأولى",
    u" - الدورة الثانية",
    u" - دروس المسجد",
    u" - الدروس الصيفية",
    u" - شرح مختصر",
    u" - شرح مطول",
};
constexpr QStringView kSeriesParts[] = {u"المجلد الأول", u"المجلد الثاني", u"المجلد الثالث",
                                        u"المجلد الرابع"};

QString chapterTitle(Random &random)
{
    return joined({u"باب ", random.pick(kChapterNouns), u" ", random.pick(kChapterQualifiers),
                   random.pick(kChapterNotes)});
}

// Lines of one kind after another, as the other shape writes them, but each line lands in one of
// the main files (in order: the first lines in the first file) or, one time in three, in one of
// the update files, as additions and corrections made over the years do.
class SpreadWriter
{
public:
    static constexpr int kMainFiles = 12;
    static constexpr int kUpdateFiles = 48;

    SpreadWriter(const QString &folder, qint64 records, GeneratedCatalogue &totals)
        : m_folder(folder)
        , m_records(std::max<qint64>(records, 1))
        , m_totals(totals)
        , m_random(kSeed + 7)
        , m_buffers(kMainFiles + kUpdateFiles)
    {}

    bool add(QStringView line)
    {
        const int main = int(std::min<qint64>(kMainFiles - 1, m_written * kMainFiles / m_records));
        const int target = m_random.percent(33) ? kMainFiles + m_random.below(kUpdateFiles) : main;
        if (!appendLine(m_buffers[target], line, m_error))
            return false;
        ++m_written;
        return true;
    }

    bool flush()
    {
        for (int i = 0; i < int(m_buffers.size()); ++i) {
            const QByteArray &buffer = m_buffers[i];
            if (buffer.isEmpty())
                continue;
            const QString name = i < kMainFiles ? u"links_"_s + threeDigits(i + 1) + u".txt"_s
                                 : i == kMainFiles
                                     ? u"additions.txt"_s
                                     : u"updates_"_s + threeDigits(i - kMainFiles) + u".txt"_s;
            QFile file(m_folder + u'/' + name);
            if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
                file.write(buffer) != buffer.size() || !file.flush()) {
                m_error = u"cannot write "_s + file.fileName() + u": "_s + file.errorString();
                return false;
            }
            m_totals.bytes += buffer.size();
            ++m_totals.files;
        }
        m_totals.records += m_written;
        return true;
    }

    const QString &error() const { return m_error; }

private:
    QString m_folder;
    qint64 m_records;
    GeneratedCatalogue &m_totals;
    Random m_random;
    std::vector<QByteArray> m_buffers;
    qint64 m_written = 0;
    QString m_error;
};

// 600 reciters, each with recordings in a style and a riwaya of their own.
bool writeRealQuran(SpreadWriter &out, Random &random, qint64 count)
{
    QString line;
    qint64 written = 0;
    for (int album = 1; written < count; ++album) {
        const int reciter = random.below(600);
        const int riwaya = random.percent(75) ? reciter % 20 : random.below(20);
        int first = 0;
        int last = 113;
        if (random.percent(40)) {
            first = random.below(114);
            last = first + random.below(114 - first);
        }
        const bool withRealMedia = random.percent(15);
        const QString reciterText =
            joined({manyPersonName(reciter * 7 + 3), random.pick(kRecordingStyles)});
        const QString riwayaText = riwayaName(riwaya);
        const QString albumLink = kLinkBase + u"rq/"_s + QString::number(album) + u'/';
        for (int s = first; s <= last && written < count; ++s, ++written) {
            const QString number = threeDigits(s + 1);
            line.clear();
            appendAll(line, {kQuranCategory, u"!", reciterText, u"/", number, u" سورة ",
                             surahName(s), u"!", riwayaText, u"!", albumLink, number, u".mp3"});
            if (withRealMedia)
                appendAll(line, {u"!", albumLink, number, u".rm"});
            if (!out.add(line))
                return false;
        }
    }
    return true;
}

// 900 sheikhs; series of titled lessons, a third of them in parts (sheikh/series/part/lesson),
// and single sermons with their own titles.
bool writeRealLessons(SpreadWriter &out, Random &random, qint64 count)
{
    QString line;
    qint64 written = 0;
    for (int block = 1; written < count; ++block) {
        const QString sheikh = u"الشيخ "_s + manyPersonName(random.below(900) * 5 + 1);
        const QString blockLink = kLinkBase + u"rd/"_s + QString::number(block) + u'/';
        if (random.percent(80)) {
            const QString series =
                joined({u"شرح ", random.pick(kBooks), random.pick(kSeriesEditions)});
            const QString section = sectionField(random);
            const bool inParts = random.percent(35);
            const int lessons = 8 + random.below(80);
            for (int k = 1; k <= lessons && written < count; ++k, ++written) {
                line.clear();
                appendAll(line, {kLessonCategory, u"!", sheikh, u"/", series, u"/"});
                if (inParts)
                    appendAll(line, {kSeriesParts[std::min(3, (k - 1) * 4 / lessons)], u"/"});
                appendAll(line, {u"الدرس ", QString::number(k), u": ", chapterTitle(random), u"!",
                                 section, u"!", blockLink, QString::number(k), u".mp3"});
                if (!out.add(line))
                    return false;
            }
        } else {
            const int talks = 1 + random.below(12);
            for (int k = 1; k <= talks && written < count; ++k, ++written) {
                line.clear();
                appendAll(line,
                          {kLessonCategory, u"!", sheikh, u"/خطبة: ", random.pick(kTalkTopics),
                           u" - ", chapterTitle(random), u"!", sectionField(random), u"!",
                           blockLink, QString::number(k), u".mp3"});
                if (!out.add(line))
                    return false;
            }
        }
    }
    return true;
}

// Supplications, chants and talks, nearly every one with a title of its own.
bool writeRealOthers(SpreadWriter &out, Random &random, qint64 count)
{
    QString line;
    for (qint64 n = 1; n <= count; ++n) {
        const int category = random.below(int(std::size(kOtherCategories)));
        const QString title = joined({kOtherKinds[category], u" ", random.pick(kTalkTopics), u" ",
                                      random.pick(kChapterQualifiers), random.pick(kChapterNotes),
                                      u" ", QString::number(1 + random.below(60))});
        const QString link = kLinkBase + u"ro/"_s + QString::number(n) + u".mp3"_s;
        line.clear();
        appendAll(line, {kOtherCategories[category], u"!"});
        if (random.percent(40)) {
            appendAll(line, {title, u"!none!", link});
        } else {
            const QString owner = manyPersonName(random.below(1500) * 3 + 2);
            appendAll(line, {u"المنشد ", owner, u"/", title, u"!", random.pick(kOtherGroups), u"!",
                             link});
        }
        if (!out.add(line))
            return false;
    }
    return true;
}

bool generateRealShaped(const QString &folder, qint64 records, GeneratedCatalogue &totals,
                        QString &error)
{
    const qint64 quran = records * 55 / 100;
    const qint64 lessons = records * 35 / 100;
    const qint64 others = records - quran - lessons;
    SpreadWriter out(folder, records, totals);
    Random quranRandom(kSeed + 10);
    Random lessonRandom(kSeed + 11);
    Random otherRandom(kSeed + 12);
    if (!writeRealQuran(out, quranRandom, quran) || !writeRealLessons(out, lessonRandom, lessons) ||
        !writeRealOthers(out, otherRandom, others) || !out.flush()) {
        error = out.error();
        return false;
    }
    return true;
}

} // namespace

QString shapeName(CatalogueShape shape)
{
    return shape == CatalogueShape::Blocks ? u"blocks"_s : u"real"_s;
}

bool generateCatalogue(const QString &folder, qint64 records, GeneratedCatalogue *result,
                       QString *error, CatalogueShape shape)
{
    const auto fail = [error](const QString &message) {
        if (error)
            *error = message;
        return false;
    };
    if (!QDir().mkpath(folder))
        return fail(u"cannot create "_s + folder);

    GeneratedCatalogue totals;
    if (shape == CatalogueShape::RealShaped) {
        QString message;
        if (!generateRealShaped(folder, records, totals, message))
            return fail(message);
        if (result)
            *result = totals;
        return true;
    }
    const qint64 quran = records * 70 / 100;
    const qint64 lessons = records * 20 / 100;
    const qint64 others = records - quran - lessons;

    // One generator per kind, so that the Quran part of a catalogue does not change when the
    // share of the other kinds does.
    struct Part
    {
        QString prefix;
        qint64 count;
        quint64 seed;
        bool (*write)(FileWriter &, Random &, qint64);
    };
    const Part parts[] = {
        {u"quran"_s, quran, kSeed, writeQuran},
        {u"lessons"_s, lessons, kSeed + 1, writeLessons},
        {u"other"_s, others, kSeed + 2, writeOthers},
    };
    for (const Part &part : parts) {
        FileWriter out(folder, part.prefix, totals);
        Random random(part.seed);
        if (!part.write(out, random, part.count) || !out.flush())
            return fail(out.error());
    }
    if (result)
        *result = totals;
    return true;
}

QString preparedCatalogue(const QString &base, qint64 records, QString *error, CatalogueShape shape)
{
    // The blocks shape keeps the folder name of earlier runs, so kept catalogues are reused.
    const QString folder = shape == CatalogueShape::Blocks
                               ? base + QStringLiteral("/catalogue_%1").arg(records)
                               : base + QStringLiteral("/catalogue_real_%1").arg(records);
    const QString marker = folder + QStringLiteral(".ready");
    if (QFileInfo::exists(marker))
        return folder;
    QDir(folder).removeRecursively();
    if (!generateCatalogue(folder, records, nullptr, error, shape))
        return {};
    QFile(marker).open(QIODevice::WriteOnly);
    return folder;
}

std::optional<BenchCatalogue> benchCatalogue(const QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.addOption({u"data"_s, u"Keep generated catalogues in DIR."_s, u"DIR"_s});
    parser.addOption({u"runs"_s, u"Best of N runs."_s, u"N"_s, u"3"_s});
    parser.addOption({u"shape"_s, u"blocks, real or both (default)."_s, u"SHAPE"_s, u"both"_s});
    parser.addPositionalArgument(u"size"_s, u"Records (default 1000000)."_s);
    parser.process(app);
    BenchCatalogue out;
    out.records = parser.positionalArguments().value(0, u"1000000"_s).toLongLong();
    out.runs = std::max(1, parser.value(u"runs"_s).toInt());
    out.temporary = std::make_unique<QTemporaryDir>();
    out.base = parser.isSet(u"data"_s) ? parser.value(u"data"_s) : out.temporary->path();
    const QString shape = parser.value(u"shape"_s);
    QList<CatalogueShape> shapes;
    if (shape != u"real"_s)
        shapes.append(CatalogueShape::Blocks);
    if (shape != u"blocks"_s)
        shapes.append(CatalogueShape::RealShaped);
    for (const CatalogueShape s : shapes) {
        QString error;
        const QString folder = preparedCatalogue(out.base, out.records, &error, s);
        if (folder.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return std::nullopt;
        }
        out.catalogues.append({s, folder});
    }
    return out;
}

double readAndDecodeMs(const QString &folder, qint64 *lines)
{
    QElapsedTimer timer;
    timer.start();
    qint64 count = 0;
    for (const QString &name : ListFolderFiles(folder)) {
        if (name.isEmpty())
            continue;
        bool ok = false;
        count += readCodePageLines(folder + u'/' + name, &ok).size();
        if (!ok)
            return -1;
    }
    if (lines)
        *lines = count;
    return double(timer.nsecsElapsed()) / 1e6;
}

int measureEachShape(const BenchCatalogue &bench,
                     const std::function<int(const QString &folder)> &measure)
{
    for (const ShapedCatalogue &catalogue : bench.catalogues) {
        std::printf("\n== %s-shaped catalogue\n", qPrintable(shapeName(catalogue.shape)));
        if (const int rc = measure(catalogue.folder))
            return rc;
    }
    return 0;
}

double decodeWholeFilesMs(const QString &folder)
{
    const QStringList names = ListFolderFiles(folder);
    QElapsedTimer timer;
    timer.start();
    qint64 characters = 0;
    for (const QString &name : names) {
        if (name.isEmpty())
            continue;
        QFile file(folder + u'/' + name);
        if (!file.open(QIODevice::ReadOnly))
            return -1;
        const QByteArray bytes = file.readAll();
        QStringDecoder decoder("windows-1256");
        const QString text = decoder.decode(bytes);
        characters += text.size();
    }
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    // The text is used, so that no call above can be left out.
    return characters >= 0 ? ms : -1;
}

qint64 catalogueBytes(const QString &folder)
{
    qint64 total = 0;
    for (const QString &name : ListFolderFiles(folder))
        if (!name.isEmpty())
            total += QFileInfo(folder + u'/' + name).size();
    return total;
}
