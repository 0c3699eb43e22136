// The table itself: counts, access by index, growing and shrinking, spans,
// bounds and the print-time data pass.
#include "objects/table/vdxTableObject.h"

#include "core/vdxRes.h"
#include "report/vdxClass_engine.h"
#include "report/vdxClass_report.h"

#include <algorithm>

TvdxTableObject::TvdxTableObject(TvdComponent *owner) : TvdxStretcheable(owner)
{
    SetvdComponentStyle(vdComponentStyle() | csObjectsContainer);
}

TvdxTableObject::~TvdxTableObject()
{
    // Rows go first (from the end), then the columns, spans left alone.
    m_lockCorrectSpans = true;
    Clear();
}

int TvdxTableObject::ColumnCount() const
{
    int n = 0;
    for (TvdxComponent *c : Objects().List())
        if (qobject_cast<TvdxTableColumn *>(c))
            ++n;
    return n;
}

int TvdxTableObject::RowCount() const
{
    int n = 0;
    for (TvdxComponent *c : Objects().List())
        if (qobject_cast<TvdxCustomTableRow *>(c))
            ++n;
    return n;
}

TvdxTableColumn *TvdxTableObject::Columns(int index) const
{
    if (index < 0 || index >= Objects().Count())
        return nullptr;
    auto *col = qobject_cast<TvdxTableColumn *>(Objects()[index]);
    if (col)
        col->SetIndex(index);
    return col;
}

TvdxCustomTableRow *TvdxTableObject::Rows(int index) const
{
    const int at = ColumnCount() + index;
    if (index < 0 || at >= Objects().Count())
        return nullptr;
    auto *row = qobject_cast<TvdxCustomTableRow *>(Objects()[at]);
    if (row)
        row->SetIndex(index);
    return row;
}

TvdxTableCell *TvdxTableObject::Cells(int x, int y) const
{
    TvdxCustomTableRow *row = Rows(y);
    return row && x >= 0 && x < ColumnCount() ? row->Cells(x) : nullptr;
}

TvdxTableColumn *TvdxTableObject::CreateColumnObject() { return new TvdxTableColumn(this); }

TvdxTableColumn *TvdxTableObject::CreateNamedColumn()
{
    TvdxTableColumn *col = CreateColumnObject();
    col->CreateUniqueName(Report());
    return col;
}

TvdxCustomTableRow *TvdxTableObject::CreateTableRow() { return new TvdxTableRow(); }

TvdxCustomTableRow *TvdxTableObject::CreateNamedRow()
{
    TvdxCustomTableRow *row = CreateTableRow();
    row->SetHeight(m_defaultCellHeight);
    row->CreateUniqueName(Report());
    return row;
}

void TvdxTableObject::AddColumn(TvdxTableColumn *value)
{
    if (!value)
        return;
    value->SetParent(nullptr);
    InsertColumn(ColumnCount(), value);
}

void TvdxTableObject::AddRow(TvdxCustomTableRow *value)
{
    if (!value)
        return;
    value->SetParent(nullptr);
    InsertRow(RowCount(), value);
}

void TvdxTableObject::InsertColumn(int index, TvdxTableColumn *value)
{
    if (!value || index < 0)
        return;
    value->TvdxComponent::SetParent(nullptr);
    index = std::min(index, ColumnCount());
    value->TvdxComponent::SetParent(this);
    Objects().Move(Objects().IndexOf(value), index);
    CorrectColumnSpans(index, 1);
}

void TvdxTableObject::InsertRow(int index, TvdxCustomTableRow *value)
{
    if (!value || index < 0)
        return;
    value->TvdxComponent::SetParent(nullptr);
    index = std::min(index, RowCount());
    value->TvdxComponent::SetParent(this);
    Objects().Move(Objects().IndexOf(value), ColumnCount() + index);
    value->SetCellCount(ColumnCount());
    CorrectRowSpans(index, 1);
}

TvdxTableColumn *TvdxTableObject::CreateNewColumn(int index)
{
    TvdxTableColumn *col = CreateColumnObject();
    InsertColumn(index, col);
    return col;
}

TvdxCustomTableRow *TvdxTableObject::CreateNewRow(int index)
{
    TvdxCustomTableRow *row = CreateTableRow();
    row->SetHeight(m_defaultCellHeight);
    InsertRow(index, row);
    return row;
}

void TvdxTableObject::DeleteColumn(int index)
{
    if (TvdxTableColumn *col = Columns(index))
        delete col;
}

