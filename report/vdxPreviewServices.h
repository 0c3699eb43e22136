// What the report needs of the preview window and the printer list. The
// preview and printing subsystems install their classes through the
// factories here; until then the doubles of vdxServiceDoubles.h serve.
#pragma once
#include "core/vdBaseForm.h"

#include <QStringList>
#include <functional>

class TvdxReport;
class TvdxCustomPreview;

// The standard preview window.
class TvdxCustomPreviewForm : public TvdxBaseForm {
    Q_OBJECT
public:
    explicit TvdxCustomPreviewForm(QWidget *owner = nullptr) : TvdxBaseForm(owner) {}

    // Fills the window from the report and initialises its preview control.
    virtual void Init(TvdxReport *report) = 0;
    virtual TvdxCustomPreview *Preview() const = 0;
    // Shows the window modally; answers its modal result.
    virtual int ShowModal() = 0;
    // A progress message in the status bar, or a hint.
    virtual void SetMessageText(const QString &value, bool isHint) = 0;

    // The form frees itself when closed.
    bool FreeOnClose() const { return testAttribute(Qt::WA_DeleteOnClose); }
    void SetFreeOnClose(bool value) { setAttribute(Qt::WA_DeleteOnClose, value); }
    bool IsClosing() const { return m_isClosing; }

protected:
    bool m_isClosing = false;
};

// Shows a window modally: through its invokable ShowModal when it has one,
// else in a local event loop until it is hidden. Answers the modal result.
int vdxShowModal(QWidget *form);

using TvdxPreviewFormClass = std::function<TvdxCustomPreviewForm *(QWidget *owner)>;
TvdxPreviewFormClass &vdxPreviewFormClass();

// The process-wide printer list, as far as the report uses it. The printing
// layer installs one over its real list; this plain one serves without it.
class TvdxPrinterSelection {
public:
    virtual ~TvdxPrinterSelection() = default;
    // Index of a printer name (ignoring case), or -1.
    virtual int IndexOf(const QString &name) const;
    virtual void SetPrinterIndex(int index) { m_printerIndex = index; }
    virtual int PrinterIndex() const { return m_printerIndex; }
    QStringList Printers;

protected:
    int m_printerIndex = -1;
};
TvdxPrinterSelection *vdxPrinterSelection();
// Replaces the process-wide list (the printing subsystem, tests); owned.
void vdxSetPrinterSelection(TvdxPrinterSelection *printers);
