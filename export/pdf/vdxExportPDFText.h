// Pieces of the PDF text writer that the metafile replay shares: the bodies
// of TJ arrays, the simulated bold and italic styles, the size of metafile
// text, and the writer's own lock.
#pragma once
#include "export/pdf/fonts/vdxExportFont.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <mutex>

class TvdFont;

// The hex glyphs of a TJ array with Adjust (thousandths of an em, carried
// fractions summed) after each space glyph: "0024>-250<0003...". The caller
// adds "[<" and ">] TJ".
QByteArray SpacedGlyphsToTJ(const QList<quint16> &glyphs, double adjust);
// Makes the deltas of the glyphs that are not spaces their mean, when there
// are at least two of them.
void AverageNonSpaceDeltas(QList<double> &deltas, const QList<bool> &isSpace);
// The hex glyphs of a TJ array that corrects each glyph's advance
// (Line.CharWidth) to Widths (same unit, one per glyph).
QByteArray GlyphsToTJ(const TRemapedString &line, const QList<double> &widths, bool average);

// "1 0 0.25 1" for an italic font whose face has no italic; else empty.
QString ItalicSimulation(const TvdFont &font);
// "2 Tr <width> w <colour> RG" for a bold font whose face has no bold; else empty.
QString BoldSimulation(const TvdFont &font);
// The size of text that comes from metafiles, in points.
double EMFFontSize(const TvdFont &font);

// Held, after the layout object's lock, while a memo is laid out and written.
std::mutex &PDFTextWriterLock();
