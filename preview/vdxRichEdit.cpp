#include "preview/vdxRichEdit.h"

int vdxRichEditVersion()
{
    return 4;
}

QString vdxRichTextClipboardFormat()
{
    return QStringLiteral("text/rtf");
}
