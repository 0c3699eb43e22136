#include "script/ov_igraphicsrtti.h"

#include "platform/Canvas.h"
#include "script/ov_iclasses.h"
#include "script/ov_iclassesrtti.h"

#include <QColor>
#include <QFileInfo>
#include <cmath>

namespace {

int roundEven(double v)
{
    return int(std::nearbyint(v));
}

} // namespace

// ---------------------------------------------------------------------------
int TFont::Height() const
{
    return -roundEven(m_size * 96 / 72.0);
}

void TFont::SetHeight(int v)
{
    m_size = -roundEven(v * 72 / 96.0);
}

void TFont::Assign(const TvdPersistent *source)
{
    if (auto *f = qobject_cast<const TFont *>(source)) {
        m_charset = f->m_charset;
        m_color = f->m_color;
        m_name = f->m_name;
        m_pitch = f->m_pitch;
        m_size = f->m_size;
        m_style = f->m_style;
        return;
    }
    TvdPersistent::Assign(source);
}

CanvasFont TFont::ToCanvasFont(int ppi) const
{
    CanvasFont f;
    f.name = m_name;
    // A negative size is already a character height in pixels.
    f.height = m_size < 0 ? m_size : -roundEven(m_size * ppi / 72.0);
    f.weight = m_style.testFlag(fsBold) ? FW_BOLD : FW_NORMAL;
    f.italic = m_style.testFlag(fsItalic);
    f.underline = m_style.testFlag(fsUnderline);
    f.strikeOut = m_style.testFlag(fsStrikeout);
    f.charset = std::uint8_t(m_charset);
    f.pitchAndFamily = std::uint8_t(m_pitch);
    return f;
}

void TPen::Assign(const TvdPersistent *source)
{
    if (auto *p = qobject_cast<const TPen *>(source)) {
        m_color = p->m_color;
        m_mode = p->m_mode;
        m_style = p->m_style;
        m_width = p->m_width;
        return;
    }
    TvdPersistent::Assign(source);
}

CanvasPen TPen::ToCanvasPen() const
{
    CanvasPen p;
    p.color = m_color;
    p.width = m_width;
    static const PenStyle styles[] = {PenStyle::Solid,      PenStyle::Dash, PenStyle::Dot,        PenStyle::DashDot,
                                      PenStyle::DashDotDot, PenStyle::Null, PenStyle::InsideFrame};
    p.style = styles[m_style];
    switch (m_mode) {
    case pmXor:
        p.mode = PenMode::Xor;
        break;
    case pmNotXor:
        p.mode = PenMode::NotXor;
        break;
    case pmNot:
        p.mode = PenMode::Not;
        break;
    case pmNop:
        p.style = PenStyle::Null;
        break;
    case pmBlack:
        p.color = clBlack;
        break;
    case pmWhite:
        p.color = clWhite;
        break;
    default:
        break;
    }
    return p;
}

void TBrush::Assign(const TvdPersistent *source)
{
    if (auto *b = qobject_cast<const TBrush *>(source)) {
        m_color = b->m_color;
        m_style = b->m_style;
        return;
    }
    TvdPersistent::Assign(source);
}

CanvasBrush TBrush::ToCanvasBrush() const
{
    CanvasBrush b;
    b.color = m_color;
    b.style = BrushStyle(m_style);
    return b;
}

// ---------------------------------------------------------------------------
TCanvas::TCanvas() = default;
TCanvas::~TCanvas() = default;

void TCanvas::SetDevice(DeviceFn device, ::TBitmap *pixels)
{
    m_device = std::move(device);
    m_pixels = pixels;
}

Canvas &TCanvas::prepare()
{
    Canvas *c = m_device ? m_device() : nullptr;
    if (!c)
        throw EovCanvasError(QStringLiteral("Canvas does not allow drawing"));
    c->setPen(m_pen.ToCanvasPen());
    c->setBrush(m_brush.ToCanvasBrush());
    c->setFont(m_font.ToCanvasFont(c->LogPixelsY()));
    c->SetTextColor(m_font.Color());
    // Only a solid brush fills text cells and hatch gaps; hatches and clear
    // brushes leave the background as it is.
    if (m_brush.Style() == TBrush::bsSolid) {
        c->SetBkColor(m_brush.Color());
        c->SetBkMode(BkMode::Opaque);
    } else {
        c->SetBkColor(~ColorToRGB(m_brush.Color()) & 0xFFFFFF);
        c->SetBkMode(BkMode::Transparent);
    }
    return *c;
}

