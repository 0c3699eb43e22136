#include "report/vdxClass_picture.h"

#include "core/vdFiler.h"
#include "core/vdGraphic.h"
#include "core/vdVariant.h"
#include "core/vdxRes.h"
#include "platform/Canvas.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_report.h"

#include <QBuffer>
#include <QFile>
#include <QtEndian>

TvdxPictureView::TvdxPictureView(TvdComponent *owner) : TvdxView(owner), m_picture(std::make_unique<TPicture>())
{
    SetvdComponentStyle(vdComponentStyle() & ~TvdxComponentStyle(csDefaultDiff));
}

TvdxPictureView::~TvdxPictureView() = default;

QString TvdxPictureView::GetDescription() const { return GetResStrByName(QStringLiteral("obPicture")); }

bool TvdxPictureView::GetProp(int index) const
{
    return index >= 0 && index <= 7 && m_props.contains(TvdxGraphicDrawProp(index));
}

void TvdxPictureView::SetProp(int index, bool value)
{
    if (index < 0 || index > 7)
        return;
    const TvdxGraphicDrawProps one{TvdxGraphicDrawProp(index)};
    m_props = value ? m_props + one : m_props - one;
}

void TvdxPictureView::SetAutoSize(bool v)
{
    SetProp(fgdAutoSize, v);
    if (TGraphic *g = m_picture->Graphic(); v && g && !g->Empty()) {
        SetWidth(g->Width());
        SetHeight(g->Height());
    }
}

void TvdxPictureView::SetGraphic(const TGraphic *graphic)
{
    m_picture->SetGraphic(graphic);
    pictureChanged();
}

void TvdxPictureView::pictureChanged()
{
    SetAutoSize(AutoSize());
    m_pictureChanged = true;
    if (m_cached) {
        m_cached.reset();
        m_imageIndex = 0;
    }
    UpdateGraphicFormat();
}

TPicture *TvdxPictureView::Picture() const
{
    if (!m_picture->Graphic() && m_cached)
        if (TGraphic *g = m_cached->GetGraphic(cgOriginal))
            m_picture->SetGraphic(g);
    return m_picture.get();
}

TvdxDataLink *TvdxPictureView::DataLink() const
{
    if (!m_dataLink)
        m_dataLink = std::make_unique<TvdxDataLink>();
    return m_dataLink.get();
}

TGraphic *TvdxPictureView::GetGraphic() const
{
    if (IsEmpty())
        return nullptr;
    return m_cached ? m_cached->GetGraphic(cgThumbnail) : m_picture->Graphic();
}

bool TvdxPictureView::IsEmpty() const
{
    return !m_cached && (!m_picture->Graphic() || m_picture->Graphic()->Empty());
}

int TvdxPictureView::GraphicWidth() const { return GetGraphic() ? GetGraphic()->Width() : 0; }

int TvdxPictureView::GraphicHeight() const { return GetGraphic() ? GetGraphic()->Height() : 0; }

void TvdxPictureView::UpdateGraphicFormat()
{
    TGraphic *g = m_picture->Graphic();
    if ((!g || g->Empty()) && m_cached)
        g = m_cached->GetGraphic(cgOriginal);
    if (g && g->Empty())
        g = nullptr;
    m_format = g ? GetGraphicFormats()->FindByGraphic(&g->graphicClass()) : nullptr;
}

bool TvdxPictureView::LoadDataFromStream(QIODevice &stream, const QString &link)
{
    Q_UNUSED(link)
    return LoadPictureFromStream(stream, true) == vdS_OK;
}

QString TvdxPictureView::GetLink(TvdxDataLink::TvdxDataLinkLoadMethod method) const
{
    return TvdxDataLink::GetLink(m_dataLink.get(), method);
}

bool TvdxPictureView::IsExpressionLink() const { return TvdxDataLink::IsExpressionLink(m_dataLink.get()); }

void TvdxPictureView::SaveGraphicToCache(IvdxPictureCache *cache)
{
    if (!cache || !m_pictureChanged)
        return;
    m_imageIndex = cache->AddPicture(Picture()->Graphic());
    m_pictureChanged = false;
}

void TvdxPictureView::LoadGraphicFromCache(IvdxPictureCache *cache, TvdxCachedGraphicType cacheType)
{
    if (!cache)
        return;
    if (cache->ThumbnailsEnabled()) {
        m_cached = cache->GetCachedBitmap(cacheType, m_imageIndex);
        UpdateGraphicFormat();
        return;
    }
    m_cached.reset();
    const int index = m_imageIndex;
    cache->GetPicture(*m_picture, index);
    pictureChanged();
}

bool TvdxPictureView::IsGraphicReloadNeeded(TvdxCachedGraphicType cacheType) const
{
    return (m_cached && m_cached->GetCacheType() != cacheType) || (m_imageIndex > 0 && IsEmpty());
}

qint32 TvdxPictureView::LoadPictureFromStream(QIODevice &stream, bool resetStreamPos)
{
    const qint64 start = resetStreamPos ? 0 : stream.pos();
    stream.seek(start);
    const qint64 size = stream.size() - start;
    bool ok = false;
    if (size > 0) {
        if (size >= 8) {
            // The database graphic-field header: 1, 0x0100 and the length that follows.
            const QByteArray head = stream.read(8);
            const bool header = head.size() == 8 && qFromLittleEndian<quint16>(head.constData()) == 1
                                && qFromLittleEndian<quint16>(head.constData() + 2) == 0x0100
                                && qFromLittleEndian<quint32>(head.constData() + 4) == quint32(size - 8);
            if (!header)
                stream.seek(start);
        }
        try {
            ok = GetGraphicFormats()->LoadFromStream(*m_picture, stream);
        } catch (const Exception &) {
            ok = false;
        }
    }
    if (!ok)
        m_picture->Clear();
    pictureChanged();
    return ok ? vdS_OK : vdE_INVALIDARG;
}

