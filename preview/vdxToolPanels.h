// Thin strip of small image buttons, the strip with a filter field at its
// right end, and that pair above a filtered tree view.
#pragma once
#include "platform/GraphicsTypes.h"
#include "preview/vdxDPIAware.h"
#include "preview/vdxTreeView.h"

#include <QList>
#include <functional>

class TvdImageList;
class TvdxToolPanel;
class TvdxFilterEdit;

enum TvdxToolButttonStyle { fbsButton, fbsCheckButton, fbsRadioButton, fbsDropDownButton };
enum TvdxToolButttonKind { fbkButton, fbkSeparator };
enum TvdxFilterAlign { vdaLeft, vdaRight, vdaWidth };

class TvdxToolPanelCustomButton : public QWidget {
    Q_OBJECT
public:
    explicit TvdxToolPanelCustomButton(TvdxToolPanel *owner);
    TvdxToolPanel *Strip() const { return m_strip; }
    int Tag = 0;
    // Square buttons on a strip with images.
    virtual void SetBounds(int left, int top, int width, int height);

protected:
    TvdxToolPanel *m_strip;
};

class TvdxToolPanelButton : public TvdxToolPanelCustomButton {
    Q_OBJECT
public:
    explicit TvdxToolPanelButton(TvdxToolPanel *owner);

    int ImageIndex = -1;
    bool IsDown = false;
    int Group = -1;
    TvdxToolButttonStyle ButtonStyle() const { return m_style; }
    void SetButtonStyle(TvdxToolButttonStyle style);
    bool Hot() const { return m_hot; }
    void SetBounds(int left, int top, int width, int height) override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    TvdxToolButttonStyle m_style = fbsButton;
    bool m_hot = false;
};

class TvdxToolPanelSeparator : public TvdxToolPanelCustomButton {
    Q_OBJECT
public:
    explicit TvdxToolPanelSeparator(TvdxToolPanel *owner);

protected:
    void paintEvent(QPaintEvent *event) override;
};

class TvdxToolPanel : public TvdxDPIAwarePanel {
    Q_OBJECT
public:
    explicit TvdxToolPanel(QWidget *parent = nullptr);

    TvdxToolPanelButton *AddButton(int imageIndex, const QString &hint, int tag = 0,
                                   TvdxToolButttonStyle style = fbsButton, int group = -1);
    TvdxToolPanelCustomButton *AddCustomButton(TvdxToolButttonKind kind);
    int GetArrowWidth() const { return height() / 2; }
    void RealignButtons();
    int ButtonsWidth() const;
    const QList<TvdxToolPanelCustomButton *> &Buttons() const { return m_buttons; }

    TvdImageList *ImageList() const { return m_images; }
    // The list stays the caller's.
    void SetImageList(TvdImageList *images);
    // The strip is image height + 8 high whenever it has images.
    void SetBounds(int left, int top, int width, int height);

    std::function<void(QObject *sender)> OnBtnClick;

private:
    QList<TvdxToolPanelCustomButton *> m_buttons;
    TvdImageList *m_images = nullptr;
};

class TvdxToolWithFilterPanel : public TvdxDPIAwarePanel {
    Q_OBJECT
public:
    explicit TvdxToolWithFilterPanel(QWidget *parent = nullptr);

    TvdxToolPanel *ToolPanel() const { return m_strip; }
    TvdxDPIAwarePanel *FilterHolder() const { return m_holder; }
    TvdxFilterEdit *FilterEdit() const { return m_filter; }

    int FileterMinWidth() const { return m_minWidth; }
    void SetFileterMinWidth(int value) { m_minWidth = value; layoutFilter(); }
    int FileterMaxWidth() const { return m_maxWidth; }
    void SetFileterMaxWidth(int value) { m_maxWidth = value; layoutFilter(); }
    int FilterActiveImageIndex() const { return m_activeIndex; }
    void SetFilterActiveImageIndex(int value);
    int FilterUnactiveImageIndex() const { return m_unactiveIndex; }
    void SetFilterUnactiveImageIndex(int value);
    TvdxFilterAlign FilterAlign() const { return m_filterAlign; }
    void SetFilterAlign(TvdxFilterAlign value) { m_filterAlign = value; layoutFilter(); }
    TvdxToolAlign ToolPanelAlign() const { return m_toolAlign; }
    virtual void SetToolPanelAlign(TvdxToolAlign value);
    TColor FilterColor() const;
    void SetFilterColor(TColor color);
    bool FilterVisible() const { return m_filterVisible; }
    void SetFilterVisible(bool value);
    bool ToolVisible() const;
    void SetToolVisible(bool value);
    TvdImageList *ToolImageList() const;
    void SetToolImageList(TvdImageList *images);
    std::function<void(QObject *sender)> OnFilterChanged;

    void PPIChanging(int newPPI) override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    virtual void layoutFilter();
    virtual void placeChildren();
    void ExpandButtonClick();

    TvdxToolPanel *m_strip;
    TvdxDPIAwarePanel *m_holder;
    TvdxFilterEdit *m_filter;

private:
    void redrawIcons();
    int m_minWidth = 40;
    int m_maxWidth = 200;
    int m_activeIndex = -1;
    int m_unactiveIndex = -1;
    bool m_filterVisible = true;
    bool m_holderShown = true;
    TvdxFilterAlign m_filterAlign = vdaRight;
    TvdxToolAlign m_toolAlign = ftaTop;
};

class TvdxTreePanel : public TvdxToolWithFilterPanel {
    Q_OBJECT
public:
    explicit TvdxTreePanel(QWidget *parent = nullptr);
    TvdxTreeView *TreeView() const { return m_tree; }
    void SetToolPanelAlign(TvdxToolAlign value) override;

protected:
    void layoutFilter() override;
    void placeChildren() override;

private:
    TvdxTreeView *m_tree = nullptr;
};
