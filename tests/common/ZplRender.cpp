#include "ZplRender.h"
#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace vdtest {

ZplRenderResult RenderZpl(const QByteArray &zpl, double widthMm, double heightMm, int dpmm)
{
    ZplRenderResult r;
    const QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
    const QString modules = QDir::cleanPath(dataPath(QStringLiteral("../../tools/node/node_modules")));
    if (node.isEmpty()) {
        r.skip = QStringLiteral("node is not installed");
        return r;
    }
    if (!QFileInfo::exists(modules + QStringLiteral("/zpl-renderer-js/package.json"))) {
        r.skip = QStringLiteral("zpl-renderer-js is not installed (scripts/install-deps.sh)");
        return r;
    }
    TempDir tmp;
    const QString in = tmp.file(QStringLiteral("label.zpl"));
    if (!writeFile(in, zpl)) {
        r.error = QStringLiteral("cannot write ") + in;
        return r;
    }
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("NODE_PATH"), modules);
    p.setProcessEnvironment(env);
    p.start(node, {dataPath(QStringLiteral("zpl/render_zpl.cjs")), in, tmp.file(QStringLiteral("out")),
                   QString::number(widthMm), QString::number(heightMm), QString::number(dpmm)});
    if (!p.waitForFinished(120000) || p.exitCode() != 0) {
        r.error = QStringLiteral("renderer failed: ") + QString::fromUtf8(p.readAllStandardError());
        return r;
    }
    for (int i = 0;; ++i) {
        QImage img(tmp.file(QStringLiteral("out-%1.png").arg(i)));
        if (img.isNull())
            break;
        r.labels.append(img.convertToFormat(QImage::Format_RGB32));
    }
    return r;
}

} // namespace vdtest
