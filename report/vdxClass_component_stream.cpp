// Loading, saving and copying of components, and the difference texts that
// prepared pages keep for each object against its template object.
#include "core/vdFormatSettings.h"
#include "core/vdXML.h"
#include "core/vdxXMLSerializer.h"
#include "report/vdxClass_component.h"
#include "report/vdxClass_report.h"
#include "report/vdxClass_view.h"

#include <QBuffer>
#include <QMutexLocker>
#include <cmath>
#include <memory>

namespace {

QString floatDiffText(long double v) { return FloatToStr(double(v), XMLFormatSettings()); }

bool differs(long double a, long double b) { return std::fabs(double(a - b)) > 0.0001; }

// Appends in place: a difference record is built from many small pieces.
void attr(QString &s, const char *name, const QString &value)
{
    const qsizetype need = s.size() + qsizetype(qstrlen(name)) + value.size() + 4;
    if (s.capacity() < need)
        s.reserve(need + 48); // room for the next few, so a record grows in one or two steps
    s.append(QLatin1Char(' ')).append(QLatin1String(name)).append(QLatin1String("=\"")).append(value).append(
        QLatin1Char('"'));
}

QString boolText(bool v) { return v ? QStringLiteral("1") : QStringLiteral("0"); }

// Elements below item: at most the number of components a load names.
qsizetype elementCount(const TvdXMLItem *item, int depth)
{
    qsizetype n = item->Count();
    if (depth < 256)
        for (int i = 0; i < item->Count(); ++i)
            if (item->Items(i)->Count() > 0)
                n += elementCount(item->Items(i), depth + 1);
    return n;
}

// Sets a state flag for the life of the guard (cleared also on failure).
class StateMark {
public:
    StateMark(TvdxComponent *c, TvdxComponent::TvdxComponentStateFlag flag) : m_c(c), m_flag(flag)
    {
        if (m_c)
            m_c->SetvdComponentState(m_c->vdComponentState() | m_flag);
    }
    ~StateMark()
    {
        if (m_c)
            m_c->SetvdComponentState(m_c->vdComponentState() & ~TvdxComponent::TvdxComponentState(m_flag));
    }
    StateMark(const StateMark &) = delete;
    StateMark &operator=(const StateMark &) = delete;

private:
    TvdxComponent *m_c;
    TvdxComponent::TvdxComponentStateFlag m_flag;
};

} // namespace

void TvdxComponent::LoadFromStream(QIODevice &stream)
{
    if (!m_ancestorOnlyStream)
        Clear();
    TvdxReport *report = Report();
    TvdxXMLSerializer ser(&stream);
    ser.HandleNestedProperties = true;
    ser.SetOwner(report);
    struct Reset {
        TvdxReport *r;
        TvdxXMLSerializer *prev;
        ~Reset()
        {
            if (r)
                r->SetXMLSerializer(prev);
        }
    } reset{report, report ? report->XMLSerializer() : nullptr};
    if (report) {
        report->SetXMLSerializer(&ser);
        ser.OnGetCustomDataEvent = report->OnGetCustomData;
    }
    auto addErrors = [&] {
        if (report)
            for (const QString &e : ser.Errors())
                report->AddError(e);
    };
    auto read = [&] {
        TvdXMLDocument doc;
        doc.LoadFromStream(stream, false);
        ser.OldFormat = doc.OldVersion();
        const QString rootName = doc.Root()->Name();
        if (!AcceptsRootElement(rootName)) {
            ser.AddError(QStringLiteral("Invalid file format: %1 cannot be read as %2").arg(rootName, ClassName()));
            return;
        }
        // The tables grow once instead of doubling through a large template.
        if (report && report == this)
            report->ReserveNames(report->GetSortedObjects()->Count() + elementCount(doc.Root(), 0));
        ser.ReadRootComponent(this, doc.Root());
    };
    try {
        if (report && report->IsThreadSafe()) {
            QMutexLocker lock(&vdxGlobalLock());
            read();
        } else {
            read();
        }
    } catch (...) {
        addErrors();
        throw;
    }
    addErrors();
}

