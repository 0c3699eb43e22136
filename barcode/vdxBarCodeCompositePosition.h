// Where a child of the composite barcode object sits: a padding before it
// (millimetres) and how its top and bottom follow the child before it.
#pragma once
#include "core/vdPersistent.h"

#include <memory>

class TvdxPaddings : public TvdPersistent {
    Q_OBJECT
public:
    double Left = 0, Top = 0, Right = 0, Bottom = 0;
    void Assign(const TvdPersistent *source) override;
};

class TvdxBaseRelativityPositions : public TvdPersistent {
    Q_OBJECT
};

class TvdxLeftToRightRelativityPositions : public TvdxBaseRelativityPositions {
    Q_OBJECT
public:
    enum TRelativityTopPosition { rtAllAvailable, rtTextPos, rtPrevPos };
    Q_ENUM(TRelativityTopPosition)
    enum TRelativityBootomPosition { rbAllAvailable, rbTextPos, rbPrevPos };
    Q_ENUM(TRelativityBootomPosition)
private:
    Q_PROPERTY(TRelativityTopPosition RelativityTopPosition MEMBER RelativityTopPosition)
    Q_PROPERTY(TRelativityBootomPosition RelativityBootomPosition MEMBER RelativityBootomPosition)
    Q_CLASSINFO("default:RelativityTopPosition", "rtAllAvailable")
    Q_CLASSINFO("default:RelativityBootomPosition", "rbAllAvailable")
public:
    TRelativityTopPosition RelativityTopPosition = rtAllAvailable;
    TRelativityBootomPosition RelativityBootomPosition = rbAllAvailable;
    void Assign(const TvdPersistent *source) override;
};

class TvdxBasePosition : public TvdPersistent {
    Q_OBJECT
public:
    TvdxBasePosition();
    ~TvdxBasePosition() override;
    TvdxPaddings *Padding() const { return m_padding.get(); }
    TvdxBaseRelativityPositions *RelativityPositions() const { return m_relativity.get(); }
    void Assign(const TvdPersistent *source) override;

protected:
    std::unique_ptr<TvdxPaddings> m_padding;
    std::unique_ptr<TvdxBaseRelativityPositions> m_relativity;
};

class TvdxLeftToRightPosition : public TvdxBasePosition {
    Q_OBJECT
    Q_PROPERTY(double LeftPadding READ LeftPadding WRITE SetLeftPadding)
    Q_PROPERTY(TvdxLeftToRightRelativityPositions *RelativityPositions READ LeftToRight)
public:
    TvdxLeftToRightPosition();
    double LeftPadding() const { return m_padding->Left; }
    void SetLeftPadding(double value) { m_padding->Left = value; }
    TvdxLeftToRightRelativityPositions *LeftToRight() const
    {
        return static_cast<TvdxLeftToRightRelativityPositions *>(m_relativity.get());
    }
};

// The position object for a content type of the composite object.
std::unique_ptr<TvdxBasePosition> ContentTypeToClass(int contentType);
