#include "svg/vdSVGGDIPPath.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr float kCircleK = 0.5522847498f; // 4/3 (sqrt 2 - 1)

bool finite(float v) { return std::isfinite(v); }

} // namespace

std::unique_ptr<TSVGCanvasPath> TSVGGDIGraphicsPath::Clone() const
{
    auto c = std::make_unique<TSVGGDIGraphicsPath>();
    c->SetMatrix(Matrix());
    c->m_points = m_points;
    c->m_figureOpen = m_figureOpen;
    return c;
}

void TSVGGDIGraphicsPath::Transform(const TSVGTransform &m)
{
    for (PathPoint &p : m_points) {
        const TSinglePoint q = TransformPoint(m, {p.X, p.Y});
        p.X = q.X;
        p.Y = q.Y;
    }
    changed();
}

TSingleBounds TSVGGDIGraphicsPath::Bounds() const
{
    if (m_points.empty())
        return {};
    const QRectF r = ToQPainterPath().boundingRect();
    return {float(r.x()), float(r.y()), float(r.width()), float(r.height())};
}

void TSVGGDIGraphicsPath::joinTo(float x, float y)
{
    if (m_figureOpen) {
        const PathPoint &last = m_points.back();
        if (last.X != x || last.Y != y)
            m_points.push_back({x, y, ptLine});
    } else {
        m_points.push_back({x, y, ptStart});
        m_figureOpen = true;
    }
}

void TSVGGDIGraphicsPath::addBezierPoints(float x2, float y2, float x3, float y3, float x4, float y4)
{
    m_points.push_back({x2, y2, ptBezier});
    m_points.push_back({x3, y3, ptBezier});
    m_points.push_back({x4, y4, ptBezier});
}

void TSVGGDIGraphicsPath::AddArc(float x, float y, float width, float height, float startAngle, float sweepAngle)
{
    if (!(width > 0) || !(height > 0) || !finite(x) || !finite(y) || !finite(startAngle) || !finite(sweepAngle))
        return;
    const double rx = width / 2.0, ry = height / 2.0, cx = x + rx, cy = y + ry;
    const double sweep = std::clamp(double(sweepAngle), -360.0, 360.0);
    // Angles are the true directions of the points; the curves run on the
    // ellipse's parameter.
    auto param = [&](double deg) {
        const double a = deg * std::numbers::pi / 180;
        const double t = std::atan2(rx * std::sin(a), ry * std::cos(a));
        // The parameter lies in the angle's quadrant: keep its whole turns.
        return t + 2 * std::numbers::pi * std::nearbyint((a - t) / (2 * std::numbers::pi));
    };
    const double t0 = param(startAngle);
    double t1 = param(double(startAngle) + sweep);
    if (std::fabs(sweep) >= 360)
        t1 = t0 + (sweep > 0 ? 2 : -2) * std::numbers::pi;
    const double total = t1 - t0;
    const int n = std::max(1, int(std::ceil(std::fabs(total) / (std::numbers::pi / 2) - 1e-9)));
    const double d = total / n;
    const double k = 4.0 / 3.0 * std::tan(d / 4);
    auto pt = [&](double t) { return QPointF(cx + rx * std::cos(t), cy + ry * std::sin(t)); };
    double t = t0;
    const QPointF s = pt(t);
    joinTo(float(s.x()), float(s.y()));
    for (int i = 0; i < n; ++i) {
        const double te = t + d;
        const QPointF p0 = pt(t), p3 = pt(te);
        const QPointF p1(p0.x() - k * rx * std::sin(t), p0.y() + k * ry * std::cos(t));
        const QPointF p2(p3.x() + k * rx * std::sin(te), p3.y() - k * ry * std::cos(te));
        addBezierPoints(float(p1.x()), float(p1.y()), float(p2.x()), float(p2.y()), float(p3.x()), float(p3.y()));
        t = te;
    }
    changed();
}

void TSVGGDIGraphicsPath::AddBezier(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4)
{
    joinTo(x1, y1);
    addBezierPoints(x2, y2, x3, y3, x4, y4);
    changed();
}

void TSVGGDIGraphicsPath::addEllipseFigure(float cx, float cy, float rx, float ry)
{
    const float kx = rx * kCircleK, ky = ry * kCircleK;
    m_points.push_back({cx + rx, cy, ptStart});
    addBezierPoints(cx + rx, cy + ky, cx + kx, cy + ry, cx, cy + ry);
    addBezierPoints(cx - kx, cy + ry, cx - rx, cy + ky, cx - rx, cy);
    addBezierPoints(cx - rx, cy - ky, cx - kx, cy - ry, cx, cy - ry);
    addBezierPoints(cx + kx, cy - ry, cx + rx, cy - ky, cx + rx, cy);
    m_points.back().Type |= ptClose;
    m_figureOpen = false;
    changed();
}

void TSVGGDIGraphicsPath::AddCircle(float cx, float cy, float r) { addEllipseFigure(cx, cy, r, r); }

void TSVGGDIGraphicsPath::AddEllipse(float cx, float cy, float rx, float ry) { addEllipseFigure(cx, cy, rx, ry); }

void TSVGGDIGraphicsPath::AddLine(float x1, float y1, float x2, float y2)
{
    joinTo(x1, y1);
    m_points.push_back({x2, y2, ptLine});
    changed();
}

void TSVGGDIGraphicsPath::AddPath(const TSVGCanvasPath &adding, bool connect)
{
    const auto *other = dynamic_cast<const TSVGGDIGraphicsPath *>(&adding);
    if (!other || other->m_points.empty())
        return;
    const size_t first = m_points.size();
    m_points.insert(m_points.end(), other->m_points.begin(), other->m_points.end());
    if (connect && m_figureOpen)
        m_points[first].Type = ptLine;
    m_figureOpen = other->m_figureOpen;
    changed();
}

