// String lists, memory streams and script XML documents on a disk that fails the save.
#include "script/ov_iclassesrtti.h"
#include "script/ov_xml.h"
#include "tests/common/SaveFaults.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {

void saveStrings(const QString &path)
{
    TovHostStringList list;
    for (int i = 0; i < 1000; ++i)
        list.Add(QStringLiteral("line %1 of the list").arg(i));
    list.SaveToFile(path);
}

void saveMemoryStream(const QString &path)
{
    QByteArray bytes(20000, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7);
    QBuffer source(&bytes);
    source.open(QIODevice::ReadOnly);
    TovHostMemoryStream m;
    m.LoadFromStream(source);
    m.SaveToFile(path);
}

void saveXMLDocument(const QString &path)
{
    TovXMLDocument doc;
    doc.SetAutoIndent(true);
    doc.Root()->SetName(QStringLiteral("root"));
    for (int i = 0; i < 1500; ++i) {
        TovXMLItem *item = doc.Root()->Add();
        item->SetName(QStringLiteral("item"));
        item->SetProp(QStringLiteral("n"), QString::number(i));
    }
    doc.SaveToFile(path);
}

struct SavePath {
    const char *name;
    void (*save)(const QString &);
};

const SavePath kPaths[] = {
    {"string list", saveStrings},
    {"memory stream", saveMemoryStream},
    {"XML document", saveXMLDocument},
};

TEST(ScriptSaveFailure, InjectedFaultsKeepTheOldFile)
{
    for (const SavePath &p : kPaths) {
        SCOPED_TRACE(p.name);
        vdtest::expectFaultsKeepOldFile(p.save);
        vdtest::expectVanishingFolderFails(p.save);
    }
}

TEST(ScriptSaveFailure, RealFullDiskKeepsTheOldFile)
{
    for (const SavePath &p : kPaths) {
        SCOPED_TRACE(p.name);
        vdtest::expectFullDiskKeepsOldFile(p.save);
    }
}

} // namespace
