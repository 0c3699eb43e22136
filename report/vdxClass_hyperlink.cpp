#include "report/vdxClass_hyperlink.h"

#include "core/vdUtils.h"
#include "core/vdXML.h"
#include "core/vdxVariables.h"
#include "report/vdxClass_report.h"

QChar TvdxHyperlink::SeparatorChar() const
{
    return m_valuesSeparator.isEmpty() ? QLatin1Char(';') : m_valuesSeparator.at(0);
}

bool TvdxHyperlink::IsEmpty() const
{
    switch (m_kind) {
    case hkURL:
    case hkAnchor:
    case hkPageNumber:
        return m_value.isEmpty();
    case hkDetailPage:
        return m_detailPage.isEmpty();
    case hkDetailReport:
        return m_detailReport.isEmpty();
    case hkNone:
        return true;
    case hkCustom:
        return false;
    }
    return true;
}

bool TvdxHyperlink::DetailIsEmpty() const
{
    return (m_kind == hkDetailReport && m_detailReport.isEmpty())
           || (m_kind == hkDetailPage && m_detailPage.isEmpty());
}

void TvdxHyperlink::AssignVariables(TvdxReport *aReport) const
{
    if (!aReport || !aReport->Variables())
        return;
    TvdxVariables *vars = aReport->Variables();
    auto set = [&](const QString &name, const QString &value) {
        if (vars->IndexOf(name) >= 0)
            vars->SetVariable(name, Variant(value));
    };
    if (!m_valuesSeparator.isEmpty() && m_reportVariable.contains(m_valuesSeparator)) {
        const QChar sep = SeparatorChar();
        QStringList names, values;
        SplitBySeparator(names, m_reportVariable, sep);
        SplitBySeparator(values, m_value, sep);
        // The split keeps a separator that ends a piece; names and values are the text between.
        auto clean = [&](QString t) {
            if (t.endsWith(sep))
                t.chop(1);
            return t;
        };
        for (int i = 0; i < names.size(); ++i) {
            const QString v = values.isEmpty() ? m_value : clean(values.at(std::min<qsizetype>(i, values.size() - 1)));
            set(clean(names.at(i)), v);
        }
    } else {
        set(m_reportVariable, m_value);
    }
}

void TvdxHyperlink::Assign(const TvdPersistent *source)
{
    if (auto *s = qobject_cast<const TvdxHyperlink *>(source)) {
        m_kind = s->m_kind;
        m_detailReport = s->m_detailReport;
        m_detailPage = s->m_detailPage;
        m_expression = s->m_expression;
        m_reportVariable = s->m_reportVariable;
        m_tabCaption = s->m_tabCaption;
        m_value = s->m_value;
        m_valuesSeparator = s->m_valuesSeparator;
    }
}

bool TvdxHyperlink::IsPropertyStored(const char *propName) const
{
    if (qstrcmp(propName, "ValuesSeparator") == 0)
        return m_valuesSeparator != QLatin1String(";");
    return TvdPersistent::IsPropertyStored(propName);
}

QString TvdxHyperlink::Diff(const TvdxHyperlink *a, const QString &add) const
{
    QString s;
    if (!a)
        return s;
    auto put = [&](const char *name, const QString &value) {
        s += QLatin1Char(' ') + add + QLatin1Char('.') + QLatin1String(name) + QLatin1String("=\"") + value
             + QLatin1Char('"');
    };
    if (m_kind != a->m_kind)
        put("Kind", QString::number(int(m_kind)));
    if (m_detailReport != a->m_detailReport)
        put("DetailReport", EscapeXMLAttr(m_detailReport));
    if (m_detailPage != a->m_detailPage)
        put("DetailPage", EscapeXMLAttr(m_detailPage));
    if (m_reportVariable != a->m_reportVariable)
        put("ReportVariable", EscapeXMLAttr(m_reportVariable));
    if (m_tabCaption != a->m_tabCaption)
        put("TabCaption", EscapeXMLAttr(m_tabCaption));
    if (m_value != a->m_value)
        put("Value", EscapeXMLAttr(m_value));
    if (m_valuesSeparator != a->m_valuesSeparator)
        put("ValuesSeparator", EscapeXMLAttr(m_valuesSeparator));
    return s;
}
