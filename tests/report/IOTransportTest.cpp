#include "core/vdXML.h"
#include "report/vdxClass_io.h"
#include "report/vdxIOTransportDialog.h"
#include "report/vdxClass_options.h"
#include "report/vdxClass_report.h"
#include "report/vdxClass_view.h"
#include "platform/UiProvider.h"
#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

namespace {

struct NormCase {
    const char *in;
    const char *out;
};

TEST(PathNormalisation, Table)
{
    const NormCase cases[] = {
        {R"(C:\a\b\..\c\.\d.vd3)", R"(C:\a\c\d.vd3)"},
        {R"(C:\..\x)", R"(C:\x)"},
        {R"(C:\a\..\..\x)", R"(C:\x)"},
        {R"(C:\a\b\c\..\..\d)", R"(C:\a\d)"},
        {R"(C:\a\.\.\b)", R"(C:\a\b)"},
        {R"(C:\a\b\..)", R"(C:\a\b\..)"}, // not followed by a separator
        {R"(C:\a\..b\c)", R"(C:\a\..b\c)"},
        {R"(\\srv\share\..\x)", R"(\\srv\share\..\x)"}, // no drive: unchanged
        {"/a/b/../c/./d.vd3", "/a/c/d.vd3"},
        {"/../x", "/x"},
        {"/a/../../x", "/x"},
        {R"(a\..\b)", R"(a\..\b)"}, // relative: unchanged
        {"../x", "../x"},
        {"", ""},
        {"ab", "ab"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(vdxNormalizePath(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}

class FileTransport : public ::testing::Test {
protected:
    vdtest::TempDir tmp;
};

TEST_F(FileTransport, SameStreamForSameAccessAndNewStreamForOther)
{
    const QString path = tmp.file("one.txt");
    ASSERT_TRUE(vdtest::writeFile(path, "abc"));
    TvdxIOTransportFile t(nullptr, true);
    t.FilterAccess = faRead;
    QIODevice *s1 = t.GetStream(path);
    ASSERT_NE(s1, nullptr);
    EXPECT_EQ(t.GetStream(path), s1);
    EXPECT_EQ(s1->readAll(), QByteArray("abc"));

    t.FilterAccess = faWrite;
    QIODevice *s2 = t.GetStream(path);
    ASSERT_NE(s2, nullptr);
    s2->write("xyz!");
    t.CloseFilter();
    EXPECT_EQ(vdtest::readFile(path), QByteArray("xyz!"));
}

TEST_F(FileTransport, EmptyNameUsesFileNameAndNodesFollowThePath)
{
    TvdxIOTransportFile t(nullptr, true);
    t.FilterAccess = faWrite;
    t.BasePath = tmp.path();
    t.FileName = tmp.file("sub/deeper/out.bin");
    QIODevice *s = t.GetStream();
    ASSERT_NE(s, nullptr);
    s->write("data");
    EXPECT_TRUE(QFileInfo(tmp.file("sub/deeper")).isDir());
    TvdxNode *sub = t.RootNode()->Find(QStringLiteral("SUB"));
    ASSERT_NE(sub, nullptr); // names ignore letter case
    EXPECT_EQ(t.RootNode()->FilesCount(), 1);
    TvdxNode *file = t.GetFileNode();
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->Name(), QStringLiteral("out.bin"));
    EXPECT_EQ(file->ObjectData(), s);
    t.CloseFilter();
    EXPECT_EQ(t.RootNode()->Count(), 0);
    EXPECT_EQ(vdtest::readFile(tmp.file("sub/deeper/out.bin")), QByteArray("data"));
}

TEST_F(FileTransport, BasePathIsAPrefixOnlyAtASeparator)
{
    TvdxIOTransportFile t(nullptr, true);
    t.FilterAccess = faWrite;
    t.BasePath = tmp.file("a");
    ASSERT_TRUE(QDir().mkdir(tmp.file("a")));
    ASSERT_TRUE(QDir().mkdir(tmp.file("ab")));
    t.GetStream(tmp.file("a/x.txt"));
    t.GetStream(tmp.file("ab/y.txt"));
    EXPECT_NE(t.RootNode()->Find(QStringLiteral("x.txt")), nullptr);
    EXPECT_EQ(t.RootNode()->Find(QStringLiteral("b")), nullptr);
    EXPECT_EQ(t.RootNode()->FilesCount(), 2);
    t.CloseFilter();
    EXPECT_TRUE(QFileInfo::exists(tmp.file("ab/y.txt")));
}

TEST_F(FileTransport, MissingFileRaisesOpenError)
{
    TvdxIOTransportFile t(nullptr, true);
    t.FilterAccess = faRead;
    EXPECT_THROW(t.GetStream(tmp.file("nope.vd3")), EFOpenError);
}

TEST_F(FileTransport, FreeStreamReleasesOnlyThatStream)
{
    TvdxIOTransportFile t(nullptr, true);
    t.FilterAccess = faWrite;
    QIODevice *a = t.GetStream(tmp.file("a.txt"));
    QIODevice *b = t.GetStream(tmp.file("b.txt"));
    ASSERT_NE(a, b);
    t.FreeStream(a);
    EXPECT_EQ(t.RootNode()->Find(a, true), nullptr);
    EXPECT_NE(t.RootNode()->Find(b, true), nullptr);
    t.FreeStream(a); // unknown now: nothing happens
    QList<QPair<QString, QIODevice *>> names;
    t.CopyStreamsNames(names);
    ASSERT_EQ(names.size(), 2);
}

TEST_F(FileTransport, ContainersAndCurrentContainer)
{
    TvdxIOTransportFile t(nullptr, true);
    t.FilterAccess = faWrite;
    t.BasePath = tmp.path();
    t.CreateContainer(QStringLiteral("images"), true);
    EXPECT_EQ(t.CurrentContainer(), QStringLiteral("images"));
    EXPECT_TRUE(QFileInfo(tmp.file("images")).isDir());
    t.SetCurrentContainer(QStringLiteral("missing"));
    EXPECT_EQ(t.CurrentContainer(), QStringLiteral("images"));
    t.SetCurrentContainer(QString());
    EXPECT_EQ(t.CurrentContainer(), QString());
    t.DeleteContainer(QStringLiteral("images"));
    EXPECT_EQ(t.RootNode()->Count(), 0);
}

TEST(CompressedTransport, RoundTrip)
{
    vdtest::TempDir tmp;
    QByteArray payload;
    auto *rng = QRandomGenerator::global();
    for (int i = 0; i < 70000; ++i)
        payload.append(char(rng->bounded(256)));
    const QString path = tmp.file("report.vd3");
    {
        TvdxSaveToCompressedFilter out(nullptr, true);
        out.FilterAccess = faWrite;
        out.BasePath = tmp.path();
        ASSERT_TRUE(out.OpenFilter());
        QIODevice *s = out.GetStream(path);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->write(payload), payload.size());
        EXPECT_FALSE(out.DoFilterProcessStream(s, nullptr));
        out.FreeStream(s, path);
        out.CloseFilter();
    }
    TvdxSaveToCompressedFilter in(nullptr, true);
    in.FilterAccess = faRead;
    ASSERT_TRUE(in.OpenFilter());
    QIODevice *s = in.GetStream(path);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->readAll(), payload);
    in.CloseFilter();
}

TEST(CompressedTransport, ReportRoundTrip)
{
    vdtest::TempDir tmp;
    const QString path = tmp.file("compressed.vd3");
    {
        TvdxReport report;
        auto *page = new TvdxReportPage(&report);
        page->SetParent(&report);
        page->SetName(QStringLiteral("FirstPage"));
        TvdxSaveToCompressedFilter out(nullptr, true);
        out.BasePath = tmp.path();
        ASSERT_FALSE(report.ReportOptions()->Compressed());
        EXPECT_TRUE(report.SaveToFilter(&out, path));
        // No compressor is installed: the template stays plain, marked compressed.
        EXPECT_TRUE(report.ReportOptions()->Compressed());
    }
    EXPECT_TRUE(vdtest::readFile(path).contains("FirstPage"));
    TvdxReport back;
    TvdxSaveToCompressedFilter in(nullptr, true);
    EXPECT_TRUE(back.LoadFromFilter(&in, path));
    EXPECT_NE(back.FindObject(QStringLiteral("FirstPage")), nullptr);
    EXPECT_EQ(in.RootNode()->Count(), 0); // closed after use
}

TEST(CompressedTransport, FilterStringsFollowThePlace)
{
    TvdxSaveToCompressedFilter t(nullptr, true);
    EXPECT_EQ(t.DefaultExt, QStringLiteral(".vp3"));
    EXPECT_EQ(t.GetDescription(), QStringLiteral("Compressed report (*.vd3)|*.vd3"));
    EXPECT_EQ(t.FilterString(), QStringLiteral("Compressed report (*.vd3)|*.vd3"));
    EXPECT_EQ(t.DefaultExt, QStringLiteral(".vd3"));
    t.CreatedFrom = fvPreview;
    EXPECT_EQ(t.FilterString(), QStringLiteral("Compressed prepared report (*.vp3)|*.vp3"));
    EXPECT_EQ(t.DefaultExt, QStringLiteral(".vp3"));
    EXPECT_EQ(t.Visibility(), unsigned(fvDesignerFileFilter | fvPreviewFileFilter));
}

TEST(TransportRegistry, UnregisteredTransportsAreNeverListed)
{
    TvdxSaveToCompressedFilter registered;
    TvdxSaveToCompressedFilter unregistered(nullptr, true);
    QList<QPair<QString, TvdxCustomIOTransport *>> list;
    vdxFillIOTransportList(list, fvDesignerFileFilter);
    int hits = 0;
    for (const auto &e : list) {
        EXPECT_NE(e.second, &unregistered);
        hits += e.second == &registered;
    }
    EXPECT_EQ(hits, 1);
    // The plain file transport is never offered.
    TvdxIOTransportFile file;
    EXPECT_EQ(file.Visibility(), 0u);
    vdxFillIOTransportList(list, fvExport);
    for (const auto &e : list)
        EXPECT_NE(e.second, &file);
}

TEST(TransportRegistry, DestroyedTransportLeavesTheRegistry)
{
    const int before = vdxIOTransportRegistry().Count();
    {
        TvdxSaveToCompressedFilter t;
        EXPECT_EQ(vdxIOTransportRegistry().Count(), before + 1);
        vdxIOTransportRegistry().Register(&t); // a repeat is ignored
        EXPECT_EQ(vdxIOTransportRegistry().Count(), before + 1);
    }
    EXPECT_EQ(vdxIOTransportRegistry().Count(), before);
}

TEST(NodeTree, EventsAndFileCounts)
{
    TvdxNode root;
    QStringList log;
    root.OnAddItem = [&](const QString &n, bool use, QObject *) { log << QStringLiteral("+%1/%2").arg(n).arg(use); };
    root.OnRemoveItem = [&](const QString &n, bool use, QObject *) { log << QStringLiteral("-%1/%2").arg(n).arg(use); };
    TvdxNode *dir = root.Add(QStringLiteral("b"));
    TvdxNode *file = dir->Add(QStringLiteral("x"), new QObject);
    root.Add(QStringLiteral("A"));
    EXPECT_EQ(root.FilesCount(), 1);
    EXPECT_EQ(dir->FilesCount(), 1);
    EXPECT_EQ(root.GetNode(0)->Name(), QStringLiteral("A")); // name order, case ignored
    file->SetName(QStringLiteral("y"));
    EXPECT_EQ(log.mid(log.size() - 2), (QStringList{"-x/0", "+y/0"}));
    root.RemoveNode(dir);
    EXPECT_EQ(root.FilesCount(), 0);
    EXPECT_EQ(root.Count(), 1);
    delete dir;
}

// ---------------------------------------------------------------------------
// Temporary folders.

TEST(TempContainer, CreatedPrivatelyAndRemovedWithItsFiles)
{
    TvdxIOTransportFile t(nullptr, true);
    t.FilterAccess = faWrite;
    t.CreateTempContainer();
    const QString folder = t.TempFolder();
    ASSERT_FALSE(folder.isEmpty());
    const QFileInfo info(folder);
    ASSERT_TRUE(info.isDir());
    EXPECT_EQ(t.BasePath, folder);
    // Only the owner may enter it.
    EXPECT_FALSE(info.permissions() & (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup | QFile::WriteGroup));
    QIODevice *s = t.GetStream(folder + QStringLiteral("/sub/page1.xml"));
    s->write("x");
    t.FreeTempContainer();
    EXPECT_FALSE(QFileInfo::exists(folder));
}

TEST(TempContainer, TwoTransportsNeverShareAFolder)
{
    TvdxIOTransportFile a(nullptr, true), b(nullptr, true);
    a.FilterAccess = b.FilterAccess = faWrite;
    a.CreateTempContainer();
    b.CreateTempContainer();
    EXPECT_NE(a.TempFolder(), b.TempFolder());
}

TEST(TempContainer, CleanupStaysInsideItsFolder)
{
    vdtest::TempDir outside;
    const QString victim = outside.file("keep.txt");
    const QString victimDir = outside.file("keepdir");
    ASSERT_TRUE(vdtest::writeFile(victim, "precious"));
    ASSERT_TRUE(QDir().mkdir(victimDir));
    ASSERT_TRUE(vdtest::writeFile(victimDir + QStringLiteral("/inner.txt"), "precious"));

    TvdxIOTransportFile t(nullptr, true);
    t.FilterAccess = faWrite;
    t.CreateTempContainer();
    const QString folder = t.TempFolder();
    // A link to a folder outside, a ".." name and a base path changed later.
    ASSERT_TRUE(QFile::link(victimDir, folder + QStringLiteral("/link")));
    ASSERT_TRUE(QFile::link(victim, folder + QStringLiteral("/filelink")));
    const QString dotdot = folder + QStringLiteral("/../") + QDir(QFileInfo(folder).path()).relativeFilePath(victim);
    ASSERT_TRUE(QFileInfo::exists(dotdot));
    t.RootNode()->Add(QStringLiteral("escape"))->SetOriginalName(dotdot);
    t.RootNode()->Add(QStringLiteral("outside"))->SetOriginalName(victim);
    t.BasePath = outside.path();
    t.FreeTempContainer();

    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_EQ(vdtest::readFile(victim), QByteArray("precious"));
    EXPECT_EQ(vdtest::readFile(victimDir + QStringLiteral("/inner.txt")), QByteArray("precious"));
}

TEST(TempContainer, TempFilterIsFreedWithItsFolderOnClose)
{
    TvdxIOTransportFile t(nullptr, true);
    t.FilterAccess = faWrite;
    TvdxCustomIOTransport *temp = t.TempFilter();
    ASSERT_NE(temp, nullptr);
    const QString folder = static_cast<TvdxIOTransportFile *>(temp)->TempFolder();
    EXPECT_TRUE(QFileInfo(folder).isDir());
    t.CloseFilter();
    EXPECT_FALSE(QFileInfo::exists(folder));
}

TEST(DeleteFolder, RemovesLinksWithoutFollowingThem)
{
    vdtest::TempDir a, b;
    ASSERT_TRUE(vdtest::writeFile(b.file("t.txt"), "keep"));
    const QString root = a.file("root");
    ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("/x/y")));
    ASSERT_TRUE(vdtest::writeFile(root + QStringLiteral("/x/y/f"), "1"));
    ASSERT_TRUE(QFile::link(b.path(), root + QStringLiteral("/x/lnk")));
    vdxDeleteFolder(root);
    EXPECT_FALSE(QFileInfo::exists(root));
    EXPECT_EQ(vdtest::readFile(b.file("t.txt")), QByteArray("keep"));
    vdxDeleteFolder(a.file("missing")); // nothing to do, no error
}

