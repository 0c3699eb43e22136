// Templates and the file transport on a disk that fails the save.
#include "core/vdXML.h"
#include "report/vdxClass_io.h"
#include "report/vdxClass_report.h"
#include "report/vdxClass_styles.h"
#include "report/vdxClass_view.h"
#include "report/vdxIOTransportDialog.h"
#include "tests/common/SaveFaults.h"
#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

namespace {

void saveTemplate(const QString &path)
{
    TvdxReport report;
    for (int i = 0; i < 500; ++i) {
        auto *page = new TvdxReportPage(&report);
        page->SetParent(&report);
        page->SetName(QStringLiteral("Page%1").arg(i + 1));
    }
    report.SaveToFile(path);
}

void saveThroughTransport(const QString &path)
{
    TvdxIOTransportFile t(nullptr, true);
    t.FilterAccess = faWrite;
    QIODevice *s = t.GetStream(path);
    s->write(QByteArray(20000, 'x'));
    t.FreeStream(s);
}

// Streams left to CloseFilter are committed there, with the same care.
void saveThroughClose(const QString &path)
{
    TvdxIOTransportFile t(nullptr, true);
    t.FilterAccess = faWrite;
    QIODevice *s = t.GetStream(path);
    s->write(QByteArray(20000, 'y'));
    t.CloseFilter();
}

void fillStyles(TvdxStyles &styles)
{
    for (int i = 0; i < 300; ++i)
        styles.Add()->SetName(QStringLiteral("Style%1").arg(i + 1));
}

void saveStyles(const QString &path)
{
    TvdxStyles styles;
    fillStyles(styles);
    styles.SaveToFile(path);
}

void saveStyleScheme(const QString &path)
{
    TvdxStyleScheme scheme;
    fillStyles(*scheme.Add());
    scheme.SaveToFile(path);
}

struct SavePath {
    const char *name;
    void (*save)(const QString &);
    vdtest::SavedAs savedAs;
};

const SavePath kPaths[] = {
    {"template", saveTemplate, vdtest::SavedAs::Replaced}, // stamped with the time of the save
    {"transport FreeStream", saveThroughTransport, vdtest::SavedAs::Same},
    {"transport CloseFilter", saveThroughClose, vdtest::SavedAs::Same},
    {"style file", saveStyles, vdtest::SavedAs::Same},
    {"style scheme", saveStyleScheme, vdtest::SavedAs::Same},
};

TEST(SaveFailure, InjectedFaultsKeepTheOldFile)
{
    for (const SavePath &p : kPaths) {
        SCOPED_TRACE(p.name);
        vdtest::expectFaultsKeepOldFile(p.save, QStringLiteral("report.vd3"), p.savedAs);
        vdtest::expectVanishingFolderFails(p.save, QStringLiteral("report.vd3"));
    }
}

TEST(SaveFailure, RealFullDiskKeepsTheOldFile)
{
    for (const SavePath &p : kPaths) {
        SCOPED_TRACE(p.name);
        vdtest::expectFullDiskKeepsOldFile(p.save, QStringLiteral("report.vd3"));
    }
}

TEST(SaveFailure, TemplateSaveRaisesAWriteErrorNamingTheFile)
{
    vdtest::TempDir tmp;
    const QString path = tmp.file("report.vd3");
    TvdWriteFault fault;
    fault.bytesLeft = 200;
    TvdScopedWriteFault scope(fault);
    try {
        saveTemplate(path);
        ADD_FAILURE() << "no error";
    } catch (const EFWriteError &e) {
        EXPECT_TRUE(e.message().contains(path)) << e.message().toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_TRUE(vdtest::filesIn(tmp.path()).isEmpty());
}

TEST(SaveFailure, DialogTransportClosesItsFilterWhenTheCommitFails)
{
    vdtest::TempDir tmp;
    const QString path = tmp.file("out.vd3");
    ASSERT_TRUE(vdtest::writeFile(path, "old"));
    TvdxIOTransportFileDialog t(nullptr, true);
    t.FilterAccess = faWrite;
    QIODevice *s = t.GetStream(path);
    ASSERT_NE(s, nullptr);
    s->write("new");
    TvdWriteFault fault;
    fault.failCommit = true;
    TvdScopedWriteFault scope(fault);
    EXPECT_THROW(t.CloseFilter(), EFWriteError);
    EXPECT_EQ(t.RootNode()->Count(), 0);
    EXPECT_EQ(vdtest::readFile(path), QByteArray("old"));
}

} // namespace
