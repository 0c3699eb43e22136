// The deferred-value dictionary of the barcode objects: a text that is final
// only later is kept as an index into the post-processor and read back from
// there once the band, page, group or report completes it.
#pragma once
#include <QString>
#include <functional>

class TvdxMacrosItem;
class TvdxPostProcessor;
class TvdxReport;
class TvdxView;

namespace vdxBarcodeContent {

using TextGetter = std::function<QString()>;
using TextSetter = std::function<void(const QString &)>;

// Adds the view's text to the dictionary; an index other than -1 becomes the text.
void Save(TvdxView *view, const TextGetter &get, const TextSetter &set, TvdxPostProcessor *postProcessor);
// A text that is an index takes the dictionary's value once it is not empty.
void Load(TvdxMacrosItem *item, bool &loaded, const TextGetter &get, const TextSetter &set);
// Fills the view for the dictionary's last entry and puts the designed text back.
void Process(TvdxView *view, TvdxMacrosItem *item, TvdxReport *report, const TextGetter &get, const TextSetter &set);

} // namespace vdxBarcodeContent
