// Where a click on a view in the preview leads: an address, an anchor, a
// page, a detail report or page, or the application's own handling.
#pragma once
#include "core/vdPersistent.h"

class TvdxReport;

class TvdxHyperlink : public TvdPersistent {
    Q_OBJECT
public:
    enum TvdxHyperlinkKind { hkURL, hkAnchor, hkPageNumber, hkDetailReport, hkDetailPage, hkCustom, hkNone };
    Q_ENUM(TvdxHyperlinkKind)
private:
    Q_PROPERTY(QString DetailPage READ DetailPage WRITE SetDetailPage)
    Q_PROPERTY(QString DetailReport READ DetailReport WRITE SetDetailReport)
    Q_PROPERTY(QString Expression READ Expression WRITE SetExpression)
    Q_PROPERTY(TvdxHyperlinkKind Kind READ Kind WRITE SetKind)
    Q_PROPERTY(QString ReportVariable READ ReportVariable WRITE SetReportVariable)
    Q_PROPERTY(QString TabCaption READ TabCaption WRITE SetTabCaption)
    Q_PROPERTY(QString Value READ Value WRITE SetValue)
    Q_PROPERTY(QString ValuesSeparator READ ValuesSeparator WRITE SetValuesSeparator)
    Q_CLASSINFO("default:Kind", "hkURL")
public:
    Q_INVOKABLE TvdxHyperlink() = default;

    TvdxHyperlinkKind Kind() const { return m_kind; }
    void SetKind(TvdxHyperlinkKind v) { m_kind = v; }
    QString DetailReport() const { return m_detailReport; }
    void SetDetailReport(const QString &v) { m_detailReport = v; }
    QString DetailPage() const { return m_detailPage; }
    void SetDetailPage(const QString &v) { m_detailPage = v; }
    QString Expression() const { return m_expression; }
    void SetExpression(const QString &v) { m_expression = v; }
    QString ReportVariable() const { return m_reportVariable; }
    void SetReportVariable(const QString &v) { m_reportVariable = v; }
    QString TabCaption() const { return m_tabCaption; }
    void SetTabCaption(const QString &v) { m_tabCaption = v; }
    QString Value() const { return m_value; }
    void SetValue(const QString &v) { m_value = v; }
    QString ValuesSeparator() const { return m_valuesSeparator; }
    void SetValuesSeparator(const QString &v) { m_valuesSeparator = v; }
    // The separator character (";" when the text is empty).
    QChar SeparatorChar() const;

    bool IsEmpty() const;
    bool DetailIsEmpty() const;
    // Writes Value into the report variables that ReportVariable names.
    void AssignVariables(TvdxReport *aReport) const;

    void Assign(const TvdPersistent *source) override;
    bool IsPropertyStored(const char *propName) const override;
    QString Diff(const TvdxHyperlink *aLink, const QString &add) const;

private:
    TvdxHyperlinkKind m_kind = hkURL;
    QString m_detailReport;
    QString m_detailPage;
    QString m_expression;
    QString m_reportVariable;
    QString m_tabCaption;
    QString m_value;
    QString m_valuesSeparator = QStringLiteral(";");
};
