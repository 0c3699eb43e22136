#include "export/pdf/fonts/TTFHelpers.h"
#include "platform/Exception.h"

quint8 *TTF_Helpers::CheckedPtr(const TTFBlock &block, qint64 offset, qint64 length)
{
    if (!block.data || !InBlock(block, offset, length))
        FormatError();
    return block.data + offset;
}

void TTF_Helpers::FormatError()
{
    throw Exception(QStringLiteral("TrueType font format error"));
}

void TTF_Helpers::Raise(const QString &message)
{
    throw Exception(message);
}
