// Wraps a text as text objects do and prints the lines: "flags<TAB>line" per
// wrapped line, then the height, the width (report pixels) and whether a word
// had to be cut.
#include "report/vdxDrawText.h"
#include "report/vdxTextMeasure.h"
#include <QCommandLineParser>
#include <QGuiApplication>
#include <cmath>
#include <cstdio>
#include <memory>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("Lays out a text at 600 ppi as text objects do."));
    p.addHelpOption();
    const QCommandLineOption font(QStringLiteral("font"), QStringLiteral("Font family."), QStringLiteral("F"),
                                  QStringLiteral("Arial"));
    const QCommandLineOption size(QStringLiteral("size"), QStringLiteral("Size in points."), QStringLiteral("PT"),
                                  QStringLiteral("10"));
    const QCommandLineOption advance(QStringLiteral("advance"),
                                     QStringLiteral("Every character advances N layout pixels."), QStringLiteral("N"));
    const QCommandLineOption width(QStringLiteral("width"), QStringLiteral("Box width in report pixels."),
                                   QStringLiteral("PX"));
    const QCommandLineOption wordBreak(QStringLiteral("wordbreak"), QStringLiteral("Break words at syllables."));
    const QCommandLineOption tags(QStringLiteral("tags"), QStringLiteral("Read inline tags."));
    const QCommandLineOption rtl(QStringLiteral("rtl"), QStringLiteral("Right-to-left reading."));
    p.addOptions({font, size, advance, width, wordBreak, tags, rtl});
    p.addPositionalArgument(QStringLiteral("TEXT"), QStringLiteral("Paragraphs separated by line breaks."));
    p.process(app);
    bool ok = false;
    const int w = p.value(width).toInt(&ok);
    if (!ok || p.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "vd-layout: --width PX and a TEXT are required\n");
        return 2;
    }
    const int pt = p.value(size).toInt(&ok);
    if (!ok || pt <= 0) {
        std::fprintf(stderr, "vd-layout: --size must be a positive number of points\n");
        return 2;
    }

    TvdxDrawText dt;
    TvdxDrawTextLocker lock(dt);
    std::unique_ptr<TvdxFixedAdvanceMeasure> fixed;
    if (p.isSet(advance)) {
        const int n = p.value(advance).toInt(&ok);
        if (!ok || n < 0) {
            std::fprintf(stderr, "vd-layout: --advance must be a number of pixels\n");
            return 2;
        }
        fixed = std::make_unique<TvdxFixedAdvanceMeasure>(n, int(std::nearbyint(pt * 600.0 / 72)));
        dt.SetMeasure(fixed.get());
    }
    dt.SetFont(p.value(font), pt, 0, clBlack);
    dt.SetOptions(true, p.isSet(tags), p.isSet(rtl), p.isSet(wordBreak), false, true, 0);
    dt.SetGaps(0, 0, 0);
    const TRect box(0, 0, w, 1 << 20);
    dt.SetDimensions(1, 1, 1, box, box);
    QString text = p.positionalArguments().join(u' ');
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    dt.SetText(text.split(u'\n'));
    for (int i = 0; i < dt.Lines().size(); ++i)
        std::printf("%d\t%s\n", dt.LineFlags()[i], dt.Lines()[i].toUtf8().constData());
    std::printf("height\t%g\nwidth\t%g\nForcedWordBreak\t%d\n", dt.CalcHeight(), dt.CalcWidth(),
                dt.ForcedWordBreak() ? 1 : 0);
    return 0;
}
