// Loads arbitrary bytes as a component tree: every failure must end as an
// error line or an exception of ours, never as a crash or a hang.
#include "platform/Exception.h"
#include "core/vdPersistent.h"
#include "core/vdVariant.h"
#include "core/vdxVariables.h"
#include "core/vdxXMLSerializer.h"

#include <QBuffer>
#include <QStringList>
#include <cstdint>

namespace {

class FuzzFont : public TvdPersistent {
    Q_OBJECT
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(int Size READ Size WRITE SetSize)
    Q_CLASSINFO("default:Size", "10")
public:
    QString Name() const { return m_name; }
    void SetName(const QString &n) { m_name = n; }
    int Size() const { return m_size; }
    void SetSize(int s) { m_size = s; }

private:
    QString m_name;
    int m_size = 10;
};

class FuzzView : public TvdComponent, public IvdxSerializerHooks {
    Q_OBJECT
    Q_PROPERTY(double Left READ Left WRITE SetLeft)
    Q_PROPERTY(int Count READ Count WRITE SetCount)
    Q_PROPERTY(Kind Mode READ Mode WRITE SetMode)
    Q_PROPERTY(Flags Options READ Options WRITE SetOptions)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(qint64 Big READ Big WRITE SetBig)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QStringList Lines READ Lines WRITE SetLines)
    Q_PROPERTY(FuzzFont *Font READ Font)
    Q_PROPERTY(FuzzView *Link READ Link WRITE SetLink)
    Q_PROPERTY(Variant Value READ Value WRITE SetValue)
public:
    enum Kind { kA, kB, kC };
    Q_ENUM(Kind)
    enum Flag { f1 = 1, f2 = 2, f4 = 4 };
    Q_DECLARE_FLAGS(Flags, Flag)
    Q_FLAG(Flags)

    Q_INVOKABLE explicit FuzzView(TvdComponent *owner = nullptr) : TvdComponent(owner) {}
    ~FuzzView() override { delete m_font; }
    double Left() const { return m_left; }
    void SetLeft(double v) { m_left = v; }
    int Count() const { return m_count; }
    void SetCount(int v) { m_count = v; }
    Kind Mode() const { return m_mode; }
    void SetMode(Kind v) { m_mode = v; }
    Flags Options() const { return m_options; }
    void SetOptions(Flags v) { m_options = v; }
    bool Visible() const { return m_visible; }
    void SetVisible(bool v) { m_visible = v; }
    qint64 Big() const { return m_big; }
    void SetBig(qint64 v) { m_big = v; }
    QString Caption() const { return m_caption; }
    void SetCaption(const QString &v) { m_caption = v; }
    QStringList Lines() const { return m_lines; }
    void SetLines(const QStringList &v) { m_lines = v; }
    FuzzFont *Font() const { return m_font; }
    FuzzView *Link() const { return m_link; }
    void SetLink(FuzzView *v)
    {
        if (m_link)
            m_link->RemoveFreeNotification(this);
        m_link = v;
        if (v)
            v->FreeNotification(this);
    }
    Variant Value() const { return m_value; }
    void SetValue(const Variant &v) { m_value = v; }

    bool vdxHasBounds() const override { return true; }
    void vdxSetBound(char, double v) override { m_left = v; }
    bool vdxIsMemoView() const override { return true; }
    QString vdxMemoText() const override { return m_text; }
    void vdxSetMemoText(const QString &t) override { m_text = t; }

protected:
    void Notification(TvdComponent *c, Operation op) override
    {
        TvdComponent::Notification(c, op);
        if (op == opRemove && c == m_link)
            m_link = nullptr;
    }

private:
    double m_left = 0;
    int m_count = 0;
    Kind m_mode = kA;
    Flags m_options;
    bool m_visible = true;
    qint64 m_big = 0;
    QString m_caption, m_text;
    QStringList m_lines;
    FuzzFont *m_font = new FuzzFont;
    FuzzView *m_link = nullptr;
    Variant m_value;
};

class FuzzRoot : public TvdComponent {
    Q_OBJECT
    Q_PROPERTY(QString Title READ Title WRITE SetTitle)
public:
    Q_INVOKABLE explicit FuzzRoot(TvdComponent *owner = nullptr) : TvdComponent(owner) {}
    QString Title() const { return m_title; }
    void SetTitle(const QString &t) { m_title = t; }

private:
    QString m_title;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool registered = [] {
        vdRegisterClass<FuzzView>();
        vdRegisterClass<FuzzRoot>();
        return true;
    }();
    (void)registered;

    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    FuzzRoot root;
    auto *existing = new FuzzView(&root);
    existing->SetName("Existing");
    try {
        QBuffer buf(&bytes);
        buf.open(QIODevice::ReadOnly);
        TvdxXMLSerializer s(&buf);
        s.ReadRootComponent(&root);
        // What was read must write back.
        QByteArray out;
        QBuffer outBuf(&out);
        outBuf.open(QIODevice::WriteOnly);
        TvdxXMLSerializer w(&outBuf);
        w.WriteRootComponent(&root);
    } catch (const Exception &) {
    }
    // The same bytes as attribute text of one object, and as a variables file.
    try {
        TvdxXMLSerializer s;
        s.SetOwner(&root);
        FuzzView v(&root);
        s.XMLToObj(QString::fromUtf8(bytes), &v);
        s.ResolveFixups();
    } catch (const Exception &) {
    }
    try {
        QBuffer buf(&bytes);
        buf.open(QIODevice::ReadOnly);
        TvdxVariables vars;
        vars.LoadFromStream(buf);
    } catch (const Exception &) {
    }
    return 0;
}

#include "fuzz_serializer.moc"
