#include "barcode/vdxBarCodeCompositePosition.h"

void TvdxPaddings::Assign(const TvdPersistent *source)
{
    auto *s = qobject_cast<const TvdxPaddings *>(source);
    if (!s) {
        TvdPersistent::Assign(source);
        return;
    }
    Left = s->Left;
    Top = s->Top;
    Right = s->Right;
    Bottom = s->Bottom;
}

void TvdxLeftToRightRelativityPositions::Assign(const TvdPersistent *source)
{
    auto *s = qobject_cast<const TvdxLeftToRightRelativityPositions *>(source);
    if (!s) {
        TvdPersistent::Assign(source);
        return;
    }
    RelativityTopPosition = s->RelativityTopPosition;
    RelativityBootomPosition = s->RelativityBootomPosition;
}

TvdxBasePosition::TvdxBasePosition() : m_padding(std::make_unique<TvdxPaddings>()) {}

TvdxBasePosition::~TvdxBasePosition() = default;

void TvdxBasePosition::Assign(const TvdPersistent *source)
{
    auto *s = qobject_cast<const TvdxBasePosition *>(source);
    if (!s) {
        TvdPersistent::Assign(source);
        return;
    }
    m_padding->Assign(s->m_padding.get());
    if (m_relativity && s->m_relativity)
        m_relativity->Assign(s->m_relativity.get());
}

TvdxLeftToRightPosition::TvdxLeftToRightPosition()
{
    m_relativity = std::make_unique<TvdxLeftToRightRelativityPositions>();
}

std::unique_ptr<TvdxBasePosition> ContentTypeToClass(int contentType)
{
    Q_UNUSED(contentType) // ctRightToLeft is the only arrangement
    return std::make_unique<TvdxLeftToRightPosition>();
}
