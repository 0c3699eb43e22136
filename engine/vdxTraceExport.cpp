#include "engine/vdxTraceExport.h"

#include "report/vdxClass_io.h"
#include "report/vdxClass_memo.h"

TvdxTraceExport::TvdxTraceExport(TvdComponent *owner) : TvdxCustomExportFilter(owner)
{
    SetDefaultExt(QStringLiteral(".trace"));
    SetShowDialog(false);
}

void TvdxTraceExport::add(const QString &line)
{
    FLines.append(line);
    if (FOut)
        FOut->write((line + QLatin1Char('\n')).toUtf8());
}

static QString num(long double v) { return QString::number(double(v), 'f', 2); }

QString TvdxTraceExport::ObjectLine(TvdxComponent *obj)
{
    QString text;
    if (auto *memo = qobject_cast<TvdxCustomMemoView *>(obj)) {
        text = memo->Text();
        while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
            text.chop(1);
        text.replace(QLatin1String("\r\n"), QLatin1String("\\n"));
        text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    }
    return QStringLiteral("ExportObject %1 %2 %3 %4 %5 %6 %7")
        .arg(obj->ClassName(), obj->Name(), num(obj->AbsLeft()), num(obj->AbsTop()), num(obj->Width()),
             num(obj->Height()), text)
        .trimmed();
}

bool TvdxTraceExport::Start()
{
    FLines.clear();
    FOut = Stream();
    if (!FOut && IOTransport() && !FileName().isEmpty())
        FOut = IOTransport()->GetStream(FileName());
    add(QStringLiteral("Start"));
    return true;
}

void TvdxTraceExport::StartPage(TvdxComponent *, int index) { add(QStringLiteral("StartPage %1").arg(index)); }

void TvdxTraceExport::ExportObject(TvdxComponent *obj) { add(ObjectLine(obj)); }

void TvdxTraceExport::FinishPage(TvdxComponent *, int index) { add(QStringLiteral("FinishPage %1").arg(index)); }

void TvdxTraceExport::BeginClip(TvdxComponent *obj) { add(QStringLiteral("BeginClip ") + obj->Name()); }

void TvdxTraceExport::EndClip() { add(QStringLiteral("EndClip")); }

void TvdxTraceExport::Finish()
{
    add(QStringLiteral("Finish"));
    if (FOut && FOut != Stream() && IOTransport())
        IOTransport()->FreeStream(FOut);
    FOut = nullptr;
}
