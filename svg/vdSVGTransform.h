// Affine matrices and the transform lists of "transform", "gradientTransform"
// and "patternTransform".
#pragma once
#include "svg/vdSVGValues.h"

#include <QString>
#include <memory>
#include <vector>

// x' = a*x + c*y + e, y' = b*x + d*y + f.
struct TSVGTransform {
    float a = 0, b = 0, c = 0, d = 0, e = 0, f = 0;
};

TSVGTransform IdentityMatrix();
// All six values 0: a matrix not computed yet.
bool IsEmptyMatrix(const TSVGTransform &m);
bool SameMatrix(const TSVGTransform &m1, const TSVGTransform &m2);
// M1 applies first, then M2.
TSVGTransform MultiplyMatrix(const TSVGTransform &m1, const TSVGTransform &m2);
inline TSVGTransform MatrixOf(float a, float b, float c, float d, float e, float f) { return {a, b, c, d, e, f}; }
TSVGTransform TranslationMatrix(float tx, float ty);
TSVGTransform ScaleMatrix(float sx, float sy);
TSVGTransform RotationMatrix(float radians);
TSVGTransform SkewMatrix(float tanX, float tanY);
TSinglePoint TransformPoint(const TSVGTransform &m, const TSinglePoint &p);

enum TCSSTransformFunction : uint8_t {
    tf_matrix, tf_rotate, tf_scale, tf_scaleX, tf_scaleY, tf_skew, tf_skewX, tf_skewY, tf_translate,
    tf_translateX, tf_translateY, tf_unknown,
};

using TSVGDirectionArray = std::vector<TSVGDirection>;

class TCSSTransformObj {
public:
    TCSSTransformObj(const QString &name, const QString &values);
    static std::unique_ptr<TCSSTransformObj> CreateMatrix(const TSVGTransform &m);

    TCSSTransformFunction Func() const { return m_func; }
    const TSVGLengthArray &RawData() const { return m_rawData; }
    const TSVGDirectionArray &Direction() const { return m_direction; }
    void GetRawData(TSVGLengthArray &rawData, TSVGDirectionArray &direction) const;
    // Takes its share of resolved numbers from Current on; angles become
    // radians, skew angles tangents.
    void SetData(const std::vector<float> &data, size_t &current);
    TSVGTransform GetMatrix() const;

private:
    TCSSTransformObj() = default;

    TCSSTransformFunction m_func = tf_unknown;
    TSVGLengthArray m_rawData;
    std::vector<float> m_data;
    TSVGDirectionArray m_direction;
};

class TCSSSVGTransformList {
public:
    TCSSSVGTransformList() = default;
    explicit TCSSSVGTransformList(const QString &s);
    TCSSSVGTransformList(const TCSSSVGTransformList &other);
    TCSSSVGTransformList &operator=(const TCSSSVGTransformList &) = delete;

    int Count() const { return int(m_items.size()); }
    const TCSSTransformObj &Item(int i) const { return *m_items[size_t(i)]; }
    std::unique_ptr<TCSSTransformObj> CloneItem(int i) const;
    void GetRawData(TSVGLengthArray &rawData, TSVGDirectionArray &direction) const;
    void SetData(const std::vector<float> &data);
    TSVGTransform GetMatrix() const;
    void SetTransform(const TSVGTransform &m);

private:
    std::vector<std::unique_ptr<TCSSTransformObj>> m_items;
};
