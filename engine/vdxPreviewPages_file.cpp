// Prepared-report files: the store's document plus what a reader needs to
// build pages without the template (report settings, source pages, alias
// dictionary, pictures, deferred values, styles).
#include "engine/vdxPreviewPages.h"

#include "core/vdxRes.h"
#include "core/vdxXMLSerializer.h"
#include "engine/vdxPreviewPages_p.h"
#include "report/vdxClass_bases.h"
#include "report/vdxClass_io.h"
#include "report/vdxClass_options.h"
#include "report/vdxClass_postprocessor.h"
#include "report/vdxClass_report.h"
#include "report/vdxClass_styles.h"
#include "report/vdxDMPClass.h"

#include <QFile>
#include <QFileInfo>
#include <functional>

namespace {

QString boolText(bool v) { return v ? QStringLiteral("1") : QStringLiteral("0"); }

// Every object of a tree, depth first.
void forEachObject(TvdxComponent *c, const std::function<void(TvdxComponent *)> &f, int depth = 0)
{
    if (depth > vdxMaxNesting)
        return;
    for (TvdxComponent *child : c->Objects().List()) {
        f(child);
        forEachObject(child, f, depth + 1);
    }
}

[[noreturn]] void badDictionary(const QString &alias, const QString &why)
{
    throw Exception(QStringLiteral("Invalid prepared report: dictionary entry \"%1\" %2").arg(alias, why));
}

} // namespace

// ---------------------------------------------------------------------------
void TvdxPreviewPages::prepareDocument()
{
    TvdXMLItem *report = RootItem("report");
    report->Clear();
    if (FReport) {
        TvdXMLItem *r = report->Add(FReport->ClassName());
        r->SetText(QStringLiteral("DotMatrixReport=\"%1\" PreviewOptions.OutlineVisible=\"%2\" "
                                  "PreviewOptions.OutlineWidth=\"%3\" ReportOptions.Name=\"%4\"")
                       .arg(boolText(FReport->DotMatrixReport()),
                            boolText(FReport->PreviewOptions()->OutlineVisible()),
                            QString::number(FReport->PreviewOptions()->OutlineWidth()),
                            EscapeXMLAttr(FReport->ReportOptions()->Name())));
    }
    TvdXMLItem *sources = RootItem("sourcepages");
    sources->Clear();
    for (TvdxReportPage *page : std::as_const(FSourcePages)) {
        TvdxXMLSerializer ser;
        ser.WriteRootComponent(page, true, sources->Add());
    }
    TvdXMLItem *dictionary = RootItem("dictionary");
    dictionary->Clear();
    for (const QString &alias : FDictionary.Names())
        dictionary->Add(alias)->SetText(QStringLiteral("name=\"%1\"").arg(EscapeXMLAttr(FDictionary.GetSourceName(alias))));
    FPictureCache->SaveToXML(FXMLDoc->Root());
    TvdXMLItem *post = RootItem("postprocessing");
    post->Clear();
    if (FPostProcessor)
        FPostProcessor->SaveToXML(post);
    if (IsStylesActive()) {
        TvdXMLItem *styles = RootItem("styles");
        styles->Clear();
        Styles()->SaveToXMLItem(styles);
    }
}

void TvdxPreviewPages::SaveToStream(QIODevice &stream)
{
    std::unique_ptr<TvdxCustomCompressor> compressor;
    QIODevice *dest = &stream;
    if (FReport && FReport->ReportOptions()->Compressed() && vdxCompressorClass()) {
        compressor.reset(vdxCompressorClass()(nullptr));
        compressor->Report = FReport;
        compressor->SetIsVD3File(false);
        compressor->CreateStream();
        dest = compressor->Stream();
    }
    prepareDocument();
    FXMLDoc->SaveToStream(*dest);
    if (compressor)
        compressor->Compress(stream);
}

// ---------------------------------------------------------------------------
void TvdxPreviewPages::readDocument(QIODevice &stream, bool allowPartialLoading)
{
    if (allowPartialLoading) {
        FXMLDoc->LoadFromStream(stream, true);
        rebuildFromDocument(FXMLDoc->OldVersion());
        return;
    }
    // Read whole, yet page items keep their unloadable mark: they can still
    // go to the swap file, and a second save writes the same file.
    FXMLDoc->Clear();
    bool oldFormat = false;
    {
        TvdXMLReader r(stream);
        r.SetPartialLoading(TvdXMLReader::KeepMarked);
        r.ReadHeader();
        oldFormat = r.OldFormat();
        r.ReadRootItem(FXMLDoc->Root(), true);
    }
    rebuildFromDocument(oldFormat);
}

