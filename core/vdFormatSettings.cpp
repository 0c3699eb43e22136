#include "core/vdFormatSettings.h"
#include "platform/Exception.h"
#include "core/vdFormat.h"

#include <QDate>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

constexpr qint64 kMSecsPerDay = 86400000;
// Julian day number of 1899-12-30, day 0 of the date values.
constexpr qint64 kDateDelta = 2415019;

FormatSettings &processSettings()
{
    static FormatSettings settings;
    return settings;
}

bool isBlank(QChar c) { return c.unicode() <= 32; }

QString trimmedBlanks(const QString &s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

// Splits a date value into whole days and milliseconds of the day, carrying a
// time that rounds up to 24:00 into the next day.
void splitDateTime(double value, qint64 &days, qint64 &msec)
{
    double whole = std::trunc(value);
    days = static_cast<qint64>(whole);
    msec = static_cast<qint64>(std::nearbyint(std::fabs(value - whole) * kMSecsPerDay));
    if (msec >= kMSecsPerDay) {
        msec -= kMSecsPerDay;
        days += value < 0 ? -1 : 1;
    }
}

// Date values from 0001-01-01 to 9999-12-31.
constexpr double kMinDate = -693593.0;
constexpr double kMaxDate = 2958466.0;

bool dateInRange(double v) { return std::isfinite(v) && v > kMinDate - 1 && v < kMaxDate; }

QString formatDateTimePattern(const QString &pattern, double value, const FormatSettings &fs)
{
    return FormatDateTime(pattern, value, fs);
}

// ----- reading dates and times -----

struct Scanner {
    const QString &s;
    qsizetype pos = 0;

    void skipBlanks()
    {
        while (pos < s.size() && isBlank(s[pos]))
            ++pos;
    }
    bool atEnd()
    {
        skipBlanks();
        return pos >= s.size();
    }
    bool number(int &value, int &digits)
    {
        skipBlanks();
        value = 0;
        digits = 0;
        while (pos < s.size() && s[pos] >= u'0' && s[pos] <= u'9') {
            if (digits < 9)
                value = value * 10 + (s[pos].unicode() - '0');
            else
                value = std::numeric_limits<int>::max();
            ++digits;
            ++pos;
        }
        return digits > 0;
    }
    bool ch(QChar c)
    {
        skipBlanks();
        if (pos < s.size() && s[pos] == c) {
            ++pos;
            return true;
        }
        return false;
    }
    bool word(const QString &w)
    {
        skipBlanks();
        if (!w.isEmpty() && s.mid(pos, w.size()).compare(w, Qt::CaseInsensitive) == 0) {
            pos += w.size();
            return true;
        }
        return false;
    }
};

enum class DateOrder { MDY, DMY, YMD };

DateOrder dateOrder(const QString &fmt)
{
    for (QChar c : fmt) {
        QChar l = c.toLower();
        if (l == u'y')
            return DateOrder::YMD;
        if (l == u'm')
            return DateOrder::MDY;
        if (l == u'd')
            return DateOrder::DMY;
    }
    return DateOrder::MDY;
}

bool scanDate(Scanner &sc, double &date, const FormatSettings &fs)
{
    int n1, n2, n3 = 0, d1, d2, d3 = 0;
    if (!sc.number(n1, d1) || !sc.ch(fs.DateSeparator) || !sc.number(n2, d2))
        return false;
    const qsizetype save = sc.pos;
    bool three = false;
    if (sc.ch(fs.DateSeparator)) {
        if (sc.number(n3, d3))
            three = true;
        else
            sc.pos = save;
    }
    const int currentYear = QDate::currentDate().year();
    int y, m, d, yDigits = 4;
    DateOrder order = dateOrder(fs.ShortDateFormat);
    if (!three) {
        y = currentYear;
        if (order == DateOrder::DMY) {
            d = n1;
            m = n2;
        } else {
            m = n1;
            d = n2;
        }
    } else {
        switch (order) {
        case DateOrder::MDY: m = n1; d = n2; y = n3; yDigits = d3; break;
        case DateOrder::DMY: d = n1; m = n2; y = n3; yDigits = d3; break;
        default: y = n1; m = n2; d = n3; yDigits = d1; break;
        }
        if (y <= 99 && yDigits <= 2) {
            const int centuryBase = currentYear - fs.TwoDigitYearCenturyWindow;
            y += centuryBase / 100 * 100;
            if (fs.TwoDigitYearCenturyWindow > 0 && y < centuryBase)
                y += 100;
        }
    }
    return TryEncodeDate(y, m, d, date);
}

bool scanTime(Scanner &sc, double &time, const FormatSettings &fs)
{
    int amPm = 0;  // 1 am, 2 pm
    auto scanAmPm = [&]() {
        if (sc.word(fs.TimeAMString) || sc.word(QStringLiteral("AM")))
            amPm = 1;
        else if (sc.word(fs.TimePMString) || sc.word(QStringLiteral("PM")))
            amPm = 2;
    };
    scanAmPm();
    int h, mi = 0, s = 0, ms = 0, dg;
    if (!sc.number(h, dg))
        return false;
    bool haveMinutes = false;
    if (sc.ch(fs.TimeSeparator)) {
        if (!sc.number(mi, dg))
            return false;
        haveMinutes = true;
        if (sc.ch(fs.TimeSeparator)) {
            if (!sc.number(s, dg))
                return false;
            if (sc.ch(fs.DecimalSeparator) || sc.ch(u'.')) {
                if (!sc.number(ms, dg))
                    return false;
            }
        }
    }
    if (amPm == 0)
        scanAmPm();
    if (!haveMinutes && amPm == 0)
        return false;
    if (amPm) {
        if (h > 12)
            return false;
        if (amPm == 1 && h == 12)
            h = 0;
        else if (amPm == 2 && h < 12)
            h += 12;
    }
    return TryEncodeTime(h, mi, s, ms, time);
}

} // namespace