void TCanvas::Draw(int x, int y, const ::TGraphic *graphic)
{
    if (!graphic || graphic->Empty())
        return;
    graphic->Draw(prepare(), TRect(x, y, x + graphic->Width(), y + graphic->Height()));
}

void TCanvas::StretchDraw(int x1, int y1, int x2, int y2, const ::TGraphic *graphic)
{
    if (!graphic || graphic->Empty())
        return;
    graphic->Draw(prepare(), TRect(x1, y1, x2, y2));
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2)
{
    prepare().Ellipse(x1, y1, x2, y2);
}

void TCanvas::LineTo(int x, int y)
{
    prepare().LineTo(x, y);
}

void TCanvas::MoveTo(int x, int y)
{
    prepare().MoveTo(x, y);
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2)
{
    prepare().Rectangle(x1, y1, x2, y2);
}

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int x3, int y3)
{
    prepare().RoundRect(TRect(x1, y1, x2, y2), x3, y3);
}

int TCanvas::TextHeight(const QString &text)
{
    return prepare().TextHeight(text);
}

void TCanvas::TextOut(int x, int y, const QString &text)
{
    prepare().TextOut(x, y, text);
}

int TCanvas::TextWidth(const QString &text)
{
    return prepare().TextWidth(text);
}

int TCanvas::Pixel(int x, int y)
{
    if (!m_pixels)
        throw EovCanvasError(QStringLiteral("Canvas does not allow drawing"));
    // Pending painting must reach the pixels first.
    m_pixels->ReleaseCanvas();
    return m_pixels->Pixel(x, y);
}

void TCanvas::SetPixel(int x, int y, int color)
{
    if (!m_pixels)
        throw EovCanvasError(QStringLiteral("Canvas does not allow drawing"));
    m_pixels->ReleaseCanvas();
    m_pixels->SetPixel(x, y, ColorToRGB(color));
}

// ---------------------------------------------------------------------------
namespace ovs {

TGraphic::~TGraphic() = default;

void TGraphic::SetHeight(int v)
{
    const int w = Width();
    m_height = v;
    if (m_graphic)
        m_graphic->SetSize(w, v);
}

void TGraphic::SetWidth(int v)
{
    const int h = Height();
    m_width = v;
    if (m_graphic)
        m_graphic->SetSize(v, h);
}

void TGraphic::LoadFromFile(const QString &fileName)
{
    const TGraphicClassRef cls = ::TPicture::GraphicClassOfExtension(QFileInfo(fileName).suffix());
    if (!cls)
        throw EInvalidGraphic(QStringLiteral("Unknown picture file extension (.%1)").arg(QFileInfo(fileName).suffix()));
    std::unique_ptr<::TGraphic> g = cls->create();
    g->LoadFromFile(fileName);
    m_graphic = std::move(g);
    graphicReplaced();
}

void TGraphic::SaveToFile(const QString &fileName) const
{
    if (!m_graphic)
        throw EInvalidGraphicOperation(QStringLiteral("Cannot save an empty picture"));
    m_graphic->SaveToFile(fileName);
}

TBitmap::TBitmap()
{
    m_graphic = std::make_unique<::TBitmap>();
    m_canvas.SetDevice([this]() -> ::Canvas * { return &Bitmap()->GetCanvas(); }, Bitmap());
}

void TBitmap::LoadFromFile(const QString &fileName)
{
    // A bitmap stays a bitmap: other formats are converted into it.
    auto loaded = std::make_unique<::TBitmap>();
    const TGraphicClassRef cls = ::TPicture::GraphicClassOfExtension(QFileInfo(fileName).suffix());
    if (cls && !cls->inheritsFrom(&::TBitmap::staticClass())) {
        std::unique_ptr<::TGraphic> g = cls->create();
        g->LoadFromFile(fileName);
        loaded->Assign(*g);
    } else {
        loaded->LoadFromFile(fileName);
    }
    Bitmap()->ReleaseCanvas();
    m_graphic = std::move(loaded);
    m_canvas.SetDevice([this]() -> ::Canvas * { return &Bitmap()->GetCanvas(); }, Bitmap());
}

TMetafile::TMetafile()
{
    m_graphic = std::make_unique<::TMetafile>();
}

void TMetafile::LoadFromFile(const QString &fileName)
{
    auto loaded = std::make_unique<::TMetafile>();
    loaded->LoadFromFile(fileName);
    m_graphic = std::move(loaded);
}

void TPicture::LoadFromFile(const QString &fileName)
{
    const QString ext = QFileInfo(fileName).suffix();
    const TGraphicClassRef cls = ::TPicture::GraphicClassOfExtension(ext);
    if (!cls)
        throw EInvalidGraphic(QStringLiteral("Unknown picture file extension (.%1)").arg(ext));
    std::unique_ptr<::TGraphic> g = cls->create();
    g->LoadFromFile(fileName);
    m_picture.SetGraphicOwned(std::move(g));
}

void TPicture::SaveToFile(const QString &fileName) const
{
    if (!m_picture.Graphic())
        throw EInvalidGraphicOperation(QStringLiteral("Cannot save an empty picture"));
    m_picture.Graphic()->SaveToFile(fileName);
}

} // namespace ovs

