// Writing and reading a component tree of 2000 views, MD5 and the text map.
#include "core/vdCoreClasses.h"
#include "core/vdHashUtils.h"
#include "core/vdPersistent.h"
#include "core/vdXML.h"
#include "core/vdxXMLSerializer.h"

#include <QBuffer>
#include <benchmark/benchmark.h>

namespace {

class BenchFont : public TvdPersistent {
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
    QString m_name = QStringLiteral("Arial");
    int m_size = 10;
};

class BenchView : public TvdComponent {
    Q_OBJECT
    Q_PROPERTY(double Left READ Left WRITE SetLeft)
    Q_PROPERTY(double Top READ Top WRITE SetTop)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(Align HAlign READ HAlign WRITE SetHAlign)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(BenchFont *Font READ Font)
    Q_CLASSINFO("default:Color", "0")
    Q_CLASSINFO("default:HAlign", "haLeft")
public:
    enum Align { haLeft, haRight, haCenter };
    Q_ENUM(Align)
    Q_INVOKABLE explicit BenchView(TvdComponent *owner = nullptr) : TvdComponent(owner) {}
    ~BenchView() override { delete m_font; }
    double Left() const { return m_left; }
    void SetLeft(double v) { m_left = v; }
    double Top() const { return m_top; }
    void SetTop(double v) { m_top = v; }
    int Color() const { return m_color; }
    void SetColor(int v) { m_color = v; }
    Align HAlign() const { return m_align; }
    void SetHAlign(Align v) { m_align = v; }
    QString Caption() const { return m_caption; }
    void SetCaption(const QString &v) { m_caption = v; }
    BenchFont *Font() const { return m_font; }

private:
    double m_left = 0, m_top = 0;
    int m_color = 0;
    Align m_align = haLeft;
    QString m_caption;
    BenchFont *m_font = new BenchFont;
};

void buildTree(TvdComponent &root)
{
    for (int i = 0; i < 2000; ++i) {
        auto *v = new BenchView(&root);
        v->SetName(QStringLiteral("Memo%1").arg(i));
        v->SetLeft(i * 3.77953);
        v->SetTop(i % 50 * 18.9);
        v->SetColor(i % 7);
        v->SetHAlign(BenchView::Align(i % 3));
        v->SetCaption(QStringLiteral("[Customer.\"Name\"] & %1").arg(i));
        v->Font()->SetSize(8 + i % 4);
    }
}

QByteArray writeTree()
{
    BenchView root;
    buildTree(root);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    TvdxXMLSerializer s(&buf);
    s.WriteRootComponent(&root);
    return bytes;
}

} // namespace

static void BM_SerializerWrite2000(benchmark::State &state)
{
    vdRegisterClass<BenchView>();
    BenchView root;
    buildTree(root);
    for (auto _ : state) {
        QByteArray bytes;
        QBuffer buf(&bytes);
        buf.open(QIODevice::WriteOnly);
        TvdxXMLSerializer s(&buf);
        s.WriteRootComponent(&root);
        benchmark::DoNotOptimize(bytes.size());
    }
}
BENCHMARK(BM_SerializerWrite2000)->Unit(benchmark::kMillisecond);

static void BM_SerializerRead2000(benchmark::State &state)
{
    vdRegisterClass<BenchView>();
    QByteArray bytes = writeTree();
    for (auto _ : state) {
        BenchView root;
        QBuffer buf(&bytes);
        buf.open(QIODevice::ReadOnly);
        TvdxXMLSerializer s(&buf);
        s.ReadRootComponent(&root);
        benchmark::DoNotOptimize(root.ComponentCount());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
}
BENCHMARK(BM_SerializerRead2000)->Unit(benchmark::kMillisecond);

static void BM_MD5_1MB(benchmark::State &state)
{
    QByteArray data(1 << 20, 'x');
    for (auto _ : state)
        benchmark::DoNotOptimize(MD5HexOfString(data));
    state.SetBytesProcessed(int64_t(state.iterations()) * data.size());
}
BENCHMARK(BM_MD5_1MB);

static void BM_StringDictionaryLookup(benchmark::State &state)
{
    TvdStringDictionary d;
    QStringList keys;
    for (int i = 0; i < 3000; ++i) {
        keys << QStringLiteral("key%1").arg(i);
        d.Add(keys.last(), QStringLiteral("value"));
    }
    QString v;
    for (auto _ : state)
        for (const QString &k : keys)
            benchmark::DoNotOptimize(d.TryGetValue(k, v));
    state.SetItemsProcessed(int64_t(state.iterations()) * keys.size());
}
BENCHMARK(BM_StringDictionaryLookup);

#include "bench_serializer.moc"
