// The file transport that lets the user choose the file, and through the
// filter list, another registered transport to write or read with.
#pragma once
#include "report/vdxClass_io.h"

#include <functional>

// What the transport asks of a file dialog.
struct TvdxFileDialogRequest {
    bool save = false;
    bool overwritePrompt = false;
    QString defaultExt;
    QString fileName;   // name part, without extension
    QString initialDir;
    QString filter;     // "Description|pattern|Description|pattern..."
};

struct TvdxFileDialogAnswer {
    bool accepted = false;
    QString fileName;
    int filterIndex = 1; // 1-based
};

// The dialog the transport shows; tests replace it. The default goes through
// the UI provider and takes the filter whose pattern matches the chosen file.
using TvdxFileDialogRunner = std::function<TvdxFileDialogAnswer(const TvdxFileDialogRequest &)>;
TvdxFileDialogRunner &vdxFileDialogRunner();

class TvdxIOTransportFileDialog : public TvdxIOTransportFile {
    Q_OBJECT
public:
    explicit TvdxIOTransportFileDialog(TvdComponent *owner = nullptr, bool noRegister = false);
    ~TvdxIOTransportFileDialog() override;

    TvdxIOTransportClass ClassType() const override { return &vdxNewIOTransport<TvdxIOTransportFileDialog>; }
    void SetVisibility(TvdxFilterVisibility value) override { FVisibility = value; }
    QString GetDescription() override;
    // Runs the dialog; False when the user cancels.
    bool OpenFilter() override;
    void CloseFilter() override;
    QIODevice *GetStream(const QString &aFileName = QString()) override;
    void FreeStream(QIODevice *aStream, const QString &aFileName = QString()) override;
    bool DoFilterProcessStream(QIODevice *aStream, QObject *processingObject) override;

    // The transport chosen through the filter list (none: this one).
    TvdxCustomIOTransport *ChosenFilter() const { return FFilter.get(); }

private:
    std::unique_ptr<TvdxCustomIOTransport> FFilter;
    std::unique_ptr<TvdxFileDialogRequest> FSaveDialog;
};

// Start-up of the dialog transport: sets vdxDialogIOTransportClass unless set
// and lists one instance of it in the transport registry (once).
void vdxInitDialogIOTransport();
// Frees that instance.
void vdxDoneDialogIOTransport();
