#include "core/vdxVariables.h"
#include "core/vdFiler.h"
#include "core/vdXML.h"
#include "core/vdxXMLSerializer.h"
#include "platform/AtomicFile.h"

#include <QBuffer>
#include <QFile>

static bool sameText(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// ---------------------------------------------------------------------------
TvdxVariable::TvdxVariable() = default;

QString TvdxVariable::InheritedName() const
{
    return m_name.isEmpty() ? TvdCollectionItem::InheritedName() : m_name;
}

void TvdxVariable::Assign(const TvdPersistent *source)
{
    if (auto *v = qobject_cast<const TvdxVariable *>(source)) {
        m_name = v->m_name;
        m_value = v->m_value;
        SetIsInherited(v->IsInherited());
        return;
    }
    TvdCollectionItem::Assign(source);
}

bool TvdxVariable::ReadBinaryProperty(const QString &name, TvdBinaryReader &reader)
{
    if (name != QLatin1String("Value"))
        return false;
    switch (reader.NextValue()) {
    case TvdValueType::vaNull:
        reader.ReadValueType();
        m_value = Variant::null();
        return true;
    case TvdValueType::vaNil:
        reader.ReadValueType();
        m_value = Variant();
        return true;
    case TvdValueType::vaCurrency:
        m_value = Variant::fromCurrencyValue(reader.ReadFloat());
        return true;
    case TvdValueType::vaDate:
        m_value = Variant::fromDate(reader.ReadFloat());
        return true;
    case TvdValueType::vaSingle:
        m_value = Variant(float(reader.ReadFloat()));
        return true;
    default:
        break;
    }
    const QVariant v = reader.ReadValue();
    switch (v.metaType().id()) {
    case QMetaType::Int:
        m_value = Variant(v.toInt());
        break;
    case QMetaType::LongLong:
        m_value = Variant::fromInt64(v.toLongLong());
        break;
    case QMetaType::Double:
        m_value = Variant(v.toDouble());
        break;
    case QMetaType::Bool:
        m_value = Variant(v.toBool());
        break;
    case QMetaType::QByteArray:
        m_value = Variant(QString::fromLatin1(v.toByteArray()));
        break;
    default:
        m_value = Variant(v.toString());
        break;
    }
    return true;
}

// ---------------------------------------------------------------------------
TvdxVariables::TvdxVariables(TvdPersistent *owner) : TvdCollection(factoryOf<TvdxVariable>(), owner) {}

int TvdxVariables::IndexOf(const QString &name) const
{
    for (int i = 0; i < Count(); ++i)
        if (sameText(Items(i)->Name(), name))
            return i;
    return -1;
}

Variant TvdxVariables::GetVariable(const QString &name) const
{
    const int i = IndexOf(name);
    return i >= 0 ? Items(i)->Value() : Variant::null();
}

void TvdxVariables::SetVariable(const QString &name, const Variant &value)
{
    const int i = IndexOf(name);
    TvdxVariable *v = i >= 0 ? Items(i) : Add();
    if (i < 0)
        v->SetName(name);
    v->SetValue(value);
}

void TvdxVariables::GetCategoriesList(QStringList &list, bool clearList) const
{
    if (clearList)
        list.clear();
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->IsCategory())
            list.append(Items(i)->Name().mid(1, 255));
}

int TvdxVariables::headingIndex(const QString &category) const
{
    const QString heading = QLatin1Char(' ') + category;
    for (int i = 0; i < Count(); ++i)
        if (sameText(Items(i)->Name(), heading))
            return i;
    return -1;
}

int TvdxVariables::sectionEnd(int from) const
{
    int i = from;
    while (i < Count() && !Items(i)->IsCategory())
        ++i;
    return i;
}

void TvdxVariables::GetVariablesList(const QString &category, QStringList &list) const
{
    list.clear();
    int i = 0;
    if (!category.isEmpty()) {
        const int h = headingIndex(category);
        if (h < 0)
            return;
        i = h + 1;
    }
    for (; i < Count(); ++i) {
        const QString name = Items(i)->Name();
        if (name.isEmpty() || name.startsWith(QLatin1Char(' ')))
            break;
        list.append(name);
    }
}

