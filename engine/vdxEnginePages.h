#pragma once

class TvdxReportPage;

// Operations of the prepared-pages store that the engine needs beyond the
// abstract interface. A store that offers them derives from this as well.
class IvdxEnginePages {
public:
    virtual ~IvdxEnginePages() = default;
    virtual void GetLastColumnPos(int &aColumn, long double &columnPos) = 0;
    virtual void UpdatePageLastColumn(int aColumn, long double columnPos, bool aReset) = 0;
    virtual void UpdatePageDimension(int index, long double width, long double height, int orientation) = 0;
    virtual void UpdatePageDimensions(TvdxReportPage *page, long double width, long double height) = 0;
};
