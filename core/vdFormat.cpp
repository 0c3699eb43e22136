#include "core/vdFormat.h"
#include "platform/Exception.h"

#include <cmath>
#include <limits>

namespace {

// ----- decimal digits of a double -----

// value = 0.d1d2d3... * 10^exp; no trailing zeros; no digits means zero.
struct Decimal {
    bool neg = false;
    int exp = 0;
    QByteArray digits;
};

constexpr int kMaxDigits = 18;

// Rounds half away from zero to at most `precision` significant digits and, when
// decimals >= 0, to at most that many digits after the point. The rounding
// works on the value's 18 leading decimal digits, so 0.125 gives 0.13 and
// 2.675 (stored as 2.67499...) gives 2.67.
Decimal toDecimal(double v, int precision, int decimals)
{
    Decimal d;
    d.neg = std::signbit(v);
    v = std::fabs(v);
    if (v == 0 || !std::isfinite(v))
        return d;
    const QByteArray e = QByteArray::number(v, 'e', kMaxDigits - 1);  // "d.ddd...e+xx"
    const qsizetype ePos = e.indexOf('e');
    d.digits.reserve(kMaxDigits + 1);
    for (qsizetype i = 0; i < ePos; ++i)
        if (e[i] != '.')
            d.digits += e[i];
    d.exp = e.mid(ePos + 1).toInt() + 1;

    int keep = std::min(precision, kMaxDigits);
    if (decimals >= 0)
        keep = std::min(keep, d.exp + decimals);
    if (keep < 0) {
        d.digits.clear();
        return d;
    }
    if (keep < d.digits.size()) {
        const bool up = d.digits[keep] >= '5';
        d.digits.truncate(keep);
        if (up) {
            int i = keep - 1;
            while (i >= 0 && d.digits[i] == '9') {
                d.digits[i] = '0';
                --i;
            }
            if (i >= 0) {
                d.digits[i] = char(d.digits[i] + 1);
            } else {
                d.digits.prepend('1');
                d.digits.truncate(std::max(keep, 1));
                ++d.exp;
            }
        }
    }
    while (!d.digits.isEmpty() && d.digits.endsWith('0'))
        d.digits.chop(1);
    return d;
}

char digitAt(const Decimal &d, int pos) { return pos >= 0 && pos < d.digits.size() ? d.digits[pos] : '0'; }

// Integer part with optional grouping and `decimals` fraction digits; no sign.
QString fixedText(const Decimal &d, int decimals, bool thousands, const FormatSettings &fs)
{
    QString out;
    const int intLen = std::max(d.exp, 0);
    if (intLen == 0 || d.digits.isEmpty()) {
        out += u'0';
    } else {
        for (int i = 0; i < intLen; ++i) {
            out += QLatin1Char(digitAt(d, i));
            const int fromRight = intLen - 1 - i;
            if (thousands && fromRight > 0 && fromRight % 3 == 0 && !fs.ThousandSeparator.isNull())
                out += fs.ThousandSeparator;
        }
    }
    if (decimals > 0) {
        out += fs.DecimalSeparator;
        for (int i = 0; i < decimals; ++i)
            out += QLatin1Char(d.digits.isEmpty() ? '0' : digitAt(d, d.exp + i));
    }
    return out;
}

// General text with `precision` significant digits: fixed notation unless the
// exponent is too large or too small ("1.5", "1E20", "1.2E-5").
QString generalText(double v, int precision, const FormatSettings &fs)
{
    if (!std::isfinite(v))
        return std::isnan(v) ? QStringLiteral("NAN") : v < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    const Decimal d = toDecimal(v, std::clamp(precision, 1, kMaxDigits), -1);
    if (d.digits.isEmpty())
        return QStringLiteral("0");
    return GeneralFloatText(d.neg, QString::fromLatin1(d.digits), d.exp, precision, fs);
}

QString currencyText(const QString &number, bool negative, const FormatSettings &fs)
{
    const QString &c = fs.CurrencyString;
    if (!negative) {
        switch (fs.CurrencyFormat) {
        case 1: return number + c;
        case 2: return c + u' ' + number;
        case 3: return number + u' ' + c;
        default: return c + number;
        }
    }
    switch (fs.NegCurrFormat) {
    case 1: return u'-' + c + number;
    case 2: return c + u'-' + number;
    case 3: return c + number + u'-';
    case 4: return u'(' + number + c + u')';
    case 5: return u'-' + number + c;
    case 6: return number + u'-' + c;
    case 7: return number + c + u'-';
    case 8: return u'-' + number + u' ' + c;
    case 9: return u'-' + c + u' ' + number;
    case 10: return number + u' ' + c + u'-';
    case 11: return c + u' ' + number + u'-';
    case 12: return c + u' ' + u'-' + number;
    case 13: return number + u'-' + u' ' + c;
    case 14: return u'(' + c + u' ' + number + u')';
    case 15: return u'(' + number + u' ' + c + u')';
    default: return u'(' + c + number + u')';
    }
}

// ----- Format -----

// Widths and precisions above this are refused: a template must not be able
// to ask for gigabytes of padding.
constexpr int kMaxWidth = 65536;

[[noreturn]] void invalidFormat(const QString &fmt)
{
    throw EConvertError(QStringLiteral("Format '%1' invalid or incompatible with argument").arg(fmt));
}

[[noreturn]] void missingArgument(const QString &fmt)
{
    throw EConvertError(QStringLiteral("No argument for format '%1'").arg(fmt));
}

bool isIntegerArg(const Variant &v)
{
    switch (v.varType()) {
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord: case varInt64:
        return true;
    default:
        return false;
    }
}

bool isFloatArg(const Variant &v)
{
    switch (v.varType()) {
    case varSingle: case varDouble: case varCurrency: case varDate:
        return true;
    default:
        return false;
    }
}

QString padInt(QString digits, int precision)
{
    if (precision > digits.size())
        digits = QString(precision - digits.size(), u'0') + digits;
    return digits;
}

} // namespace

