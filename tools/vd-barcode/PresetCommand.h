// "vd-barcode preset swiss|ru|epc": fills a payment preset from fixed texts,
// prints its payload and draws the QR object that carries it.
#pragma once
#include <QStringList>

// args are the words after "preset"; returns the process exit code.
int RunPresetCommand(const QStringList &args);
