#include "barcode/vdxObjectDataPreset.h"

#include "report/vdxClass_component.h"

QList<const QMetaObject *> &vdxGlobalDataPresets()
{
    static QList<const QMetaObject *> list{nullptr};
    return list;
}

TvdxObjectDataPreset::TvdxObjectDataPreset(TvdxComponent *owner) : m_owner(owner) {}

TvdxObjectDataPreset::~TvdxObjectDataPreset() { release(); }

void TvdxObjectDataPreset::release()
{
    if (!m_dataObject)
        return;
    if (m_owner)
        m_dataObject->RestoreComponentState(m_owner);
    m_dataObject.reset();
}

QString TvdxObjectDataPreset::PresetClass() const
{
    return m_dataObject ? m_dataObject->ClassName() : QString();
}

void TvdxObjectDataPreset::SetPresetClass(const QString &value)
{
    const TvdClassInfo *info = value.isEmpty() ? nullptr : vdFindClass(value);
    const bool isPreset = info && info->meta && info->meta->inherits(&TvdxCustomObjectPreset::staticMetaObject);
    if (!value.isEmpty() && !isPreset)
        return;
    release();
    if (!isPreset)
        return;
    std::unique_ptr<TvdPersistent> made(info->create(nullptr));
    auto *preset = qobject_cast<TvdxCustomObjectPreset *>(made.get());
    if (!preset)
        return;
    made.release();
    m_dataObject.reset(preset);
    if (m_owner && !m_owner->IsLoading())
        m_dataObject->SaveComponentState(m_owner);
    if (m_owner)
        m_dataObject->ApplySettings(m_owner);
}

QString TvdxObjectDataPreset::GetData(TvdxReport *report)
{
    return m_dataObject ? m_dataObject->GetData(report) : QString();
}

void TvdxObjectDataPreset::BeginDraw(Canvas &canvas, double scaleX, double scaleY, const TRect &area)
{
    if (m_dataObject)
        m_dataObject->BeginDraw(canvas, scaleX, scaleY, area);
}

void TvdxObjectDataPreset::EndDraw(Canvas &canvas, double scaleX, double scaleY, const TRect &area)
{
    if (m_dataObject)
        m_dataObject->EndDraw(canvas, scaleX, scaleY, area);
}

static const bool registered = [] {
    vdRegisterClass<TvdxObjectDataPreset>();
    return true;
}();