// ----- the record -----

FormatSettings::FormatSettings()
{
    static const char *const shortMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    static const char *const longMonths[12] = {"January", "February", "March", "April", "May", "June",
                                               "July", "August", "September", "October", "November", "December"};
    static const char *const shortDays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char *const longDays[7] = {"Sunday", "Monday", "Tuesday", "Wednesday",
                                            "Thursday", "Friday", "Saturday"};
    for (int i = 0; i < 12; ++i) {
        ShortMonthNames[i] = QLatin1String(shortMonths[i]);
        LongMonthNames[i] = QLatin1String(longMonths[i]);
    }
    for (int i = 0; i < 7; ++i) {
        ShortDayNames[i] = QLatin1String(shortDays[i]);
        LongDayNames[i] = QLatin1String(longDays[i]);
    }
}

FormatSettings FormatSettings::invariant()
{
    FormatSettings fs;
    fs.DecimalSeparator = u'.';
    fs.ThousandSeparator = u',';
    fs.DateSeparator = u'.';
    fs.TimeSeparator = u':';
    fs.ShortDateFormat = QStringLiteral("dd.mm.yyyy");
    fs.LongDateFormat = QStringLiteral("dd.mm.yyyy");
    fs.ShortTimeFormat = QStringLiteral("hh:nn");
    fs.LongTimeFormat = QStringLiteral("hh:nn:ss");
    return fs;
}

FormatSettings &DefaultFormatSettings() { return processSettings(); }

ScopedFormatSettings::ScopedFormatSettings(const FormatSettings &settings) : m_saved(processSettings())
{
    processSettings() = settings;
}

ScopedFormatSettings::~ScopedFormatSettings() { processSettings() = m_saved; }

// ----- numbers -----

QString FloatToStrPrec(double value, int precision, const FormatSettings &fs)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    if (value == 0)
        return QStringLiteral("0");
    if (precision < 1)
        precision = 1;
    if (precision > 18)
        precision = 18;
    // to_chars ignores the C locale, which a German process would otherwise
    // put into the mantissa ("1,5e+00").
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf - 1, std::fabs(value),
                                   std::chars_format::scientific, precision - 1);
    *res.ptr = '\0';
    // buf = d.ddddde[+-]XX
    QString digits;
    const char *p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p != '.')
            digits += QLatin1Char(*p);
    const int exp10 = *p ? std::atoi(p + 1) : 0;
    while (digits.size() > 1 && digits.endsWith(u'0'))
        digits.chop(1);
    return GeneralFloatText(value < 0, digits, exp10 + 1, precision, fs);
}

QString GeneralFloatText(bool negative, QStringView digits, int e, int precision, const FormatSettings &fs)
{
    QString out;
    if (negative)
        out += u'-';
    if (e > precision || e < -3) {
        out += digits[0];
        if (digits.size() > 1) {
            out += fs.DecimalSeparator;
            out += QStringView(digits).mid(1);
        }
        out += u'E';
        if (e - 1 < 0)
            out += u'-';
        out += QString::number(std::abs(e - 1));
    } else if (e <= 0) {
        out += u'0';
        out += fs.DecimalSeparator;
        out += QString(-e, u'0');
        out += digits;
    } else if (digits.size() <= e) {
        out += digits;
        out += QString(e - digits.size(), u'0');
    } else {
        out += QStringView(digits).left(e);
        out += fs.DecimalSeparator;
        out += QStringView(digits).mid(e);
    }
    return out;
}

