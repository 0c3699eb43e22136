// Settings of the PDF417 and Data Matrix types: every property reads and
// writes the engine the object currently owns.
#pragma once
#include "barcode/vdxBarcode2DProperties.h"
#include "barcode/vdxBarcodeDataMatrix.h"
#include "barcode/vdxBarcodePDF417.h"

class TvdxPDF417Properties : public TvdxBarcode2DProperties {
    Q_OBJECT
    Q_PROPERTY(double AspectRatio READ AspectRatio WRITE SetAspectRatio)
    Q_PROPERTY(int Columns READ Columns WRITE SetColumns)
    Q_PROPERTY(int Rows READ Rows WRITE SetRows)
    Q_PROPERTY(vdx2D::PDF417ErrorCorrection ErrorCorrection READ ErrorCorrection WRITE SetErrorCorrection)
    Q_PROPERTY(int CodePage READ CodePage WRITE SetCodePage)
    Q_PROPERTY(vdx2D::PDF417CompactionMode CompactionMode READ CompactionMode WRITE SetCompactionMode)
    Q_PROPERTY(int PixelWidth READ PixelWidth WRITE SetPixelWidth)
    Q_PROPERTY(int PixelHeight READ PixelHeight WRITE SetPixelHeight)
    Q_CLASSINFO("default:AspectRatio", "nodefault")
    Q_CLASSINFO("default:Columns", "nodefault")
    Q_CLASSINFO("default:Rows", "nodefault")
    Q_CLASSINFO("default:ErrorCorrection", "nodefault")
    Q_CLASSINFO("default:CodePage", "nodefault")
    Q_CLASSINFO("default:CompactionMode", "nodefault")
    Q_CLASSINFO("default:PixelWidth", "nodefault")
    Q_CLASSINFO("default:PixelHeight", "nodefault")
public:
    Q_INVOKABLE TvdxPDF417Properties() = default;

    double AspectRatio() const { return e() ? e()->AspectRatio() : 0.5; }
    void SetAspectRatio(double v) { if (e()) e()->SetAspectRatio(v); }
    int Columns() const { return e() ? e()->Columns() : 0; }
    void SetColumns(int v) { if (e()) e()->SetColumns(v); }
    int Rows() const { return e() ? e()->Rows() : 0; }
    void SetRows(int v) { if (e()) e()->SetRows(v); }
    PDF417ErrorCorrection ErrorCorrection() const
    {
        return e() ? e()->ErrorCorrection() : PDF417ErrorCorrection::AutoCorr;
    }
    void SetErrorCorrection(PDF417ErrorCorrection v) { if (e()) e()->SetErrorCorrection(v); }
    int CodePage() const { return e() ? e()->CodePage() : 437; }
    void SetCodePage(int v) { if (e()) e()->SetCodePage(v); }
    PDF417CompactionMode CompactionMode() const
    {
        return e() ? e()->CompactionMode() : PDF417CompactionMode::AutoCompaction;
    }
    void SetCompactionMode(PDF417CompactionMode v) { if (e()) e()->SetCompactionMode(v); }
    int PixelWidth() const { return e() ? e()->PixelWidth() : 2; }
    void SetPixelWidth(int v) { if (e()) e()->SetPixelWidth(v); }
    int PixelHeight() const { return e() ? e()->PixelHeight() : 8; }
    void SetPixelHeight(int v) { if (e()) e()->SetPixelHeight(v); }

    void Assign(const TvdPersistent *source) override;

private:
    TvdxBarcodePDF417 *e() const { return dynamic_cast<TvdxBarcodePDF417 *>(m_whose); }
};

class TvdxDataMatrixProperties : public TvdxBarcode2DProperties {
    Q_OBJECT
    Q_PROPERTY(int CodePage READ CodePage WRITE SetCodePage)
    Q_PROPERTY(int PixelSize READ PixelSize WRITE SetPixelSize)
    Q_PROPERTY(vdx2D::DatamatrixSymbolSize SymbolSize READ SymbolSize WRITE SetSymbolSize)
    Q_PROPERTY(vdx2D::DatamatrixEncoding Encoding READ Encoding WRITE SetEncoding)
    Q_PROPERTY(bool GS1Rule READ GS1Rule WRITE SetGS1Rule)
    Q_CLASSINFO("default:CodePage", "nodefault")
    Q_CLASSINFO("default:PixelSize", "nodefault")
    Q_CLASSINFO("default:SymbolSize", "nodefault")
    Q_CLASSINFO("default:Encoding", "nodefault")
    Q_CLASSINFO("default:GS1Rule", "nodefault")
public:
    Q_INVOKABLE TvdxDataMatrixProperties() = default;

    int CodePage() const { return e() ? e()->CodePage() : 437; }
    void SetCodePage(int v) { if (e()) e()->SetCodePage(v); }
    int PixelSize() const { return e() ? e()->PixelSize() : 4; }
    void SetPixelSize(int v) { if (e()) e()->SetPixelSize(std::max(2, v)); }
    DatamatrixSymbolSize SymbolSize() const { return e() ? e()->SymbolSize() : DatamatrixSymbolSize::AutoSize; }
    void SetSymbolSize(DatamatrixSymbolSize v) { if (e()) e()->SetSymbolSize(v); }
    DatamatrixEncoding Encoding() const { return e() ? e()->Encoding() : DatamatrixEncoding::Auto; }
    void SetEncoding(DatamatrixEncoding v) { if (e()) e()->SetEncoding(v); }
    bool GS1Rule() const { return e() && e()->GS1Rule(); }
    void SetGS1Rule(bool v) { if (e()) e()->SetGS1Rule(v); }

    void Assign(const TvdPersistent *source) override;

private:
    TvdxBarcodeDataMatrix *e() const { return dynamic_cast<TvdxBarcodeDataMatrix *>(m_whose); }
};
