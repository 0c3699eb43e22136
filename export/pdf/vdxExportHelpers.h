// Small types and routines the PDF writer, the outline writer and the
// metafile replay share: PDF number texts, a rotation with its "cm" matrix,
// outline tree nodes and text tests.
#pragma once
#include "platform/GraphicsTypes.h"

#include <QByteArray>
#include <QList>
#include <QPointF>
#include <QString>
#include <cstdint>
#include <memory>

class Canvas;
class TGraphic;
class TvdxCustomGraphicFormat;
class TvdxGraphicCanvasHelper;
enum TPixelFormat : uint8_t;

// Fixed form with N decimals, then trailing zeros and a trailing point
// dropped: (3, 0.5625) gives "0.563", (3, 12) gives "12".
QString FloatToPDFStr(int decimals, double value);
// The trimmed forms of two values joined by one blank.
QString PairToStr(int decimals, double x, double y);
QString PointToStr(const QPointF &point, int decimals);

enum class TvdxPictureFormat { pfPNG, pfEMF, pfBMP, pfJPG, pfBMP32 };
// The name of the registered picture format that writes the format.
QString PictureFormatName(TvdxPictureFormat format);

// A picture of a chosen output format to draw on. Vector art that needs
// transparency is drawn into a metafile first and converted at Release.
// Raises EPDFExportError when the format is not registered.
class TvdxPicture {
public:
    TvdxPicture(TvdxPictureFormat format, int width, int height, bool transparent, bool isVectorSource,
                bool isAlpha);
    ~TvdxPicture();
    TvdxPicture(const TvdxPicture &) = delete;
    TvdxPicture &operator=(const TvdxPicture &) = delete;

    Canvas &GetCanvas();
    void SetTransparentColor(TColor transparentColor);
    // Fills the canvas unless the graphic carries an alpha channel; clNone
    // stands for clNoneReplacement.
    void FillColor(TColor color, TColor clNoneReplacement);
    // Ends drawing and answers the finished graphic, still owned by the picture.
    TGraphic *Release(double scale);

    TvdxPictureFormat Format() const { return FFormat; }
    TPixelFormat PixelFormat() const { return FPixelFormat; }
    bool IsAlpha() const { return FIsAlpha; }

private:
    TvdxPictureFormat FFormat;
    std::unique_ptr<TGraphic> FGraphic;
    std::unique_ptr<TGraphic> FVectorGraphic; // drawn on first when set
    const TvdxCustomGraphicFormat *FGHelper = nullptr;
    const TvdxCustomGraphicFormat *FGVectorHelper = nullptr;
    std::unique_ptr<TvdxGraphicCanvasHelper> FCanvasHelper;
    TPixelFormat FPixelFormat;
    bool FIsAlpha = false;
};

// A rotation about a centre; Matrix holds the six operands of a PDF "cm".
class TRotation2D {
public:
    void Init(double radian, const QPointF &center, int precision);
    QPointF Turn(const QPointF &point) const;
    QString Turn2Str(const QPointF &point) const;
    const QString &Matrix() const { return FMatrix; }

    QPointF FCenter;
    QString FMatrix;
    double Sinus = 0;
    double Cosinus = 1;
    double C1 = 0;
    double C2 = 0;
};

// A node of an outline tree. A node owns its next sibling and its first
// child, so deleting the root frees the whole tree.
class TvdxCustomOutlineNode {
public:
    TvdxCustomOutlineNode() = default;
    virtual ~TvdxCustomOutlineNode();
    TvdxCustomOutlineNode(const TvdxCustomOutlineNode &) = delete;
    TvdxCustomOutlineNode &operator=(const TvdxCustomOutlineNode &) = delete;

    int Number = 0;
    int Dest = -1;
    int Top = 0;
    int CountTree = 0;
    int Count = 0;
    QString Title;
    TvdxCustomOutlineNode *First = nullptr; // owned
    TvdxCustomOutlineNode *Last = nullptr;
    TvdxCustomOutlineNode *Next = nullptr; // owned
    TvdxCustomOutlineNode *Prev = nullptr;
    TvdxCustomOutlineNode *Parent = nullptr;
};

class TvdxPDFOutlineNode : public TvdxCustomOutlineNode {};

// Sum modulo 2^32.
uint32_t ArraySum(const QList<uint32_t> &values);
inline bool HasAllBits(uint32_t value, uint32_t mask) { return (value & mask) == mask; }
// A character from U+0900 to U+097F.
bool HasDevanagari(const QString &text);
// Whether the text holds a tag the text writer understands (<b>, <font color...>).
bool HasSupportedTag(const QString &text);
