#include "objects/table/vdxTableObject.h"

#include "core/vdxRes.h"
#include "report/vdxClass_report.h"

#include <algorithm>
#include <cmath>

namespace {

bool differs(double a, double b) { return std::abs(a - b) > 1e-12; }

} // namespace

// ---------------------------------------------------------------------------
void TvdxContainerPadding::Assign(const TvdPersistent *source)
{
    if (auto *s = qobject_cast<const TvdxContainerPadding *>(source)) {
        m_left = s->m_left;
        m_top = s->m_top;
        m_right = s->m_right;
        m_bottom = s->m_bottom;
    }
}

// ---------------------------------------------------------------------------
TvdxTableRowColumnBase::TvdxTableRowColumnBase(TvdComponent *owner) : TvdxComponent(owner)
{
    SetvdComponentStyle(vdComponentStyle() | csContained);
}

TvdxTableObject *TvdxTableRowColumnBase::ParentTable() const { return qobject_cast<TvdxTableObject *>(Parent()); }

void TvdxTableRowColumnBase::CreateUniqueNames()
{
    if (Name().isEmpty())
        CreateUniqueName();
}

void TvdxTableRowColumnBase::SetWidth(long double value)
{
    if (value >= 0)
        TvdxComponent::SetWidth(value);
}

void TvdxTableRowColumnBase::SetHeight(long double value)
{
    if (value >= 0)
        TvdxComponent::SetHeight(value);
}

// ---------------------------------------------------------------------------
TvdxTableColumn::TvdxTableColumn(TvdComponent *owner) : TvdxTableRowColumnBase(owner)
{
    auto *table = qobject_cast<TvdxTableObject *>(owner);
    SetWidth(table ? table->DefaultCellWidth() : 75.5906);
}

TvdxTableColumn::~TvdxTableColumn()
{
    if (TvdxTableObject *table = ParentTable()) {
        const int index = int(table->Objects().IndexOf(this));
        TvdxComponent::SetParent(nullptr);
        if (index >= 0)
            table->CorrectColumnSpans(index, -1);
    }
}

// Limits are written only when they differ from a new column's.
bool TvdxTableColumn::IsPropertyStored(const char *propName) const
{
    if (qstrcmp(propName, "MinWidth") == 0)
        return differs(m_minWidth, 0);
    if (qstrcmp(propName, "MaxWidth") == 0)
        return differs(m_maxWidth, 75.5906);
    return TvdxTableRowColumnBase::IsPropertyStored(propName);
}

void TvdxTableColumn::SetParent(TvdxComponent *value)
{
    if (value && !qobject_cast<TvdxTableObject *>(value))
        return;
    TvdxComponent::SetParent(value);
    if (!value)
        return;
    // Columns come first: this one goes before the first row.
    TvdxObjectsNotifyList &list = value->Objects();
    const int from = list.IndexOf(this);
    int to = 0;
    while (to < list.Count() && qobject_cast<TvdxTableColumn *>(list[to]) && list[to] != this)
        ++to;
    if (from > to)
        list.Move(from, to);
}

// ---------------------------------------------------------------------------
TvdxCustomTableRow::TvdxCustomTableRow(TvdComponent *owner) : TvdxTableRowColumnBase(owner)
{
    auto *table = qobject_cast<TvdxTableObject *>(owner);
    SetHeight(table ? table->DefaultCellHeight() : 18.89765);
}

TvdxCustomTableRow::~TvdxCustomTableRow()
{
    if (TvdxTableObject *table = ParentTable()) {
        const int index = int(table->Objects().IndexOf(this)) - table->ColumnCount();
        TvdxComponent::SetParent(nullptr);
        if (index >= 0)
            table->CorrectRowSpans(index, -1);
    }
}

TvdxTableCell *TvdxCustomTableRow::Cells(int index) const
{
    if (index < 0 || index >= Objects().Count())
        return nullptr;
    auto *cell = qobject_cast<TvdxTableCell *>(Objects()[index]);
    if (cell)
        cell->SetIndex(index);
    return cell;
}

