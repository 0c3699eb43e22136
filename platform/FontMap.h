// Font families of templates mapped onto the installed fonts, and the raw
// fonts that measuring and drawing share. One place for the mapping so that
// canvases, the text layout and the PDF export pick the same font files.
#pragma once
#include <QFont>
#include <QRawFont>
#include <QString>

// "Arial" -> "Liberation Sans", "Times New Roman" -> "Liberation Serif",
// "Courier New" -> "Liberation Mono"; installed families stay; anything
// else -> "DejaVu Sans". Case-insensitive.
QString MapFontFamily(const QString &family);

// A QFont of the mapped family at a pixel size, hinting off, no font merging.
QFont MakeQFont(const QString &family, double pixelSize, int weight, bool italic,
                bool underline = false, bool strikeOut = false);

// The raw font of the mapped family at a pixel size (cached per thread).
// Invalid only when no font at all is installed.
QRawFont RawFontFor(const QString &family, int weight, bool italic, double pixelSize);

// Path of the font file that the mapped family resolves to (empty when
// unknown); the PDF export embeds its bytes.
QString FontFilePath(const QString &family, int weight, bool italic);