// ---------------------------------------------------------------------------
class DialogTransport : public ::testing::Test {
protected:
    void SetUp() override { saved = vdxFileDialogRunner(); }
    void TearDown() override { vdxFileDialogRunner() = saved; }
    TvdxFileDialogRunner saved;
};

TEST_F(DialogTransport, CancelAnswersFalse)
{
    TvdxFileDialogRequest seen;
    vdxFileDialogRunner() = [&](const TvdxFileDialogRequest &r) {
        seen = r;
        return TvdxFileDialogAnswer{};
    };
    TvdxIOTransportFileDialog t(nullptr, true);
    t.FilterAccess = faWrite;
    t.OverwritePrompt = true;
    t.DefaultExt = QStringLiteral(".pdf");
    t.FileName = QStringLiteral("/some/dir/report.v1.pdf");
    t.SetFilterString(QStringLiteral("PDF (*.pdf)|*.pdf"));
    EXPECT_FALSE(t.OpenFilter());
    EXPECT_TRUE(seen.save);
    EXPECT_TRUE(seen.overwritePrompt);
    EXPECT_EQ(seen.fileName, QStringLiteral("report.v1"));
    EXPECT_EQ(seen.initialDir, QStringLiteral("/some/dir"));
    EXPECT_TRUE(seen.filter.startsWith(QStringLiteral("PDF (*.pdf)|*.pdf")));
}

