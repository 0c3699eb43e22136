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

// Trailing blanks of a raw attribute text are not kept by a tag that ends
// with ">", so they do not count when comparing.
void trimTexts(TvdXMLDocument &doc)
{
    std::vector<TvdXMLItem *> work{doc.Root()};
    while (!work.empty()) {
        TvdXMLItem *it = work.back();
        work.pop_back();
        QString t = it->Text();
        while (t.endsWith(u' '))
            t.chop(1);
        it->SetText(t);
        for (int i = 0; i < it->Count(); ++i)
            work.push_back(it->GetItems(i));
    }
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
            // What we write we read back, and writing it again changes nothing.
            const QByteArray first = save(doc);
            QByteArray copy = first;
            QBuffer again(&copy);
            again.open(QIODevice::ReadOnly);
            TvdXMLDocument reloaded;
            reloaded.LoadFromStream(again, false);
            trimTexts(reloaded);
            const QByteArray second = save(reloaded);
            QByteArray copy2 = second;
            QBuffer third(&copy2);
            third.open(QIODevice::ReadOnly);
            TvdXMLDocument reloaded2;
            reloaded2.LoadFromStream(third, false);
            trimTexts(reloaded2);
            if (save(reloaded2) != second)
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
