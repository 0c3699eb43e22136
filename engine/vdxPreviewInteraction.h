// What the prepared pages ask of a preview control beyond TvdxCustomPreview
// when they follow hyperlinks and anchors, and how addresses are opened.
#pragma once
#include <QString>
#include <Qt>
#include <functional>

// The preview control implements this beside TvdxCustomPreview; the store
// finds it by a cast and does without when it is missing.
class IvdxPreviewNavigation {
public:
    virtual ~IvdxPreviewNavigation() = default;
    // 1-based page number of the current page.
    virtual int PageNo() const = 0;
    virtual void SetPageNo(int pageNo) = 0;
    // Scrolls to a 1-based page and a top position in report pixels.
    virtual void SetPosition(int pageN, int top) = 0;
    // Repaints the page workspace.
    virtual void RepaintPages() = 0;
};

// System cursor ids as views store them.
constexpr int vdxCrDefault = 0;
constexpr int vdxCrHandPoint = -21;
// The Qt shape of a system cursor id (an arrow for ids it does not know).
Qt::CursorShape vdxQtCursorShape(int cursor);

// Opens an address the user agreed to open; the desktop's handler by
// default, replaceable for headless runs and tests.
using TvdxUrlOpener = std::function<void(const QString &url)>;
TvdxUrlOpener &vdxUrlOpener();
// Only http, https and mailto addresses are ever handed to the opener.
bool vdxIsOpenableUrl(const QString &url);