void TvdxTableObject::DeleteRow(int index)
{
    if (TvdxCustomTableRow *row = Rows(index))
        delete row;
}

void TvdxTableObject::CorrectColumnSpans(int index, int delta)
{
    index = std::min(index, ColumnCount() + (delta < 0 ? 1 : 0));
    for (int y = 0; y < RowCount(); ++y) {
        TvdxCustomTableRow *row = Rows(y);
        row->CorrectCells(index, delta);
        if (m_lockCorrectSpans)
            continue;
        for (int x = 0; x < std::min(index, row->CellCount()); ++x) {
            TvdxTableCell *cell = row->Cells(x);
            if (cell->Name().isEmpty())
                cell->CreateUniqueName(Report());
            if (x + cell->ColSpan() > index)
                cell->SetColSpan(cell->ColSpan() + delta);
        }
    }
}

void TvdxTableObject::CorrectRowSpans(int index, int delta)
{
    if (m_lockCorrectSpans)
        return;
    index = std::min(index, RowCount() + (delta < 0 ? 1 : 0));
    for (int y = 0; y < std::min(index, RowCount()); ++y)
        for (int x = 0; x < ColumnCount(); ++x)
            if (TvdxTableCell *cell = Cells(x, y); cell && y + cell->RowSpan() > index)
                cell->SetRowSpan(cell->RowSpan() + delta);
}

void TvdxTableObject::SetColumnCount(int value)
{
    const int old = ColumnCount();
    m_lockCorrectSpans = true;
    while (ColumnCount() < value)
        AddColumn(CreateNamedColumn());
    while (ColumnCount() > std::max(value, 0))
        DeleteColumn(ColumnCount() - 1);
    m_lockCorrectSpans = false;
    const int d = old - ColumnCount();
    if (d > 0)
        for (int y = 0; y < RowCount(); ++y)
            for (int x = 0; x < ColumnCount(); ++x)
                if (TvdxTableCell *cell = Cells(x, y); cell && x + cell->ColSpan() > ColumnCount())
                    cell->SetColSpan(cell->ColSpan() - d);
}

void TvdxTableObject::SetRowCount(int value)
{
    const int old = RowCount();
    m_lockCorrectSpans = true;
    while (RowCount() < value)
        AddRow(CreateNamedRow());
    while (RowCount() > std::max(value, 0))
        DeleteRow(RowCount() - 1);
    m_lockCorrectSpans = false;
    if (RowCount() < old)
        CorrectRowSpans(RowCount(), RowCount() - old);
}

void TvdxTableObject::JoinSelection(int topX, int topY, int bottomX, int bottomY)
{
    constexpr int kNone = std::numeric_limits<int>::max();
    if (topX == kNone || topY == kNone || bottomX == -1 || bottomY == -1)
        for (int x = 0; x < ColumnCount(); ++x)
            for (int y = 0; y < RowCount(); ++y)
                if (TvdxTableCell *cell = Cells(x, y); cell && cell->IsSelected()) {
                    topX = std::min(topX, x);
                    topY = std::min(topY, y);
                    bottomX = std::max(bottomX, x);
                    bottomY = std::max(bottomY, y);
                }
    if (topX == kNone || topY == kNone || bottomX < 0 || bottomY < 0)
        return;
    if (TvdxTableCell *cell = Cells(topX, topY)) {
        cell->SetColSpan(bottomX - topX + 1);
        cell->SetRowSpan(bottomY - topY + 1);
    }
}

void TvdxTableObject::SplitCell(TvdxTableCell *cell)
{
    if (!cell)
        return;
    cell->SetColSpan(1);
    cell->SetRowSpan(1);
}

void TvdxTableObject::UpdateSpans()
{
    const int cols = ColumnCount(), rows = RowCount();
    for (int x = 0; x < cols; ++x)
        for (int y = 0; y < rows; ++y)
            if (TvdxTableCell *cell = Cells(x, y)) {
                cell->SetColSpan(cell->ColSpan());
                cell->SetRowSpan(cell->RowSpan());
                cell->SetHidden(false);
            }
    for (int x = 0; x < cols; ++x)
        for (int y = 0; y < rows; ++y) {
            TvdxTableCell *cell = Cells(x, y);
            if (!cell || cell->Hidden() || (cell->ColSpan() == 1 && cell->RowSpan() == 1))
                continue;
            for (int bx = x; bx < x + cell->ColSpan(); ++bx)
                for (int by = y; by < y + cell->RowSpan(); ++by)
                    if (TvdxTableCell *covered = Cells(bx, by); covered && covered != cell)
                        covered->SetHidden(true);
        }
}

