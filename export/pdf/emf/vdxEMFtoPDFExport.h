// Replays an enhanced metafile into PDF page content: geometry, paths,
// pens, solid brushes, clipping and bitmaps become PDF operators, so views
// without a native PDF writer stay vector graphics.
#pragma once
#include "export/pdf/emf/vdxEMFAbstractExport.h"
#include "export/pdf/vdxExportPDFForms.h"

class TPDFObjectsHelper;

class TEMFtoPDFExport : public TEMFAbstractExport {
public:
    // In: the metafile; Out: the page content; PdfRect: where the picture's
    // frame goes, in points; Poh: the document's objects (not owned).
    TEMFtoPDFExport(QIODevice &in, QIODevice &out, const TPdfRect &pdfRect, TPDFObjectsHelper &poh);

    bool ForceMitterLineJoin = false;
    bool ForceButtLineCap = false;
    bool ForceNullBrush = false;
    bool Transparency = false;
    bool ForceAnsi = false;
    bool Clipped = true;
    int PictureDPI = 0;
    int Precision = 2;

    // "q" written minus "Q" written since the header.
    int qQBalance() const { return FqQBalance; }

protected:
    void BeforePlay() override;
    void AfterPlay() override;
    void DoRecord(const TEnhMetaObj &rec) override;

private:
    void Out(const QString &line);     // ends LF
    void OutCRLF(const QString &line); // images and comments
    void Comment(const QString &text) { OutCRLF(QStringLiteral("%--") + text); }
    void q();
    void Q();
    QPointF ToPdf(const QPointF &device) const;
    QPointF Pt(double x, double y) const { return ToPdf(LogToDevice(x, y)); }
    QString PtStr(const QPointF &p) const;
    double Len(double v) const;
    TPdfRect RectOf(double l, double t, double r, double b) const;
    QString ReStr(const TPdfRect &r) const;
    QString FillOp(const char *op) const; // "*" under ALTERNATE

    bool PenNull() const;
    bool BrushNull() const;
    void WritePen();
    void WriteBrush(const TEnhMetaObj *brush = nullptr);
    void BeginFrame(int flags);
    void EndFrame(int flags);

    void DoHeader(const TEnhMetaObj &r);
    void DoPoints(const TEnhMetaObj &r);
    void DoPolyPoly(const TEnhMetaObj &r);
    void DoPolyDraw(const TEnhMetaObj &r);
    void DoRoundRect(const TPdfRect &r, double rx, double ry);
    void DoArc(const TEnhMetaObj &r);
    void ArcPath(double cx, double cy, double rx, double ry, double start, double sweep, bool moveFirst);
    void DoBitmap(const TEnhMetaObj &r);
    void DrawImage(int index, double l, double t, double r, double b);
    // A SRCPAINT bitmap waits one record for the SRCAND one that masks it.
    bool DrawMaskedPair(const TEnhMetaObj &r);
    void FlushPendingPaint();
    void DoClipRegion(const TEnhMetaObj &r);
    void DoFillRgn(const TEnhMetaObj &r);

    QIODevice &FOut;
    TPDFObjectsHelper &FPOH;
    TPdfRect FPDFRect;
    QRect FLastClipRect;
    QPointF FEMFtoPDFFactor{1, 1};
    int FqQBalance = 0;
    uint32_t FLastFill = 0; // a hatched brush repeats the fill before it
    const TEnhMetaObj *FPendingPaint = nullptr;
};