bool TvdxPictureView::IsEMFExportable() { return AllowVectorExport() && GraphicIsVector(); }

bool TvdxPictureView::IsPropertyStored(const char *propName) const
{
    if (qstrcmp(propName, "ImageIndex") == 0)
        return m_isImageIndexStored;
    if (qstrcmp(propName, "DataLink") == 0)
        return TvdxDataLink::IsDataLinkStored(m_dataLink.get(), vdComponentState());
    return TvdxView::IsPropertyStored(propName);
}

QByteArray vdxPictureToBytes(const TPicture &picture)
{
    const TGraphic *g = picture.Graphic();
    if (!g || g->Empty())
        return QByteArray();
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    const QByteArray cls = QByteArray(g->graphicClass().name);
    b.putChar(char(cls.size()));
    b.write(cls);
    g->SaveToStream(b);
    return b.data();
}

bool vdxPictureFromBytes(const QByteArray &data, TPicture &picture)
{
    const int n = data.isEmpty() ? 0 : quint8(data.at(0));
    TGraphicClassRef cls =
        data.size() > n ? TPicture::GraphicClassByName(QString::fromLatin1(data.mid(1, n))) : nullptr;
    picture.Clear();
    if (!cls)
        return false;
    QByteArray body = data.mid(1 + n);
    QBuffer b(&body);
    b.open(QIODevice::ReadOnly);
    std::unique_ptr<TGraphic> g = cls->create();
    try {
        g->LoadFromStream(b);
    } catch (const Exception &) {
        return false;
    }
    picture.SetGraphicOwned(std::move(g));
    return true;
}

// The picture travels as its graphic's class name and file bytes.
void TvdxPictureView::WriteBinaryProperties(TvdBinaryWriter &writer) const
{
    TvdxView::WriteBinaryProperties(writer);
    if (!m_isPictureStored || IsEmpty())
        return;
    const QByteArray data = vdxPictureToBytes(*Picture());
    if (data.isEmpty())
        return;
    writer.WritePropName(QStringLiteral("Picture.Data"));
    writer.WriteBinary(data);
}

bool TvdxPictureView::ReadBinaryProperty(const QString &name, TvdBinaryReader &reader)
{
    if (name != QLatin1String("Picture.Data"))
        return TvdxView::ReadBinaryProperty(name, reader);
    vdxPictureFromBytes(reader.ReadBinary(), *m_picture);
    pictureChanged();
    return true;
}

std::unique_ptr<TPicture> TvdxPictureView::ExchangePicture(std::unique_ptr<TPicture> picture)
{
    if (!picture)
        picture = std::make_unique<TPicture>();
    std::swap(picture, m_picture);
    UpdateGraphicFormat();
    return picture;
}

void TvdxPictureView::Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY)
{
    PrepareDrawBounds(canvas, scaleX, scaleY, offsetX, offsetY);
    if (!DrawAsMask())
        PaintFill();
    if (TGraphic *g = GetGraphic()) {
        TvdxDrawGraphicExt settings;
        settings.DrawProps = m_props;
        settings.TransparentColor = m_transparentColor;
        settings.Quality = IsPrinting() ? gqPrint : HightQuality() ? gqHiQuality : gqDefault;
        UpdateGraphicFormat();
        const TRect area(m_fx, m_fy, m_fx1, m_fy1);
        if (m_format)
            m_format->DrawExt(settings, canvas, g, area, scaleX, scaleY);
        else
            GetGraphicFormats()->DrawExt(settings, canvas, g, area, scaleX, scaleY);
    }
    PaintFrame();
}

void TvdxPictureView::BeforePrint()
{
    TvdxView::BeforePrint();
    TvdxDataLink::SaveState(m_dataLink.get());
}

void TvdxPictureView::AfterPrint()
{
    TvdxView::AfterPrint();
    TvdxDataLink::RestoreState(m_dataLink.get());
}

void TvdxPictureView::GetData()
{
    TvdxView::GetData();
    if (!m_fileLink.isEmpty()) {
        QString file = m_fileLink;
        ExpandExpressions(file);
        QFile f(file);
        if (!file.isEmpty() && f.exists() && f.open(QIODevice::ReadOnly))
            LoadPictureFromStream(f, true);
        else
            SetGraphic(nullptr);
    } else if (IsDataField() && DataSet()->IsBlobField(DataField())) {
        QBuffer b;
        b.open(QIODevice::ReadWrite);
        DataSet()->AssignBlobTo(DataField(), &b);
        LoadPictureFromStream(b, true);
    }
}

QString TvdxPictureView::Diff(TvdxComponent *aComponent)
{
    QString s = TvdxView::Diff(aComponent);
    s += QLatin1String(" ImageIndex=\"") + QString::number(m_imageIndex) + QLatin1Char('"');
    if (Transparent())
        s += QLatin1String(" Transparent=\"1\"");
    if (m_transparentColor != clWhite)
        s += QLatin1String(" TransparentColor=\"") + QString::number(m_transparentColor) + QLatin1Char('"');
    return s;
}
