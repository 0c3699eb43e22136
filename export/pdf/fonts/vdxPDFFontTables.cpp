#include "export/pdf/fonts/vdxPDFFontTables.h"

#include <cmath>

namespace {

// Points to the size the PDF text is set in (35873 / 36000).
constexpr double kPointFactor = 0.99647222222222222;

} // namespace

// ---- Simulated styles --------------------------------------------------------------

const TPDFFontSimulationList::Entry *TPDFFontSimulationList::find(const QString &name) const
{
    for (const Entry &e : m_entries)
        if (e.FName == name)
            return &e;
    return nullptr;
}

void TPDFFontSimulationList::AddFont(const QString &name, TvdFont::TFontStyles fontStyles)
{
    if (!fontStyles)
        return;
    for (Entry &e : m_entries)
        if (e.FName == name) {
            e.FFontStyles |= fontStyles;
            return;
        }
    m_entries.append(Entry{name, fontStyles});
}

bool TPDFFontSimulationList::IsNeedsBold(const QString &name) const
{
    const Entry *e = find(name);
    return e && e->FFontStyles.testFlag(TvdFont::fsBold);
}

bool TPDFFontSimulationList::IsNeedsItalic(const QString &name) const
{
    const Entry *e = find(name);
    return e && e->FFontStyles.testFlag(TvdFont::fsItalic);
}

// ---- Monospaced corrections ----------------------------------------------------------

void TPDFMonospacedFontCorrectionList::AddCorrection(const QString &fontName, int fontSize, double factor)
{
    if (fontSize < 0 || fontSize > kMaxSize)
        return;
    auto it = m_entries.find(fontName.toLower());
    if (it == m_entries.end()) {
        std::array<double, kMaxSize + 1> ones;
        ones.fill(1.0);
        it = m_entries.emplace(fontName.toLower(), ones).first;
    }
    it->second[size_t(fontSize)] = factor;
}

double TPDFMonospacedFontCorrectionList::GetCorrection(const QString &fontName, int fontSize) const
{
    if (fontSize < 0 || fontSize > kMaxSize)
        return 1.0;
    const auto it = m_entries.find(fontName.toLower());
    return it == m_entries.end() ? 1.0 : it->second[size_t(fontSize)];
}

void TPDFMonospacedFontCorrectionList::DeleteCorrection(const QString &fontName)
{
    m_entries.erase(fontName.toLower());
}

// ---- Metafile corrections -------------------------------------------------------------

void TEMFPDFFontCorrectionList::AddCorrection(const QString &fontName, float correction)
{
    m_entries[fontName.toLower()] = correction;
}

bool TEMFPDFFontCorrectionList::IsGetCorrection(const QString &fontName, float &corr) const
{
    const auto it = m_entries.find(fontName.toLower());
    if (it == m_entries.end()) {
        corr = 1.0f;
        return false;
    }
    corr = it->second;
    return true;
}

void TEMFPDFFontCorrectionList::DeleteCorrection(const QString &fontName)
{
    m_entries.erase(fontName.toLower());
}

// ---- The process-wide tables ------------------------------------------------------------

TPDFFontSimulationList &PDFFontSimulations()
{
    static TPDFFontSimulationList list = [] {
        TPDFFontSimulationList l;
        const auto both = TvdFont::TFontStyles(TvdFont::fsBold | TvdFont::fsItalic);
        l.AddFont(QStringLiteral("\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF"), both);
        l.AddFont(QStringLiteral("\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF"), both);
        l.AddFont(QStringLiteral("\uFF2D\uFF33 \u660E\u671D"), both);
        l.AddFont(QStringLiteral("\uFF2D\uFF33 \uFF30\u660E\u671D"), both);
        l.AddFont(QStringLiteral("MS UI Gothic"), both);
        l.AddFont(QStringLiteral("Arial Black"), both);
        l.AddFont(QStringLiteral("Tahoma"), TvdFont::fsItalic);
        return l;
    }();
    return list;
}

TPDFMonospacedFontCorrectionList &PDFMonospacedFontCorrections()
{
    static TPDFMonospacedFontCorrectionList list = [] {
        TPDFMonospacedFontCorrectionList l;
        const double consolas[] = {0.986, 1.002, 1.012, 0.997, 1.008, 1.016, 1.002, 0.994, 1.002, 1.007};
        const double courier[] = {1.004, 1.005, 1.002, 1.003, 1.004, 1.002, 1.004, 1.004, 1.004, 1.003};
        const double lucida[] = {1.0, 1.0, 0.998, 0.998, 0.998, 0.998, 0.999, 0.999, 1.0, 0.998};
        for (int i = 0; i < 10; ++i) {
            l.AddCorrection(QStringLiteral("Consolas"), 6 + i, consolas[i]);
            l.AddCorrection(QStringLiteral("Courier New"), 6 + i, courier[i]);
            if (i >= 2)
                l.AddCorrection(QStringLiteral("Lucida Console"), 6 + i, lucida[i]);
        }
        return l;
    }();
    return list;
}

TEMFPDFFontCorrectionList &EMFPDFFontCorrections()
{
    static TEMFPDFFontCorrectionList list = [] {
        TEMFPDFFontCorrectionList l;
        for (const char *name : {"Arial", "Calibri", "Calibri Light", "Cambria", "Garamond", "Georgia", "Gotham",
                                 "Gotham Light", "Meiryo", "Tahoma", "Times New Roman"})
            l.AddCorrection(QString::fromLatin1(name), 1.0f);
        l.AddCorrection(QStringLiteral("Trebuchet MS"), 0.998f);
        l.AddCorrection(QStringLiteral("Verdana"), 0.999f);
        return l;
    }();
    return list;
}

TvdFont::TFontStyles StyleWithoutSimulation(const TvdFont &font)
{
    TvdFont::TFontStyles style = font.Style();
    if (PDFFontSimulations().IsNeedsItalic(font.Name()))
        style &= ~TvdFont::TFontStyles(TvdFont::fsItalic);
    if (PDFFontSimulations().IsNeedsBold(font.Name()))
        style &= ~TvdFont::TFontStyles(TvdFont::fsBold);
    return style;
}

double PDFFontSize(const TvdFont &font)
{
    const int s = font.Size();
    const double c = PDFMonospacedFontCorrections().GetCorrection(font.Name(), s);
    if (c != 1.0)
        return std::nearbyint(s * kPointFactor * c * 1000) / 1000;
    return std::trunc(s * kPointFactor * 10) / 10;
}
