// TrueType fonts and collections on arbitrary bytes: read every font, pick
// one by name, and subset it the way the PDF export embeds fonts.
#include "export/pdf/fonts/TrueTypeCollection.h"
#include "platform/Exception.h"
#include <QByteArray>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The subset is written into the block, so the block is our own copy.
    QByteArray block(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        TrueTypeCollection fonts;
        fonts.Initialize(reinterpret_cast<quint8 *>(block.data()), block.size());
        TrueTypeFont *font = fonts.LoadFont(QStringLiteral("DejaVu Sans"), false, false);
        if (!font)
            return 0;
        fonts.PackFont(font, {0, 1, 3, 36, 37, 0xFFFF});
    } catch (const Exception &) {
    }
    return 0;
}
