// Sizes and element matrices cross-checked with QtSvg and librsvg.
#include "svg/vdSVGRoot.h"
#include "common/TestSupport.h"

#include <QTransform>
#include <cstring>
#include <gtest/gtest.h>
#ifdef VD_HAVE_QTSVG
#include <QSvgRenderer>
#endif
#ifdef VD_HAVE_RSVG
// glib names a struct member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <librsvg/rsvg.h>
#pragma pop_macro("signals")
#endif

namespace {

const char *const kSized[] = {
    R"x(<svg xmlns="http://www.w3.org/2000/svg" width="200" height="100"/>)x",
    R"x(<svg xmlns="http://www.w3.org/2000/svg" width="10cm" height="1in"/>)x",
    R"x(<svg xmlns="http://www.w3.org/2000/svg" width="72pt" height="6pc" viewBox="0 0 5 5"/>)x",
    R"x(<svg xmlns="http://www.w3.org/2000/svg" width="1,5in" height="30mm"/>)x",
};

} // namespace

TEST(SvgPeers, RootSizeAgreesWithQtSvg)
{
#ifndef VD_HAVE_QTSVG
    GTEST_SKIP() << "QtSvg (qt6-svg-dev) is not installed";
#else
    // QtSvg takes 90 absolute units per inch, so only user units are compared.
    const std::vector<QByteArray> docs = {
        R"x(<svg xmlns="http://www.w3.org/2000/svg" width="200" height="100"/>)x",
        R"x(<svg xmlns="http://www.w3.org/2000/svg" width="64px" height="48" viewBox="0 0 1 1"/>)x",
        R"x(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 24 12"/>)x",
        vdtest::readFile(vdtest::dataPath(QStringLiteral("svg/inherit.svg"))),
    };
    for (const QByteArray &doc : docs) {
        QSvgRenderer qt(doc);
        ASSERT_TRUE(qt.isValid()) << doc.constData();
        TSVGRootObj root;
        root.LoadFromText(QString::fromUtf8(doc));
        EXPECT_EQ(qt.defaultSize().width(), int(std::nearbyint(root.GetWidth()))) << doc.constData();
        EXPECT_EQ(qt.defaultSize().height(), int(std::nearbyint(root.GetHeight()))) << doc.constData();
    }
#endif
}

TEST(SvgPeers, RootSizeAgreesWithLibrsvg)
{
#ifndef VD_HAVE_RSVG
    GTEST_SKIP() << "librsvg (librsvg2-dev) is not installed";
#else
    for (const char *doc : kSized) {
        // librsvg reads "1,5in" as invalid; ours takes the comma as the decimal separator.
        if (QByteArray(doc).contains(','))
            continue;
        GError *err = nullptr;
        RsvgHandle *h = rsvg_handle_new_from_data(reinterpret_cast<const guint8 *>(doc), strlen(doc), &err);
        ASSERT_NE(h, nullptr) << doc;
        rsvg_handle_set_dpi(h, 96);
        double w = 0, hgt = 0;
        ASSERT_TRUE(rsvg_handle_get_intrinsic_size_in_pixels(h, &w, &hgt)) << doc;
        g_object_unref(h);
        TSVGRootObj root;
        root.LoadFromText(QString::fromUtf8(doc));
        EXPECT_NEAR(root.GetWidth(), w, 0.01) << doc;
        EXPECT_NEAR(root.GetHeight(), hgt, 0.01) << doc;
    }
#endif
}

// QtSvg's matrix of an element is the product of its ancestors' transforms.
TEST(SvgPeers, ElementMatricesAgreeWithQtSvg)
{
#ifndef VD_HAVE_QTSVG
    GTEST_SKIP() << "QtSvg (qt6-svg-dev) is not installed";
#else
    const QByteArray doc = R"x(<svg xmlns="http://www.w3.org/2000/svg" width="300" height="150">
      <g id="g1" transform="translate(10,20) rotate(30)">
        <g id="g2" transform="rotate(45, 10, 10) skewX(20) scale(2, 3)">
          <rect id="a" width="1" height="1"/>
          <g id="g3" transform="matrix(1 0.5 -0.5 1 3 4) skewY(10) translate(-5)"><rect id="b" width="1" height="1"/></g>
        </g>
      </g>
    </svg>)x";
    QSvgRenderer qt(doc);
    ASSERT_TRUE(qt.isValid());
    TSVGRootObj root;
    root.LoadFromText(QString::fromUtf8(doc));
    root.CalculateMatrices();
    for (const char *id : {"a", "b"}) {
        TSVGElementObj *e = root.FindByID(QString::fromLatin1(id));
        ASSERT_NE(e, nullptr);
        const TSVGTransform m = e->Parent()->CompleteMatrix();
        const QTransform q = qt.transformForElement(QString::fromLatin1(id));
        EXPECT_NEAR(m.a, q.m11(), 1e-4) << id;
        EXPECT_NEAR(m.b, q.m12(), 1e-4) << id;
        EXPECT_NEAR(m.c, q.m21(), 1e-4) << id;
        EXPECT_NEAR(m.d, q.m22(), 1e-4) << id;
        EXPECT_NEAR(m.e, q.dx(), 1e-3) << id;
        EXPECT_NEAR(m.f, q.dy(), 1e-3) << id;
    }
#endif
}
