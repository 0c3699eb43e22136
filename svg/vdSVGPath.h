// Path data: the "d" text cut into commands and numbers, one segment object
// per command, arcs and quadratic curves turned into cubic Bezier curves, and
// the "path" element that draws them.
#pragma once
#include "svg/vdSVGElements.h"

#include <QStringList>
#include <memory>
#include <vector>

class TSVGPathElement {
public:
    virtual ~TSVGPathElement() = default;
    virtual std::unique_ptr<TSVGPathElement> Clone() const = 0;
    // SL[position] is the command letter; position moves past the numbers
    // used. False when the command finds fewer numbers than it needs.
    virtual bool Read(const QStringList &sl, int &position, const std::vector<std::unique_ptr<TSVGPathElement>> &done);
    virtual void AddToPath(TSVGCanvasPath &path) const = 0;

    TSinglePoint Start() const { return m_start; }
    TSinglePoint Stop() const { return m_stop; }

protected:
    static bool ReadNumber(const QStringList &sl, int &position, float &value);
    static bool ReadPoint(const QStringList &sl, int &position, TSinglePoint &p);
    bool relative() const { return m_command.isLower(); }
    TSinglePoint toAbsolute(const TSinglePoint &p) const { return relative() ? PointAdd(m_start, p) : p; }
    static const TSVGPathElement *previous(const std::vector<std::unique_ptr<TSVGPathElement>> &done)
    {
        return done.empty() ? nullptr : done.back().get();
    }

    QChar m_command;
    TSinglePoint m_start;
    TSinglePoint m_stop;
};

class TSVGPathMove : public TSVGPathElement {
public:
    std::unique_ptr<TSVGPathElement> Clone() const override { return std::make_unique<TSVGPathMove>(*this); }
    bool Read(const QStringList &sl, int &position, const std::vector<std::unique_ptr<TSVGPathElement>> &done) override;
    void AddToPath(TSVGCanvasPath &path) const override;
};

class TSVGPathLine : public TSVGPathElement {
public:
    std::unique_ptr<TSVGPathElement> Clone() const override { return std::make_unique<TSVGPathLine>(*this); }
    bool Read(const QStringList &sl, int &position, const std::vector<std::unique_ptr<TSVGPathElement>> &done) override;
    void AddToPath(TSVGCanvasPath &path) const override;
};

class TSVGPathCubicCurve : public TSVGPathElement {
public:
    std::unique_ptr<TSVGPathElement> Clone() const override { return std::make_unique<TSVGPathCubicCurve>(*this); }
    bool Read(const QStringList &sl, int &position, const std::vector<std::unique_ptr<TSVGPathElement>> &done) override;
    void AddToPath(TSVGCanvasPath &path) const override;
    TSinglePoint Control1() const { return m_control1; }
    TSinglePoint Control2() const { return m_control2; }

protected:
    TSinglePoint m_control1;
    TSinglePoint m_control2;
};

class TSVGPathQuadraticCurve : public TSVGPathCubicCurve {
public:
    std::unique_ptr<TSVGPathElement> Clone() const override
    {
        return std::make_unique<TSVGPathQuadraticCurve>(*this);
    }
    bool Read(const QStringList &sl, int &position, const std::vector<std::unique_ptr<TSVGPathElement>> &done) override;
    TSinglePoint Control0() const { return m_control0; }

private:
    TSinglePoint m_control0;
};

class TSVGPathEllipticArc : public TSVGPathElement {
public:
    std::unique_ptr<TSVGPathElement> Clone() const override { return std::make_unique<TSVGPathEllipticArc>(*this); }
    bool Read(const QStringList &sl, int &position, const std::vector<std::unique_ptr<TSVGPathElement>> &done) override;
    void AddToPath(TSVGCanvasPath &path) const override;
    float RX() const { return m_rx; }
    float RY() const { return m_ry; }
    float XRot() const { return m_xRot; }
    int Large() const { return m_large; }
    int Sweep() const { return m_sweep; }

private:
    float m_rx = 0, m_ry = 0, m_xRot = 0;
    int m_large = 0, m_sweep = 0;
};

class TSVGPathClose : public TSVGPathElement {
public:
    std::unique_ptr<TSVGPathElement> Clone() const override { return std::make_unique<TSVGPathClose>(*this); }
    bool Read(const QStringList &sl, int &position, const std::vector<std::unique_ptr<TSVGPathElement>> &done) override;
    void AddToPath(TSVGCanvasPath &path) const override;
};

using TSVGPathSegments = std::vector<std::unique_ptr<TSVGPathElement>>;

// The segments of path data. Reading stops at the first command that lacks
// numbers: what came before it stays.
TSVGPathSegments ParsePathData(const QString &d);
// The token lists of the commands: each list is the letter and its numbers.
std::vector<QStringList> SplitPathData(const QString &d);

class Tel_path : public TSVGBaseObj {
public:
    explicit Tel_path(TSVGElementObj *parent) : TSVGBaseObj(el_path, parent) {}
    VD_SVG_SAME_KIND(Tel_path)
    void ConstructPath() override;
    void AssignTo(TSVGElementObj &dest) const override;
    const TSVGPathSegments &Segments();

private:
    TSVGPathSegments m_segments;
    bool m_parsed = false;
};
