// The number, date and currency format record, and the basic text conversions
// built on it (float and integer texts, date and time texts).
#pragma once
#include <QChar>
#include <QString>
#include <array>

// One format record drives every conversion between numbers or dates and text.
struct FormatSettings {
    QChar DecimalSeparator = u'.';
    QChar ThousandSeparator = u',';
    QChar DateSeparator = u'/';
    QChar TimeSeparator = u':';
    QChar ListSeparator = u',';
    QString CurrencyString = QStringLiteral("$");
    quint8 CurrencyFormat = 0;   // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
    quint8 NegCurrFormat = 0;    // 0 "($1)" ... as the platform numbers them
    quint8 CurrencyDecimals = 2;
    QString ShortDateFormat = QStringLiteral("dd/mm/yyyy");
    QString LongDateFormat = QStringLiteral("dddd, d mmmm yyyy");
    QString ShortTimeFormat = QStringLiteral("hh:nn");
    QString LongTimeFormat = QStringLiteral("hh:nn:ss");
    QString TimeAMString = QStringLiteral("AM");
    QString TimePMString = QStringLiteral("PM");
    std::array<QString, 12> ShortMonthNames;
    std::array<QString, 12> LongMonthNames;
    std::array<QString, 7> ShortDayNames;   // Sunday first
    std::array<QString, 7> LongDayNames;    // Sunday first
    int TwoDigitYearCenturyWindow = 50;

    FormatSettings();

    // "." decimal, no thousands, "dd.mm.yyyy" dates and "hh:nn:ss" times: for stored files.
    static FormatSettings invariant();
};

// The process-wide record that conversions use when none is given.
FormatSettings &DefaultFormatSettings();

// Replaces the process-wide record for a scope (tests fix the settings with it).
class ScopedFormatSettings {
public:
    explicit ScopedFormatSettings(const FormatSettings &settings);
    ~ScopedFormatSettings();
    ScopedFormatSettings(const ScopedFormatSettings &) = delete;
    ScopedFormatSettings &operator=(const ScopedFormatSettings &) = delete;

private:
    FormatSettings m_saved;
};

// Shortest general text with 15 significant digits ("1.5", "1E20", "1.23456789012346E-5").
QString FloatToStr(double value, const FormatSettings &fs = DefaultFormatSettings());
// The same with another precision (7 for single-precision values).
QString FloatToStrPrec(double value, int precision, const FormatSettings &fs = DefaultFormatSettings());
// Lays out significant digits as general text: value = 0.digits * 10^exponent;
// fixed notation unless the exponent passes precision or lies below -3.
QString GeneralFloatText(bool negative, QStringView digits, int exponent, int precision, const FormatSettings &fs);
// A currency value (scaled by 10000) as text with up to four decimals.
QString CurrToStr(qint64 scaled, const FormatSettings &fs = DefaultFormatSettings());

// Float text: blanks around, sign, digits with the settings' decimal separator, exponent.
bool TryStrToFloat(const QString &text, double &value, const FormatSettings &fs = DefaultFormatSettings());
double StrToFloat(const QString &text, const FormatSettings &fs = DefaultFormatSettings());
// Integer text: decimal or hexadecimal ("$FF", "0xFF"), optional sign, blanks around.
bool TryStrToInt(const QString &text, int &value);
bool TryStrToInt64(const QString &text, qint64 &value);
int StrToInt(const QString &text);
qint64 StrToInt64(const QString &text);

// Dates are days since 1899-12-30; the fraction is the time of day.
bool IsLeapYear(int year);
int DaysInAMonth(int year, int month);
bool TryEncodeDate(int year, int month, int day, double &date);
double EncodeDate(int year, int month, int day);
bool TryEncodeTime(int hour, int min, int sec, int msec, double &time);
double EncodeTime(int hour, int min, int sec, int msec);
void DecodeDate(double date, int &year, int &month, int &day);
void DecodeTime(double date, int &hour, int &min, int &sec, int &msec);
int DayOfWeek(double date);  // 1 = Sunday

QString DateToStr(double date, const FormatSettings &fs = DefaultFormatSettings());
QString TimeToStr(double date, const FormatSettings &fs = DefaultFormatSettings());
// Date, then the long time when the time of day is not midnight.
QString DateTimeToStr(double date, const FormatSettings &fs = DefaultFormatSettings());

bool TryStrToDate(const QString &text, double &date, const FormatSettings &fs = DefaultFormatSettings());
bool TryStrToTime(const QString &text, double &time, const FormatSettings &fs = DefaultFormatSettings());
bool TryStrToDateTime(const QString &text, double &date, const FormatSettings &fs = DefaultFormatSettings());
double StrToDate(const QString &text, const FormatSettings &fs = DefaultFormatSettings());
double StrToTime(const QString &text, const FormatSettings &fs = DefaultFormatSettings());
double StrToDateTime(const QString &text, const FormatSettings &fs = DefaultFormatSettings());
