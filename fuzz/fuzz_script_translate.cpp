// Translator fuzz target: the first byte picks the language, the rest is the
// source. Every input must end in a result or a positioned message.
#include "script/ov_iilparser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    static const char *const langs[] = {"VevuvaRirivo", "D++Edirud", "DadavOvurid", "JScript"};
    const QString lang = QString::fromLatin1(langs[data[0] % 4]);
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    TovILProgram prog;
    // Units come from the host only, never from disk.
    prog.OnGetUnit = [](TovILProgram *, const QString &name, QString &src) {
        if (name.size() < 8)
            src = QStringLiteral("x := 1;");
    };
    TovILParser p(&prog);
    p.SelectLanguage(lang);
    try {
        const bool ok = p.MakeILScript(text);
        if (!ok && (prog.ErrorMsg.isEmpty() || !prog.ErrorPos.contains(QLatin1Char(':'))))
            abort();
        if (ok) {
            // The IL must read back as a document.
            TovXMLDocument back;
            back.LoadFromBytes(p.ILScript()->SaveToBytes());
        }
    } catch (const Exception &) {
        // A "#language" line naming an unknown language.
    }
    return 0;
}