TMetafileCanvas::~TMetafileCanvas()
{
    // Freeing the canvas finishes the recording.
    if (m_metafile)
        m_metafile->Metafile()->ReleaseCanvas();
}

void TMetafileCanvas::Open(ovs::TMetafile *metafile)
{
    m_metafile = metafile;
    if (!metafile) {
        SetDevice(nullptr);
        return;
    }
    QPointer<ovs::TMetafile> mf = metafile;
    SetDevice([mf]() -> Canvas * { return mf ? &mf->Metafile()->GetCanvas() : nullptr; });
}

// ---------------------------------------------------------------------------
const QList<TovColorName> &ovColorNames()
{
    static const QList<TovColorName> names = [] {
        QList<TovColorName> l;
        const struct {
            const char *name;
            unsigned value;
        } fixed[] = {
            {"clBlack", 0x000000},     {"clMaroon", 0x000080},     {"clGreen", 0x008000},
            {"clOlive", 0x008080},     {"clNavy", 0x800000},       {"clPurple", 0x800080},
            {"clTeal", 0x808000},      {"clGray", 0x808080},       {"clSilver", 0xC0C0C0},
            {"clRed", 0x0000FF},       {"clLime", 0x00FF00},       {"clYellow", 0x00FFFF},
            {"clBlue", 0xFF0000},      {"clFuchsia", 0xFF00FF},    {"clAqua", 0xFFFF00},
            {"clWhite", 0xFFFFFF},     {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xF0CAA6},
            {"clCream", 0xF0FBFF},     {"clMedGray", 0xA4A0A0},
            {"clActiveBorder", 0xFF00000A},           {"clActiveCaption", 0xFF000002},
            {"clAppWorkSpace", 0xFF00000C},           {"clBackground", 0xFF000001},
            {"clBtnFace", 0xFF00000F},                {"clBtnHighlight", 0xFF000014},
            {"clBtnShadow", 0xFF000010},              {"clBtnText", 0xFF000012},
            {"clCaptionText", 0xFF000009},            {"clGradientActiveCaption", 0xFF00001B},
            {"clGradientInactiveCaption", 0xFF00001C}, {"clGrayText", 0xFF000011},
            {"clHighlight", 0xFF00000D},              {"clHighlightText", 0xFF00000E},
            {"clHotLight", 0xFF00001A},               {"clInactiveBorder", 0xFF00000B},
            {"clInactiveCaption", 0xFF000003},        {"clInactiveCaptionText", 0xFF000013},
            {"clInfoBk", 0xFF000018},                 {"clInfoText", 0xFF000017},
            {"clMenu", 0xFF000004},                   {"clMenuBar", 0xFF00001E},
            {"clMenuHighlight", 0xFF00001D},          {"clMenuText", 0xFF000007},
            {"clScrollBar", 0xFF000000},              {"cl3DDkShadow", 0xFF000015},
            {"cl3DLight", 0xFF000016},                {"clWindow", 0xFF000005},
            {"clWindowFrame", 0xFF000006},            {"clWindowText", 0xFF000008},
            {"clDefault", 0x20000000},  {"clNone", 0x1FFFFFFF},   {"clNull", 0},
            {"clLtGray", 0xC0C0C0},     {"clDkGray", 0x808080},   {"clLegacySkyBlue", 0xF0CAA6},
        };
        for (const auto &f : fixed)
            l.append({QString::fromLatin1(f.name), int(f.value)});
        // Web colours: the CSS colour of the same name, red in the low byte.
        static const char *const web[] = {
            "Aliceblue", "Antiquewhite", "Aquamarine", "Azure", "Beige", "Bisque", "Blanchedalmond",
            "Blueviolet", "Brown", "Burlywood", "Cadetblue", "Chartreuse", "Chocolate", "Coral",
            "Cornflowerblue", "Cornsilk", "Crimson", "Cyan", "Darkblue", "Darkcyan", "Darkgoldenrod",
            "Darkgray", "Darkgreen", "Darkgrey", "Darkkhaki", "Darkmagenta", "Darkolivegreen", "Darkorange",
            "Darkorchid", "Darkred", "Darksalmon", "Darkseagreen", "Darkslateblue", "Darkslategray",
            "Darkslategrey", "Darkturquoise", "Darkviolet", "Deeppink", "Deepskyblue", "Dimgray", "Dimgrey",
            "Dodgerblue", "Firebrick", "Floralwhite", "Forestgreen", "Gainsboro", "Ghostwhite", "Gold",
            "Goldenrod", "Greenyellow", "Grey", "Honeydew", "Hotpink", "Indianred", "Indigo", "Ivory",
            "Khaki", "Lavender", "Lavenderblush", "Lawngreen", "Lemonchiffon", "Lightblue", "Lightcoral",
            "Lightcyan", "Lightgray", "Lightgreen", "Lightgrey", "Lightpink", "Lightsalmon",
            "Lightseagreen", "Lightskyblue", "Lightslategray", "Lightslategrey", "Lightsteelblue",
            "Lightyellow", "Limegreen", "Linen", "Magenta", "Mediumblue", "Mediumorchid", "Mediumpurple",
            "Mediumseagreen", "Mediumslateblue", "Mediumspringgreen", "Mediumturquoise",
            "Mediumvioletred", "Midnightblue", "Mistyrose", "Moccasin", "Navajowhite", "Oldlace",
            "Olivedrab", "Orange", "Orangered", "Orchid", "Palegoldenrod", "Palegreen", "Paleturquoise",
            "Palevioletred", "Papayawhip", "Peachpuff", "Peru", "Pink", "Plum", "Powderblue", "Rosybrown",
            "Royalblue", "Saddlebrown", "Salmon", "Sandybrown", "Seagreen", "Seashell", "Sienna",
            "Slateblue", "Slategray", "Slategrey", "Snow", "Springgreen", "Steelblue", "Tan", "Thistle",
            "Tomato", "Turquoise", "Violet", "Wheat", "Whitesmoke", "Yellowgreen",
        };
        for (const char *w : web) {
            const QColor c = QColor::fromString(QString::fromLatin1(w).toLower());
            l.append({QStringLiteral("cl") + QString::fromLatin1(w), c.red() | (c.green() << 8) | (c.blue() << 16)});
        }
        return l;
    }();
    return names;
}

