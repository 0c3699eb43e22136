// Widget tests run with the densities and the font pinned: 96 PPI unless a
// test says otherwise, DejaVu Sans 9 pt.
#pragma once
#include "core/vdBaseForm.h"

#include <QApplication>
#include <QFont>
#include <QImage>
#include <QWidget>
#include <gtest/gtest.h>

class WidgetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_font = QApplication::font();
        QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
        vdSetScreenPPI(96);
        vdSetWindowPPIProvider([this](const QWidget *) { return windowPPI; });
    }
    void TearDown() override
    {
        vdSetWindowPPIProvider({});
        vdSetScreenPPI(0);
        QApplication::setFont(m_font);
    }
    static QRgb pixel(QWidget &w, int x, int y)
    {
        return w.grab().toImage().pixel(x, y) & 0xFFFFFF;
    }

    int windowPPI = 96;

private:
    QFont m_font;
};

inline QRgb rgbOf(int r, int g, int b)
{
    return QRgb((r << 16) | (g << 8) | b);
}
