// Report variables: a list of name/value pairs in which an entry whose name
// starts with a blank heads a category; also the ".vk3" dictionary file, and
// a list keyed by the text of a variant for the scripts.
#pragma once
#include "core/vdCoreClasses.h"
#include "core/vdVariant.h"

#include <QString>
#include <QStringList>

class QIODevice;
class TvdXMLItem;

class TvdxVariable : public TvdCollectionItem {
    Q_OBJECT
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(Variant Value READ Value WRITE SetValue)
public:
    TvdxVariable();

    QString Name() const { return m_name; }
    void SetName(const QString &name) { m_name = name; }
    Variant Value() const { return m_value; }
    void SetValue(const Variant &value) { m_value = value; }
    bool IsCategory() const { return m_name.startsWith(QLatin1Char(' ')); }

    QString InheritedName() const override;
    void SetInheritedName(const QString &name) override { m_name = name; }
    void Assign(const TvdPersistent *source) override;
    // The stored value in binary property data, decoded by its type tag.
    bool ReadBinaryProperty(const QString &name, TvdBinaryReader &reader) override;

private:
    QString m_name;
    Variant m_value = Variant::null();
};

class TvdxVariables : public TvdCollection {
    Q_OBJECT
public:
    explicit TvdxVariables(TvdPersistent *owner = nullptr);

    TvdxVariable *Items(int index) const { return static_cast<TvdxVariable *>(TvdBaseCollection::Items(index)); }
    TvdxVariable *GetItems(int index) const { return Items(index); }
    TvdxVariable *Add() { return static_cast<TvdxVariable *>(TvdBaseCollection::Add()); }
    TvdxVariable *Insert(int index) { return static_cast<TvdxVariable *>(TvdBaseCollection::Insert(index)); }
    // First variable named Name ignoring letter case, or -1.
    int IndexOf(const QString &name) const;
    // Value of the variable, Null when there is none.
    Variant GetVariable(const QString &name) const;
    // Sets the value, appending a new variable when there is none.
    void SetVariable(const QString &name, const Variant &value);

    void GetCategoriesList(QStringList &list, bool clearList = true) const;
    void GetVariablesList(const QString &category, QStringList &list) const;
    void DeleteCategory(const QString &name);
    void DeleteVariable(const QString &name);
    void AddVariable(const QString &category, const QString &name, const Variant &value);

    // The dictionary file. Saving is atomic; loading a document whose root is
    // not "variables" raises TvdInvalidXMLException and keeps the variables.
    void SaveToFile(const QString &fileName) const;
    void SaveToStream(QIODevice &stream) const;
    void SaveToXMLItem(TvdXMLItem *item) const;
    void LoadFromFile(const QString &fileName);
    void LoadFromStream(QIODevice &stream);
    void LoadFromXMLItem(TvdXMLItem *item, bool oldXMLFormat = false);

private:
    int headingIndex(const QString &category) const;
    // Index of the next heading after From, or Count.
    int sectionEnd(int from) const;
};

// Values keyed by the text of a variant.
class TvdxArray : public TvdBaseCollection {
    Q_OBJECT
public:
    TvdxArray();

    TvdxVariable *GetItems(int index) const { return static_cast<TvdxVariable *>(Items(index)); }
    int IndexOf(const Variant &name) const;
    Variant GetVariable(const Variant &index) const;
    void SetVariable(const Variant &index, const Variant &value);
};
