// Gallery of the shared controls: every control in one window.
//   vd-widgets                 shows the window
//   vd-widgets --grab OUT.png  renders it offscreen to a PNG and exits
#include "core/vdImageList.h"
#include "platform/IniFile.h"
#include "preview/vdxComboBox.h"
#include "preview/vdxComboEdit.h"
#include "preview/vdxDock.h"
#include "preview/vdxFilterEdit.h"
#include "preview/vdxFontComboBox.h"
#include "preview/vdxPopupForm.h"
#include "preview/vdxScrollWin.h"
#include "preview/vdxToolPanels.h"
#include "preview/vdxTreeView.h"
#include "preview/vdxUnicodeMemo.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdio>

namespace {

// A scrolling window that draws a grid of numbered cells.
class GridWin : public TvdxScrollWin {
public:
    GridWin()
    {
        SetHorzRange(2000);
        SetVertRange(2000);
        SmallChange = 20;
        LargeChange = 200;
    }

protected:
    void Paint(QPainter &p) override
    {
        TvdxScrollWin::Paint(p);
        p.setPen(QColor(180, 180, 180));
        for (int y = -(VertPosition() % 50); y < viewport()->height(); y += 50)
            p.drawLine(0, y, viewport()->width(), y);
        for (int x = -(HorzPosition() % 50); x < viewport()->width(); x += 50)
            p.drawLine(x, 0, x, viewport()->height());
        p.setPen(Qt::black);
        p.drawText(6, 16, QStringLiteral("%1, %2").arg(HorzPosition()).arg(VertPosition()));
    }
    void resizeEvent(QResizeEvent *e) override
    {
        TvdxScrollWin::resizeEvent(e);
        SetHorzPage(viewport()->width());
        SetVertPage(viewport()->height());
    }
    void HorzPositionChanged() override { viewport()->update(); }
    void VertPositionChanged() override { viewport()->update(); }
};

TvdImageList *toolImages()
{
    static TvdImageList list = [] {
        TvdImageList l(16, 16);
        const QColor colours[] = {QColor(200, 60, 60), QColor(60, 160, 60), QColor(60, 90, 200), QColor(90, 90, 90)};
        for (const QColor &c : colours) {
            QImage img(16, 16, QImage::Format_ARGB32);
            img.fill(Qt::transparent);
            QPainter p(&img);
            p.setRenderHint(QPainter::Antialiasing);
            p.setBrush(c);
            p.setPen(Qt::NoPen);
            p.drawEllipse(2, 2, 12, 12);
            p.end();
            l.Add(img);
        }
        return l;
    }();
    return &list;
}

void fillTree(TvdxTreeView *tree)
{
    const char *groups[][4] = {{"Data", "Invoice", "Customer", "Article"},
                               {"Report", "Page1", "MasterData1", "PageFooter1"},
                               {"Variables", "Date", "Page#", "TotalPages#"}};
    for (const auto &g : groups) {
        auto *top = new QTreeWidgetItem(tree, QStringList{QString::fromLatin1(g[0])});
        for (int i = 1; i < 4; ++i)
            new QTreeWidgetItem(top, QStringList{QString::fromLatin1(g[i])});
    }
    tree->expandAll();
}

QWidget *labelled(const QString &caption, QWidget *w)
{
    auto *box = new QWidget;
    auto *l = new QVBoxLayout(box);
    l->setContentsMargins(4, 4, 4, 4);
    l->addWidget(new QLabel(caption));
    l->addWidget(w);
    return box;
}

} // namespace

