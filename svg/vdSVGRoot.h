// The "svg" element with its viewport matrix, and the loaded SVG document:
// the outermost svg element and what the document owns besides the tree
// (source, style sheets, the host's placement, the canvas class).
#pragma once
#include "svg/vdSVGElements.h"

#include <memory>

class Canvas;
class QIODevice;
class TGPKerningText;

class Tel_svg : public TSVGBaseObj {
public:
    explicit Tel_svg(TSVGElementObj *parent, TSVGElement kind = el_svg) : TSVGBaseObj(kind, parent) {}
    VD_SVG_SAME_KIND(Tel_svg)

    void Clear() override;
    void ConstructPath() override;
    float GetWidth() override;
    float GetHeight() override;
    // The viewport matrix, computed on first use after a change.
    TSVGTransform GetTransform() override;
    TSingleBounds CalcSelfBounds() override { return GetViewBox(); }
    TSingleBounds GetViewBox() override;
    float GetViewBoxWidth() { return GetViewBox().Width; }
    float GetViewBoxHeight() { return GetViewBox().Height; }
    float GetViewBoxDiagonal();
    const TSVGTransform &RootMatrix() const { return m_rootMatrix; }

    // Paints this element's tree on a device (a canvas of the document's class).
    virtual void PaintTo(Canvas &dc);

protected:
    virtual TSVGTransform GetPositionMatrix(float x, float y) { return TranslationMatrix(x, y); }
    virtual TSinglePoint AdjustViewBoxOffset(const TSinglePoint &offset) { return offset; }
    virtual TSVGTransform GetExternalOffsetMatrix() { return IdentityMatrix(); }
    virtual TSVGTransform GetExternalScaleMatrix() { return IdentityMatrix(); }
    virtual TSVGTransform GetExternalRotationMatrix() { return IdentityMatrix(); }
    TSVGTransform calcRootMatrix();

    TSVGTransform m_rootMatrix{}; // all zero: not computed
};

class TSVGRootObj : public Tel_svg {
public:
    // Cloned elements allowed per preparation: "use" expansion stops there.
    static constexpr size_t MaxClonedElements = 100000;

    TSVGRootObj();
    explicit TSVGRootObj(TSVGCanvasClass canvasClass);
    ~TSVGRootObj() override;

    void Clear() override;
    // Raises what the XML reader raises; the tree then stays empty.
    void LoadFromText(const QString &text);
    void LoadFromFile(const QString &fileName);
    // All bytes from the position on, as UTF-8 lines (a byte-order mark skipped).
    void LoadFromStream(QIODevice &stream);
    // Byte-order mark, then the source's lines each ended by CR LF.
    void SaveToStream(QIODevice &stream) const;
    void SaveToFile(const QString &fileName) const;
    const QString &Source() const { return m_source; }
    const QString &FileName() const { return m_fileName; }
    TvdxCSSList &StyleList() { return m_styleList; }
    const TvdxCSSList &StyleList() const { return m_styleList; }
    void ReadStyle(TvdxSVGXMLItem *node);
    void Prepare();
    void PaintTo(Canvas &dc) override;
    // The size the host sees.
    float GetOuterWidth();
    float GetOuterHeight();

    bool IsRoot() const override { return true; }
    float GetHostWidth() override { return m_externalBounds.Width; }
    float GetHostHeight() override { return m_externalBounds.Height; }
    float GetHostDiagonal() override;
    float GetWidth() override;
    float GetHeight() override;
    float CalcFillOpacity() override;
    float CalcStrokeOpacity() override;
    bool GetIsFullOpacity() const override { return m_isFullOpacity; }
    void SetIsFullOpacity(bool v) override { m_isFullOpacity = v; }
    void CopyStylesApplyingSequence(TSVGElementObj &) const override {}
    void ClarifyOwnShorthandProperties() override;
    void AssignTo(TSVGElementObj &dest) const override;
    TSVGElementObj *CreateSameKind(TSVGElementObj *parent) const override;

    float ExternalOpacity() const { return m_externalOpacity; }
    void SetExternalOpacity(float v);
    void SetExternalAngle(float radians);
    float ExternalFontSize() const { return m_externalFontSize; }
    void SetExternalFontSize(float v);
    const QString &ExternalFontName() const { return m_externalFontName; }
    void SetExternalFontName(const QString &v);
    const TSingleBounds &ExternalBounds() const { return m_externalBounds; }
    void SetExternalBounds(const TSingleBounds &v);
    const TSinglePoint &ExternalScale() const { return m_externalScale; }
    void SetExternalScale(const TSinglePoint &v);
    bool ExternalCentered() const { return m_externalCentered; }
    void SetExternalCentered(bool v);
    bool IsPrepared() const { return m_isPrepared; }
    // Pixels per device unit of paint drawn as images on devices that take
    // no gradients (a fine intermediate metafile wants fewer).
    float RasterScale() const { return m_rasterScale; }
    void SetRasterScale(float s) { m_rasterScale = s > 0 ? s : 1; }

    TSVGCanvasClass CanvasClass() const { return m_canvasClass; }
    // Geometry made before keeps its class: set this before loading.
    void SetCanvasClass(TSVGCanvasClass cls)
    {
        m_canvasClass = cls;
        m_isPrepared = false;
    }
    // The kerning cache of the running preparation or paint; one is made
    // when none runs.
    TGPKerningText &KerningText();
    // Counts elements about to be cloned; false once the budget is spent.
    bool TakeCloneBudget(size_t elements);
    // Nesting of pattern tiles being painted (cycles and depth stop there).
    int &PatternDepth() { return m_patternDepth; }
    // Changes with every outermost preparation or paint.
    quint64 PassSerial() const { return m_passSerial; }

protected:
    TSinglePoint AdjustViewBoxOffset(const TSinglePoint &offset) override;
    TSVGTransform GetExternalOffsetMatrix() override;
    TSVGTransform GetExternalScaleMatrix() override;
    TSVGTransform GetExternalRotationMatrix() override;

private:
    class Pass;
    void sureSizeAndViewBox();
    void placementChanged(bool matrix);

    QString m_source;
    QString m_fileName;
    TvdxCSSList m_styleList;
    float m_externalOpacity = 1;
    float m_externalAngle = 0;
    float m_externalFontSize = 16;
    QString m_externalFontName = QStringLiteral("times");
    TSingleBounds m_externalBounds{0, 0, 300, 150};
    TSinglePoint m_externalScale{1, 1};
    bool m_externalCentered = false;
    TSVGCanvasClass m_canvasClass;
    bool m_isPrepared = false;
    bool m_isFullOpacity = false;
    std::unique_ptr<TGPKerningText> m_kerning;
    int m_passDepth = 0;
    size_t m_cloneBudget = MaxClonedElements;
    int m_patternDepth = 0;
    quint64 m_passSerial = 0;
    float m_rasterScale = 1;
};

// The canvas class documents draw with unless told otherwise.
TSVGCanvasClass DefaultSVGCanvasClass();