void TvdxCustomTableRow::SetCellCount(int value)
{
    while (CellCount() < value)
        CreateTableCell(CellCount(), true);
}

void TvdxCustomTableRow::CorrectCells(int index, int delta)
{
    if (index < 0)
        return;
    if (delta <= 0) {
        delete Cells(index);
        return;
    }
    TvdxTableCell *cell = CreateTableCell(index, true);
    const int from = Objects().IndexOf(cell);
    Objects().Move(from, std::min(index, Objects().Count() - 1));
}

TvdxTableCell *TvdxCustomTableRow::CreateTableCell(int index, bool setUniqueName)
{
    auto *cell = new TvdxTableCell(this);
    cell->SetIndex(index);
    if (setUniqueName)
        cell->CreateUniqueName();
    return cell;
}

void TvdxCustomTableRow::CreateUniqueNames()
{
    TvdxTableRowColumnBase::CreateUniqueNames();
    for (TvdxComponent *c : Objects().List())
        if (c->Name().isEmpty())
            c->CreateUniqueName();
}

bool TvdxCustomTableRow::IsPropertyStored(const char *propName) const
{
    if (qstrcmp(propName, "MinHeight") == 0)
        return differs(m_minHeight, 0);
    if (qstrcmp(propName, "MaxHeight") == 0)
        return differs(m_maxHeight, 0);
    return TvdxTableRowColumnBase::IsPropertyStored(propName);
}

void TvdxCustomTableRow::SetLeft(long double) { TvdxTableRowColumnBase::SetLeft(0); }

void TvdxCustomTableRow::SetParent(TvdxComponent *value)
{
    if (value && !qobject_cast<TvdxTableObject *>(value))
        return;
    TvdxComponent::SetParent(value);
}

// ---------------------------------------------------------------------------
TvdxTableCell::TvdxTableCell(TvdComponent *owner)
    : TvdxCustomMemoView(owner), m_padding(std::make_unique<TvdxContainerPadding>())
{
    SetvdComponentStyle(vdComponentStyle() | csContained | csAcceptsVdxComponents);
    Frame()->SetTyp(TvdxFrame::TvdxFrameTypes(TvdxFrame::ftLeft | TvdxFrame::ftRight | TvdxFrame::ftTop |
                                               TvdxFrame::ftBottom));
}

TvdxTableCell::~TvdxTableCell() = default;

TvdxCustomTableRow *TvdxTableCell::ParentRow() const { return qobject_cast<TvdxCustomTableRow *>(Parent()); }

TvdxTableObject *TvdxTableCell::ParentTable() const
{
    TvdxCustomTableRow *row = ParentRow();
    return row ? row->ParentTable() : nullptr;
}

int TvdxTableCell::RowIndex() const
{
    TvdxCustomTableRow *row = ParentRow();
    TvdxTableObject *table = row ? row->ParentTable() : nullptr;
    if (!table)
        return 0;
    return int(table->Objects().IndexOf(row)) - table->ColumnCount();
}

void TvdxTableCell::SetColSpan(int value)
{
    value = std::max(value, 1);
    if (!IsLoading())
        if (TvdxTableObject *table = ParentTable())
            value = std::max(1, std::min(table->ColumnCount(), m_index + value) - m_index);
    m_colSpan = value;
}

void TvdxTableCell::SetRowSpan(int value)
{
    value = std::max(value, 1);
    if (!IsLoading())
        if (TvdxTableObject *table = ParentTable()) {
            const int row = RowIndex();
            value = std::max(1, std::min(table->RowCount(), row + value) - row);
        }
    m_rowSpan = value;
}

bool TvdxTableCell::IsPropertyStored(const char *propName) const
{
    if (qstrcmp(propName, "ContainerPadding") == 0)
        return !m_padding->IsZero();
    return TvdxCustomMemoView::IsPropertyStored(propName);
}

void TvdxTableCell::SetVisible(bool) { TvdxCustomMemoView::SetVisible(true); }

