// The XML reader on arbitrary bytes: load with partial loading, read
// attributes, load unloaded subtrees, save and load again; then the general
// XML reader over the same bytes.
#include "core/vdXML.h"

#include <QBuffer>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

class FuzzValuedReader : public TvdValuedXMLReader {
public:
    using TvdValuedXMLReader::TvdValuedXMLReader;

protected:
    void SkipNestedTag() override
    {
        int depth = 1;
        uchar c;
        while (ReadByte(c)) {
            if (c == '<')
                ++depth;
            else if (c == '>' && --depth == 0)
                return;
        }
        RaiseException();
    }
};

class FuzzValuedDocument : public TvdValuedXMLDocument {
public:
    void Load(QIODevice *stream)
    {
        BeginValuedXML(stream);
        try {
            IsReadItem(Root());
        } catch (...) {
            EndValuedXML();
            throw;
        }
        EndValuedXML();
    }

protected:
    void PrepareValuedXML() override {}
    TvdValuedXMLReader *CreateReader() override { return new FuzzValuedReader(*m_valuedXMLStream); }
};

// Trees whose names and raw texts the format can carry. A name that is empty
// or ends with "/", or a raw text that starts or ends with a blank, ends with
// "/" or holds the partial-loading marker reads back differently (hostile
// input only).
bool writable(TvdXMLItem *root)
{
    std::vector<TvdXMLItem *> work{root};
    while (!work.empty()) {
        TvdXMLItem *it = work.back();
        work.pop_back();
        const QString &n = it->Name();
        const QString &t = it->Text();
        if (n.isEmpty() || n.endsWith(u'/') || t.startsWith(u' ') || t.endsWith(u' ') || t.endsWith(u'/')
            || t.contains(QLatin1String(" ld=\"0\""), Qt::CaseInsensitive))
            return false;
        for (int i = 0; i < it->Count(); ++i)
            work.push_back(it->GetItems(i));
    }
    return true;
}

// Same names, texts, children and (for childless items) values.
bool sameTree(TvdXMLItem *a, TvdXMLItem *b)
{
    std::vector<std::pair<TvdXMLItem *, TvdXMLItem *>> work{{a, b}};
    while (!work.empty()) {
        auto [x, y] = work.back();
        work.pop_back();
        if (x->Name() != y->Name() || x->Text() != y->Text() || x->Count() != y->Count())
            return false;
        if (x->Count() == 0 && x->Value() != y->Value())
            return false;
        for (int i = 0; i < x->Count(); ++i)
            work.push_back({x->GetItems(i), y->GetItems(i)});
    }
    return true;
}

QByteArray save(TvdXMLDocument &doc)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    doc.SaveToStream(out);
    return out.data();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    {
        QBuffer in(&bytes);
        in.open(QIODevice::ReadOnly);
        TvdXMLDocument doc;
        bool loaded = true;
        try {
            doc.LoadFromStream(in, true);
        } catch (const TvdInvalidXMLException &) {
            loaded = false;
        }
        if (loaded) {
            std::vector<TvdXMLItem *> work{doc.Root()};
            int visited = 0;
            while (!work.empty() && ++visited < 10000) {
                TvdXMLItem *it = work.back();
                work.pop_back();
                (void)it->GetProp(QStringLiteral("Name"));
                (void)it->GetPropAsFloat(QStringLiteral("Left"));
                (void)it->GetPropAsDateTime(QStringLiteral("d"));
                if (!it->Loaded())
                    doc.LoadItem(it);
                for (int i = 0; i < it->Count(); ++i)
                    work.push_back(it->GetItems(i));
            }
            // What we write reads back as the same tree; anything else the
            // format cannot carry fails cleanly or loads.
            const bool exact = writable(doc.Root());
            QByteArray copy = save(doc);
            QBuffer again(&copy);
            again.open(QIODevice::ReadOnly);
            TvdXMLDocument reloaded;
            try {
                reloaded.LoadFromStream(again, false);
            } catch (const TvdInvalidXMLException &) {
                if (exact)
                    std::abort();
            }
            if (exact && !sameTree(doc.Root(), reloaded.Root()))
                std::abort();
        }
    }
    {
        QBuffer in(&bytes);
        in.open(QIODevice::ReadOnly);
        FuzzValuedDocument doc;
        try {
            doc.Load(&in);
        } catch (const TvdInvalidXMLException &) {
        }
    }
    return 0;
}
