#include "report/vdxClass_view.h"

TvdxBand::TvdxBand(TvdComponent *owner) : TvdxReportComponent(owner) {}

void TvdxBand::Draw(Canvas &, double, double, double, double) {}

TvdxNullBand::TvdxNullBand(TvdComponent *owner) : TvdxBand(owner) {}

TvdxPage::TvdxPage(TvdComponent *owner) : TvdxReportComponent(owner) {}

void TvdxPage::Draw(Canvas &, double, double, double, double) {}

TvdxReportPage::TvdxReportPage(TvdComponent *owner) : TvdxPage(owner) {}

TvdxDataPage::TvdxDataPage(TvdComponent *owner) : TvdxPage(owner) {}

TvdxDialogPage::TvdxDialogPage(TvdComponent *owner) : TvdxPage(owner) {}
