// Bar presets: named recipes that fill a composite barcode object with a
// ready-made row of barcodes.
#pragma once
#include <QList>
#include <QString>

class TvdxBarCodeCompositeView;

class TvdxBaseBarPreset {
public:
    explicit TvdxBaseBarPreset(const QString &name) : Name(name) {}
    virtual ~TvdxBaseBarPreset() = default;
    virtual void FillBars(TvdxBarCodeCompositeView *component) = 0;
    // Removes every child, then fills the object.
    void SetPresset(TvdxBarCodeCompositeView *component);

    QString Name;
};

// An EAN symbol followed by an EAN/UPC add-on; type 0 to 3 chooses EAN-8 or
// EAN-13 and the two- or five-digit add-on.
class TvdxBarPresetEANUPCSupp : public TvdxBaseBarPreset {
public:
    TvdxBarPresetEANUPCSupp(const QString &name, int type) : TvdxBaseBarPreset(name), m_type(type) {}
    void FillBars(TvdxBarCodeCompositeView *component) override;
    int Type() const { return m_type; }

private:
    int m_type;
};

// The presets; index 0 (nullptr) stands for no preset. The list owns the others.
QList<TvdxBaseBarPreset *> &vdxGlobalBarPresets();