QString Format(const QString &fmt, const QList<Variant> &args, const FormatSettings &fs)
{
    QString out;
    out.reserve(fmt.size() + 16);
    const qsizetype n = fmt.size();
    qsizetype i = 0;
    qsizetype argIndex = 0;

    auto nextArg = [&]() -> const Variant & {
        if (argIndex >= args.size())
            missingArgument(fmt);
        return args[argIndex++];
    };
    // A number or "*"; -1 when absent.
    auto readNumber = [&]() -> qint64 {
        if (i < n && fmt[i] == u'*') {
            ++i;
            const Variant &a = nextArg();
            if (!isIntegerArg(a))
                invalidFormat(fmt);
            const qint64 v = a.toInt64();
            if (v < 0 || v > kMaxWidth)
                invalidFormat(fmt);
            return v;
        }
        if (i >= n || !fmt[i].isDigit() || fmt[i].unicode() > '9')
            return -1;
        qint64 v = 0;
        while (i < n && fmt[i].unicode() >= '0' && fmt[i].unicode() <= '9') {
            v = v * 10 + (fmt[i].unicode() - '0');
            if (v > kMaxWidth)
                invalidFormat(fmt);
            ++i;
        }
        return v;
    };

    while (i < n) {
        const qsizetype pct = fmt.indexOf(u'%', i);
        if (pct < 0) {
            out += QStringView(fmt).mid(i);
            break;
        }
        out += QStringView(fmt).mid(i, pct - i);
        i = pct + 1;
        if (i >= n)
            invalidFormat(fmt);
        if (fmt[i] == u'%') {
            out += u'%';
            ++i;
            continue;
        }
        qint64 num = readNumber();
        if (i < n && fmt[i] == u':') {
            if (num < 0)
                invalidFormat(fmt);
            argIndex = num;
            ++i;
            num = -1;
        }
        bool left = false;
        if (num < 0 && i < n && fmt[i] == u'-') {
            left = true;
            ++i;
        }
        const qint64 width = num >= 0 ? num : readNumber();
        qint64 prec = -1;
        if (i < n && fmt[i] == u'.') {
            ++i;
            prec = readNumber();
            if (prec < 0)
                prec = 0;
        }
        if (i >= n)
            invalidFormat(fmt);
        const QChar type = fmt[i].toLower();
        ++i;

        QString text;
        const Variant &a = nextArg();
        switch (type.unicode()) {
        case 'd':
        case 'u':
        case 'x': {
            if (!isIntegerArg(a))
                invalidFormat(fmt);
            const bool is64 = a.varType() == varInt64 || (a.varType() == varLongWord && a.rawInt() > 0x7FFFFFFF);
            const qint64 v = a.rawInt();
            const int p = int(prec);
            if (type == u'd') {
                text = padInt(QString::number(v < 0 ? -(quint64)v : (quint64)v), p);
                if (v < 0)
                    text.prepend(u'-');
            } else {
                const quint64 u = is64 ? quint64(v) : quint64(quint32(v));
                text = padInt(type == u'u' ? QString::number(u) : QString::number(u, 16).toUpper(), p);
            }
            break;
        }
        case 'e':
        case 'f':
        case 'g':
        case 'n':
        case 'm': {
            if (!isFloatArg(a))
                invalidFormat(fmt);
            const double v = a.toDouble();
            if (!std::isfinite(v)) {
                text = generalText(v, 15, fs);
                break;
            }
            if (type == u'e') {
                const int p = prec < 0 ? 15 : std::clamp(int(prec), 1, kMaxDigits);
                const Decimal d = toDecimal(v, p, -1);
                if (d.neg && !d.digits.isEmpty())
                    text += u'-';
                text += QLatin1Char(d.digits.isEmpty() ? '0' : d.digits[0]);
                if (p > 1) {
                    text += fs.DecimalSeparator;
                    for (int k = 1; k < p; ++k)
                        text += QLatin1Char(digitAt(d, k));
                }
                const int e = d.digits.isEmpty() ? 0 : d.exp - 1;
                text += e < 0 ? QLatin1String("E-") : QLatin1String("E+");
                text += padInt(QString::number(std::abs(e)), 3);
            } else if (type == u'g') {
                const int p = prec < 0 ? 15 : std::clamp(int(prec), 1, kMaxDigits);
                text = generalText(v, p, fs);
            } else {
                const int p = prec < 0 ? (type == u'm' ? fs.CurrencyDecimals : 2) : std::min(int(prec), kMaxDigits);
                const Decimal d = toDecimal(v, kMaxDigits, p);
                const bool negative = d.neg && !d.digits.isEmpty();
                if (d.exp > kMaxDigits) {
                    text = generalText(v, 15, fs);
                    break;
                }
                const QString num = fixedText(d, p, type != u'f', fs);
                if (type == u'm')
                    text = currencyText(num, negative, fs);
                else
                    text = negative ? u'-' + num : num;
            }
            break;
        }
        case 's': {
            if (!a.isString())
                invalidFormat(fmt);
            text = a.rawString();
            if (prec >= 0 && prec < text.size())
                text.truncate(prec);
            break;
        }
        default:
            // "p" needs a raw address, which no value here carries.
            invalidFormat(fmt);
        }
        if (width > text.size()) {
            const QString pad(width - text.size(), u' ');
            text = left ? text + pad : pad + text;
        }
        out += text;
    }
    return out;
}

