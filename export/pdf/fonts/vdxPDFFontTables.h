// Process-wide tables that steer font output: faces whose bold or italic
// is simulated, size corrections of monospaced faces and of metafile text.
// Filled on first use; changed and read on the export's thread.
#pragma once
#include "report/vdFont.h"

#include <QList>
#include <QString>
#include <array>
#include <map>

// Faces without a real bold or italic face: the writer draws the style.
class TPDFFontSimulationList {
public:
    // Adds the styles to the entry of Name (exact name), or a new entry;
    // nothing for an empty set.
    void AddFont(const QString &name, TvdFont::TFontStyles fontStyles);
    bool IsNeedsBold(const QString &name) const;
    bool IsNeedsItalic(const QString &name) const;
    int Count() const { return int(m_entries.size()); }

private:
    struct Entry {
        QString FName;
        TvdFont::TFontStyles FFontStyles;
    };
    const Entry *find(const QString &name) const;
    QList<Entry> m_entries;
};

// Factors by font size in points (0..64) for monospaced faces; names are
// compared without regard to case.
class TPDFMonospacedFontCorrectionList {
public:
    static constexpr int kMaxSize = 64;
    // Sizes outside 0..64 are ignored.
    void AddCorrection(const QString &fontName, int fontSize, double factor);
    // 1.0 for an unknown name or a size outside 0..64.
    double GetCorrection(const QString &fontName, int fontSize) const;
    void DeleteCorrection(const QString &fontName);

private:
    std::map<QString, std::array<double, kMaxSize + 1>> m_entries; // lower-case keys
};

// Size factors of text that comes from metafiles; names without case.
class TEMFPDFFontCorrectionList {
public:
    void AddCorrection(const QString &fontName, float correction);
    // True with the factor for a listed name, false with 1.0 otherwise.
    bool IsGetCorrection(const QString &fontName, float &corr) const;
    void DeleteCorrection(const QString &fontName);

private:
    std::map<QString, float> m_entries; // lower-case keys
};

TPDFFontSimulationList &PDFFontSimulations();
TPDFMonospacedFontCorrectionList &PDFMonospacedFontCorrections();
TEMFPDFFontCorrectionList &EMFPDFFontCorrections();

// The font's style without the styles the writer simulates for its face;
// fonts of a document are keyed by this style.
TvdFont::TFontStyles StyleWithoutSimulation(const TvdFont &font);
// Size written in "Tf" for a font of S whole points (monospaced faces
// corrected per size).
double PDFFontSize(const TvdFont &font);
