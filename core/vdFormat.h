// Text formatting of numbers, dates and argument lists: Format, FormatFloat,
// FormatDateTime and FormatMaskText. Everything is driven by a FormatSettings
// record; nothing depends on the C library's locale.
#pragma once
#include "core/vdFormatSettings.h"
#include "core/vdVariant.h"

#include <QList>
#include <QString>

// "%" [index ":"] ["-"] [width] ["." precision] type, with the types d, u, e,
// f, g, n, m, p, s, x and "%%". Index, width and precision may be "*" (taken
// from the next argument). Arguments: integer kinds (d u x), Int64, floats,
// currency and dates (e f g n m), texts (s). A bad specifier, a mismatched
// argument or a missing argument raises EConvertError.
QString Format(const QString &fmt, const QList<Variant> &args, const FormatSettings &fs = DefaultFormatSettings());

// Picture format: sections "positive;negative;zero" of "0" and "#"
// placeholders, "." and ",", "E+0"/"E-0" exponents and quoted literals.
// An empty format gives the general text.
QString FormatFloat(const QString &fmt, double value, const FormatSettings &fs = DefaultFormatSettings());

// Date and time picture: d dd ddd dddd ddddd dddddd, m mm mmm mmmm (minutes
// after an hour), yy yyyy, h hh, n nn, s ss, z zzz, t tt, c, am/pm, a/p,
// ampm, "/" and ":" separators and quoted literals. Raises EConvertError for
// a value outside the years 1 to 9999.
QString FormatDateTime(const QString &fmt, double dateTime, const FormatSettings &fs = DefaultFormatSettings());

// Edit mask "mask[;saveLiterals[;blank]]" applied to a value: input positions
// L l A a C c 0 9 # take the value's characters in order, literals are
// inserted (or matched in the value when literals are saved), "<" and ">"
// change the case, "\" quotes the next character, "_" is a blank. Missing
// characters become blanks.
QString FormatMaskText(const QString &editMask, const QString &value);

// Lower case, then upper case for the first character and every character
// after a blank.
QString NameCase(const QString &s);
