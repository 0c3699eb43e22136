// Sample classes with published properties of every kind, for the serializer
// and variables tests.
#pragma once
#include "core/vdFiler.h"
#include "core/vdPersistent.h"
#include "core/vdVariant.h"
#include "core/vdXML.h"
#include "core/vdxXMLSerializer.h"

#include <QStringList>

class SampleFont : public TvdPersistent {
    Q_OBJECT
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(int Size READ Size WRITE SetSize)
    Q_PROPERTY(FontStyles Style READ Style WRITE SetStyle)
    Q_CLASSINFO("default:Size", "10")
    Q_CLASSINFO("default:Style", "0")
public:
    enum FontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4 };
    Q_DECLARE_FLAGS(FontStyles, FontStyle)
    Q_FLAG(FontStyles)

    QString Name() const { return m_name; }
    void SetName(const QString &n) { m_name = n; }
    int Size() const { return m_size; }
    void SetSize(int s) { m_size = s; }
    FontStyles Style() const { return m_style; }
    void SetStyle(FontStyles s) { m_style = s; }

private:
    QString m_name = QStringLiteral("Arial");
    int m_size = 10;
    FontStyles m_style;
};

class SampleView : public TvdComponent, public IvdxSerializerHooks {
    Q_OBJECT
    Q_PROPERTY(double Left READ Left WRITE SetLeft)
    Q_PROPERTY(double Top READ Top WRITE SetTop)
    Q_PROPERTY(int Count READ Count WRITE SetCount)
    Q_PROPERTY(HAlign Align READ Align WRITE SetAlign)
    Q_PROPERTY(Borders Frame READ Frame WRITE SetFrame)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(QChar Letter READ Letter WRITE SetLetter)
    Q_PROPERTY(qint64 Big READ Big WRITE SetBig)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QStringList Lines READ Lines WRITE SetLines)
    Q_PROPERTY(SampleFont *Font READ Font)
    Q_PROPERTY(SampleView *Link READ Link WRITE SetLink)
    Q_PROPERTY(Variant Value READ Value WRITE SetValue)
    Q_CLASSINFO("default:Count", "0")
    Q_CLASSINFO("default:Align", "haLeft")
    Q_CLASSINFO("default:Frame", "0")
    Q_CLASSINFO("default:Visible", "True")
    Q_CLASSINFO("default:Letter", "65")
    Q_CLASSINFO("default:Big", "-1")
