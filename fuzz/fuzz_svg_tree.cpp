// SVG text through the reader, the element factory and the cascade; then
// every accepted attribute of every element is read, matrices and the dump
// computed, and a clone of the tree made.
#include "platform/Exception.h"
#include "svg/vdSVGDump.h"
#include "svg/vdSVGRoot.h"
#include "svg/vdSVGXML.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    TSVGRootObj root;
    try {
        root.LoadFromText(text);
    } catch (const TvdInvalidXMLException &) {
        return 0;
    }
    // Reading values never raises for accepted attributes, whatever the text.
    (void)SVGDumpTree(root);
    std::vector<TSVGElementObj *> work{&root};
    while (!work.empty()) {
        TSVGElementObj *e = work.back();
        work.pop_back();
        (void)e->IsNeedsPainting();
        (void)e->FontSize();
        for (int i = 0; i < e->Count(); ++i)
            work.push_back(e->GetItem(i));
    }
    if (root.Count() > 0) {
        TSVGElementObj *copy = root.GetItem(0)->Clone(&root);
        (void)SVGDumpTree(root);
        delete copy;
    }
    return 0;
}