void TvdxPreviewPages::rebuildFromDocument(bool oldFormat)
{
    TvdXMLItem *root = FXMLDoc->Root();
    if (root->Name().compare(QLatin1String("preparedreport"), Qt::CaseInsensitive) != 0)
        throw TvdInvalidXMLException(QStringLiteral("Invalid file format"));
    FPagesItem = nullptr;
    FNumbersItem = nullptr;
    PagesItem();

    // The report's own settings: these four and nothing else a file might add.
    TvdXMLItem *report = RootItem("report");
    if (FReport && report->Count() > 0) {
        const TvdXMLItem *r = report->Items(0);
        if (r->PropExists(QStringLiteral("DotMatrixReport")))
            FReport->SetDotMatrixReport(r->GetPropAsBoolean(QStringLiteral("DotMatrixReport")));
        if (r->PropExists(QStringLiteral("PreviewOptions.OutlineVisible")))
            FReport->PreviewOptions()->SetOutlineVisible(r->GetPropAsBoolean(QStringLiteral("PreviewOptions.OutlineVisible")));
        if (r->PropExists(QStringLiteral("PreviewOptions.OutlineWidth")))
            FReport->PreviewOptions()->SetOutlineWidth(vdxPropInt(r, QStringLiteral("PreviewOptions.OutlineWidth")));
        if (r->PropExists(QStringLiteral("ReportOptions.Name")))
            FReport->ReportOptions()->SetName(r->GetProp(QStringLiteral("ReportOptions.Name")));
    }

    TvdXMLItem *sources = RootItem("sourcepages");
    for (int i = 0; i < sources->Count(); ++i) {
        TvdXMLItem *el = sources->Items(i);
        TvdxReportPage *page = el->Name().compare(QLatin1String("TvdxDMPPage"), Qt::CaseInsensitive) == 0
                                   ? new TvdxDMPPage(nullptr)
                                   : new TvdxReportPage(nullptr);
        try {
            TvdxXMLSerializer ser;
            ser.OldFormat = oldFormat;
            ser.SetOwner(page);
            ser.ReadRootComponent(page, el);
        } catch (...) {
            delete page;
            throw;
        }
        TvdxXMLSerializer ser;
        forEachObject(page, [&](TvdxComponent *obj) { obj->SetBaseName(ser.WriteComponentStr(obj)); });
        page->SetBaseName(ser.WriteComponentStr(page));
        FSourcePages.append(page);
    }
    sources->Clear();

    FDictionary.Clear();
    TvdXMLItem *dictionary = RootItem("dictionary");
    for (int i = 0; i < dictionary->Count(); ++i) {
        const TvdXMLItem *el = dictionary->Items(i);
        const QString alias = el->Name();
        const QString sourceName = el->GetProp(QStringLiteral("name"));
        if (sourceName.isEmpty()) {
            // A sentinel of the alias numbering: a name that resolves to nothing.
            FDictionary.Add(alias, QString(), nullptr);
            continue;
        }
        const qsizetype dot = sourceName.indexOf(QLatin1Char('.'));
        if (dot < 0 || !sourceName.startsWith(QLatin1String("Page"), Qt::CaseInsensitive))
            badDictionary(alias, QStringLiteral("has no source name of the form Page<n>.<object>"));
        bool ok = false;
        const int p = sourceName.mid(4, dot - 4).toInt(&ok);
        if (!ok || p < 0 || p >= FSourcePages.size())
            badDictionary(alias, QStringLiteral("names a source page that does not exist"));
        const QString objName = sourceName.mid(dot + 1, 255);
        auto *obj = qobject_cast<TvdxComponent *>(FSourcePages[p]->FindObject(objName));
        if (!obj)
            badDictionary(alias, QStringLiteral("names an object that does not exist"));
        obj->SetAliasName(alias);
        FDictionary.Add(alias, sourceName, obj);
    }

    FPictureCache->LoadFromXML(root);

    const int post = root->Find(QStringLiteral("postprocessing"));
    if (post >= 0) {
        if (FPostProcessor)
            FPostProcessor->LoadFromXML(root->Items(post));
        delete root->Items(post);
    }
    // Wherever it stands, the root's first child included.
    const int styles = root->Find(QStringLiteral("styles"));
    if (styles >= 0) {
        if (TvdxStyles *s = Styles())
            s->LoadFromXMLItem(root->Items(styles), nullptr, oldFormat);
        delete root->Items(styles);
    }
}

