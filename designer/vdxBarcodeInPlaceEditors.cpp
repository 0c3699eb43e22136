#include "designer/vdxBarcodeInPlaceEditors.h"

#include "barcode/vdxBarcode2DView.h"
#include "barcode/vdxBarcodeView.h"
#include "designer/vdxInPlaceEditors.h"

void vdxRegisterBarcodeInPlaceEditors()
{
    auto &registry = vdxInPlaceEditorRegistry();
    registry.Register(&TvdxBarcode2DView::staticMetaObject, {vdxInPlaceEditorClass<TvdxInPlaceDataFiledEditor>()});
    registry.Register(&TvdxBarCodeView::staticMetaObject, {vdxInPlaceEditorClass<TvdxInPlaceDataFiledEditor>()});
}

void vdxUnregisterBarcodeInPlaceEditors()
{
    vdxUnregisterInPlaceEditor(&TvdxBarcode2DView::staticMetaObject,
                               vdxInPlaceEditorClass<TvdxInPlaceDataFiledEditor>());
    vdxUnregisterInPlaceEditor(&TvdxBarCodeView::staticMetaObject, vdxInPlaceEditorClass<TvdxInPlaceDataFiledEditor>());
}

Q_CONSTRUCTOR_FUNCTION(vdxRegisterBarcodeInPlaceEditors)
Q_DESTRUCTOR_FUNCTION(vdxUnregisterBarcodeInPlaceEditors)
