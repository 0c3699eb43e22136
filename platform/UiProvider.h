// The one place where modal prompts are shown. Everything that asks the user
// (message boxes, confirmations, input and password queries, file dialogs)
// goes through the current provider, so a headless run installs one that
// answers at once.
#pragma once
#include <QString>
#include <QStringList>
#include <functional>

class QDialog;
class QWidget;

// Button results, numbered as the platform's dialog results.
enum TvdModalResult : int {
    mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5,
    mrYes = 6, mrNo = 7, mrAll = 8, mrNoToAll = 9, mrYesToAll = 10, mrClose = 11
};

// Message-box style bits (button group in the low nibble, icon in the next).
enum : unsigned {
    MB_OK = 0x0, MB_OKCANCEL = 0x1, MB_ABORTRETRYIGNORE = 0x2, MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4, MB_RETRYCANCEL = 0x5,
    MB_ICONERROR = 0x10, MB_ICONQUESTION = 0x20, MB_ICONWARNING = 0x30, MB_ICONINFORMATION = 0x40,
    MB_BUTTONMASK = 0xF, MB_ICONMASK = 0xF0
};
// Message-box answers (same numbers as the modal results).
enum : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };

// Kinds and buttons of the message dialog.
enum class TvdMsgDlgType { Warning, Error, Information, Confirmation, Custom };
enum TvdMsgDlgBtn : unsigned {
    mbYes = 1u << 0, mbNo = 1u << 1, mbOK = 1u << 2, mbCancel = 1u << 3, mbAbort = 1u << 4,
    mbRetry = 1u << 5, mbIgnore = 1u << 6, mbAll = 1u << 7, mbNoToAll = 1u << 8,
    mbYesToAll = 1u << 9, mbHelp = 1u << 10, mbClose = 1u << 11
};

class UiProvider {
public:
    virtual ~UiProvider() = default;

    // Answers one of the ID* values (IDOK for MB_OK).
    virtual int MessageBox(const QString &text, const QString &caption, unsigned flags) = 0;
    // Answers one of the mr* values of the buttons offered.
    virtual int MessageDlg(const QString &text, TvdMsgDlgType type, unsigned buttons) = 0;
    // A line of text; value holds the default and receives the answer.
    virtual bool InputQuery(const QString &caption, const QString &prompt, QString &value) = 0;
    virtual bool PasswordQuery(const QString &caption, const QString &prompt, QString &value) = 0;
    // Empty when cancelled.
    virtual QString OpenFileName(const QString &caption, const QString &folder, const QString &filter) = 0;
    virtual QString SaveFileName(const QString &caption, const QString &folder, const QString &filter) = 0;
    // Runs a dialog of the library modally; answers mrOk when it was
    // accepted, mrCancel otherwise. Headless: answers mrOk unseen.
    virtual int ShowModal(QDialog &dialog);
};

// Qt Widgets dialogs. On a headless platform ("offscreen", "minimal") it shows
// nothing and answers like the headless provider's defaults.
class QtUiProvider : public UiProvider {
public:
    int MessageBox(const QString &text, const QString &caption, unsigned flags) override;
    int MessageDlg(const QString &text, TvdMsgDlgType type, unsigned buttons) override;
    bool InputQuery(const QString &caption, const QString &prompt, QString &value) override;
    bool PasswordQuery(const QString &caption, const QString &prompt, QString &value) override;
    QString OpenFileName(const QString &caption, const QString &folder, const QString &filter) override;
    QString SaveFileName(const QString &caption, const QString &folder, const QString &filter) override;
    int ShowModal(QDialog &dialog) override;

    static bool IsHeadless();
    // Whether this provider shows nothing (IsHeadless unless a subclass knows better).
    virtual bool Headless() const { return IsHeadless(); }
};

// The window a GUI program asks for passwords with. The platform has only a
// plain input box; a layer with the library's own password window installs it
// here. It runs on the GUI thread, shows the window through ui.ShowModal and
// answers whether it was confirmed, with the typed text in value.
using TvdPasswordFormFunc =
    std::function<bool(UiProvider &ui, const QString &caption, const QString &prompt, QString &value)>;
// Installs the window (empty restores the input box); returns the previous one.
TvdPasswordFormFunc vdSetPasswordForm(TvdPasswordFormFunc form);

// Never blocks: records every prompt and answers from a queue, else with the
// default answer (the first button offered: OK, Yes, Abort or Retry; inputs
// unconfirmed; no file).
class HeadlessUiProvider : public UiProvider {
public:
    struct Prompt {
        QString kind;     // "MessageBox", "MessageDlg", "InputQuery", "PasswordQuery", "OpenFileName", "SaveFileName", "ShowModal"
        QString caption;
        QString text;
        unsigned flags = 0;
    };

    int MessageBox(const QString &text, const QString &caption, unsigned flags) override;
    int MessageDlg(const QString &text, TvdMsgDlgType type, unsigned buttons) override;
    bool InputQuery(const QString &caption, const QString &prompt, QString &value) override;
    bool PasswordQuery(const QString &caption, const QString &prompt, QString &value) override;
    QString OpenFileName(const QString &caption, const QString &folder, const QString &filter) override;
    QString SaveFileName(const QString &caption, const QString &folder, const QString &filter) override;
    // Recorded as "ShowModal" with the window title; OnShowModal (when set)
    // may look at the dialog, act on it and answer, else a queued result or mrOk.
    int ShowModal(QDialog &dialog) override;
    std::function<int(QDialog &dialog)> OnShowModal;

    // Answers used in order by the next prompts: a result number for message
    // boxes, a text for queries and file dialogs (an empty text cancels).
    void QueueAnswer(int result) { m_results << result; }
    void QueueText(const QString &text) { m_texts << text; }

    const QList<Prompt> &Prompts() const { return m_prompts; }
    void ClearPrompts() { m_prompts.clear(); }

    static int DefaultMessageBoxResult(unsigned flags);
    static int DefaultMessageDlgResult(unsigned buttons);

private:
    bool nextResult(int &r);
    bool nextText(QString &t);
    QList<Prompt> m_prompts;
    QList<int> m_results;
    QStringList m_texts;
};

// The current provider (a QtUiProvider until one is installed).
UiProvider &vdUiProvider();
// Installs a provider (not owned); nullptr restores the default. Returns the previous one.
UiProvider *vdSetUiProvider(UiProvider *provider);

// Installs a provider for the lifetime of the object.
class TvdScopedUiProvider {
public:
    explicit TvdScopedUiProvider(UiProvider *provider) : m_previous(vdSetUiProvider(provider)) {}
    ~TvdScopedUiProvider() { vdSetUiProvider(m_previous); }
    TvdScopedUiProvider(const TvdScopedUiProvider &) = delete;
    TvdScopedUiProvider &operator=(const TvdScopedUiProvider &) = delete;
private:
    UiProvider *m_previous;
};