QString FloatToStr(double value, const FormatSettings &fs) { return FloatToStrPrec(value, 15, fs); }

QString CurrToStr(qint64 scaled, const FormatSettings &fs)
{
    const bool neg = scaled < 0;
    const quint64 mag = neg ? quint64(0) - quint64(scaled) : quint64(scaled);
    QString out = neg ? QStringLiteral("-") : QString();
    out += QString::number(mag / 10000);
    quint64 frac = mag % 10000;
    if (frac) {
        QString f = QString::number(frac).rightJustified(4, u'0');
        while (f.endsWith(u'0'))
            f.chop(1);
        out += fs.DecimalSeparator;
        out += f;
    }
    return out;
}

bool TryStrToFloat(const QString &text, double &value, const FormatSettings &fs)
{
    const QString s = trimmedBlanks(text);
    QByteArray c;
    c.reserve(s.size());
    qsizetype i = 0;
    const qsizetype n = s.size();
    if (i < n && (s[i] == u'+' || s[i] == u'-'))
        c += char(s[i++].unicode());
    int mantDigits = 0;
    while (i < n && s[i] >= u'0' && s[i] <= u'9') {
        c += char(s[i++].unicode());
        ++mantDigits;
    }
    if (i < n && s[i] == fs.DecimalSeparator) {
        c += '.';
        ++i;
        while (i < n && s[i] >= u'0' && s[i] <= u'9') {
            c += char(s[i++].unicode());
            ++mantDigits;
        }
    }
    if (mantDigits == 0)
        return false;
    if (i < n && (s[i] == u'e' || s[i] == u'E')) {
        c += 'e';
        ++i;
        if (i < n && (s[i] == u'+' || s[i] == u'-'))
            c += char(s[i++].unicode());
        int expDigits = 0;
        while (i < n && s[i] >= u'0' && s[i] <= u'9') {
            c += char(s[i++].unicode());
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
    }
    if (i != n)
        return false;
    // from_chars reads "." whatever the C locale says; it takes no leading '+'.
    const char *first = c.constData();
    const char *last = first + c.size();
    if (first != last && *first == '+')
        ++first;
    double v = 0;
    const std::errc ec = std::from_chars(first, last, v).ec;
    if (ec == std::errc::result_out_of_range && c.contains("e-"))
        v = 0;  // underflow reads as zero, as the C library did
    else if (ec != std::errc())
        return false;
    if (std::isinf(v))
        return false;
    value = v;
    return true;
}

double StrToFloat(const QString &text, const FormatSettings &fs)
{
    double v = 0;
    if (!TryStrToFloat(text, v, fs))
        throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return v;
}

namespace {
bool parseInteger(const QString &text, quint64 &mag, bool &neg, bool &hex)
{
    const QString s = trimmedBlanks(text);
    qsizetype i = 0;
    const qsizetype n = s.size();
    neg = false;
    hex = false;
    if (i < n && (s[i] == u'+' || s[i] == u'-'))
        neg = s[i++] == u'-';
    if (i < n && s[i] == u'$') {
        hex = true;
        ++i;
    } else if (i + 1 < n && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
        hex = true;
        i += 2;
    }
    if (i >= n)
        return false;
    mag = 0;
    for (; i < n; ++i) {
        const char16_t c = s[i].unicode();
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        const quint64 base = hex ? 16 : 10;
        if (mag > (std::numeric_limits<quint64>::max() - quint64(d)) / base)
            return false;
        mag = mag * base + quint64(d);
    }
    return true;
}
} // namespace

bool TryStrToInt64(const QString &text, qint64 &value)
{
    quint64 mag;
    bool neg, hex;
    if (!parseInteger(text, mag, neg, hex))
        return false;
    if (hex) {
        qint64 v = qint64(mag);
        value = neg ? qint64(0 - mag) : v;
        return true;
    }
    if (neg) {
        if (mag > quint64(std::numeric_limits<qint64>::max()) + 1)
            return false;
        value = qint64(0 - mag);
    } else {
        if (mag > quint64(std::numeric_limits<qint64>::max()))
            return false;
        value = qint64(mag);
    }
    return true;
}

bool TryStrToInt(const QString &text, int &value)
{
    quint64 mag;
    bool neg, hex;
    if (!parseInteger(text, mag, neg, hex))
        return false;
    if (hex) {
        if (mag > 0xFFFFFFFFull)
            return false;
        const qint32 v = qint32(quint32(mag));
        value = neg ? qint32(0u - quint32(mag)) : v;
        return true;
    }
    if (neg ? mag > 2147483648ull : mag > 2147483647ull)
        return false;
    value = neg ? int(qint64(0) - qint64(mag)) : int(mag);
    return true;
}

int StrToInt(const QString &text)
{
    int v = 0;
    if (!TryStrToInt(text, v))
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return v;
}

qint64 StrToInt64(const QString &text)
{
    qint64 v = 0;
    if (!TryStrToInt64(text, v))
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return v;
}

// ----- dates -----

bool IsLeapYear(int year) { return (year % 4 == 0) && (year % 100 != 0 || year % 400 == 0); }

int DaysInAMonth(int year, int month)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return days[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

bool TryEncodeDate(int year, int month, int day, double &date)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInAMonth(year, month))
        return false;
    date = double(QDate(year, month, day).toJulianDay() - kDateDelta);
    return true;
}

