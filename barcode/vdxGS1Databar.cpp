#include "barcode/vdxGS1Databar.h"

#include "platform/Exception.h"

TvdxGS1Databar::TvdxGS1Databar()
{
    m_pixelWidth = m_pixelHeight = 1;
    m_quietZone = 0;
    m_height = 0;
}

TvdxGS1DatabarE::TvdxGS1DatabarE() { SetText(QStringLiteral("(01)12345678901234")); }

TvdxGS1DatabarES::TvdxGS1DatabarES() { SetText(QStringLiteral("(01)12345678901234")); }

void TvdxGS1Databar::BuildSymbol(const QString &text, bool encode)
{
    ClearFigures();
    if (encode) {
        base.reset();
        try {
            checkLayout();
            base = std::make_unique<TBaseDatabar>(text, columnsForBuild());
        } catch (const Exception &e) {
            SetErrorText(e.message());
        }
    }
    if (base) {
        SetErrorText(QString());
        layout();
    } else if (m_errorText.isEmpty()) {
        SetErrorText(QStringLiteral("base = nil"));
    }
}

void TvdxGS1Databar::layout()
{
    int x = 0;
    const std::vector<int> &e = base->Elements();
    for (size_t i = 0; i < e.size() && e[i] != 0; ++i) {
        if (i % 2 == 1)
            FVectorPrimitivesAdd(x, 0, e[i], m_height);
        x += e[i];
    }
    m_width = x;
}

void TvdxGS1DatabarES::layout()
{
    const std::vector<int> &heights = base->RowHeight();
    int separators = 0, barRows = 0;
    for (int h : heights)
        (h == 1 ? separators : barRows)++;
    const int barHeight = std::max(1, barRows > 0 ? (m_height - separators) / barRows : 1);
    int top = 0;
    for (int r = 0; r < base->Rows(); ++r) {
        const int h = heights[size_t(r)] == 1 ? 1 : barHeight;
        for (int c = 0; c < base->Width();) {
            int run = 1;
            while (c + run < base->Width() && base->Module(r, c + run) == base->Module(r, c))
                ++run;
            if (base->Module(r, c))
                FVectorPrimitivesAdd(c, top, run, h);
            c += run;
        }
        top += h;
    }
    m_width = base->Width();
}

void TvdxGS1DatabarES::SetColumns(int value)
{
    m_columns = value;
    BuildSymbol(m_text, true);
}

void TvdxGS1Databar::Assign(const TvdxBarcode2DBase &source)
{
    TvdxBarcode2DBase::Assign(source);
    if (auto *s = dynamic_cast<const TvdxGS1Databar *>(&source)) {
        m_height = s->m_height;
        m_originalHeight = s->m_originalHeight;
        m_quietZone = s->m_quietZone;
    }
    // Symbol and copied text agree at once.
    BuildSymbol(m_text, true);
}

void TvdxGS1DatabarES::Assign(const TvdxBarcode2DBase &source)
{
    if (auto *s = dynamic_cast<const TvdxGS1DatabarES *>(&source))
        m_columns = s->m_columns;
    TvdxGS1Databar::Assign(source);
}

void TvdxGS1DatabarES::checkLayout() const
{
    // A row holds at most 235 elements; the standard allows 1 to 10 pairs.
    if (m_columns < 1 || m_columns > 10)
        throw Exception(QStringLiteral("Columns must be from 1 to 10"));
}