void TSVGGDIGraphicsPath::AddRectangle(float x, float y, float width, float height, float rx, float ry)
{
    if (!(width > 0) || !(height > 0))
        return;
    if (SameSingle(rx, 0, 0.0001f) || SameSingle(ry, 0, 0.0001f)) {
        m_points.push_back({x, y, ptStart});
        m_points.push_back({x + width, y, ptLine});
        m_points.push_back({x + width, y + height, ptLine});
        m_points.push_back({x, y + height, uint8_t(ptLine | ptClose)});
        m_figureOpen = false;
        changed();
        return;
    }
    StartFigure();
    AddLine(x + rx, y, x + width - rx, y);
    AddArc(x + width - 2 * rx, y, 2 * rx, 2 * ry, 270, 90);
    AddLine(x + width, y + ry, x + width, y + height - ry);
    AddArc(x + width - 2 * rx, y + height - 2 * ry, 2 * rx, 2 * ry, 0, 90);
    AddLine(x + width - rx, y + height, x + rx, y + height);
    AddArc(x, y + height - 2 * ry, 2 * rx, 2 * ry, 90, 90);
    AddLine(x, y + height - ry, x, y + ry);
    AddArc(x, y, 2 * rx, 2 * ry, 180, 90);
    CloseFigure();
}

void TSVGGDIGraphicsPath::AddOutline(const QPainterPath &outline)
{
    if (outline.isEmpty())
        return;
    StartFigure();
    size_t figureStart = 0;
    // A figure that ends with a line back to its start is closed by a mark.
    auto close = [&] {
        if (!m_figureOpen)
            return;
        const PathPoint &s = m_points[figureStart];
        if (m_points.size() > figureStart + 2 && m_points.back().Type == ptLine && m_points.back().X == s.X
            && m_points.back().Y == s.Y)
            m_points.pop_back();
        CloseFigure();
    };
    for (int i = 0; i < outline.elementCount(); ++i) {
        const QPainterPath::Element e = outline.elementAt(i);
        if (e.isMoveTo() || (e.isLineTo() && !m_figureOpen)) {
            close();
            figureStart = m_points.size();
            m_points.push_back({float(e.x), float(e.y), ptStart});
            m_figureOpen = true;
        } else if (e.isLineTo()) {
            m_points.push_back({float(e.x), float(e.y), ptLine});
        } else if (e.isCurveTo() && i + 2 < outline.elementCount() && m_figureOpen) {
            const QPainterPath::Element c2 = outline.elementAt(i + 1), end = outline.elementAt(i + 2);
            addBezierPoints(float(e.x), float(e.y), float(c2.x), float(c2.y), float(end.x), float(end.y));
            i += 2;
        }
    }
    close();
    changed();
}

void TSVGGDIGraphicsPath::CloseFigure()
{
    if (m_figureOpen && !m_points.empty())
        m_points.back().Type |= ptClose;
    m_figureOpen = false;
    changed();
}

void TSVGGDIGraphicsPath::StartFigure() { m_figureOpen = false; }

QString TSVGGDIGraphicsPath::Log() const
{
    QString s = QString::number(m_points.size()) + QStringLiteral(": ");
    for (const PathPoint &p : m_points)
        s += u'(' + SVGLogNumber(p.X) + u' ' + SVGLogNumber(p.Y) + QStringLiteral(") ");
    return s;
}

const QPainterPath &TSVGGDIGraphicsPath::ToQPainterPath() const
{
    if (m_qpath)
        return *m_qpath;
    QPainterPath q;
    q.setFillRule(Qt::WindingFill);
    for (size_t i = 0; i < m_points.size(); ++i) {
        const PathPoint &p = m_points[i];
        switch (p.Type & ~ptClose) {
        case ptStart: q.moveTo(p.X, p.Y); break;
        case ptLine: q.lineTo(p.X, p.Y); break;
        default:
            if (i + 2 < m_points.size()) {
                const PathPoint &c2 = m_points[i + 1], &e = m_points[i + 2];
                q.cubicTo(p.X, p.Y, c2.X, c2.Y, e.X, e.Y);
                i += 2;
                if (e.Type & ptClose)
                    q.closeSubpath();
                continue;
            }
            break;
        }
        if (p.Type & ptClose)
            q.closeSubpath();
    }
    m_qpath = std::move(q);
    return *m_qpath;
}

std::vector<QPointF> TSVGGDIGraphicsPath::Flattened(float flatness) const
{
    const double tol = std::max(0.001, double(flatness));
    std::vector<QPointF> out;
    out.reserve(m_points.size());
    for (size_t i = 0; i < m_points.size(); ++i) {
        const PathPoint &p = m_points[i];
        if ((p.Type & ~ptClose) != ptBezier || out.empty() || i + 2 >= m_points.size()) {
            out.emplace_back(p.X, p.Y);
            continue;
        }
        const QPointF p0 = out.back(), p1(p.X, p.Y), p2(m_points[i + 1].X, m_points[i + 1].Y),
                      p3(m_points[i + 2].X, m_points[i + 2].Y);
        // Segments enough for the curve to stay within the flatness.
        const QPointF d1 = p0 - 2 * p1 + p2, d2 = p1 - 2 * p2 + p3;
        const double l = std::max(std::hypot(d1.x(), d1.y()), std::hypot(d2.x(), d2.y()));
        const double est = std::ceil(std::sqrt(0.75 * l / tol));
        const int n = std::clamp(std::isfinite(est) ? int(est) : 1, 1, 1000);
        for (int k = 1; k <= n; ++k) {
            const double t = double(k) / n, u = 1 - t;
            out.push_back(u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t * p3);
        }
        i += 2;
    }
    return out;
}