// ---------------------------------------------------------------------------

namespace {

QString param(TovMethodHelper *caller, int i)
{
    return caller->GetVParam(i).toString();
}
int iparam(TovMethodHelper *caller, int i)
{
    return caller->GetVParam(i).toInt();
}

const ::TGraphic *graphicParam(TovMethodHelper *caller, int i)
{
    QObject *o = ovValueToObject(caller->GetVParam(i));
    if (!o)
        return nullptr;
    if (auto *g = qobject_cast<ovs::TGraphic *>(o))
        return g->Graphic();
    if (auto *p = qobject_cast<ovs::TPicture *>(o))
        return p->Picture().Graphic();
    throw EovClassError(QStringLiteral("Graphic expected, got %1").arg(QString::fromLatin1(o->metaObject()->className())));
}

QObject *construct(QObject *instance, const QMetaObject *cls)
{
    if (instance)
        return instance;
    // The class the script named: TBitmap.Create makes a bitmap.
    QObject *o = cls ? cls->newInstance() : nullptr;
    if (!o)
        throw EovClassError(QStringLiteral("Cannot create an instance of %1")
                                .arg(cls ? QString::fromLatin1(cls->className()) : QStringLiteral("nil")));
    return o;
}

} // namespace

Variant TovGraphicsFunctions::CallMethod(QObject *instance, const QMetaObject *classType, const QString &name,
                                         TovMethodHelper *caller)
{
    Variant result(0);
    if (name == QLatin1String("CREATE")) {
        if (classType == &TMetafileCanvas::staticMetaObject) {
            auto *mc = qobject_cast<TMetafileCanvas *>(construct(instance, classType));
            mc->Open(qobject_cast<ovs::TMetafile *>(ovValueToObject(caller->GetVParam(0))));
            return Variant::fromObject(mc);
        }
        return Variant::fromObject(construct(instance, classType));
    }
    if (!instance)
        throw EovClassError(QStringLiteral("Cannot call %1 of a nil object").arg(caller->Name()));

    if (classType == &TCanvas::staticMetaObject) {
        auto *c = qobject_cast<TCanvas *>(instance);
        if (!c)
            return result;
        if (name == QLatin1String("DRAW"))
            c->Draw(iparam(caller, 0), iparam(caller, 1), graphicParam(caller, 2));
        else if (name == QLatin1String("ELLIPSE"))
            c->Ellipse(iparam(caller, 0), iparam(caller, 1), iparam(caller, 2), iparam(caller, 3));
        else if (name == QLatin1String("LINETO"))
            c->LineTo(iparam(caller, 0), iparam(caller, 1));
        else if (name == QLatin1String("MOVETO"))
            c->MoveTo(iparam(caller, 0), iparam(caller, 1));
        else if (name == QLatin1String("RECTANGLE"))
            c->Rectangle(iparam(caller, 0), iparam(caller, 1), iparam(caller, 2), iparam(caller, 3));
        else if (name == QLatin1String("ROUNDRECT"))
            c->RoundRect(iparam(caller, 0), iparam(caller, 1), iparam(caller, 2), iparam(caller, 3),
                         iparam(caller, 4), iparam(caller, 5));
        else if (name == QLatin1String("STRETCHDRAW"))
            c->StretchDraw(iparam(caller, 0), iparam(caller, 1), iparam(caller, 2), iparam(caller, 3),
                           graphicParam(caller, 4));
        else if (name == QLatin1String("TEXTHEIGHT"))
            result = Variant(c->TextHeight(param(caller, 0)));
        else if (name == QLatin1String("TEXTOUT"))
            c->TextOut(iparam(caller, 0), iparam(caller, 1), param(caller, 2));
        else if (name == QLatin1String("TEXTWIDTH"))
            result = Variant(c->TextWidth(param(caller, 0)));
        else if (name == QLatin1String("PIXELS.GET"))
            result = Variant(c->Pixel(iparam(caller, 0), iparam(caller, 1)));
        else if (name == QLatin1String("PIXELS.SET"))
            c->SetPixel(iparam(caller, 0), iparam(caller, 1), iparam(caller, 2));
    } else if (classType == &ovs::TGraphic::staticMetaObject) {
        auto *g = qobject_cast<ovs::TGraphic *>(instance);
        if (!g)
            return result;
        if (name == QLatin1String("LOADFROMFILE"))
            g->LoadFromFile(param(caller, 0));
        else if (name == QLatin1String("SAVETOFILE"))
            g->SaveToFile(param(caller, 0));
    } else if (classType == &ovs::TPicture::staticMetaObject) {
        auto *p = qobject_cast<ovs::TPicture *>(instance);
        if (!p)
            return result;
        if (name == QLatin1String("LOADFROMFILE"))
            p->LoadFromFile(param(caller, 0));
        else if (name == QLatin1String("SAVETOFILE"))
            p->SaveToFile(param(caller, 0));
    }
    return result;
}