// ----- FormatFloat -----

namespace {

struct FloatSection {
    QString text;
    int intPlaces = 0;     // "0" and "#" before the point
    int fracPlaces = 0;    // after the point
    int firstIntZero = -1; // index of the first "0" before the point
    int fracZeros = 0;     // fraction places up to the last "0"
    bool thousands = false;
    bool scientific = false;
};

QStringList splitSections(const QString &fmt)
{
    QStringList parts;
    QString cur;
    QChar quote;
    for (QChar c : fmt) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u';') {
            parts << cur;
            cur.clear();
            continue;
        }
        cur += c;
    }
    parts << cur;
    while (parts.size() > 3)
        parts.removeLast();
    return parts;
}

bool isExponentAt(const QString &s, qsizetype i)
{
    return (s[i] == u'E' || s[i] == u'e') && i + 1 < s.size() && (s[i + 1] == u'+' || s[i + 1] == u'-');
}

FloatSection analyse(const QString &text)
{
    FloatSection f;
    f.text = text;
    bool frac = false;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c == u'\'' || c == u'"') {
            const qsizetype k = text.indexOf(c, i + 1);
            i = k < 0 ? n : k;
        } else if (c == u'0' || c == u'#') {
            if (frac) {
                ++f.fracPlaces;
                if (c == u'0')
                    f.fracZeros = f.fracPlaces;
            } else {
                if (c == u'0' && f.firstIntZero < 0)
                    f.firstIntZero = f.intPlaces;
                ++f.intPlaces;
            }
        } else if (c == u'.') {
            frac = true;
        } else if (c == u',') {
            if (!frac)
                f.thousands = true;
        } else if (isExponentAt(text, i) && f.intPlaces + f.fracPlaces > 0) {
            f.scientific = true;
            break;
        }
    }
    return f;
}

