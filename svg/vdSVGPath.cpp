#include "svg/vdSVGPath.h"

#include <cmath>
#include <numbers>

namespace {

bool isCommand(QChar c)
{
    switch (c.toUpper().unicode()) {
    case 'A': case 'C': case 'H': case 'L': case 'M': case 'Q': case 'S': case 'T': case 'V': case 'Z': return true;
    default: return false;
    }
}

int arity(QChar c)
{
    switch (c.toUpper().unicode()) {
    case 'A': return 7;
    case 'C': return 6;
    case 'Q': case 'S': return 4;
    case 'L': case 'M': case 'T': return 2;
    case 'H': case 'V': return 1;
    default: return 0;
    }
}

QStringList tokenise(QChar letter, QStringView text)
{
    QStringList out{QString(letter)};
    QString number;
    bool point = false;
    auto flush = [&] {
        if (!number.isEmpty())
            out << number;
        number.clear();
        point = false;
    };
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == ' ' || u == '\t' || u == '\n' || u == '\r') {
            flush();
        } else if (u == '+' || u == '-') {
            if (!number.isEmpty() && !number.endsWith(u'e') && !number.endsWith(u'E'))
                flush();
            number += c;
        } else if (u == '.') {
            if (point)
                flush();
            number += c;
            point = true;
        } else if ((u >= '0' && u <= '9') || u == 'e' || u == 'E') {
            number += c;
        }
    }
    flush();
    return out;
}

double angleOf(double x, double y) { return std::atan2(y, x); }

// From u to v, counter-clockwise, in [0, 2 pi).
double angleBetween(double ux, double uy, double vx, double vy)
{
    const double a = angleOf(vx, vy) - angleOf(ux, uy);
    return a >= 0 ? a : a + 2 * std::numbers::pi;
}

} // namespace

std::vector<QStringList> SplitPathData(const QString &d)
{
    QString text = d;
    text.replace(u',', u' ');
    std::vector<QStringList> commands;
    int start = -1;
    for (int i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !isCommand(text[i]))
            continue;
        if (start >= 0) {
            QStringList tokens = tokenise(text[start], QStringView(text).mid(start + 1, i - start - 1));
            if (text[start].toUpper() == u'Z')
                tokens = QStringList{tokens.first()};
            commands.push_back(std::move(tokens));
        }
        start = i;
    }
    return commands;
}

TSVGPathSegments ParsePathData(const QString &d)
{
    // Every further complete set of numbers repeats the command ("M" goes on
    // as "L"); numbers that fill no set are ignored.
    QStringList all;
    for (const QStringList &cmd : SplitPathData(d)) {
        const QChar letter = cmd.first().front();
        const int a = arity(letter);
        const int n = int(cmd.size()) - 1;
        if (a == 0 || n <= a) {
            all << cmd;
            continue;
        }
        const QChar repeat = letter == u'M' ? u'L' : letter == u'm' ? u'l' : letter;
        all << cmd.first();
        for (int set = 0; set * a + a <= n; ++set) {
            if (set > 0)
                all << QString(repeat);
            for (int k = 0; k < a; ++k)
                all << cmd.at(1 + set * a + k);
        }
    }
    TSVGPathSegments segments;
    int pos = 0;
    while (pos < all.size()) {
        const QString &token = all.at(pos);
        const QChar c = token.front();
        std::unique_ptr<TSVGPathElement> seg;
        switch (c.toUpper().unicode()) {
        case 'A': seg = std::make_unique<TSVGPathEllipticArc>(); break;
        case 'C': case 'S': seg = std::make_unique<TSVGPathCubicCurve>(); break;
        case 'H': case 'L': case 'V': seg = std::make_unique<TSVGPathLine>(); break;
        case 'M': seg = std::make_unique<TSVGPathMove>(); break;
        case 'Q': case 'T': seg = std::make_unique<TSVGPathQuadraticCurve>(); break;
        case 'Z': seg = std::make_unique<TSVGPathClose>(); break;
        default: break;
        }
        if (!seg || !isCommand(c)) {
            ++pos; // a left-over number
            continue;
        }
        // As in SVG, the data ends at the first command it cannot read.
        if (!seg->Read(all, pos, segments))
            break;
        segments.push_back(std::move(seg));
    }
    return segments;
}

// ---- segments ------------------------------------------------------------------------

bool TSVGPathElement::Read(const QStringList &sl, int &position, const TSVGPathSegments &done)
{
    m_command = sl.at(position).front();
    ++position;
    if (const TSVGPathElement *p = previous(done))
        m_start = p->m_stop;
    return true;
}

