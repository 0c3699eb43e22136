// Small types and routines the PDF writer, the outline writer and the
// metafile replay share: PDF number texts, a rotation with its "cm" matrix,
// outline tree nodes and text tests.
#pragma once
#include <QByteArray>
#include <QList>
#include <QPointF>
#include <QString>
#include <cstdint>

// Fixed form with N decimals, then trailing zeros and a trailing point
// dropped: (3, 0.5625) gives "0.563", (3, 12) gives "12".
QString FloatToPDFStr(int decimals, double value);
// The trimmed forms of two values joined by one blank.
QString PairToStr(int decimals, double x, double y);
QString PointToStr(const QPointF &point, int decimals);

enum class TvdxPictureFormat { pfPNG, pfEMF, pfBMP, pfJPG, pfBMP32 };
// The name of the registered picture format that writes the format.
QString PictureFormatName(TvdxPictureFormat format);

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