QString formatSection(const FloatSection &f, const Decimal &d, bool sign, const FormatSettings &fs)
{
    const int minInt = f.firstIntZero < 0 ? 0 : f.intPlaces - f.firstIntZero;
    QString intStr;
    QString fracStr;
    int expValue = 0;
    if (f.scientific) {
        for (int k = 0; k < f.intPlaces; ++k)
            intStr += QLatin1Char(digitAt(d, k));
        while (intStr.size() > minInt && intStr.startsWith(u'0'))
            intStr.remove(0, 1);
        for (int k = 0; k < f.fracPlaces; ++k)
            fracStr += QLatin1Char(digitAt(d, f.intPlaces + k));
        expValue = d.digits.isEmpty() ? 0 : d.exp - f.intPlaces;
    } else {
        for (int k = 0; k < d.exp && !d.digits.isEmpty(); ++k)
            intStr += QLatin1Char(digitAt(d, k));
        for (int k = 0; k < f.fracPlaces; ++k)
            fracStr += QLatin1Char(d.digits.isEmpty() ? '0' : digitAt(d, d.exp + k));
    }
    if (intStr.size() < minInt)
        intStr = QString(minInt - intStr.size(), u'0') + intStr;
    while (fracStr.size() > f.fracZeros && fracStr.endsWith(u'0'))
        fracStr.chop(1);

    QString out;
    if (sign)
        out += u'-';
    const int L = int(intStr.size());
    const int P = f.intPlaces;
    auto emitDigit = [&](int fromRight) {
        out += intStr[L - 1 - fromRight];
        if (f.thousands && fromRight > 0 && fromRight % 3 == 0)
            out += fs.ThousandSeparator;
    };
    auto emitAllInt = [&]() {
        for (int r = L - 1; r >= 0; --r)
            emitDigit(r);
    };
    int intIdx = 0, fracIdx = 0;
    bool frac = false, pointDone = false;
    const QString &s = f.text;
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = s[i];
        if (c == u'\'' || c == u'"') {
            qsizetype k = s.indexOf(c, i + 1);
            if (k < 0)
                k = n;
            out += QStringView(s).mid(i + 1, k - i - 1);
            i = k;
        } else if (c == u'0' || c == u'#') {
            if (frac) {
                if (fracIdx < fracStr.size())
                    out += fracStr[fracIdx];
                ++fracIdx;
            } else {
                const int r = P - 1 - intIdx;
                if (intIdx == 0) {
                    for (int rr = L - 1; rr >= r; --rr)
                        if (rr >= 0)
                            emitDigit(rr);
                } else if (r < L) {
                    emitDigit(r);
                }
                ++intIdx;
            }
        } else if (c == u'.') {
            if (!pointDone) {
                if (P == 0)
                    emitAllInt();
                if (!fracStr.isEmpty())
                    out += fs.DecimalSeparator;
                pointDone = true;
            }
            frac = true;
        } else if (c == u',') {
            // grouping is applied to the digits
        } else if (f.scientific && isExponentAt(s, i)) {
            out += c;
            const bool always = s[i + 1] == u'+';
            if (expValue < 0)
                out += u'-';
            else if (always)
                out += u'+';
            i += 2;
            int zeros = 0;
            while (i < n && s[i] == u'0') {
                ++zeros;
                ++i;
            }
            --i;
            out += padInt(QString::number(std::abs(expValue)), std::min(zeros, 4));
            frac = true;  // placeholders after the exponent are literals' neighbours only
            fracIdx = int(fracStr.size());
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

QString FormatFloat(const QString &fmt, double value, const FormatSettings &fs)
{
    if (fmt.isEmpty() || !std::isfinite(value))
        return generalText(value, 15, fs);
    const QStringList sections = splitSections(fmt);
    int sec = 0;
    if (value < 0 && sections.size() >= 2 && !sections[1].isEmpty())
        sec = 1;
    auto digitsFor = [&](const FloatSection &f) {
        if (f.scientific)
            return toDecimal(value, std::clamp(f.intPlaces + f.fracPlaces, 1, kMaxDigits), -1);
        return toDecimal(value, 15, f.fracPlaces);
    };
    FloatSection f = analyse(sections[sec]);
    Decimal d = digitsFor(f);
    if (!f.scientific && d.exp > kMaxDigits)
        return generalText(value, 15, fs);
    if (d.digits.isEmpty() && sections.size() >= 3 && !sections[2].isEmpty()) {
        sec = 2;
        f = analyse(sections[2]);
        d = digitsFor(f);
    }
    const bool sign = sec == 0 && value < 0 && !d.digits.isEmpty();
    return formatSection(f, d, sign, fs);
}

// ----- FormatDateTime -----

namespace {

// Date values from 0001-01-01 to 9999-12-31.
constexpr double kMinDate = -693593.0;
constexpr double kMaxDate = 2958466.0;

QString pad(int v, int width) { return QString::number(v).rightJustified(width, u'0'); }

// The am/pm marker keeps the case the picture writes it in.
QString markerCase(const QString &marker, QStringView picture)
{
    bool upper = true;
    for (QChar c : picture)
        if (c.isLetter() && c.isLower())
            upper = false;
    return upper ? marker.toUpper() : marker.toLower();
}

bool hasAmPm(const QString &p)
{
    const QString u = p.toUpper();
    return u.contains(QLatin1String("AMPM")) || u.contains(QLatin1String("AM/PM")) || u.contains(QLatin1String("A/P"));
}

void formatInto(QString &out, const QString &pattern, double value, const FormatSettings &fs, int depth)
{
    if (depth > 3)
        return;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, sec = 0, msec = 0;
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, minute, sec, msec);
    const bool twelve = hasAmPm(pattern);
    bool lastWasHour = false;
    const qsizetype n = pattern.size();
    qsizetype i = 0;
    auto run = [&](QChar c) {
        qsizetype k = i;
        while (k < n && pattern[k].toLower() == c.toLower())
            ++k;
        const int count = int(k - i);
        i = k;
        return count;
    };
    while (i < n) {
        const QChar c = pattern[i];
        const QChar lc = c.toLower();
        if (c == u'\'' || c == u'"') {
            qsizetype k = pattern.indexOf(c, i + 1);
            if (k < 0)
                k = n;
            out += QStringView(pattern).mid(i + 1, k - i - 1);
            i = k + 1;
            continue;
        }
        if (lc == u'a') {
            const QStringView rest = QStringView(pattern).mid(i);
            if (rest.startsWith(QLatin1String("AMPM"), Qt::CaseInsensitive)) {
                out += hour < 12 ? fs.TimeAMString : fs.TimePMString;
                i += 4;
            } else if (rest.startsWith(QLatin1String("AM/PM"), Qt::CaseInsensitive)) {
                out += markerCase(QLatin1String(hour < 12 ? "am" : "pm"), rest.left(hour < 12 ? 2 : 5).right(2));
                i += 5;
            } else if (rest.startsWith(QLatin1String("A/P"), Qt::CaseInsensitive)) {
                out += markerCase(QLatin1String(hour < 12 ? "a" : "p"), rest.mid(hour < 12 ? 0 : 2, 1));
                i += 3;
            } else {
                out += c;
                ++i;
            }
            lastWasHour = false;
            continue;
        }
        if (lc == u'd') {
            switch (run(c)) {
            case 1: out += QString::number(day); break;
            case 2: out += pad(day, 2); break;
            case 3: out += fs.ShortDayNames[DayOfWeek(value) - 1]; break;
            case 4: out += fs.LongDayNames[DayOfWeek(value) - 1]; break;
            case 5: formatInto(out, fs.ShortDateFormat, value, fs, depth + 1); break;
            default: formatInto(out, fs.LongDateFormat, value, fs, depth + 1); break;
            }
            lastWasHour = false;
        } else if (lc == u'm') {
            const int cnt = run(c);
            if (lastWasHour && cnt <= 2) {
                out += cnt == 1 ? QString::number(minute) : pad(minute, 2);
            } else {
                switch (cnt) {
                case 1: out += QString::number(month); break;
                case 2: out += pad(month, 2); break;
                case 3: out += fs.ShortMonthNames[month - 1]; break;
                default: out += fs.LongMonthNames[month - 1]; break;
                }
            }
            lastWasHour = false;
        } else if (lc == u'y') {
            out += run(c) <= 2 ? pad(year % 100, 2) : pad(year, 4);
            lastWasHour = false;
        } else if (lc == u'h') {
            const int cnt = run(c);
            int h = hour;
            if (twelve) {
                h = hour % 12;
                if (h == 0)
                    h = 12;
            }
            out += cnt == 1 ? QString::number(h) : pad(h, 2);
            lastWasHour = true;
        } else if (lc == u'n') {
            out += run(c) == 1 ? QString::number(minute) : pad(minute, 2);
            lastWasHour = false;
        } else if (lc == u's') {
            out += run(c) == 1 ? QString::number(sec) : pad(sec, 2);
            lastWasHour = false;
        } else if (lc == u'z') {
            out += run(c) < 3 ? QString::number(msec) : pad(msec, 3);
            lastWasHour = false;
        } else if (lc == u't') {
            formatInto(out, run(c) == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, value, fs, depth + 1);
            lastWasHour = false;
        } else if (lc == u'c') {
            run(c);
            formatInto(out, fs.ShortDateFormat, value, fs, depth + 1);
            if (hour || minute || sec || msec) {
                out += u' ';
                formatInto(out, fs.LongTimeFormat, value, fs, depth + 1);
            }
            lastWasHour = false;
        } else if (c == u'/') {
            out += fs.DateSeparator;
            ++i;
        } else if (c == u':') {
            out += fs.TimeSeparator;
            ++i;
        } else {
            out += c;
            ++i;
        }
    }
}

} // namespace

QString FormatDateTime(const QString &fmt, double dateTime, const FormatSettings &fs)
{
    if (!std::isfinite(dateTime) || dateTime <= kMinDate - 1 || dateTime >= kMaxDate)
        throw EConvertError(QStringLiteral("Date value %1 is out of range").arg(generalText(dateTime, 15, fs)));
    QString out;
    formatInto(out, fmt.isEmpty() ? QStringLiteral("c") : fmt, dateTime, fs, 0);
    return out;
}

// ----- FormatMaskText -----

QString FormatMaskText(const QString &editMask, const QString &value)
{
    // Fields are separated by ";" that is not quoted with "\".
    QStringList fields;
    QString cur;
    for (qsizetype i = 0; i < editMask.size(); ++i) {
        const QChar c = editMask[i];
        if (c == u'\\' && i + 1 < editMask.size()) {
            cur += c;
            cur += editMask[++i];
        } else if (c == u';') {
            fields << cur;
            cur.clear();
        } else {
            cur += c;
        }
    }
    fields << cur;
    const QString mask = fields.value(0);
    const bool saveLiterals = fields.size() < 2 || fields[1] != QLatin1String("0");
    const FormatSettings &fs = DefaultFormatSettings();

    enum { None, Upper, Lower } caseMode = None;
    QString out;
    qsizetype vp = 0;
    auto literal = [&](QChar c) {
        if (saveLiterals && vp < value.size() && value[vp] == c)
            ++vp;
        out += c;
    };
    for (qsizetype i = 0; i < mask.size(); ++i) {
        const QChar c = mask[i];
        switch (c.unicode()) {
        case '\\':
            if (i + 1 < mask.size())
                literal(mask[++i]);
            break;
        case '>':
            if (i + 1 < mask.size() && mask[i + 1] == u'<') {
                caseMode = None;
                ++i;
            } else {
                caseMode = Upper;
            }
            break;
        case '<':
            caseMode = Lower;
            break;
        case '!':
            break;
        case 'L': case 'l': case 'A': case 'a': case 'C': case 'c': case '0': case '9': case '#': {
            QChar v = vp < value.size() ? value[vp++] : QChar(u' ');
            if (caseMode == Upper)
                v = v.toUpper();
            else if (caseMode == Lower)
                v = v.toLower();
            out += v;
            break;
        }
        case ':':
            literal(fs.TimeSeparator);
            break;
        case '/':
            literal(fs.DateSeparator);
            break;
        case '_':
            literal(u' ');
            break;
        default:
            literal(c);
        }
    }
    return out;
}

QString NameCase(const QString &s)
{
    QString r = s.toLower();
    for (qsizetype i = 0; i < r.size(); ++i)
        if (i == 0 || r[i - 1] == u' ')
            r[i] = r[i].toUpper();
    return r;
}
