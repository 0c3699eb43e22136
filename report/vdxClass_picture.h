// The picture object: a raster or vector picture held in the object, loaded
// from a file link or a blob field, drawn fitted into the object's box.
#pragma once
#include "core/vdBaseGraphicsTypes.h"
#include "core/vdPictureGraphics.h"
#include "report/vdxClass_datalink.h"
#include "report/vdxClass_view.h"

class QIODevice;
class TPicture;
class TGraphic;

constexpr qint32 vdS_OK = 0;
constexpr qint32 vdE_INVALIDARG = qint32(0x80070057u);

class TvdxPictureView : public TvdxView, public IvdxDataLinkObject, public IvdxCachedView {
    Q_OBJECT
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(bool Center READ Center WRITE SetCenter)
    Q_PROPERTY(int Cursor READ Cursor WRITE SetCursor)
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TvdxDataLink *DataLink READ DataLink WRITE SetDataLink)
    Q_PROPERTY(QString DataSetName READ DataSetName WRITE SetDataSetName)
    Q_PROPERTY(QString FileLink READ FileLink WRITE SetFileLink)
    Q_PROPERTY(TvdxCustomFill::TvdxFillType FillType READ FillType WRITE SetFillType)
    Q_PROPERTY(TvdxCustomFill *Fill READ Fill WRITE SetFill)
    Q_PROPERTY(TvdxFrame *Frame READ Frame WRITE SetFrame)
    Q_PROPERTY(bool HightQuality READ HightQuality WRITE SetHightQuality)
    Q_PROPERTY(int ImageIndex READ ImageIndex WRITE SetImageIndex)
    Q_PROPERTY(bool KeepAspectRatio READ KeepAspectRatio WRITE SetKeepAspectRatio)
    Q_PROPERTY(bool Stretched READ Stretched WRITE SetStretched)
    Q_PROPERTY(QString TagStr READ TagStr WRITE SetTagStr)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(int TransparentColor READ TransparentColor WRITE SetTransparentColor)
    Q_PROPERTY(QString URL READ URL WRITE SetURL STORED false)
    Q_CLASSINFO("default:AutoSize", "False")
    Q_CLASSINFO("default:Center", "False")
    Q_CLASSINFO("default:Cursor", "0")
    Q_CLASSINFO("default:FillType", "ftBrush")
    Q_CLASSINFO("default:KeepAspectRatio", "True")
    Q_CLASSINFO("default:Stretched", "True")
