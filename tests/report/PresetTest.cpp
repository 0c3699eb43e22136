// Extra properties beside the published ones, read through the same
// metadata, and the preset base every preset module derives from.
#include "platform/QPainterCanvas.h"
#include "report/vdFont.h"
#include "report/vdxClass.h"

#include <gtest/gtest.h>

namespace {

// An object that offers its font and a text as extra properties.
class TvdxExtHolder : public TvdxView, public IInspectedProperties {
public:
    TvdxExtPropList *GetExtProperties() override
    {
        if (!m_ext) {
            m_ext = std::make_unique<TvdxExtPropList>();
            m_ext->AddProperty(QStringLiteral("Lettering"), QMetaType::fromType<TvdFont *>(),
                               [](const QObject *o) {
                                   return QVariant::fromValue(static_cast<const TvdxExtHolder *>(o)->Font());
                               },
                               nullptr);
            m_ext->AddProperty(QStringLiteral("Note"), QMetaType::fromType<QString>(),
                               [](const QObject *o) { return QVariant(static_cast<const TvdxExtHolder *>(o)->Note); },
                               [](QObject *o, const QVariant &v) { static_cast<TvdxExtHolder *>(o)->Note = v.toString(); });
            m_ext->AddProperty(QStringLiteral("WriteOnly"), QMetaType::fromType<int>(), nullptr,
                               [](QObject *, const QVariant &) {});
        }
        return m_ext.get();
    }
    QString Note;

private:
    std::unique_ptr<TvdxExtPropList> m_ext;
};

class TvdxFixedPreset : public TvdxCustomObjectPreset {
public:
    QString GetData(TvdxReport *) override { return QStringLiteral("PAYLOAD"); }
    void ApplySettings(TvdxComponent *c) override { c->SetTag(7); }
    void SaveComponentState(TvdxComponent *c) override { m_saved = c->Tag(); }
    void RestoreComponentState(TvdxComponent *c) override { c->SetTag(m_saved); }

private:
    int m_saved = 0;
};

} // namespace

TEST(ExtProperties, ClassTypedPropertyLeadsToThePublishedPropertiesOfItsObject)
{
    TvdxExtHolder holder;
    IInspectedProperties *inspected = &holder;
    TvdxExtPropList *list = inspected->GetExtProperties();
    ASSERT_EQ(list->Count(), 3);
    EXPECT_EQ(list->GetName(0), QStringLiteral("Lettering"));
    EXPECT_EQ(list->GetTypInfo(0)->Name, QStringLiteral("Lettering"));
    EXPECT_EQ(list->GetTypInfo(0)->StoredProc, 0);
    const QMetaObject *cls = list->PropClass(0);
    ASSERT_EQ(cls, &TvdFont::staticMetaObject);
    // The same metadata the inspector lists for published properties.
    EXPECT_TRUE(vdFindProperty(cls, QStringLiteral("Name")));
    EXPECT_TRUE(vdFindProperty(cls, QStringLiteral("Height")));
    EXPECT_EQ(list->GetValue(0, &holder).value<TvdFont *>(), holder.Font());
    EXPECT_EQ(list->PropClass(1), nullptr);
    EXPECT_FALSE(list->SetValue(0, &holder, QVariant())) << "no setter: the write is skipped";
    EXPECT_TRUE(list->SetValue(1, &holder, QStringLiteral("x")));
    EXPECT_EQ(holder.Note, QStringLiteral("x"));
    EXPECT_FALSE(list->GetValue(2, &holder).isValid()) << "no getter: nothing to list";
    EXPECT_EQ(list->GetTypInfo(3), nullptr);
}

TEST(ExtProperties, RenamingAndReplacingRecords)
{
    TvdxExtPropList list;
    list.AddProperty(QStringLiteral("A"), QMetaType::fromType<int>(), nullptr, nullptr);
    list.AddProperty(QString(300, QLatin1Char('n')), QMetaType::fromType<int>(), nullptr, nullptr);
    EXPECT_EQ(list.GetTypInfo(1)->Name.size(), 255) << "a record name holds 255 characters";
    list.SetName(0, QStringLiteral("B"));
    EXPECT_EQ(list.GetName(0), QStringLiteral("B"));
    EXPECT_EQ(list.GetTypInfo(0)->Name, QStringLiteral("A")) << "the record keeps its own name";
    auto replacement = std::make_unique<TvdxExtPropInfo>();
    replacement->Name = QStringLiteral("C");
    TvdxExtPropInfo *raw = replacement.get();
    list.SetTypInfo(0, std::move(replacement));
    EXPECT_EQ(list.GetTypInfo(0), raw);
    const TvdxExtPropGetter get = [](const QObject *) { return QVariant(5); };
    list.SetGetMethod(0, get);
    EXPECT_EQ(list.GetGetMethod(0), get);
    QObject any;
    EXPECT_EQ(list.GetValue(0, &any).toInt(), 5);
}

TEST(ObjectPreset, AdjustsAndRestoresItsObject)
{
    TvdxFixedPreset preset;
    TvdxShapeView shape;
    shape.SetTag(3);
    preset.SaveComponentState(&shape);
    preset.ApplySettings(&shape);
    EXPECT_EQ(shape.Tag(), 7);
    EXPECT_EQ(preset.GetData(nullptr), QStringLiteral("PAYLOAD"));
    QImage img(10, 10, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainterCanvas canvas(img);
        preset.BeginDraw(canvas, 1, 1, TRect(0, 0, 10, 10));
        preset.EndDraw(canvas, 1, 1, TRect(0, 0, 10, 10));
    }
    EXPECT_EQ(img.pixel(5, 5), qRgb(255, 255, 255)) << "the base draws nothing";
    preset.RestoreComponentState(&shape);
    EXPECT_EQ(shape.Tag(), 3);
}