void TvdxTableCell::SetParent(TvdxComponent *value)
{
    if (value && !qobject_cast<TvdxCustomTableRow *>(value))
        return;
    TvdxCustomMemoView::SetParent(value);
}

TvdRectF TvdxTableCell::GetClientArea() const
{
    const double l = m_padding->LeftPading(), t = m_padding->TopPading();
    return vdRectF(l, t, double(Width()) - m_padding->RightPading() - l,
                   double(Height()) - m_padding->BottomPading() - t);
}

void TvdxTableCell::Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY)
{
    if (VectorCanvas() || m_objAsMetafile)
        DrawContent(canvas, scaleX, scaleY, offsetX, offsetY);
}

void TvdxTableCell::DrawBackground(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY)
{
    TvdxView::PrepareDrawBounds(canvas, scaleX, scaleY, offsetX, offsetY);
    PaintFill();
    PaintFrame();
}

void TvdxTableCell::DrawContent(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY)
{
    // Drawn as a picture, a text object leaves out its fill and frame.
    const bool saved = m_objAsMetafile;
    struct Restore {
        TvdxTableCell *cell;
        bool saved;
        ~Restore() { cell->m_objAsMetafile = saved; }
    } restore{this, saved};
    m_objAsMetafile = true;
    TvdxCustomMemoView::Draw(canvas, scaleX, scaleY, offsetX, offsetY);
}

void TvdxTableCell::BeforePrint()
{
    TvdxCustomMemoView::BeforePrint();
    m_savedColSpan = m_colSpan;
    m_savedRowSpan = m_rowSpan;
    if (!ParentRow())
        return;
    TvdxReport *r = Report();
    if (r)
        r->DoBeforePrint(this);
    for (TvdxComponent *c : Objects().List())
        if (auto *rc = qobject_cast<TvdxReportComponent *>(c)) {
            rc->BeforePrint();
            if (r)
                r->DoBeforePrint(rc);
        }
}

void TvdxTableCell::GetData()
{
    TvdxCustomMemoView::GetData();
    TvdxReport *r = Report();
    if (r)
        r->DoNotifyEvent(this, OnAfterData());
    for (TvdxComponent *c : Objects().List()) {
        auto *v = qobject_cast<TvdxView *>(c);
        if (!v || v->Processing()->ProcessAt() != TvdxObjectProcessing::paDefault)
            continue;
        v->GetData();
        if (r)
            r->DoNotifyEvent(v, v->OnAfterData());
    }
}

void TvdxTableCell::AfterPrint()
{
    TvdxCustomMemoView::AfterPrint();
    if (TvdxReport *r = Report())
        r->DoAfterPrint(this);
    m_colSpan = m_savedColSpan;
    m_rowSpan = m_savedRowSpan;
}

QString TvdxTableCell::Diff(TvdxComponent *aComponent)
{
    QString s = TvdxCustomMemoView::Diff(aComponent);
    auto *c = qobject_cast<TvdxTableCell *>(aComponent);
    if (!c)
        return s;
    auto attr = [&s](const char *name, const QString &value) {
        s += QLatin1Char(' ') + QLatin1String(name) + QLatin1String("=\"") + value + QLatin1Char('"');
    };
    if (m_rowSpan != c->m_rowSpan)
        attr("RowSpan", QString::number(m_rowSpan));
    if (m_colSpan != c->m_colSpan)
        attr("ColSpan", QString::number(m_colSpan));
    const TvdxContainerPadding *p = m_padding.get(), *a = c->m_padding.get();
    auto num = [](double v) { return QString::number(v, 'g', 15); };
    if (differs(p->LeftPading(), a->LeftPading()))
        attr("ContainerPadding.LeftPading", num(p->LeftPading()));
    if (differs(p->RightPading(), a->RightPading()))
        attr("ContainerPadding.RightPading", num(p->RightPading()));
    if (differs(p->TopPading(), a->TopPading()))
        attr("ContainerPadding.TopPading", num(p->TopPading()));
    if (differs(p->BottomPading(), a->BottomPading()))
        attr("ContainerPadding.BottomPading", num(p->BottomPading()));
    return s;
}
