#include "svg/vdSVGTransform.h"

#include <cmath>

TSVGTransform IdentityMatrix() { return {1, 0, 0, 1, 0, 0}; }

bool IsEmptyMatrix(const TSVGTransform &m)
{
    return SameSingle(m.a, 0) && SameSingle(m.b, 0) && SameSingle(m.c, 0) && SameSingle(m.d, 0)
           && SameSingle(m.e, 0) && SameSingle(m.f, 0);
}

bool SameMatrix(const TSVGTransform &m1, const TSVGTransform &m2)
{
    return SameSingle(m1.a, m2.a) && SameSingle(m1.b, m2.b) && SameSingle(m1.c, m2.c) && SameSingle(m1.d, m2.d)
           && SameSingle(m1.e, m2.e) && SameSingle(m1.f, m2.f);
}

TSVGTransform MultiplyMatrix(const TSVGTransform &m1, const TSVGTransform &m2)
{
    return {m1.a * m2.a + m1.b * m2.c,        m1.a * m2.b + m1.b * m2.d,        m1.c * m2.a + m1.d * m2.c,
            m1.c * m2.b + m1.d * m2.d,        m1.e * m2.a + m1.f * m2.c + m2.e, m1.e * m2.b + m1.f * m2.d + m2.f};
}

TSVGTransform TranslationMatrix(float tx, float ty) { return {1, 0, 0, 1, tx, ty}; }
TSVGTransform ScaleMatrix(float sx, float sy) { return {sx, 0, 0, sy, 0, 0}; }
TSVGTransform RotationMatrix(float t)
{
    const float c = std::cos(t), s = std::sin(t);
    return {c, s, -s, c, 0, 0};
}
TSVGTransform SkewMatrix(float tx, float ty) { return {1, ty, tx, 1, 0, 0}; }

TSinglePoint TransformPoint(const TSVGTransform &m, const TSinglePoint &p)
{
    return {m.a * p.X + m.c * p.Y + m.e, m.b * p.X + m.d * p.Y + m.f};
}

// ---------------------------------------------------------------------------

namespace {

const char *const kFunctionNames[] = {"matrix", "rotate", "scale", "scaleX", "scaleY", "skew",
                                      "skewX", "skewY", "translate", "translateX", "translateY"};

} // namespace

TCSSTransformObj::TCSSTransformObj(const QString &name, const QString &values)
{
    for (int i = 0; i < tf_unknown; ++i)
        if (name == QLatin1String(kFunctionNames[i])) {
            m_func = TCSSTransformFunction(i);
            break;
        }
    if (m_func == tf_unknown)
        return;
    ParseLengthList(values, m_rawData);
    const size_t n = m_rawData.size();
    bool fits = false;
    switch (m_func) {
    case tf_matrix: fits = n == 6; break;
    case tf_rotate: fits = n == 1 || n == 3; break;
    case tf_scale:
    case tf_translate:
    case tf_skew: fits = n == 1 || n == 2; break;
    default: fits = n == 1; break;
    }
    if (!fits) {
        m_func = tf_unknown;
        m_rawData.clear();
        return;
    }
    if (n == 1 && m_func == tf_scale)
        m_rawData.push_back(m_rawData[0]);
    else if (n == 1 && (m_func == tf_translate || m_func == tf_skew))
        m_rawData.push_back({0, suNone});
    switch (m_func) {
    case tf_matrix: m_direction = {sdNo, sdNo, sdNo, sdNo, sdHorizontal, sdVertical}; break;
    case tf_rotate: m_direction = {sdNo, sdHorizontal, sdVertical}; break;
    case tf_scale:
    case tf_translate: m_direction = {sdHorizontal, sdVertical}; break;
    case tf_scaleX:
    case tf_translateX: m_direction = {sdHorizontal}; break;
    case tf_scaleY:
    case tf_translateY: m_direction = {sdVertical}; break;
    default: m_direction.assign(m_rawData.size(), sdNo); break;
    }
    m_direction.resize(m_rawData.size(), sdNo);
}

std::unique_ptr<TCSSTransformObj> TCSSTransformObj::CreateMatrix(const TSVGTransform &m)
{
    std::unique_ptr<TCSSTransformObj> t(new TCSSTransformObj());
    t->m_func = tf_matrix;
    t->m_rawData = {{m.a, suNone}, {m.b, suNone}, {m.c, suNone}, {m.d, suNone}, {m.e, suNone}, {m.f, suNone}};
    t->m_direction = {sdNo, sdNo, sdNo, sdNo, sdHorizontal, sdVertical};
    return t;
}

void TCSSTransformObj::GetRawData(TSVGLengthArray &rawData, TSVGDirectionArray &direction) const
{
    rawData.insert(rawData.end(), m_rawData.begin(), m_rawData.end());
    direction.insert(direction.end(), m_direction.begin(), m_direction.end());
}

