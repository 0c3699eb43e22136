// Metafile pictures: enhanced metafiles (and placeable Windows metafiles)
// kept as their file bytes, recorded through the EMF recorder and played
// through the metafile player.
#pragma once
#include "core/vdGraphic.h"
#include <functional>

class EmfRecorderCanvas;

// Plays metafile bytes (EMF or placeable WMF) into a rectangle of a canvas.
using vdMetafilePlayerFn = std::function<void(Canvas &, const QByteArray &, const TRect &)>;
void vdSetMetafilePlayer(vdMetafilePlayerFn player);
const vdMetafilePlayerFn &vdMetafilePlayer();

// Checks metafile bytes record by record; throws EInvalidGraphic.
void vdValidateMetafile(const QByteArray &bytes, bool &enhanced, int &width, int &height);

class TMetafile : public TGraphic {
    VD_GRAPHIC_CLASS(TMetafile)
public:
    TMetafile();
    ~TMetafile() override;
    int Width() const override { return m_width; }
    int Height() const override { return m_height; }
    void SetWidth(int w) override;
    void SetHeight(int h) override;
    bool Empty() const override { return m_data.isEmpty(); }
    bool IsMetafile() const override { return true; }
    bool Enhanced() const { return m_enhanced; }
    void SetEnhanced(bool e) { m_enhanced = e; }
    // The recorded or loaded file bytes; empty when nothing was recorded.
    const QByteArray &Data() const { return m_data; }
    bool HandleAllocated() const { return !m_data.isEmpty(); }

    // A recording canvas over the picture's size (the metafile canvas);
    // finishing it replaces the content.
    Canvas &GetCanvas();
    void ReleaseCanvas();

    void LoadFromStream(QIODevice &stream) override;
    void SaveToStream(QIODevice &stream) const override;
    void Assign(const TGraphic &source) override;
    // Plays the picture into the rectangle with its right and bottom edges
    // moved in by one, as the platform's metafile drawing does.
    void Draw(Canvas &canvas, const TRect &rect) const override;
    QImage ToImage() const override;

protected:
    void Play(Canvas &canvas, const TRect &rect) const;

private:
    QByteArray m_data;
    bool m_enhanced = true;
    int m_width = 0;
    int m_height = 0;
    std::unique_ptr<EmfRecorderCanvas> m_recorder;
};

// The library's metafile: plays into the target rectangle exactly as given.
class TvdxMetafile : public TMetafile {
    VD_GRAPHIC_CLASS(TvdxMetafile)
public:
    void Draw(Canvas &canvas, const TRect &rect) const override;
};