void TvdxComponent::vdxWriteNestedProperties(TvdXMLItem *item, TvdPersistent *ancestor)
{
    if (m_vdStyle.testFlag(csHandlesNestedProperties))
        WriteNestedProperties(item, ancestor);
}

bool TvdxComponent::vdxReadNestedProperty(TvdXMLItem *item)
{
    if (m_vdStyle.testFlag(csHandlesNestedProperties) && ReadNestedProperty(item))
        return true;
    // A second element with a name already read in this load keeps its
    // content under a free name instead of overwriting the first object.
    TvdxReport *report = Report();
    if (!report || !report->XMLSerializer() || item->Name().compare(QLatin1String("inherited"), Qt::CaseInsensitive) == 0)
        return false;
    // No name and an empty one alike name nothing in the index.
    const QString name = item->GetProp(QStringLiteral("Name"));
    if (name.isEmpty())
        return false;
    TvdxNameIndex *index = report->GetSortedObjects();
    TvdxComponent *other = index->Find(name);
    if (!other || !other->HasState(csLoading) || other == report)
        return false;
    int n = 1;
    while (index->Contains(name + QString::number(n)))
        ++n;
    const QString fresh = name + QString::number(n);
    item->SetProp(QStringLiteral("Name"), fresh);
    report->XMLSerializer()->AddError(QStringLiteral("Duplicate name %1 (read as %2)").arg(name, fresh));
    return false;
}

void TvdxComponent::SaveToStream(QIODevice &stream, bool saveChildren, bool saveDefaultValues, bool streaming)
{
    TvdxReport *report = Report();
    TvdxXMLSerializer ser(&stream);
    ser.HandleNestedProperties = true;
    ser.SaveAncestorOnly = m_ancestorOnlyStream;
    ser.SetOwner(report);
    ser.SerializeDefaultValues = saveDefaultValues;
    ser.IgnoreName = m_originalComponent && m_vdStyle.testFlag(csObjectsContainer);
    auto *self = qobject_cast<TvdxReport *>(this);
    if (report && (self || m_ancestorOnlyStream)) {
        if (!m_ancestorOnlyStream)
            ser.OnSaveCustomDataEvent = report->OnSaveCustomData;
        if (!streaming)
            ser.OnGetAncestor = [report](const QString &name, TvdPersistent *&ancestor) {
                report->GetAncestor(name, ancestor);
            };
    }
    TvdXMLDocument doc;
    doc.SetAutoIndent(true);
    ser.WriteRootComponent(this, saveChildren, doc.Root());
    // A copied object takes its source's name with it.
    if (!self && !ser.IgnoreName && !Name().isEmpty()) {
        TvdXMLItem *root = doc.Root();
        const QString t = root->Text();
        root->SetText(QStringLiteral("Name=\"") + EscapeXMLAttr(Name()) + QLatin1Char('"')
                      + (t.isEmpty() ? QString() : QLatin1Char(' ') + t));
    }
    doc.SaveToStream(stream);
}

void TvdxComponent::Assign(const TvdPersistent *source)
{
    auto *src = qobject_cast<TvdxComponent *>(const_cast<TvdPersistent *>(source));
    if (!src || src == this)
        return;
    QBuffer buf;
    buf.open(QIODevice::ReadWrite);
    src->SaveToStream(buf, false, true, false);
    buf.seek(0);
    LoadFromStream(buf);
}

void TvdxComponent::AssignAll(TvdxComponent *source, bool streaming)
{
    if (!source || source == this)
        return;
    QBuffer buf;
    buf.open(QIODevice::ReadWrite);
    source->SaveToStream(buf, true, true, streaming);
    buf.seek(0);
    LoadFromStream(buf);
}