void TCSSTransformObj::SetData(const std::vector<float> &data, size_t &current)
{
    m_data.clear();
    for (size_t i = 0; i < m_rawData.size() && current < data.size(); ++i)
        m_data.push_back(data[current++]);
    constexpr float degToRad = float(3.14159265358979323846 / 180.0);
    if (m_func == tf_rotate && !m_data.empty())
        m_data[0] *= degToRad;
    else if (m_func == tf_skew || m_func == tf_skewX || m_func == tf_skewY)
        for (float &v : m_data)
            v = std::tan(v * degToRad);
}

TSVGTransform TCSSTransformObj::GetMatrix() const
{
    const auto &d = m_data;
    const size_t n = d.size();
    switch (m_func) {
    case tf_matrix:
        if (n == 6)
            return {d[0], d[1], d[2], d[3], d[4], d[5]};
        break;
    case tf_rotate:
        if (n == 1)
            return RotationMatrix(d[0]);
        if (n == 3)
            return MultiplyMatrix(MultiplyMatrix(TranslationMatrix(-d[1], -d[2]), RotationMatrix(d[0])),
                                  TranslationMatrix(d[1], d[2]));
        break;
    case tf_scale:
        if (n == 2)
            return ScaleMatrix(d[0], d[1]);
        break;
    case tf_scaleX:
        if (n == 1)
            return ScaleMatrix(d[0], 1);
        break;
    case tf_scaleY:
        if (n == 1)
            return ScaleMatrix(1, d[0]);
        break;
    case tf_skew:
        if (n == 2)
            return SkewMatrix(d[0], d[1]);
        break;
    case tf_skewX:
        if (n == 1)
            return SkewMatrix(d[0], 0);
        break;
    case tf_skewY:
        if (n == 1)
            return SkewMatrix(0, d[0]);
        break;
    case tf_translate:
        if (n == 2)
            return TranslationMatrix(d[0], d[1]);
        break;
    case tf_translateX:
        if (n == 1)
            return TranslationMatrix(d[0], 0);
        break;
    case tf_translateY:
        if (n == 1)
            return TranslationMatrix(0, d[0]);
        break;
    default: break;
    }
    return IdentityMatrix();
}

// ---------------------------------------------------------------------------

TCSSSVGTransformList::TCSSSVGTransformList(const QString &text)
{
    const QStringView all(text);
    const qsizetype n = all.size();
    qsizetype pos = 0;
    auto skipBlanks = [&] {
        while (pos < n && all.at(pos).unicode() <= 32)
            ++pos;
    };
    skipBlanks();
    // Found positions stay valid while they lie ahead: every search is linear.
    qsizetype open = -1, close = -1;
    while (pos < n) {
        // A comma may separate two functions.
        if (all.at(pos) == u',') {
            ++pos;
            skipBlanks();
        }
        if (open < pos)
            open = text.indexOf(u'(', pos);
        if (close < pos)
            close = text.indexOf(u')', pos);
        if (open < 0 || close < 0)
            break;
        if (close > open) {
            QString args = all.mid(open + 1, close - open - 1).trimmed().toString();
            for (QChar &c : args)
                if (c.unicode() <= 32)
                    c = u',';
            auto fn = std::make_unique<TCSSTransformObj>(all.mid(pos, open - pos).toString(), args);
            if (fn->Func() != tf_unknown)
                m_items.push_back(std::move(fn));
        }
        pos = close + 1;
        skipBlanks();
    }
}

TCSSSVGTransformList::TCSSSVGTransformList(const TCSSSVGTransformList &other)
{
    for (int i = 0; i < other.Count(); ++i)
        m_items.push_back(other.CloneItem(i));
}

std::unique_ptr<TCSSTransformObj> TCSSSVGTransformList::CloneItem(int i) const
{
    return std::make_unique<TCSSTransformObj>(*m_items[size_t(i)]);
}

void TCSSSVGTransformList::GetRawData(TSVGLengthArray &rawData, TSVGDirectionArray &direction) const
{
    rawData.clear();
    direction.clear();
    for (const auto &t : m_items)
        t->GetRawData(rawData, direction);
}

void TCSSSVGTransformList::SetData(const std::vector<float> &data)
{
    size_t current = 0;
    for (const auto &t : m_items)
        t->SetData(data, current);
}

TSVGTransform TCSSSVGTransformList::GetMatrix() const
{
    TSVGTransform m = IdentityMatrix();
    for (auto it = m_items.rbegin(); it != m_items.rend(); ++it)
        m = MultiplyMatrix(m, (*it)->GetMatrix());
    return m;
}

void TCSSSVGTransformList::SetTransform(const TSVGTransform &m)
{
    auto t = TCSSTransformObj::CreateMatrix(m);
    std::vector<float> data = {m.a, m.b, m.c, m.d, m.e, m.f};
    size_t cur = 0;
    t->SetData(data, cur);
    m_items.push_back(std::move(t));
}
