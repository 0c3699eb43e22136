// Arbitrary bytes played as an enhanced or Windows metafile onto a bitmap and
// into the EMF recorder; whatever is recorded must play again.
#include "platform/EmfPlayer.h"
#include "platform/EmfRecorderCanvas.h"
#include "platform/QPainterCanvas.h"
#include <QGuiApplication>
#include <QImage>
#include <cstdint>

namespace {

void ensureApplication()
{
    // libFuzzer has no main of ours; text drawing needs the font database.
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "fuzz_metafile";
        static char *argv[] = {name, nullptr};
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static QGuiApplication app(argc, argv);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ensureApplication();
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        EmfPlayer::ReadHeader(bytes);
    } catch (const EMetafileError &) {
    }
    try {
        QImage target(64, 64, QImage::Format_RGB32);
        target.fill(Qt::white);
        QPainterCanvas canvas(target);
        EmfPlayer::Play(canvas, bytes, TRect(0, 0, 64, 64));
    } catch (const EMetafileError &) {
    }
    QByteArray recorded;
    try {
        EmfRecorderCanvas rec(64, 64);
        EmfPlayer::Play(rec, bytes, TRect(0, 0, 64, 64));
        recorded = rec.finish();
    } catch (const EMetafileError &) {
    }
    if (!recorded.isEmpty()) {
        // Our own output must always be readable.
        QImage target(64, 64, QImage::Format_RGB32);
        QPainterCanvas canvas(target);
        EmfPlayer::Play(canvas, recorded, TRect(0, 0, 64, 64));
    }
    return 0;
}
