// SVG text cut into a small XML item tree before any element exists: text
// nodes, comments, CDATA and entities handled leniently.
#pragma once
#include "core/vdXML.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class TvdxSVGXMLItem;

struct TvdxSVGNameValue {
    QString NodeName;
    QString NodeValue;
};

// The parsed attributes of one item, in source order; names ignore case.
class TvdxSVGAttributeNodes {
public:
    explicit TvdxSVGAttributeNodes(const QString &text);
    ~TvdxSVGAttributeNodes();
    TvdxSVGAttributeNodes(const TvdxSVGAttributeNodes &) = delete;
    TvdxSVGAttributeNodes &operator=(const TvdxSVGAttributeNodes &) = delete;

    int Count() const { return int(m_names.size()); }
    TvdxSVGNameValue GetNameValue(int i) const { return {m_names.at(i), m_values.at(i)}; }
    QString GetValueByName(const QString &name) const;
    int IndexOfName(const QString &name) const;
    bool IsHasAttribute(const QString &name) const { return IndexOfName(name) >= 0; }
    // An item whose value is the attribute's, made on the first request.
    TvdxSVGXMLItem *FindNode(const QString &name);

private:
    QStringList m_names;
    QStringList m_values;
    std::vector<std::unique_ptr<TvdxSVGXMLItem>> m_nodes;
};

// Read-only view of an item's children.
class TvdxSVGIXMLChildNodes {
public:
    explicit TvdxSVGIXMLChildNodes(const TvdXMLItem *item) : m_item(item) {}
    int Count() const { return m_item ? m_item->Count() : 0; }
    TvdxSVGXMLItem *GetItems(int index) const;

private:
    const TvdXMLItem *m_item;
};

class TvdxSVGXMLItem : public TvdXMLItem {
public:
    TvdxSVGXMLItem() = default;
    ~TvdxSVGXMLItem() override;

    const QString &NodeName() const { return m_name; }
    const QString &NodeValue() const { return m_value; }
    TvdxSVGIXMLChildNodes ChildNodes() const { return TvdxSVGIXMLChildNodes(this); }
    // "href", or "xlink:href" when that is absent or empty.
    QString HRef() const;
    QString GetAttributes(const QString &name) const;
    bool HasAttribute(const QString &name) const;
    TvdxSVGAttributeNodes *AttributeNodes() const { return m_attributeNodes.get(); }

    void AddItem(TvdXMLItem *item) override;
    void SetData(const QString &name, const QString &text, const QString &value) override;

private:
    std::unique_ptr<TvdxSVGAttributeNodes> m_attributeNodes;
};

class TvdxSVGXMLReader : public TvdValuedXMLReader {
public:
    explicit TvdxSVGXMLReader(QIODevice &stream) : TvdValuedXMLReader(stream) {}

protected:
    void ReadItem(QString &name, QString &value, QString &text) override;
    void SkipNestedTag() override;
    TvdXMLItem *CreateItem() override { return new TvdxSVGXMLItem(); }

private:
    bool m_lastText = false;
};

class TvdxSVGXMLDocument : public TvdValuedXMLDocument {
public:
    TvdxSVGXMLDocument();
    ~TvdxSVGXMLDocument() override;

    TvdxSVGXMLItem *SVGRoot() const { return static_cast<TvdxSVGXMLItem *>(m_root); }
    // Raises TvdInvalidXMLException for a "<" nested in a tag that never closes.
    void LoadFromXML(const QString &xml);

protected:
    void PrepareValuedXML() override { m_oldVersion = false; }
    TvdValuedXMLReader *CreateReader() override;
};

// The predefined entities (any case) and numeric character references.
QString UnescapeText(const QString &s);
