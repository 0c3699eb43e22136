#include "export/pdf/fonts/TrueTypeCollection.h"
#include <memory>

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

TrueTypeFont *TrueTypeCollection::get_Item(const QString &FamilyName) const
{
    for (TrueTypeFont *f : fonts_collection) {
        QString unique;
        if (f->Names() && f->Names()->get_Item(3, unique) && unique == FamilyName)
            return f;
    }
    Raise(QStringLiteral("Font not found in collection"));
}
