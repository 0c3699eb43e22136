// Rich text goes through QTextDocument: there is no system library to load.
// What remains are the clipboard formats rich text travels in.
#pragma once
#include <QString>

// The generation of the rich-edit support: always the newest here.
int vdxRichEditVersion();
// The clipboard format of rich text.
QString vdxRichTextClipboardFormat();
