#include "preview/vdxPrinters.h"
#include "core/vdThreading.h"
#include "core/vdxRes.h"
#include "platform/Exception.h"
#include <QCollator>
#include <algorithm>
#include <mutex>

TvdxPrinters::TvdxPrinters(PrinterBackend *backend, PrinterFactory factory)
    : FBackend(backend ? backend : &vdPrinterBackend()), FFactory(std::move(factory))
{
    FillPrinters();
    if (Count() > 0) {
        FHasPhysicalPrinters = true;
        SetPrinterIndex(IndexOf(GetDefaultPrinterName().trimmed()));
        if (FPrinterIndex == -1)
            SetPrinterIndex(0);
    } else {
        {
            QMutexLocker lock(&FCriticalSection);
            FPrinterList.push_back(
                std::make_unique<TvdxVirtualPrinter>(GetResStrByName(QStringLiteral("prVirtual")), QString()));
        }
        FHasPhysicalPrinters = false;
        SetPrinterIndex(0);
    }
}

TvdxPrinters::~TvdxPrinters()
{
    Clear();
}

void TvdxPrinters::Clear()
{
    QMutexLocker lock(&FCriticalSection);
    FPrinterList.clear();
    FPrinters.clear();
}

void TvdxPrinters::FillPrinters()
{
    Clear();
    struct Entry {
        QString name;
        std::unique_ptr<TvdxCustomPrinter> printer;
    };
    std::vector<Entry> found;
    for (const QString &name : FBackend->Printers())
        found.push_back({name, FFactory ? FFactory(name, FBackend)
                                        : std::make_unique<TvdxPrinter>(name, QString(), FBackend)});

    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(found.begin(), found.end(),
                     [&](const Entry &a, const Entry &b) { return collator.compare(a.name, b.name) < 0; });
    QMutexLocker lock(&FCriticalSection);
    for (Entry &e : found) {
        FPrinters << e.name;
        FPrinterList.push_back(std::move(e.printer));
    }
}

int TvdxPrinters::Count() const
{
    QMutexLocker lock(&FCriticalSection);
    return int(FPrinterList.size());
}

TvdxCustomPrinter *TvdxPrinters::GetItem(int Index) const
{
    QMutexLocker lock(&FCriticalSection);
    if (Index < 0)
        return nullptr;
    if (Index >= int(FPrinterList.size()))
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return FPrinterList[size_t(Index)].get();
}

int TvdxPrinters::IndexOf(const QString &AName) const
{
    QMutexLocker lock(&FCriticalSection);
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    for (size_t i = 0; i < FPrinterList.size(); ++i)
        if (collator.compare(FPrinterList[i]->Name(), AName) == 0)
            return int(i);
    return -1;
}

QStringList TvdxPrinters::Printers() const
{
    QMutexLocker lock(&FCriticalSection);
    return FPrinters;
}

void TvdxPrinters::LockPrinterChange()
{
    QMutexLocker lock(&FCriticalSection);
    ++FChangeLockCount;
}

void TvdxPrinters::UnlockPrinterChange()
{
    QMutexLocker lock(&FCriticalSection);
    FChangeLockCount = std::max(0, FChangeLockCount - 1);
}

int TvdxPrinters::ChangeLockCount() const
{
    QMutexLocker lock(&FCriticalSection);
    return FChangeLockCount;
}

void TvdxPrinters::SetPrinterIndex(int Value)
{
    TvdxCustomPrinter *current = nullptr;
    {
        QMutexLocker lock(&FCriticalSection);
        if (FChangeLockCount > 0)
            return;
        int index = Value;
        if (Value == -1)
            index = IndexOf(GetDefaultPrinterName().trimmed());
        else if (Value < 0 || Value >= int(FPrinterList.size()))
            throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Value));
        FPrinterIndex = index;
        if (index != -1)
            current = FPrinterList[size_t(index)].get();
    }
    if (current)
        current->Init();
}

QString TvdxPrinters::GetDefaultPrinterName() const
{
    return FBackend->DefaultPrinter();
}

namespace {
std::unique_ptr<TvdxPrinters> g_printers;
std::once_flag g_printersOnce;
} // namespace

TvdxPrinters *vdxGlobalPrinters()
{
    std::call_once(g_printersOnce, [] {
        SynchronizeMethod([] { g_printers = std::make_unique<TvdxPrinters>(); });
    });
    return g_printers.get();
}

TvdxCustomPrinter *GetPrinterByName(const QString &AName)
{
    TvdxPrinters *list = vdxGlobalPrinters();
    const int i = list->IndexOf(AName);
    return i == -1 ? nullptr : list->Items(i);
}