void TvdxTableObject::setCellBounds(TvdxTableCell *cell, int x, int y)
{
    if (cell->Hidden() || (IsPrinting() && !cell->Printable())) {
        cell->SetWidth(0);
        cell->SetHeight(0);
        return;
    }
    long double w = 0, h = 0;
    for (int i = x; i < x + cell->ColSpan(); ++i)
        if (TvdxTableColumn *col = Columns(i))
            w += col->Width();
    for (int j = y; j < y + cell->RowSpan(); ++j)
        if (TvdxCustomTableRow *row = Rows(j))
            h += row->Height();
    cell->SetWidth(w);
    cell->SetHeight(h);
}

void TvdxTableObject::UpdateBounds()
{
    UpdateSpans();
    const int cols = ColumnCount(), rows = RowCount();
    long double x = 0;
    for (int i = 0; i < cols; ++i) {
        TvdxTableColumn *col = Columns(i);
        col->SetLeft(x);
        long double y = 0;
        for (int j = 0; j < rows; ++j) {
            TvdxCustomTableRow *row = Rows(j);
            row->SetTop(y);
            if (TvdxTableCell *cell = row->Cells(i)) {
                cell->SetLeft(x);
                cell->SetTop(0);
                setCellBounds(cell, i, j);
            }
            y += row->Height();
        }
        x += col->Width();
    }
    long double height = 0;
    for (int j = 0; j < rows; ++j)
        height += Rows(j)->Height();
    SetWidth(x);
    SetHeight(height);
    for (int i = 0; i < cols; ++i)
        Columns(i)->SetHeight(height);
    for (int j = 0; j < rows; ++j)
        Rows(j)->SetWidth(x);
}

void TvdxTableObject::Loaded()
{
    TvdxStretcheable::Loaded();
    UpdateBounds();
}

bool TvdxTableObject::IsAcceptAsChild(TvdxComponent *parent) const
{
    return qobject_cast<TvdxBand *>(parent) || qobject_cast<TvdxPage *>(parent);
}

QString TvdxTableObject::GetDescription() const { return GetResStrByName(QStringLiteral("obTable")); }

// ---------------------------------------------------------------------------
void TvdxTableObject::BeforePrint()
{
    TvdxStretcheable::BeforePrint();
    const int cols = ColumnCount(), rows = RowCount();
    for (int x = 0; x < cols; ++x)
        for (int y = 0; y < rows; ++y)
            if (TvdxTableCell *cell = Cells(x, y))
                cell->BeforePrint();
}

void TvdxTableObject::GetData()
{
    TvdxStretcheable::GetData();
    TvdxReport *r = Report();
    TvdxCustomEngine *engine = r ? r->Engine() : nullptr;
    struct Reset {
        TvdxCustomEngine *engine;
        ~Reset()
        {
            if (engine) {
                engine->CurTableRow = 0;
                engine->CurTableColumn = 0;
            }
        }
    } reset{engine};
    const int cols = ColumnCount(), rows = RowCount();
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < cols; ++x) {
            TvdxTableCell *cell = Cells(x, y);
            if (!cell)
                continue;
            if (engine) {
                engine->CurTableRow = y + 1;
                engine->CurTableColumn = x + 1;
            }
            const QString saved = r ? r->CurObject() : QString();
            struct Restore {
                TvdxReport *r;
                QString saved;
                ~Restore()
                {
                    if (r)
                        r->SetCurObject(saved);
                }
            } restore{r, saved};
            if (r)
                r->SetCurObject(cell->Name());
            cell->GetData();
        }
}

void TvdxTableObject::AfterPrint()
{
    LockAnchorsUpdate();
    TvdxStretcheable::AfterPrint();
    const int cols = ColumnCount(), rows = RowCount();
    for (int x = 0; x < cols; ++x)
        for (int y = 0; y < rows; ++y)
            if (TvdxTableCell *cell = Cells(x, y))
                cell->AfterPrint();
    UnlockAnchorsUpdate();
    UpdateBounds();
}

double TvdxTableObject::CalcHeight()
{
    m_lockCorrectSpans = false;
    UpdateBounds();
    return double(Height());
}

namespace {
void registerTableModule()
{
    vdRegisterClass<TvdxContainerPadding>();
}
} // namespace

Q_CONSTRUCTOR_FUNCTION(registerTableModule)
