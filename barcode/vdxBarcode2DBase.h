// The engine every 2D symbology derives from: it holds the text, turns it
// into dark modules and paints them, with captions, at any scale and in four
// rotations. The union variant stores the symbol as rectangles and single
// dots; the raster variant as a packed one-bit image.
#pragma once
#include "barcode/vdxBarcode2DArray.h"
#include "barcode/vdxBarcodeText.h"
#include "platform/Canvas.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

class TvdxBarcode2DBase {
public:
    TvdxBarcode2DBase();
    virtual ~TvdxBarcode2DBase();
    TvdxBarcode2DBase(const TvdxBarcode2DBase &) = delete;
    TvdxBarcode2DBase &operator=(const TvdxBarcode2DBase &) = delete;

    // Scaled engines encode (when encode is set) and lay their figures out
    // for the current row count.
    virtual void BuildSymbol(const QString &text, bool encode);
    virtual bool IsScaled() const { return false; }

    bool ShowText() const { return m_showText; }
    virtual void SetShowText(bool value) { m_showText = value; }
    int Rotation() const { return m_rotation; }
    virtual void SetRotation(int value) { m_rotation = value; }
    const QString &Text() const { return m_text; }
    virtual void SetText(const QString &value);
    const QString &TextSup() const { return m_textSup; }
    void SetTextSup(const QString &value) { m_textSup = value; }
    double Zoom() const { return m_zoom; }
    virtual void SetZoom(double value) { m_zoom = value; }
    bool FontScaled() const { return m_fontScaled; }
    virtual void SetFontScaled(bool value) { m_fontScaled = value; }
    TvdFont *Font() const { return m_barcodeText->TextSettings()->Font(); }
    TColor Color() const { return m_color; }
    virtual void SetColor(TColor value) { m_color = value; }
    TColor ColorBar() const { return m_colorBar; }
    virtual void SetColorBar(TColor value) { m_colorBar = value; }
    const QString &ErrorText() const { return m_errorText; }
    virtual void SetErrorText(const QString &value) { m_errorText = value; }
    // Pixels before zoom, quiet zone included, captions excluded.
    virtual int Width();
    // Pixels before zoom, quiet zone and captions included.
    virtual int Height();
    virtual void SetHeight(int value);
    int PixelWidth() const { return m_pixelWidth; }
    void SetPixelWidth(int value) { m_pixelWidth = value; }
    int PixelHeight() const { return m_pixelHeight; }
    void SetPixelHeight(int value) { m_pixelHeight = value; }
    int QuietZone() const { return m_quietZone; }
    void SetQuietZone(int value) { m_quietZone = value; }
    TvdxBarcodeText *BarcodeText() const { return m_barcodeText.get(); }
    // Module rows and columns of the current symbol.
    int SymbolRows() const { return m_height; }
    int SymbolColumns() const { return m_width; }

    // Copies the common settings; encodes nothing.
    virtual void Assign(const TvdxBarcode2DBase &source);
    // Line height of the main caption when it is shown.
    virtual int GetFooterHeight() const;
    // Paints captions and symbol with the top-left corner at (x, y).
    virtual void Draw2DBarcode(Canvas &g, double scaleX, double scaleY, int x, int y);

    // Line height of a caption font: |H| + |H| div 4 for a negative height.
    static int LineHeight(const TvdFont &font);

protected:
    virtual void InternalDraw(Canvas &canvas, double scaleX, double scaleY, int x, int y, int footerHeight, int dx,
                              int dy, int paddingX, int paddingY, double kx, double ky);
    static void FillRect(Canvas &canvas, const TRect &r);
    // Corner coordinates of a figure at column c, row r spanning wc columns
    // and hr rows, turned by the rotation.
    TRect FigureRect(int c, int r, int wc, int hr, int x, int y, int footerHeight, int dx, int dy, int paddingX,
                     int paddingY, double kx, double ky) const;
    void drawCaption(Canvas &g, int tx, int ty, const QString &text, const TvdFont &font, double scaleY, int W, int H,
                     int QX, int QY, int &footer);

    std::unique_ptr<TvdxBarcodeText> m_barcodeText;
    int m_height = 0;
    int m_width = 0;
    int m_pixelWidth = 2;
    int m_pixelHeight = 2;
    bool m_showText = true;
    int m_rotation = 0;
    QString m_text = QStringLiteral("12345678");
    QString m_textSup;
    double m_zoom = 1.0;
    bool m_fontScaled = true;
    TColor m_color = 0xFFFFFF;
    TColor m_colorBar = 0;
    QString m_errorText;
    int m_quietZone = 0;
    int m_originalHeight = 0;
};

// One rectangle of the cover: left column, top row, width, height in modules.
struct TvdxVectorPrimitive {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const TvdxVectorPrimitive &) const = default;
};

class TvdxBarcode2DBaseWithUnion : public TvdxBarcode2DBase {
public:
    void ClearFigures()
    {
        m_coverPending = false;
        m_vectorPrimitives.clear();
        m_dotsR.clear();
        m_dotsL.clear();
    }
    void FVectorPrimitivesAdd(int left, int top, int width, int height)
    {
        ensureCover();
        m_vectorPrimitives.push_back({left, top, width, height});
    }
    // Covers the matrix (placed quietZone modules in from the top-left of an
    // x by y grid) with greedy largest rectangles; modules left over become
    // dots. The cover is made when first asked for: a symbol that is only
    // encoded (a vector label job sends its text) never pays for it.
    void T2DBooleanArrayToVectorPrimitives(const T2DBooleanArray &matrix, int x, int y, int quietZone);
    // The same with a matrix that is asked for only when the cover is made.
    void T2DBooleanArrayToVectorPrimitives(std::function<const T2DBooleanArray &()> matrix, int x, int y,
                                           int quietZone);

    const std::vector<TvdxVectorPrimitive> &VectorPrimitives() const
    {
        ensureCover();
        return m_vectorPrimitives;
    }
    const std::vector<int> &DotsR() const
    {
        ensureCover();
        return m_dotsR;
    }
    const std::vector<int> &DotsL() const
    {
        ensureCover();
        return m_dotsL;
    }

protected:
    void InternalDraw(Canvas &canvas, double scaleX, double scaleY, int x, int y, int footerHeight, int dx, int dy,
                      int paddingX, int paddingY, double kx, double ky) override;

private:
    void ensureCover() const
    {
        if (m_coverPending)
            buildCover();
    }
    void buildCover() const;

    mutable std::vector<TvdxVectorPrimitive> m_vectorPrimitives;
    mutable std::vector<int> m_dotsR; // columns of single dots
    mutable std::vector<int> m_dotsL; // rows of single dots
    mutable bool m_coverPending = false;
    T2DBooleanArray m_coverMatrix;
    std::function<const T2DBooleanArray &()> m_coverSource;
    int m_coverX = 0, m_coverY = 0, m_coverQuietZone = 0;
};

class TvdxBarcode2DBaseWithOutUnion : public TvdxBarcode2DBase {
public:
    // Rows of (width + 7) div 8 bytes, bit 7 of the first byte is column 0.
    const std::vector<std::uint8_t> &Image() const { return m_image; }

protected:
    void InternalDraw(Canvas &canvas, double scaleX, double scaleY, int x, int y, int footerHeight, int dx, int dy,
                      int paddingX, int paddingY, double kx, double ky) override;

    std::vector<std::uint8_t> m_image;
};