void TvdxVariables::DeleteCategory(const QString &name)
{
    const int h = headingIndex(name);
    if (h < 0)
        return;
    const int end = sectionEnd(h + 1);
    BeginUpdate();
    for (int i = end - 1; i >= h; --i)
        Delete(i);
    EndUpdate();
}

void TvdxVariables::DeleteVariable(const QString &name)
{
    const int i = IndexOf(name);
    if (i >= 0)
        Delete(i);
}

void TvdxVariables::AddVariable(const QString &category, const QString &name, const Variant &value)
{
    const int h = headingIndex(category);
    if (h < 0)
        return;
    const int at = sectionEnd(h + 1);
    const int existing = IndexOf(name);
    if (existing >= 0) {
        Items(existing)->SetValue(value);
        return;
    }
    TvdxVariable *v = at >= Count() ? Add() : Insert(at);
    v->SetName(name);
    v->SetValue(value);
}

void TvdxVariables::SaveToXMLItem(TvdXMLItem *item) const
{
    TvdxXMLSerializer s;
    for (int i = 0; i < Count(); ++i) {
        TvdXMLItem *child = item->Add(QStringLiteral("item"));
        const QString text = s.ObjToXML(Items(i));
        child->SetText(text.startsWith(QLatin1Char(' ')) ? text.mid(1) : text);
    }
}

void TvdxVariables::SaveToStream(QIODevice &stream) const
{
    TvdXMLDocument doc;
    doc.SetAutoIndent(true);
    doc.Root()->SetName(QStringLiteral("variables"));
    SaveToXMLItem(doc.Root());
    doc.SaveToStream(stream);
}

void TvdxVariables::SaveToFile(const QString &fileName) const
{
    const TvdSaveResult r = vdAtomicSave(fileName, [this](QIODevice &f) { SaveToStream(f); });
    vdRaiseSaveError<EFCreateError, EFWriteError>(fileName, r);
}

void TvdxVariables::LoadFromXMLItem(TvdXMLItem *item, bool oldXMLFormat)
{
    TvdxXMLSerializer s;
    s.OldFormat = oldXMLFormat;
    BeginUpdate();
    try {
        Clear();
        for (int i = 0; i < item->Count(); ++i) {
            TvdXMLItem *child = item->Items(i);
            if (!sameText(child->Name(), QStringLiteral("item")))
                continue;
            s.XMLToObj(child->Text(), Add());
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TvdxVariables::LoadFromStream(QIODevice &stream)
{
    // The whole document is read before anything is replaced.
    TvdXMLDocument doc;
    doc.LoadFromStream(stream, false);
    if (!sameText(doc.Root()->Name(), QStringLiteral("variables")))
        throw TvdInvalidXMLException(QStringLiteral("Invalid file format"));
    LoadFromXMLItem(doc.Root(), doc.OldVersion());
}

void TvdxVariables::LoadFromFile(const QString &fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, f.errorString()));
    LoadFromStream(f);
}

// ---------------------------------------------------------------------------
TvdxArray::TvdxArray() : TvdBaseCollection(factoryOf<TvdxVariable>()) {}

int TvdxArray::IndexOf(const Variant &name) const
{
    const QString key = VarToStr(name);
    for (int i = 0; i < Count(); ++i)
        if (sameText(GetItems(i)->Name(), key))
            return i;
    return -1;
}

Variant TvdxArray::GetVariable(const Variant &index) const
{
    const int i = IndexOf(index);
    return i >= 0 ? GetItems(i)->Value() : Variant::null();
}

void TvdxArray::SetVariable(const Variant &index, const Variant &value)
{
    const int i = IndexOf(index);
    TvdxVariable *v = nullptr;
    if (i >= 0) {
        v = GetItems(i);
    } else {
        v = static_cast<TvdxVariable *>(Add());
        v->SetName(VarToStr(index));
    }
    v->SetValue(value);
}

static void registerVariableClasses()
{
    vdRegisterClass<TvdxVariable>();
}
Q_CONSTRUCTOR_FUNCTION(registerVariableClasses)