public:
    enum HAlign { haLeft, haRight, haCenter, haBlock };
    Q_ENUM(HAlign)
    enum Border { ftLeft = 1, ftRight = 2, ftTop = 4, ftBottom = 8 };
    Q_DECLARE_FLAGS(Borders, Border)
    Q_FLAG(Borders)

    Q_INVOKABLE explicit SampleView(TvdComponent *owner = nullptr) : TvdComponent(owner) {}
    ~SampleView() override { delete m_font; }

    double Left() const { return m_left; }
    void SetLeft(double v) { m_left = v; }
    double Top() const { return m_top; }
    void SetTop(double v) { m_top = v; }
    int Count() const { return m_count; }
    void SetCount(int v) { m_count = v; }
    HAlign Align() const { return m_align; }
    void SetAlign(HAlign v) { m_align = v; }
    Borders Frame() const { return m_frame; }
    void SetFrame(Borders v) { m_frame = v; }
    bool Visible() const { return m_visible; }
    void SetVisible(bool v) { m_visible = v; }
    QChar Letter() const { return m_letter; }
    void SetLetter(QChar v) { m_letter = v; }
    qint64 Big() const { return m_big; }
    void SetBig(qint64 v) { m_big = v; }
    QString Caption() const { return m_caption; }
    void SetCaption(const QString &v) { m_caption = v; }
    QStringList Lines() const { return m_lines; }
    void SetLines(const QStringList &v) { m_lines = v; }
    SampleFont *Font() const { return m_font; }
    SampleView *Link() const { return m_link; }
    void SetLink(SampleView *v)
    {
        if (m_link)
            m_link->RemoveFreeNotification(this);
        m_link = v;
        if (v)
            v->FreeNotification(this);
    }
    Variant Value() const { return m_value; }
    void SetValue(const Variant &v) { m_value = v; }

    // Memo-like text and extra binary data.
    QString memoText;
    bool isMemo = false;
    bool isAncestor = false;
    QByteArray blob;
    int loadedCalls = 0;
    double width = 0, height = 0;

    bool vdxHasBounds() const override { return true; }
    void vdxSetBound(char which, double v) override
    {
        switch (which) {
        case 'l': m_left = v; break;
        case 't': m_top = v; break;
        case 'w': width = v; break;
        case 'h': height = v; break;
        }
    }
    bool vdxIsMemoView() const override { return isMemo; }
    QString vdxMemoText() const override { return memoText; }
    void vdxSetMemoText(const QString &t) override { memoText = t; }
    bool vdxIsAncestor() const override { return isAncestor; }
    // Nested content: one "Nested" child item holding the blob as text.
    bool nested = false;
    bool vdxHandlesNestedProperties() const override { return nested; }
    void vdxWriteNestedProperties(TvdXMLItem *item, TvdPersistent *) override
    {
        item->Add(QStringLiteral("Nested"))->SetProp(QStringLiteral("Data"), QString::fromLatin1(blob));
    }
    bool vdxReadNestedProperty(TvdXMLItem *item) override
    {
        if (item->Name() != QLatin1String("Nested"))
            return false;
        blob = item->GetProp(QStringLiteral("Data")).toLatin1();
        return true;
    }

    void WriteBinaryProperties(TvdBinaryWriter &w) const override
    {
        if (!blob.isEmpty()) {
            w.WritePropName(QStringLiteral("Blob"));
            w.WriteBinary(blob);
        }
    }
    bool ReadBinaryProperty(const QString &name, TvdBinaryReader &r) override
    {
        if (name != QLatin1String("Blob"))
            return false;
        blob = r.ReadBinary();
        return true;
    }
    void Loaded() override
    {
        TvdComponent::Loaded();
        ++loadedCalls;
    }

protected:
    void Notification(TvdComponent *c, Operation op) override
    {
        TvdComponent::Notification(c, op);
        if (op == opRemove && c == m_link)
            m_link = nullptr;
    }

private:
    double m_left = 0, m_top = 0;
    int m_count = 0;
    HAlign m_align = haLeft;
    Borders m_frame;
    bool m_visible = true;
    QChar m_letter = QLatin1Char('A');
    qint64 m_big = -1;
    QString m_caption;
    QStringList m_lines;
    SampleFont *m_font = new SampleFont;
    SampleView *m_link = nullptr;
    Variant m_value;
};

// A page-like container with a float and no hooks.
class SamplePage : public TvdComponent {
    Q_OBJECT
    Q_PROPERTY(double PaperWidth READ PaperWidth WRITE SetPaperWidth)
public:
    Q_INVOKABLE explicit SamplePage(TvdComponent *owner = nullptr) : TvdComponent(owner) {}
    double PaperWidth() const { return m_w; }
    void SetPaperWidth(double v) { m_w = v; }

private:
    double m_w = 210;
};

class SampleRoot : public TvdComponent {
    Q_OBJECT
    Q_PROPERTY(QString Title READ Title WRITE SetTitle)
public:
    Q_INVOKABLE explicit SampleRoot(TvdComponent *owner = nullptr) : TvdComponent(owner) {}
    QString Title() const { return m_title; }
    void SetTitle(const QString &t) { m_title = t; }

private:
    QString m_title;
};

inline void registerSampleClasses()
{
    vdRegisterClass<SampleView>();
    vdRegisterClass<SamplePage>();
    vdRegisterClass<SampleRoot>();
}
