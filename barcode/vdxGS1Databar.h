// GS1 DataBar Expanded engines: one row, or stacked rows of segment pairs.
// The bars are as tall as the object allows.
#pragma once
#include "barcode/vdxBarcode2DBase.h"
#include "barcode/vdxBaseDatabar.h"

#include <memory>

class TvdxGS1Databar : public TvdxBarcode2DBaseWithUnion {
public:
    TvdxGS1Databar();

    bool IsScaled() const override { return true; }
    void BuildSymbol(const QString &text, bool encode) override;
    void Assign(const TvdxBarcode2DBase &source) override;
    const TBaseDatabar *Base() const { return base.get(); }

protected:
    // 0 for one row.
    virtual int columnsForBuild() const { return 0; }
    virtual void checkLayout() const {}
    virtual void layout();

    std::unique_ptr<TBaseDatabar> base;
};

class TvdxGS1DatabarE : public TvdxGS1Databar {
public:
    TvdxGS1DatabarE();
};

class TvdxGS1DatabarES : public TvdxGS1Databar {
public:
    TvdxGS1DatabarES();

    int Columns() const { return m_columns; }
    // 1 to 10; other values keep no symbol and give an error text.
    void SetColumns(int value);
    void Assign(const TvdxBarcode2DBase &source) override;

protected:
    int columnsForBuild() const override { return m_columns; }
    void checkLayout() const override;
    void layout() override;

private:
    int m_columns = 2;
};