double EncodeDate(int year, int month, int day)
{
    double d = 0;
    if (!TryEncodeDate(year, month, day, d))
        throw EConvertError(QStringLiteral("Invalid argument to date encode"));
    return d;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, double &time)
{
    if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 || msec > 999)
        return false;
    time = double(((hour * 60 + min) * 60 + sec) * 1000 + msec) / double(kMSecsPerDay);
    return true;
}

double EncodeTime(int hour, int min, int sec, int msec)
{
    double t = 0;
    if (!TryEncodeTime(hour, min, sec, msec, t))
        throw EConvertError(QStringLiteral("Invalid argument to time encode"));
    return t;
}

void DecodeDate(double date, int &year, int &month, int &day)
{
    qint64 days, msec;
    if (!dateInRange(date)) {
        year = month = day = 0;
        return;
    }
    splitDateTime(date, days, msec);
    QDate d = QDate::fromJulianDay(days + kDateDelta);
    d.getDate(&year, &month, &day);
}

void DecodeTime(double date, int &hour, int &min, int &sec, int &msec)
{
    qint64 days, ms;
    if (!dateInRange(date)) {
        hour = min = sec = msec = 0;
        return;
    }
    splitDateTime(date, days, ms);
    hour = int(ms / 3600000);
    min = int(ms / 60000 % 60);
    sec = int(ms / 1000 % 60);
    msec = int(ms % 1000);
}

int DayOfWeek(double date)
{
    qint64 days, ms;
    if (!dateInRange(date))
        return 0;
    splitDateTime(date, days, ms);
    // Day 0 (1899-12-30) was a Saturday.
    qint64 w = (days + 6) % 7;
    if (w < 0)
        w += 7;
    return int(w) + 1;
}

QString DateToStr(double date, const FormatSettings &fs)
{
    return formatDateTimePattern(fs.ShortDateFormat, date, fs);
}

QString TimeToStr(double date, const FormatSettings &fs)
{
    return formatDateTimePattern(fs.LongTimeFormat, date, fs);
}

QString DateTimeToStr(double date, const FormatSettings &fs)
{
    return formatDateTimePattern(QStringLiteral("c"), date, fs);
}

bool TryStrToDate(const QString &text, double &date, const FormatSettings &fs)
{
    Scanner sc{text};
    double d;
    if (!scanDate(sc, d, fs) || !sc.atEnd())
        return false;
    date = d;
    return true;
}

bool TryStrToTime(const QString &text, double &time, const FormatSettings &fs)
{
    Scanner sc{text};
    double t;
    if (!scanTime(sc, t, fs) || !sc.atEnd())
        return false;
    time = t;
    return true;
}

bool TryStrToDateTime(const QString &text, double &date, const FormatSettings &fs)
{
    Scanner sc{text};
    double d = 0, t = 0;
    const qsizetype start = sc.pos;
    if (scanDate(sc, d, fs)) {
        if (!sc.atEnd() && !scanTime(sc, t, fs))
            return false;
    } else {
        sc.pos = start;
        if (!scanTime(sc, t, fs))
            return false;
    }
    if (!sc.atEnd())
        return false;
    date = d < 0 ? d - t : d + t;
    return true;
}

double StrToDate(const QString &text, const FormatSettings &fs)
{
    double d = 0;
    if (!TryStrToDate(text, d, fs))
        throw EConvertError(QStringLiteral("'%1' is not a valid date").arg(text));
    return d;
}

double StrToTime(const QString &text, const FormatSettings &fs)
{
    double t = 0;
    if (!TryStrToTime(text, t, fs))
        throw EConvertError(QStringLiteral("'%1' is not a valid time").arg(text));
    return t;
}

double StrToDateTime(const QString &text, const FormatSettings &fs)
{
    double d = 0;
    if (!TryStrToDateTime(text, d, fs))
        throw EConvertError(QStringLiteral("'%1' is not a valid date and time").arg(text));
    return d;
}
