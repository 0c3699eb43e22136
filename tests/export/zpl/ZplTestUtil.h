// Runs the ZPL filter over hand-built pages, the way the export loop calls it.
#pragma once
#include "export/zpl/vdxExportZPL.h"
#include "report/vdxClass.h"
#include "report/vdxClass_memo.h"
#include "report/vdFont.h"

#include <QBuffer>
#include <initializer_list>

namespace zpltest {

// A page of the given size in pixels; margins (millimetres) as the page stores them.
inline void setPage(TvdxReportPage &page, double width, double height, double leftMargin = 0, double topMargin = 0)
{
    page.SetBounds(0, 0, width, height);
    page.setProperty("LeftMargin", leftMargin);
    page.setProperty("TopMargin", topMargin);
}

// Whole output of one export of the pages (each a list of objects).
inline QByteArray exportPages(TvdxZPLExport &f, TvdxReportPage &page,
                              std::initializer_list<std::initializer_list<TvdxComponent *>> pages)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    f.SetStream(&buffer);
    if (!f.DoStart())
        return QByteArray("<no start>");
    int index = 0;
    for (const auto &objects : pages) {
        f.StartPage(&page, index);
        for (TvdxComponent *o : objects)
            f.ExportObject(o);
        f.FinishPage(&page, index);
        ++index;
    }
    f.DoFinish();
    f.SetStream(nullptr);
    return buffer.data();
}

// The commands of one page between the page's init line and "^XZ".
inline QByteArray body(TvdxZPLExport &f, TvdxReportPage &page, std::initializer_list<TvdxComponent *> objects)
{
    const QByteArray all = exportPages(f, page, {objects});
    const QByteArray head = "^XA" + f.CodePage.toUtf8() + (f.BreakLines() ? "\r\n" : "") + f.PageInit.toUtf8() +
                            (f.BreakLines() ? "\r\n" : "");
    const qsizetype from = all.indexOf(head);
    const qsizetype to = all.lastIndexOf("^XZ");
    if (from < 0 || to < 0)
        return "<bad label: " + all + ">";
    return all.mid(from + head.size(), to - from - head.size());
}

// A vector-mode filter with the other settings as constructed.
inline void vectorMode(TvdxZPLExport &f) { f.SetPrintAsBitmap(false); }

} // namespace zpltest

// Readable failures: ZPL text with CR LF shown as "|".
#include <ostream>
inline void PrintTo(const QByteArray &b, std::ostream *os)
{
    QByteArray s = b;
    s.replace("\r\n", "|");
    *os << '"' << s.constData() << '"';
}
