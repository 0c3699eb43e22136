// Saves of documents, variables and pictures on a disk that fails them.
#include "common/SaveFaults.h"
#include "common/TestSupport.h"
#include "core/vdGraphic.h"
#include "core/vdXML.h"
#include "core/vdxVariables.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {

void saveDocument(const QString &path)
{
    TvdXMLDocument doc;
    doc.SetAutoIndent(true);
    doc.Root()->SetName(QStringLiteral("report"));
    for (int i = 0; i < 1000; ++i)
        doc.Root()->Add(QStringLiteral("item"))->SetProp(QStringLiteral("Name"), QStringLiteral("Memo%1").arg(i));
    doc.SaveToFile(path);
}

void saveVariables(const QString &path)
{
    TvdxVariables vars;
    for (int i = 0; i < 300; ++i) {
        TvdxVariable *v = vars.Add();
        v->SetName(QStringLiteral("Variable%1").arg(i));
        v->SetValue(Variant(QStringLiteral("a value that takes some room %1").arg(i)));
    }
    vars.SaveToFile(path);
}

void savePicture(const QString &path)
{
    TBitmap bmp(80, 80);
    bmp.SaveToFile(path);
}

struct SavePath {
    const char *name;
    void (*save)(const QString &);
    const char *file;
};

const SavePath kPaths[] = {
    {"XML document", saveDocument, "doc.xml"},
    {"variables", saveVariables, "vars.xml"},
    {"picture", savePicture, "pic.bmp"},
};

TEST(SaveFailure, InjectedFaultsKeepTheOldFile)
{
    for (const SavePath &p : kPaths) {
        SCOPED_TRACE(p.name);
        vdtest::expectFaultsKeepOldFile(p.save, QString::fromLatin1(p.file));
        vdtest::expectVanishingFolderFails(p.save, QString::fromLatin1(p.file));
    }
}

TEST(SaveFailure, RealFullDiskKeepsTheOldFile)
{
    for (const SavePath &p : kPaths) {
        SCOPED_TRACE(p.name);
        vdtest::expectFullDiskKeepsOldFile(p.save, QString::fromLatin1(p.file));
    }
}

TEST(SaveFailure, ErrorClassesNameTheFile)
{
    vdtest::TempDir tmp;
    EXPECT_THROW(saveDocument(tmp.file("no/folder/doc.xml")), EFCreateError);
    TvdWriteFault fault;
    fault.bytesLeft = 100;
    TvdScopedWriteFault scope(fault);
    try {
        saveVariables(tmp.file("vars.xml"));
        ADD_FAILURE() << "no error";
    } catch (const EFWriteError &e) {
        EXPECT_TRUE(e.message().contains(tmp.file("vars.xml"))) << e.message().toStdString();
    }
}

// A stream that takes only part of what it is given, without an error.
class ShortDevice : public QBuffer {
protected:
    qint64 writeData(const char *data, qint64 len) override { return QBuffer::writeData(data, qMin<qint64>(len, 5)); }
};

TEST(SaveFailure, XMLWriterTakesAShortWriteAsAnError)
{
    TvdXMLDocument doc;
    doc.Root()->SetName(QStringLiteral("root"));
    doc.Root()->Add(QStringLiteral("child"));
    ShortDevice dev;
    dev.open(QIODevice::WriteOnly);
    EXPECT_THROW(doc.SaveToStream(dev), EFWriteError);
}

} // namespace