bool TSVGPathElement::ReadNumber(const QStringList &sl, int &position, float &value)
{
    if (position >= sl.size())
        return false;
    const QString &t = sl.at(position);
    if (t.isEmpty() || isCommand(t.front()) || !TryStrToSingle(t, value) || !std::isfinite(value))
        return false;
    ++position;
    return true;
}

bool TSVGPathElement::ReadPoint(const QStringList &sl, int &position, TSinglePoint &p)
{
    return ReadNumber(sl, position, p.X) && ReadNumber(sl, position, p.Y);
}

bool TSVGPathMove::Read(const QStringList &sl, int &position, const TSVGPathSegments &done)
{
    TSVGPathElement::Read(sl, position, done);
    TSinglePoint p;
    if (!ReadPoint(sl, position, p))
        return false;
    m_stop = toAbsolute(p);
    return true;
}

void TSVGPathMove::AddToPath(TSVGCanvasPath &path) const { path.StartFigure(); }

bool TSVGPathLine::Read(const QStringList &sl, int &position, const TSVGPathSegments &done)
{
    TSVGPathElement::Read(sl, position, done);
    const QChar up = m_command.toUpper();
    if (up == u'L') {
        TSinglePoint p;
        if (!ReadPoint(sl, position, p))
            return false;
        m_stop = toAbsolute(p);
        return true;
    }
    float v;
    if (!ReadNumber(sl, position, v))
        return false;
    if (up == u'H')
        m_stop = {relative() ? m_start.X + v : v, m_start.Y};
    else
        m_stop = {m_start.X, relative() ? m_start.Y + v : v};
    return true;
}

void TSVGPathLine::AddToPath(TSVGCanvasPath &path) const { path.AddLine(m_start, m_stop); }

bool TSVGPathCubicCurve::Read(const QStringList &sl, int &position, const TSVGPathSegments &done)
{
    TSVGPathElement::Read(sl, position, done);
    TSinglePoint c1, c2, p;
    if (m_command.toUpper() == u'C') {
        if (!ReadPoint(sl, position, c1) || !ReadPoint(sl, position, c2) || !ReadPoint(sl, position, p))
            return false;
        m_control1 = toAbsolute(c1);
    } else {
        if (!ReadPoint(sl, position, c2) || !ReadPoint(sl, position, p))
            return false;
        m_control1 = m_start;
        if (const auto *prev = dynamic_cast<const TSVGPathCubicCurve *>(previous(done)))
            m_control1 = PointAdd(m_start, PointSub(m_start, prev->m_control2));
    }
    m_control2 = toAbsolute(c2);
    m_stop = toAbsolute(p);
    return true;
}

void TSVGPathCubicCurve::AddToPath(TSVGCanvasPath &path) const
{
    path.AddBezier(m_start, m_control1, m_control2, m_stop);
}

bool TSVGPathQuadraticCurve::Read(const QStringList &sl, int &position, const TSVGPathSegments &done)
{
    TSVGPathElement::Read(sl, position, done);
    TSinglePoint c0, p;
    if (m_command.toUpper() == u'Q') {
        if (!ReadPoint(sl, position, c0) || !ReadPoint(sl, position, p))
            return false;
        m_control0 = toAbsolute(c0);
    } else {
        if (!ReadPoint(sl, position, p))
            return false;
        m_control0 = m_start;
        if (const auto *prev = dynamic_cast<const TSVGPathQuadraticCurve *>(previous(done)))
            m_control0 = PointAdd(m_start, PointSub(m_start, prev->m_control0));
    }
    m_stop = toAbsolute(p);
    const float k = 2.0f / 3.0f;
    m_control1 = {m_start.X + k * (m_control0.X - m_start.X), m_start.Y + k * (m_control0.Y - m_start.Y)};
    m_control2 = {m_stop.X + k * (m_control0.X - m_stop.X), m_stop.Y + k * (m_control0.Y - m_stop.Y)};
    return true;
}

bool TSVGPathEllipticArc::Read(const QStringList &sl, int &position, const TSVGPathSegments &done)
{
    TSVGPathElement::Read(sl, position, done);
    float rx, ry, rot, large, sweep;
    TSinglePoint p;
    if (!ReadNumber(sl, position, rx) || !ReadNumber(sl, position, ry) || !ReadNumber(sl, position, rot)
        || !ReadNumber(sl, position, large) || !ReadNumber(sl, position, sweep) || !ReadPoint(sl, position, p))
        return false;
    m_rx = std::fabs(rx);
    m_ry = std::fabs(ry);
    m_xRot = rot;
    m_large = std::nearbyint(large) != 0 ? 1 : 0;
    m_sweep = std::nearbyint(sweep) != 0 ? 1 : 0;
    m_stop = toAbsolute(p);
    return true;
}