public:
    Q_INVOKABLE explicit TvdxPictureView(TvdComponent *owner = nullptr);
    ~TvdxPictureView() override;

    bool AutoSize() const { return GetProp(fgdAutoSize); }
    void SetAutoSize(bool v);
    bool Center() const { return GetProp(fgdCenter); }
    void SetCenter(bool v) { SetProp(fgdCenter, v); }
    bool KeepAspectRatio() const { return GetProp(fgdKeepAspectRatio); }
    void SetKeepAspectRatio(bool v) { SetProp(fgdKeepAspectRatio, v); }
    bool Stretched() const { return GetProp(fgdStretch); }
    void SetStretched(bool v) { SetProp(fgdStretch, v); }
    bool Transparent() const { return GetProp(fgdTransparent); }
    void SetTransparent(bool v) { SetProp(fgdTransparent, v); }
    bool HightQuality() const { return GetProp(fgdHiQuality); }
    void SetHightQuality(bool v) { SetProp(fgdHiQuality, v); }
    // Bits of the draw flags by index; past the last flag: False, nothing set.
    bool GetProp(int index) const;
    void SetProp(int index, bool value);
    TvdxGraphicDrawProps GraphicProps() const { return m_props; }

    QString FileLink() const { return m_fileLink; }
    void SetFileLink(const QString &v) { m_fileLink = v; }
    int ImageIndex() const { return m_imageIndex; }
    void SetImageIndex(int v) { m_imageIndex = v; }
    TColor TransparentColor() const { return m_transparentColor; }
    void SetTransparentColor(int v) { m_transparentColor = v; }
    bool IsImageIndexStored() const { return m_isImageIndexStored; }
    void SetIsImageIndexStored(bool v) { m_isImageIndexStored = v; }
    bool IsPictureStored() const { return m_isPictureStored; }
    void SetIsPictureStored(bool v) { m_isPictureStored = v; }

    // The own picture; with a cached graphic attached and no graphic of its
    // own, the cached original is put into it first.
    TPicture *Picture() const;
    // Created on first read; the setter copies the given settings.
    TvdxDataLink *DataLink() const;
    void SetDataLink(TvdxDataLink *v) { DataLink()->Assign(v); }
    TvdxDataLink *GetDataLink() override { return m_dataLink.get(); }
    // Takes a copy of the graphic (nullptr clears) and reacts as to any change.
    void SetGraphic(const TGraphic *graphic);
    TGraphic *GetGraphic() const;
    bool IsEmpty() const;
    int GraphicWidth() const;
    int GraphicHeight() const;
    TvdxCustomGraphicFormatClass GraphicFormat() const { return m_format; }
    bool GraphicIsVector() const { return m_format && m_format->IsVector(); }
    void UpdateGraphicFormat();
    // S_OK, or E_INVALIDARG for an empty or unknown stream (the picture cleared).
    // A stream that starts with the database graphic-field header is read
    // after it.
    virtual qint32 LoadPictureFromStream(QIODevice &stream, bool resetStreamPos);
    bool PictureChanged() const { return m_pictureChanged; }
    void SetPictureChanged(bool value) { m_pictureChanged = value; }

    // Data-link target: a link loads as a picture stream.
    bool LoadDataFromStream(QIODevice &stream, const QString &link) override;
    QString GetLink(TvdxDataLink::TvdxDataLinkLoadMethod method) const override;
    bool IsExpressionLink() const override;

    // The picture travels through the prepared report's picture cache.
    void SaveGraphicToCache(IvdxPictureCache *cache) override;
    void LoadGraphicFromCache(IvdxPictureCache *cache, TvdxCachedGraphicType cacheType) override;
    bool IsGraphicReloadNeeded(TvdxCachedGraphicType cacheType) const override;
    void ReleaseCachedGraphic() override { m_cached.reset(); }
    IvdxCachedGraphicRef CachedGraphic() const { return m_cached; }

    bool IsEMFExportable() override;
    bool IsPropertyStored(const char *propName) const override;
    void WriteBinaryProperties(TvdBinaryWriter &writer) const override;
    bool ReadBinaryProperty(const QString &name, TvdBinaryReader &reader) override;
    void Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;
    void BeforePrint() override;
    void GetData() override;
    void AfterPrint() override;
    QString Diff(TvdxComponent *aComponent) override;
    QString GetDescription() const override;

protected:
    // Puts another picture in place of the own one without any of the
    // change handling (size, cache, changed flag); answers the previous one.
    std::unique_ptr<TPicture> ExchangePicture(std::unique_ptr<TPicture> picture);

private:
    void pictureChanged();

    TvdxGraphicDrawProps m_props{fgdKeepAspectRatio, fgdStretch, fgdClip};
    QString m_fileLink;
    int m_imageIndex = 0;
    bool m_isImageIndexStored = false;
    bool m_isPictureStored = true;
    mutable std::unique_ptr<TvdxDataLink> m_dataLink;
    std::unique_ptr<TPicture> m_picture;
    IvdxCachedGraphicRef m_cached;
    bool m_pictureChanged = false;
    TColor m_transparentColor = clWhite;
    TvdxCustomGraphicFormatClass m_format = nullptr;
};

// A picture as the name of its graphic class and its file bytes, the form of
// pictures in binary properties; empty for no graphic.
QByteArray vdxPictureToBytes(const TPicture &picture);
// Reads that form back; an unknown class or damaged bytes leave the picture
// empty and answer False.
bool vdxPictureFromBytes(const QByteArray &data, TPicture &picture);
