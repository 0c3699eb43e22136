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
    if (v && !IsEmpty()) {
        SetWidth(GraphicWidth());
        SetHeight(GraphicHeight());
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
    UpdateGraphicFormat();
}

TGraphic *TvdxPictureView::GetGraphic() const { return IsEmpty() ? nullptr : m_picture->Graphic(); }

bool TvdxPictureView::IsEmpty() const { return !m_picture->Graphic() || m_picture->Graphic()->Empty(); }

int TvdxPictureView::GraphicWidth() const { return GetGraphic() ? GetGraphic()->Width() : 0; }

int TvdxPictureView::GraphicHeight() const { return GetGraphic() ? GetGraphic()->Height() : 0; }

void TvdxPictureView::UpdateGraphicFormat()
{
    TGraphic *g = GetGraphic();
    m_format = g ? GetGraphicFormats()->FindByGraphic(&g->graphicClass()) : nullptr;
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
    return TvdxView::IsPropertyStored(propName);
}

// The picture travels as its graphic's class name and file bytes.
void TvdxPictureView::WriteBinaryProperties(TvdBinaryWriter &writer) const
{
    TvdxView::WriteBinaryProperties(writer);
    if (!m_isPictureStored || IsEmpty())
        return;
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    const QByteArray cls = QByteArray(m_picture->Graphic()->graphicClass().name);
    b.putChar(char(cls.size()));
    b.write(cls);
    m_picture->Graphic()->SaveToStream(b);
    writer.WritePropName(QStringLiteral("Picture.Data"));
    writer.WriteBinary(b.data());
}

bool TvdxPictureView::ReadBinaryProperty(const QString &name, TvdBinaryReader &reader)
{
    if (name != QLatin1String("Picture.Data"))
        return TvdxView::ReadBinaryProperty(name, reader);
    const QByteArray data = reader.ReadBinary();
    const int n = data.isEmpty() ? 0 : quint8(data.at(0));
    TGraphicClassRef cls =
        data.size() > n ? TPicture::GraphicClassByName(QString::fromLatin1(data.mid(1, n))) : nullptr;
    m_picture->Clear();
    if (cls) {
        QByteArray body = data.mid(1 + n);
        QBuffer b(&body);
        b.open(QIODevice::ReadOnly);
        std::unique_ptr<TGraphic> g = cls->create();
        try {
            g->LoadFromStream(b);
            m_picture->SetGraphicOwned(std::move(g));
        } catch (const Exception &) {
            m_picture->Clear();
        }
    }
    pictureChanged();
    m_pictureChanged = true;
    return true;
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