static void assignOriginalsWalk(TvdxComponent *dst, TvdxComponent *src, int depth)
{
    if (depth > 512)
        return;
    dst->AssignOriginals(src);
    const int n = std::min(dst->Objects().Count(), src->Objects().Count());
    for (int i = 0; i < n; ++i)
        assignOriginalsWalk(dst->Objects()[i], src->Objects()[i], depth + 1);
}

void TvdxComponent::AssignAllWithOriginals(TvdxComponent *source, bool streaming)
{
    AssignAll(source, streaming);
    if (source)
        assignOriginalsWalk(this, source, 0);
}

void TvdxComponent::AssignOriginals(TvdxComponent *source)
{
    if (!source)
        return;
    m_aliasName = source->m_aliasName;
    m_originalComponent = source->m_originalComponent;
}

void TvdxComponent::AssignToDict(TvdxComponent *source)
{
    StateMark mark(source, csVdxSerializeToDict);
    Assign(source);
}

QString TvdxComponent::Diff(TvdxComponent *aComponent) { return BaseDiff(aComponent); }

QString TvdxComponent::BaseDiff(TvdxComponent *a)
{
    QString s;
    if (!a)
        return s;
    if (differs(Left(), a->Left()) && IsLeftStored())
        attr(s, "l", floatDiffText(Left()));
    if ((qobject_cast<TvdxBand *>(this) || differs(Top(), a->Top())) && IsTopStored())
        attr(s, "t", floatDiffText(Top()));
    // The name look-up only when the width would be written.
    if (differs(Width(), a->Width()) && IsWidthStored() &&
        !(inherits("TvdxCustomMemoView") && property("AutoWidth").toBool()))
        attr(s, "w", floatDiffText(Width()));
    if (differs(Height(), a->Height()) && IsHeightStored())
        attr(s, "h", floatDiffText(Height()));
    if (Visible() != a->Visible())
        attr(s, "Visible", boolText(Visible()));
    if (!ParentFont())
        s += DiffFont(Font(), a->Font(), QStringLiteral(" "));
    if (ParentFont() != a->ParentFont())
        attr(s, "ParentFont", boolText(ParentFont()));
    if (Tag() != a->Tag())
        attr(s, "Tag", QString::number(Tag()));
    if (AllowMirrorMode() != a->AllowMirrorMode())
        attr(s, "AllowMirrorMode", boolText(AllowMirrorMode()));
    return s;
}

QString TvdxComponent::DiffFont(const TvdFont *f, const TvdFont *af, const QString &prefix)
{
    QString s;
    if (!f || !af)
        return s;
    auto add = [&](const char *name, const QString &v) {
        s += prefix + QLatin1String(name) + QLatin1String("=\"") + v + QLatin1Char('"');
    };
    if (f->Name() != af->Name())
        add("Font.Name", EscapeXMLAttr(f->Name()));
    if (f->Size() != af->Size())
        add("Font.Size", QString::number(f->Size()));
    if (f->Color() != af->Color())
        add("Font.Color", QString::number(f->Color()));
    if (f->Style() != af->Style())
        add("Font.Style", QString::number(int(f->Style())));
    if (f->Charset() != af->Charset())
        add("Font.Charset", QString::number(f->Charset()));
    return s;
}

QString TvdxComponent::AllDiff(TvdxComponent *a)
{
    StateMark m1(this, csVdxSerializeToPreviewPages);
    StateMark m2(a, csVdxSerializeToPreviewPages);
    // The attribute text straight from the serializer: the engine asks for
    // it once per object it places.
    TvdxXMLSerializer ser;
    ser.SetOwner(Report());
    QString s = ser.ObjToXML(this, QString(), a);
    if (s.startsWith(QLatin1Char(' ')))
        s.remove(0, 1);
    if (a)
        s += QLatin1Char(' ') + Diff(a);
    if (qobject_cast<TvdxNullBand *>(this))
        {
        attr(s, "l", floatDiffText(Left()));
        attr(s, "t", floatDiffText(Top()));
    }
    return s;
}
