// Renders ZPL labels to images with zpl-renderer-js, an independent ZPL
// interpreter run by Node: the oracle of tests that print labels.
#pragma once
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

namespace vdtest {

struct ZplRenderResult {
    QList<QImage> labels; // one image per label, RGB32
    QString skip;         // why nothing was rendered: the renderer is missing
    QString error;        // the renderer ran and failed
};

ZplRenderResult RenderZpl(const QByteArray &zpl, double widthMm, double heightMm, int dpmm);

} // namespace vdtest