TEST_F(DialogTransport, ChosenFilterRoutesToTheClone)
{
    vdtest::TempDir tmp;
    TvdxSaveToCompressedFilter offered; // registered, offered in the designer's file filters
    TvdxIOTransportFileDialog t(nullptr, true);
    t.CreatedFrom = fvDesigner;
    t.FilterAccess = faWrite;
    t.SetFilterString(QStringLiteral("Report (*.vd3)|*.vd3"));
    int cloneIndex = -1;
    vdxFileDialogRunner() = [&](const TvdxFileDialogRequest &r) {
        const QStringList parts = r.filter.split(u'|');
        for (int i = 2; i + 1 < parts.size(); i += 2)
            if (parts[i] == QStringLiteral("Compressed report (*.vd3)"))
                cloneIndex = i / 2 + 1;
        TvdxFileDialogAnswer a;
        a.accepted = true;
        a.fileName = tmp.file("out.xyz");
        a.filterIndex = cloneIndex;
        return a;
    };
    ASSERT_TRUE(t.OpenFilter());
    ASSERT_GE(cloneIndex, 2);
    ASSERT_NE(t.ChosenFilter(), nullptr);
    EXPECT_EQ(t.FileName, tmp.file("out.vd3"));
    QIODevice *s = t.GetStream(t.FileName);
    ASSERT_NE(s, nullptr);
    s->write("zz");
    t.CloseFilter();
    EXPECT_EQ(t.ChosenFilter(), nullptr);
    EXPECT_EQ(vdtest::readFile(tmp.file("out.vd3")), QByteArray("zz"));
}

