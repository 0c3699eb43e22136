// The gallery tool renders every shared control offscreen to a PNG.

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#ifdef VD_WIDGETS_TOOL
TEST(WidgetGallery, GrabsToAPng)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString out = dir.filePath("gallery.png");
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    tool.setProcessEnvironment(env);
    tool.start(VD_WIDGETS_TOOL, {"--grab", out});
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    const QImage image(out);
    ASSERT_FALSE(image.isNull());
    EXPECT_GE(image.width(), 700);
    EXPECT_GE(image.height(), 400);
    // The docked tool window's caption bar at the top left.
    EXPECT_EQ(image.pixel(2, 2) & 0xFFFFFF, 0xCEDCECu);

    QProcess bad;
    bad.setProcessEnvironment(env);
    bad.start(VD_WIDGETS_TOOL, {"--grab", dir.filePath("missing/folder/x.png")});
    ASSERT_TRUE(bad.waitForFinished(60000));
    EXPECT_NE(bad.exitCode(), 0);
}
#endif
