#include "report/vdxClass_format.h"
#include "core/vdFormat.h"
#include "core/vdUtils.h"

TvdxFormat::TvdxFormat() = default;

void TvdxFormat::Assign(const TvdPersistent *source)
{
    if (const auto *f = qobject_cast<const TvdxFormat *>(source)) {
        m_decimalSeparator = f->m_decimalSeparator;
        m_thousandSeparator = f->m_thousandSeparator;
        m_formatStr = f->m_formatStr;
        m_kind = f->m_kind;
        return;
    }
    TvdBaseCollectionItem::Assign(source);
}

TvdxFormatCollection::TvdxFormatCollection(TvdPersistent *owner)
    : TvdBaseCollection(factoryOf<TvdxFormat>(), owner)
{
}

namespace {

QString convert(const QString &text, bool convertCharset, int charset)
{
    if (!convertCharset)
        return text;
    return AnsiToWideStr(WideToAnsiStr(text, 1), charset);
}

QString formatNumeric(const Variant &value, const TvdxFormat &f)
{
    const FormatSettings &fs = DefaultFormatSettings();
    const QString &fmt = f.FormatStr();
    QString result;
    if (fmt.contains(u'#') || fmt.startsWith(u'0'))
        result = FormatFloat(fmt, value.toDouble(), fs);
    else if (fmt.contains(u'd') || fmt.contains(u'u'))
        result = Format(fmt, {Variant(value.toInt())}, fs);
    else
        result = Format(fmt, {Variant(value.toDouble())}, fs);

    // The decimal position is noted before the thousands replacement, so the
    // two separators may swap roles.
    qsizetype decimalAt = -1;
    if (f.DecimalSeparator().size() == 1 && f.DecimalSeparator()[0] != fs.DecimalSeparator)
        decimalAt = result.lastIndexOf(fs.DecimalSeparator);
    if (f.ThousandSeparator().size() == 1 && f.ThousandSeparator()[0] != fs.ThousandSeparator)
        result.replace(fs.ThousandSeparator, f.ThousandSeparator()[0]);
    if (decimalAt >= 0)
        result[decimalAt] = f.DecimalSeparator()[0];
    return result;
}

} // namespace

QString vdxPlainText(const Variant &value, bool convertCharset, int charset)
{
    try {
        return convert(value.toString(), convertCharset, charset);
    } catch (const std::exception &) {
        return QString();
    }
}

QString vdxFormatData(const Variant &value, const TvdxFormat *format, bool convertCharset, int charset)
{
    if (value.isNull())
        return QString();
    if (!format)
        return vdxPlainText(value, convertCharset, charset);
    try {
        switch (format->Kind()) {
        case TvdxFormat::fkText:
            return convert(value.toString(), convertCharset, charset);
        case TvdxFormat::fkNumeric:
            return formatNumeric(value, *format);
        case TvdxFormat::fkDateTime:
            return FormatDateTime(format->FormatStr(), value.toDate());
        case TvdxFormat::fkBoolean: {
            const QString &fmt = format->FormatStr();
            const qsizetype comma = fmt.indexOf(u',');
            if (Variant::equals(value, Variant(true)))
                return fmt.mid(comma + 1);
            return comma < 0 ? QString() : fmt.left(comma);
        }
        }
    } catch (const std::exception &) {
    }
    return vdxPlainText(value, convertCharset, charset);
}