TEST(DialogTransportDefaultDialog, ThroughTheUiProviderWithTheFilterOfTheChosenFile)
{
    HeadlessUiProvider ui;
    TvdScopedUiProvider scope(&ui);
    ui.QueueText(QStringLiteral("/out/report.VP3"));
    TvdxFileDialogRequest r;
    r.save = true;
    r.fileName = QStringLiteral("report");
    r.defaultExt = QStringLiteral(".vd3");
    r.initialDir = QStringLiteral("/out");
    r.filter = QStringLiteral("Report (*.vd3)|*.vd3|Compressed prepared report (*.vp3)|*.vp3");
    const TvdxFileDialogAnswer a = vdxFileDialogRunner()(r);
    EXPECT_TRUE(a.accepted);
    EXPECT_EQ(a.fileName, QStringLiteral("/out/report.VP3"));
    EXPECT_EQ(a.filterIndex, 2);
    ASSERT_EQ(ui.Prompts().size(), 1);
    EXPECT_EQ(ui.Prompts()[0].kind, QStringLiteral("SaveFileName"));

    // Nothing queued: the headless provider cancels.
    EXPECT_FALSE(vdxFileDialogRunner()(r).accepted);
}

TEST(DialogTransportStartUp, ListsOneInstance)
{
    vdxInitDialogIOTransport();
    const int count = vdxIOTransportRegistry().Count();
    vdxInitDialogIOTransport();
    EXPECT_EQ(vdxIOTransportRegistry().Count(), count);
    EXPECT_NE(vdxDialogIOTransportClass(), nullptr);
    vdxDoneDialogIOTransport();
    EXPECT_EQ(vdxIOTransportRegistry().Count(), count - 1);
}

} // namespace

namespace {
// Saves through the transport the way the report does: the stream is released
// on the way out, also when the save fails.
void saveThrough(const QString &path, const QByteArray &bytes, bool fail)
{
    TvdxIOTransportFile t(nullptr, true);
    t.FilterAccess = faWrite;
    QIODevice *s = t.GetStream(path);
    struct Free {
        TvdxIOTransportFile &t;
        QIODevice *s;
        ~Free() { t.FreeStream(s); }
    } free{t, s};
    s->write(bytes);
    if (fail)
        throw Exception(QStringLiteral("save failed"));
}
} // namespace

TEST_F(FileTransport, FailedSaveKeepsTheOldFile)
{
    const QString path = tmp.file("report.vd3");
    ASSERT_TRUE(vdtest::writeFile(path, "old contents"));
    EXPECT_THROW(saveThrough(path, "half", true), Exception);
    EXPECT_EQ(vdtest::readFile(path), QByteArray("old contents"));

    saveThrough(path, "new contents", false);
    EXPECT_EQ(vdtest::readFile(path), QByteArray("new contents"));
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files), QStringList{QStringLiteral("report.vd3")});
}
