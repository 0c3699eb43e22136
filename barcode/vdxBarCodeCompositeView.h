// The composite barcode object: a row of linear and 2D barcode objects
// placed left to right with gaps, filled from one text split at a delimiter.
#pragma once
#include "barcode/vdxBarCodeInternalView.h"

class TvdxBarCodeCompositeView : public TvdxView {
    Q_OBJECT
public:
    enum TvdxContentType { ctRightToLeft };
    Q_ENUM(TvdxContentType)
private:
    Q_PROPERTY(TvdxContentType ContentType READ ContentType WRITE SetContentType)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    // Follows the children, which a template stores itself.
    Q_PROPERTY(int BarCount READ BarCount WRITE SetBarCount STORED false)
    Q_PROPERTY(QString DataDelimiter READ DataDelimiter WRITE SetDataDelimiter)
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(QString SupText READ SupText WRITE SetSupText)
    Q_CLASSINFO("default:ContentType", "ctRightToLeft")
    Q_CLASSINFO("default:Color", "536870911")
public:
    Q_INVOKABLE explicit TvdxBarCodeCompositeView(TvdComponent *owner = nullptr);
    ~TvdxBarCodeCompositeView() override;

    TvdxContentType ContentType() const { return m_contentType; }
    void SetContentType(TvdxContentType value);
    int Color() const { return int(TvdxView::Color()); }
    void SetColor(int value);
    int BarCount() const { return int(Bars().size()); }
    // Adds EAN-8 children or frees children from the end; limited to
    // kMaxBars children.
    void SetBarCount(int value);
    QString DataDelimiter() const { return m_dataDelimiter; }
    void SetDataDelimiter(const QString &value) { m_dataDelimiter = value; }
    QString Text() const;
    void SetText(const QString &value);
    QString SupText() const;
    void SetSupText(const QString &value);

    static constexpr int kMaxBars = 1000;

    TvdxBarCodeInternalView *AddLinearBarcode(TvdxBarcode::TvdxBarcodeType type);
    TvdxBarCodeInternalView *AddLinearBarcode(int type);
    TvdxBarCodeInternal2DView *Add2DBarcode(TvdxBarcode2DType type);
    TvdxBarCodeInternal2DView *Add2DBarcode(int type);
    // A child of a class with both barcode interfaces; nullptr otherwise.
    TvdxComponent *AddBarcode(const QMetaObject *cls, int type);
    // The children in order (views with both barcode interfaces).
    QList<TvdxView *> Bars() const;
    TvdxView *GetFirstBar() const;
    TvdxView *GetLastBar() const;
    // Places the children left to right and takes their total width.
    void UpdatePos(TvdxComponent *eventOwner = nullptr);

    void SetHeight(long double value) override;
    QString GetDescription() const override;
    bool IsContain(double x, double y) const override;
    void Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;
    TvdRectF GetRealBounds() override;

protected:
    void DoMouseEnter(TvdxComponent *aPreviousObject, TvdxInteractiveEventsParams &eventParams) override;
    void DoMouseLeave(int x, int y, TvdxComponent *aNextObject, TvdxInteractiveEventsParams &eventParams) override;

private:
    void reloadDesignerObjects();

    TvdxContentType m_contentType = ctRightToLeft;
    QString m_dataDelimiter = QStringLiteral(";");
    bool m_updating = false;
    bool m_showMoveHandle = false;
};