int main(int argc, char **argv)
{
    QString grabTo;
    for (int i = 1; i < argc; ++i)
        if (QByteArray(argv[i]) == "--grab" && i + 1 < argc)
            grabTo = QString::fromLocal8Bit(argv[i + 1]);
    if (!grabTo.isEmpty() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QWidget window;
    window.setObjectName(QStringLiteral("Gallery"));
    window.setWindowTitle(QStringLiteral("Shared controls"));
    auto *outer = new QHBoxLayout(&window);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    // Left: a dock site with two tool windows.
    auto *site = new TvdxDockSite(&window, daLeft);
    site->setObjectName(QStringLiteral("LeftDock"));
    site->TopParentWin = &window;
    outer->addWidget(site);
    auto *treeForm = new TvdxDockForm(&window);
    treeForm->setObjectName(QStringLiteral("ReportTree"));
    treeForm->setWindowTitle(QStringLiteral("Report tree"));
    auto *treeLayout = new QVBoxLayout(treeForm);
    treeLayout->setContentsMargins(0, 0, 0, 0);
    auto *treePanel = new TvdxTreePanel(treeForm);
    treePanel->SetToolImageList(toolImages());
    treePanel->ToolPanel()->AddButton(0, QStringLiteral("Add"));
    treePanel->ToolPanel()->AddButton(1, QStringLiteral("Edit"), 0, fbsCheckButton);
    treePanel->ToolPanel()->AddCustomButton(fbkSeparator);
    treePanel->ToolPanel()->AddButton(2, QStringLiteral("More"), 0, fbsDropDownButton);
    treePanel->SetFilterUnactiveImageIndex(3);
    treePanel->TreeView()->SetDrawExpandButton(true);
    fillTree(treePanel->TreeView());
    treeLayout->addWidget(treePanel);
    treeForm->resize(220, 240);
    auto *memoForm = new TvdxDockForm(&window);
    memoForm->setObjectName(QStringLiteral("Notes"));
    memoForm->setWindowTitle(QStringLiteral("Notes"));
    auto *memoLayout = new QVBoxLayout(memoForm);
    memoLayout->setContentsMargins(0, 0, 0, 0);
    auto *memo = new TUnicodeMemo(memoForm);
    memo->setPlainText(QString::fromUtf8("Unicode memo: Grüße, Ελληνικά, 日本語"));
    memoLayout->addWidget(memo);
    memoForm->resize(220, 140);
    site->DockDrop(treeForm);
    site->DockDrop(memoForm);
    site->SetSiteSize(230);

    // Right: the input controls and the scrolling window.
    auto *right = new QWidget;
    auto *grid = new QGridLayout(right);
    auto *combo = new TvdxComboBox;
    combo->addItems({QStringLiteral("50%"), QStringLiteral("100%"), QStringLiteral("150%"), QStringLiteral("Page width")});
    combo->setCurrentIndex(1);
    combo->setFixedWidth(140);
    grid->addWidget(labelled(QStringLiteral("Combo box"), combo), 0, 0);
    auto *comboEdit = new TvdxComboEdit;
    comboEdit->setText(QStringLiteral("[Invoice.\"Total\"]"));
    comboEdit->setFixedWidth(180);
    grid->addWidget(labelled(QStringLiteral("Combo edit"), comboEdit), 0, 1);
    auto *filter = new TvdxFilterEdit;
    filter->SetText(QStringLiteral("inv"));
    filter->setFixedSize(160, 22);
    grid->addWidget(labelled(QStringLiteral("Filter edit"), filter), 1, 0);
    auto *fontBox = new TvdxFontComboBox;
    fontBox->SetIniFile(std::make_unique<TMemIniFile>());
    fontBox->Loaded();
    fontBox->setFixedWidth(180);
    grid->addWidget(labelled(QStringLiteral("Font box"), fontBox), 1, 1);
    auto *strip = new TvdxToolPanel;
    strip->SetImageList(toolImages());
    strip->AddButton(0, QStringLiteral("One"), 0, fbsRadioButton, 1)->IsDown = true;
    strip->AddButton(1, QStringLiteral("Two"), 0, fbsRadioButton, 1);
    strip->AddCustomButton(fbkSeparator);
    strip->AddButton(2, QStringLiteral("Menu"), 0, fbsDropDownButton);
    strip->setMinimumWidth(strip->ButtonsWidth());
    grid->addWidget(labelled(QStringLiteral("Tool strip"), strip), 2, 0);
    auto *popupField = new QPushButton(QStringLiteral("Open popup"));
    QObject::connect(popupField, &QPushButton::clicked, popupField, [popupField] {
        if (vdxPopupJustClosed())
            return;
        auto *popup = new TvdxPopupForm(popupField);
        popup->move(popupField->mapToGlobal(QPoint(0, popupField->height())));
        popup->resize(200, 28);
        popup->show();
        popup->activateWindow();
    });
    grid->addWidget(labelled(QStringLiteral("Popup form"), popupField), 2, 1);
    auto *scroll = new GridWin;
    scroll->setMinimumSize(340, 160);
    grid->addWidget(labelled(QStringLiteral("Scroll window"), scroll), 3, 0, 1, 2);
    outer->addWidget(right, 1);
    window.resize(760, 460);

    if (grabTo.isEmpty()) {
        window.show();
        return app.exec();
    }
    window.show();
    app.processEvents();
    scroll->SetVertPosition(120);
    scroll->SetHorzPosition(40);
    const QImage image = window.grab().toImage();
    if (!image.save(grabTo, "PNG")) {
        std::fprintf(stderr, "vd-widgets: cannot write %s\n", qPrintable(grabTo));
        return 1;
    }
    return 0;
}