void TSVGPathEllipticArc::AddToPath(TSVGCanvasPath &path) const
{
    const double x1 = m_start.X, y1 = m_start.Y, x2 = m_stop.X, y2 = m_stop.Y;
    if (SamePoint(m_start, m_stop))
        return;
    if (m_rx == 0 || m_ry == 0) {
        path.AddLine(m_start, m_stop);
        return;
    }
    double rx = m_rx, ry = m_ry;
    const double phi = double(m_xRot) * std::numbers::pi / 180;
    const double cphi = std::cos(phi), sphi = std::sin(phi);
    const double x1p = cphi * (x1 - x2) / 2 + sphi * (y1 - y2) / 2;
    const double y1p = -sphi * (x1 - x2) / 2 + cphi * (y1 - y2) / 2;
    const double o = rx * rx * ry * ry - rx * rx * y1p * y1p - ry * ry * x1p * x1p;
    double coef = 0;
    if (o < 0) {
        const double s = std::sqrt(1 - o / (rx * rx * ry * ry));
        rx *= s;
        ry *= s;
    } else {
        coef = std::sqrt(o / (rx * rx * y1p * y1p + ry * ry * x1p * x1p));
        if (m_large == m_sweep)
            coef = -coef;
    }
    const double cxp = coef * rx * y1p / ry, cyp = -coef * ry * x1p / rx;
    const double cx = cphi * cxp - sphi * cyp + (x1 + x2) / 2;
    const double cy = sphi * cxp + cphi * cyp + (y1 + y2) / 2;
    const double ux = (x1p - cxp) / rx, uy = (y1p - cyp) / ry;
    const double vx = (-x1p - cxp) / rx, vy = (-y1p - cyp) / ry;
    double theta = angleBetween(1, 0, ux, uy);
    double delta = angleBetween(ux, uy, vx, vy);
    if (m_sweep == 0 && delta > 0)
        delta -= 2 * std::numbers::pi;
    if (delta == 0 || !std::isfinite(delta) || !std::isfinite(cx) || !std::isfinite(cy))
        return;
    const int n = int(std::ceil(std::fabs(delta) / (std::numbers::pi / 2) - 1e-9));
    const double d = delta / std::max(1, n);
    const double k = 4.0 / 3.0 * std::tan(d / 4);
    double px = x1, py = y1;
    for (int i = 0; i < std::max(1, n); ++i) {
        const double t2 = theta + d;
        const double ex = cphi * rx * std::cos(t2) - sphi * ry * std::sin(t2) + cx;
        const double ey = sphi * rx * std::cos(t2) + cphi * ry * std::sin(t2) + cy;
        const double c1x = px + k * (-cphi * rx * std::sin(theta) - sphi * ry * std::cos(theta));
        const double c1y = py + k * (-sphi * rx * std::sin(theta) + cphi * ry * std::cos(theta));
        const double c2x = ex + k * (cphi * rx * std::sin(t2) + sphi * ry * std::cos(t2));
        const double c2y = ey + k * (sphi * rx * std::sin(t2) - cphi * ry * std::cos(t2));
        path.AddBezier(float(px), float(py), float(c1x), float(c1y), float(c2x), float(c2y), float(ex), float(ey));
        px = ex;
        py = ey;
        theta = t2;
    }
}

bool TSVGPathClose::Read(const QStringList &sl, int &position, const TSVGPathSegments &done)
{
    TSVGPathElement::Read(sl, position, done);
    m_stop = m_start;
    for (auto it = done.rbegin(); it != done.rend(); ++it)
        if (dynamic_cast<const TSVGPathMove *>(it->get())) {
            m_stop = (*it)->Stop();
            break;
        }
    return true;
}

void TSVGPathClose::AddToPath(TSVGCanvasPath &path) const { path.CloseFigure(); }

// ---- the path element -------------------------------------------------------------

const TSVGPathSegments &Tel_path::Segments()
{
    if (!m_parsed) {
        m_parsed = true;
        m_segments = ParsePathData(atString(at_d));
    }
    return m_segments;
}

void Tel_path::ConstructPath()
{
    TSVGBaseObj::ConstructPath();
    const TSVGPathSegments &segments = Segments();
    m_path = createPath();
    for (const auto &s : segments)
        s->AddToPath(*m_path);
}

void Tel_path::AssignTo(TSVGElementObj &dest) const
{
    TSVGBaseObj::AssignTo(dest);
    if (auto *d = dynamic_cast<Tel_path *>(&dest)) {
        d->m_segments.clear();
        for (const auto &s : m_segments)
            d->m_segments.push_back(s->Clone());
        d->m_parsed = m_parsed;
    }
}
