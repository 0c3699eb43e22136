// The loaded SVG document: the outermost svg element and what the document
// owns besides the tree (source, style sheets, the host's placement).
#pragma once
#include "svg/vdSVGElement.h"

class TSVGRootObj : public TSVGElementObj {
public:
    TSVGRootObj();
    ~TSVGRootObj() override;

    void Clear() override;
    // Raises what the XML reader raises; the tree then stays empty.
    void LoadFromText(const QString &text);
    void LoadFromFile(const QString &fileName);
    const QString &Source() const { return m_source; }
    TvdxCSSList &StyleList() { return m_styleList; }
    const TvdxCSSList &StyleList() const { return m_styleList; }
    void ReadStyle(TvdxSVGXMLItem *node);
    void Prepare();

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
    float ExternalFontSize() const { return m_externalFontSize; }
    void SetExternalFontSize(float v);
    const QString &ExternalFontName() const { return m_externalFontName; }
    void SetExternalFontName(const QString &v);
    const TSingleBounds &ExternalBounds() const { return m_externalBounds; }
    void SetExternalBounds(const TSingleBounds &v);
    bool IsPrepared() const { return m_isPrepared; }

private:
    void sureSizeAndViewBox();

    QString m_source;
    QString m_fileName;
    TvdxCSSList m_styleList;
    float m_externalOpacity = 1;
    float m_externalFontSize = 16;
    QString m_externalFontName = QStringLiteral("times");
    TSingleBounds m_externalBounds{0, 0, 300, 150};
    bool m_isPrepared = false;
    bool m_isFullOpacity = false;
};
