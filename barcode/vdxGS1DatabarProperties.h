// Settings of the GS1 DataBar Expanded types.
#pragma once
#include "barcode/vdxBarcode2DProperties.h"
#include "barcode/vdxGS1Databar.h"

class TvdxGS1DatabarProperties : public TvdxBarcode2DProperties {
    Q_OBJECT
public:
    Q_INVOKABLE TvdxGS1DatabarProperties() = default;
    void Assign(const TvdPersistent *) override {}
};

class TvdxGS1DatabarEProperties : public TvdxGS1DatabarProperties {
    Q_OBJECT
public:
    Q_INVOKABLE TvdxGS1DatabarEProperties() = default;
};

class TvdxGS1DatabarESProperties : public TvdxGS1DatabarProperties {
    Q_OBJECT
    Q_PROPERTY(int Columns READ Columns WRITE SetColumns)
    Q_CLASSINFO("default:Columns", "nodefault")
public:
    Q_INVOKABLE TvdxGS1DatabarESProperties() = default;

    int Columns() const { return stacked() ? stacked()->Columns() : 2; }
    void SetColumns(int v)
    {
        if (stacked())
            stacked()->SetColumns(v);
    }
    // Copies Columns, so that a copied object keeps its layout.
    void Assign(const TvdPersistent *source) override
    {
        auto *s = qobject_cast<const TvdxGS1DatabarESProperties *>(source);
        if (s && s != this)
            SetColumns(s->Columns());
    }

private:
    TvdxGS1DatabarES *stacked() const { return dynamic_cast<TvdxGS1DatabarES *>(m_whose); }
};
