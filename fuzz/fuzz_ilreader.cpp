// Building programs from arbitrary intermediate scripts (as stored by hosts)
// and from arbitrary source texts: every failure must be a compile message.
#include "script/ov_iinterpreter.h"

#include <QBuffer>
#include <cstddef>
#include <cstdint>

namespace {

void addTypes(TovScript &s)
{
    const struct {
        const char *name;
        TovVarType typ;
    } types[] = {{"Integer", fvtInt},  {"Int64", fvtInt64},     {"Boolean", fvtBool}, {"Extended", fvtFloat},
                 {"Double", fvtFloat}, {"Char", fvtChar},       {"String", fvtString}, {"Variant", fvtVariant},
                 {"Constructor", fvtConstructor}};
    for (const auto &t : types)
        s.AddType(QString::fromLatin1(t.name), t.typ);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > 16384)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    TovScript s;
    addTypes(s);
    if (data[0] & 0x80) {
        // Intermediate script as a host would load it.
        QBuffer buf;
        buf.setData(bytes);
        buf.open(QIODevice::ReadOnly);
        try {
            s.SetILCode(buf);
        } catch (const Exception &) {
            // A document that is no XML at all is refused by the XML reader.
        }
    } else {
        static const char *const langs[] = {"VevuvaRirivo", "D++Edirud", "DadavOvurid", "JScript"};
        s.SetSyntaxType(QString::fromLatin1(langs[data[0] & 3]));
        s.SetLines(QString::fromUtf8(bytes).split(QLatin1Char('\n')));
        s.Compile();
    }
    return 0;
}
