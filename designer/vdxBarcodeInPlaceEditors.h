// The barcode objects' in-place editors: both barcode views get the data-field
// editor on the designer's list. Kept out of barcode/, which sits below the
// designer.
#pragma once

void vdxRegisterBarcodeInPlaceEditors();
void vdxUnregisterBarcodeInPlaceEditors();