TovGraphicsFunctions::TovGraphicsFunctions(TovScript *aScript) : TovRTTIModule(aScript)
{
    TovScript *s = Script;
    for (const TovColorName &c : ovColorNames())
        s->AddConst(c.Name, QStringLiteral("Integer"), Variant(c.Value));
    s->AddType(QStringLiteral("TColor"), fvtInt);

    s->AddEnumSet(QStringLiteral("TFontStyles"), QStringLiteral("fsBold, fsItalic, fsUnderline, fsStrikeout"));
    s->AddEnum(QStringLiteral("TFontPitch"), QStringLiteral("fpDefault, fpVariable, fpFixed"));
    s->AddEnum(QStringLiteral("TPenStyle"),
               QStringLiteral("psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame"));
    s->AddEnum(QStringLiteral("TPenMode"),
               QStringLiteral("pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot, "
                              "pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor"));
    s->AddEnum(QStringLiteral("TBrushStyle"), QStringLiteral("bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, "
                                                             "bsBDiagonal, bsCross, bsDiagCross"));

    const TovCallMethodNewEvent call = &TovGraphicsFunctions::CallMethod;
    const QString persistent = QStringLiteral("TPersistent");
    if (auto *c = s->AddClass(&TFont::staticMetaObject, persistent))
        c->AddConstructor(QStringLiteral("constructor Create"), call);
    if (auto *c = s->AddClass(&TPen::staticMetaObject, persistent))
        c->AddConstructor(QStringLiteral("constructor Create"), call);
    if (auto *c = s->AddClass(&TBrush::staticMetaObject, persistent))
        c->AddConstructor(QStringLiteral("constructor Create"), call);
    if (auto *c = s->AddClass(&TCanvas::staticMetaObject, persistent)) {
        c->AddConstructor(QStringLiteral("constructor Create"), call);
        c->AddMethod(QStringLiteral("procedure Draw(X, Y: Integer; Graphic: TGraphic)"), call);
        c->AddMethod(QStringLiteral("procedure Ellipse(X1, Y1, X2, Y2: Integer)"), call);
        c->AddMethod(QStringLiteral("procedure LineTo(X, Y: Integer)"), call);
        c->AddMethod(QStringLiteral("procedure MoveTo(X, Y: Integer)"), call);
        c->AddMethod(QStringLiteral("procedure Rectangle(X1, Y1, X2, Y2: Integer)"), call);
        c->AddMethod(QStringLiteral("procedure RoundRect(X1, Y1, X2, Y2, X3, Y3: Integer)"), call);
        c->AddMethod(QStringLiteral("procedure StretchDraw(X1, Y1, X2, Y2: Integer; Graphic: TGraphic)"), call);
        c->AddMethod(QStringLiteral("function TextHeight(const Text: string): Integer"), call);
        c->AddMethod(QStringLiteral("procedure TextOut(X, Y: Integer; const Text: string)"), call);
        c->AddMethod(QStringLiteral("function TextWidth(const Text: string): Integer"), call);
        c->AddIndexProperty(QStringLiteral("Pixels"), QStringLiteral("Integer, Integer"), QStringLiteral("TColor"), call);
    }
    if (auto *c = ovAddHostClass(s, &ovs::TGraphic::staticMetaObject, QStringLiteral("TGraphic"), persistent)) {
        c->AddConstructor(QStringLiteral("constructor Create"), call);
        c->AddMethod(QStringLiteral("procedure LoadFromFile(const Filename: string)"), call);
        c->AddMethod(QStringLiteral("procedure SaveToFile(const Filename: string)"), call);
    }
    if (auto *c = ovAddHostClass(s, &ovs::TPicture::staticMetaObject, QStringLiteral("TPicture"), persistent)) {
        c->AddMethod(QStringLiteral("procedure LoadFromFile(const Filename: string)"), call);
        c->AddMethod(QStringLiteral("procedure SaveToFile(const Filename: string)"), call);
    }
    ovAddHostClass(s, &ovs::TMetafile::staticMetaObject, QStringLiteral("TMetafile"), QStringLiteral("TGraphic"));
    if (auto *c = s->AddClass(&TMetafileCanvas::staticMetaObject, QStringLiteral("TCanvas")))
        c->AddConstructor(QStringLiteral("constructor Create(AMetafile: TMetafile; ReferenceDevice: Integer)"), call);
    ovAddHostClass(s, &ovs::TBitmap::staticMetaObject, QStringLiteral("TBitmap"), QStringLiteral("TGraphic"));
}

