#include "core/vdStringStream.h"

TvdStringStream::TvdStringStream(const QString &text)
{
    setData(text.toUtf8());
    open(QIODevice::ReadWrite);
}

void TvdStringStream::WriteString(const QString &text) { write(text.toUtf8()); }