void TvdxPreviewPages::LoadFromStream(QIODevice &stream, bool allowPartialLoading)
{
    Clear();
    QIODevice *source = &stream;
    std::unique_ptr<TvdxCustomCompressor> compressor;
    if (vdxCompressorClass()) {
        allowPartialLoading = false;
        compressor.reset(vdxCompressorClass()(nullptr));
        compressor->Report = FReport;
        compressor->SetIsVD3File(false);
        try {
            compressor->CreateStream();
            if (compressor->Decompress(stream)) {
                source = compressor->Stream();
                source->seek(0);
            }
        } catch (const Exception &) {
            compressor.reset();
            if (FReport) {
                FReport->AddError(GetResources()->Get(QStringLiteral("clDecompressError")));
                HandleReportError(FReport->EngineOptions()->ReportErrorMode(),
                                  GetResources()->Get(QStringLiteral("clErrors")) + QStringLiteral("\r\n") +
                                      FReport->Errors().join(QStringLiteral("\r\n")));
            }
            return;
        }
    }
    try {
        readDocument(*source, allowPartialLoading);
    } catch (...) {
        // A file that does not load leaves nothing half-built behind.
        Clear();
        throw;
    }
}

bool TvdxPreviewPages::LoadFromFile(const QString &fileName, bool exceptionIfNotFound)
{
    return LoadFromFile(fileName, exceptionIfNotFound, false);
}

bool TvdxPreviewPages::LoadFromFile(const QString &fileName, bool exceptionIfNotFound, bool allowPartialLoading)
{
    const bool exists = QFileInfo(fileName).isFile();
    if (!exists && !exceptionIfNotFound) {
        Clear();
        return false;
    }
    if (allowPartialLoading && !vdxCompressorClass()) {
        // The document opens the file and keeps it as the source of page
        // items it has not read yet.
        Clear();
        try {
            FXMLDoc->LoadFromFile(fileName);
            rebuildFromDocument(FXMLDoc->OldVersion());
        } catch (...) {
            Clear();
            throw;
        }
        return exists;
    }
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, f.errorString()));
    LoadFromStream(f, false);
    return exists;
}

// ---------------------------------------------------------------------------
void TvdxPreviewPages::SaveToFile(const QString &fileName)
{
    // Absolute: a relative name would be taken relative to the base path again.
    const QString path = QFileInfo(fileName).absoluteFilePath();
    TvdxIOTransportFile transport(nullptr, true);
    transport.BasePath = QFileInfo(path).absolutePath();
    SaveToFilter(&transport, path);
}

bool TvdxPreviewPages::SaveToFilter(QObject *filter, const QString &fileName)
{
    auto *transport = qobject_cast<TvdxCustomIOTransport *>(filter);
    if (!transport)
        return false;
    transport->FilterAccess = faWrite;
    if (fileName.isEmpty() && transport->FileName.isEmpty() && FReport)
        transport->FileName = QFileInfo(FReport->FileName()).fileName();
    transport->SetReport(FReport);
    bool opened = false;
    try {
        opened = transport->OpenFilter();
        if (opened)
            if (QIODevice *stream = transport->GetStream(fileName)) {
                try {
                    if (!transport->DoFilterProcessStream(stream, this))
                        SaveToStream(*stream);
                } catch (...) {
                    try {
                        transport->FreeStream(stream);
                    } catch (const Exception &) {
                    }
                    throw;
                }
                transport->FreeStream(stream);
            }
    } catch (...) {
        try {
            transport->CloseFilter();
        } catch (const Exception &) {
        }
        transport->SetReport(nullptr);
        throw;
    }
    transport->CloseFilter();
    transport->SetReport(nullptr);
    return opened;
}
