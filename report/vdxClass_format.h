// Display formats of text objects: how a value becomes text (numbers with
// chosen separators, dates, Boolean texts).
#pragma once
#include "core/vdPersistent.h"
#include "core/vdVariant.h"

class TvdxFormat : public TvdBaseCollectionItem {
    Q_OBJECT
public:
    enum TvdxFormatKind { fkText, fkNumeric, fkDateTime, fkBoolean };
    Q_ENUM(TvdxFormatKind)

private:
    Q_PROPERTY(QString DecimalSeparator READ DecimalSeparator WRITE SetDecimalSeparator)
    Q_PROPERTY(QString FormatStr READ FormatStr WRITE SetFormatStr)
    Q_PROPERTY(TvdxFormatKind Kind READ Kind WRITE SetKind)
    Q_PROPERTY(QString ThousandSeparator READ ThousandSeparator WRITE SetThousandSeparator)
    Q_CLASSINFO("default:Kind", "fkText")

public:
    Q_INVOKABLE TvdxFormat();
    QString DecimalSeparator() const { return m_decimalSeparator; }
    void SetDecimalSeparator(const QString &v) { m_decimalSeparator = v; }
    QString ThousandSeparator() const { return m_thousandSeparator; }
    void SetThousandSeparator(const QString &v) { m_thousandSeparator = v; }
    QString FormatStr() const { return m_formatStr; }
    void SetFormatStr(const QString &v) { m_formatStr = v; }
    TvdxFormatKind Kind() const { return m_kind; }
    void SetKind(TvdxFormatKind v) { m_kind = v; }
    void Assign(const TvdPersistent *source) override;

private:
    QString m_decimalSeparator;
    QString m_thousandSeparator;
    QString m_formatStr;
    TvdxFormatKind m_kind = fkText;
};

class TvdxFormatCollection : public TvdBaseCollection {
    Q_OBJECT
public:
    explicit TvdxFormatCollection(TvdPersistent *owner = nullptr);
    TvdxFormat *GetItem(int index) const { return static_cast<TvdxFormat *>(Items(index)); }
    TvdxFormat *AddFormat() { return static_cast<TvdxFormat *>(Add()); }
};

// The value as text under a display format (none: the plain text). With
// convertCharset the text goes through the ANSI code page and back with the
// code page of charset. Never raises: a value the format cannot take prints
// as its plain text.
QString vdxFormatData(const Variant &value, const TvdxFormat *format, bool convertCharset = false,
                      int charset = 1);
// The plain text of a value, converted as vdxFormatData converts it.
QString vdxPlainText(const Variant &value, bool convertCharset = false, int charset = 1);
