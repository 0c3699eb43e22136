// "vd-barcode 2d": encodes a text with a 2D barcode type and prints its
// module matrix or draws it into a PNG file.
#pragma once
#include <QStringList>

// args are the words after "2d"; returns the process exit code.
int RunBarcode2DCommand(const QStringList &args);
