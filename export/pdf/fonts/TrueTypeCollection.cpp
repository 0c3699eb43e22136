#include "export/pdf/fonts/TrueTypeCollection.h"
#include <memory>
#include <utility>

TrueTypeCollection::~TrueTypeCollection()
{
    Clear();
}

void TrueTypeCollection::Clear()
{
    for (TrueTypeFont *f : fonts_collection)
        delete f;
    fonts_collection.clear();
}

void TrueTypeCollection::Initialize(quint8 *FD, qint64 FontDataSize)
{
    Clear();
    const TTFBlock block{FD, FontDataSize};
    const quint8 *p = CheckedPtr(block, 0, 4);
    const auto action = ChecksumFaultAction::ChecksumFaultAction_IgnoreChecksum;
    const quint32 kind = ReadUInt32(p);
    if (kind == 0x00010000) {
        fonts_collection.push_back(new TrueTypeFont(block, 0, action));
    } else if (kind == TrueTypeTable::MakeTag("ttcf")) {
        p = CheckedPtr(block, 0, 12);
        const quint32 version = ReadUInt32(p + 4);
        if (version != 0x00010000 && version != 0x00020000)
            Raise(QStringLiteral("Unknown font collection version"));
        const quint32 count = ReadUInt32(p + 8);
        const quint8 *offsets = CheckedPtr(block, 12, 4 * qint64(count));
        for (quint32 i = 0; i < count; ++i) {
            const qint64 at = ReadUInt32(offsets + 4 * i);
            // Checked here so that no font points outside the block.
            CheckedPtr(block, at, 12);
            fonts_collection.push_back(new TrueTypeFont(block, at, action));
        }
    } else if (kind != TrueTypeTable::MakeTag("OTTO")) {
        FormatError();
    }
}

QByteArray TrueTypeCollection::PackFont(TrueTypeFont *ttf, const QList<quint16> &UsedAlphabet)
{
    for (quint16 g : UsedAlphabet)
        ttf->AddCharacterToKeepList(g);
    return ttf->PackFont(true);
}

QString TrueTypeCollection::WantedFontName(const QString &faceName, bool bold, bool italic)
{
    // Faces whose localized names the font files do not carry.
    static const std::pair<QString, QString> substitutes[] = {
        {QStringLiteral("\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF"), QStringLiteral("MS Gothic")},
        {QStringLiteral("\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF"), QStringLiteral("MS PGothic")},
        {QStringLiteral("\uFF2D\uFF33 \u660E\u671D"), QStringLiteral("MS Mincho")},
        {QStringLiteral("\uFF2D\uFF33 \uFF30\u660E\u671D"), QStringLiteral("MS PMincho")},
        {QStringLiteral("\u30E1\u30A4\u30EA\u30AA"), QStringLiteral("Meiryo")},
        {QStringLiteral("Tahoma Bold"), QStringLiteral("Tahoma Negreta")},
    };
    for (const auto &[given, lookedUp] : substitutes)
        if (faceName == given)
            return lookedUp;
    QString wanted = faceName;
    if (bold)
        wanted += QStringLiteral(" Bold");
    if (italic)
        wanted += QStringLiteral(" Italic");
    return wanted;
}

TrueTypeFont *TrueTypeCollection::LoadFont(const QString &faceName, bool bold, bool italic)
{
    if (fonts_collection.empty())
        return nullptr;
    // Bitmap strikes and signatures are of no use to the subset.
    const QList<quint32> skip{TrueTypeTable::MakeTag("EBLC"), TrueTypeTable::MakeTag("EBDT"),
                              TrueTypeTable::MakeTag("hdmx"), TrueTypeTable::MakeTag("VDMX"),
                              TrueTypeTable::MakeTag("DSIG")};
    const QString wanted = WantedFontName(faceName, bold, italic);
    QString text;
    for (TrueTypeFont *f : fonts_collection) {
        f->PrepareFont(skip);
        if (!f->Names())
            continue;
        QString fullName;
        f->Names()->IsHasFontName(4, text, fullName);
        text = fullName;
        if (fullName == wanted)
            return f;
        f->Names()->IsHasFontName(1, fullName, text);
        if (text == wanted)
            return f;
    }
    TrueTypeFont *first = fonts_collection.front();
    QString firstFull;
    if (first->Names())
        first->Names()->get_Item(4, firstFull);
    first->SubstitutionName = wanted + QStringLiteral(" - ") + firstFull;
    return first;
}

TrueTypeFont *TrueTypeCollection::get_Item(const QString &FamilyName) const
{
    for (TrueTypeFont *f : fonts_collection) {
        QString unique;
        if (f->Names() && f->Names()->get_Item(3, unique) && unique == FamilyName)
            return f;
    }
    Raise(QStringLiteral("Font not found in collection"));
}
