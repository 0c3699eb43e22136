// The digital-signature view: where a PDF signature goes in a report. Its
// picture may be generated from a logo, the signer's name and the details of
// the signature, which the PDF export fills in when it signs.
#pragma once
#include "report/vdxClass_picture.h"

#include <memory>

class TvdFont;

// The default signature picture decoded from the library's built-in PNG;
// nullptr when no registered format reads it.
std::unique_ptr<TGraphic> vdxCreateDefaultSignaturePicture();

// How a generated signature picture looks.
class TvdxCustomSignatureData : public TvdPersistent {
    Q_OBJECT
public:
    enum TvdxCustomSignatureGraphicType { gtNo, gtImported, gtName };
    Q_ENUM(TvdxCustomSignatureGraphicType)
private:
    Q_PROPERTY(TvdxCustomSignatureGraphicType GraphicType READ GraphicType WRITE SetGraphicType)
    Q_PROPERTY(bool ShowName READ ShowName WRITE SetShowName)
    Q_PROPERTY(bool ShowLocation READ ShowLocation WRITE SetShowLocation)
    Q_PROPERTY(bool ShowDate READ ShowDate WRITE SetShowDate)
    Q_PROPERTY(bool ShowReason READ ShowReason WRITE SetShowReason)
    Q_PROPERTY(bool ShowDistinguishedName READ ShowDistinguishedName WRITE SetShowDistinguishedName)
    Q_PROPERTY(bool ShowProgramVersion READ ShowProgramVersion WRITE SetShowProgramVersion)
    Q_PROPERTY(bool ShowLogo READ ShowLogo WRITE SetShowLogo)
    Q_PROPERTY(bool ShowLabels READ ShowLabels WRITE SetShowLabels)
    Q_PROPERTY(bool RTL READ RTL WRITE SetRTL)
    Q_CLASSINFO("default:GraphicType", "gtName")
    Q_CLASSINFO("default:ShowName", "True")
    Q_CLASSINFO("default:ShowLocation", "True")
    Q_CLASSINFO("default:ShowDate", "True")
    Q_CLASSINFO("default:ShowReason", "True")
    Q_CLASSINFO("default:ShowDistinguishedName", "True")
    Q_CLASSINFO("default:ShowProgramVersion", "True")
    Q_CLASSINFO("default:ShowLogo", "True")
    Q_CLASSINFO("default:ShowLabels", "True")
    Q_CLASSINFO("default:RTL", "False")
public:
    Q_INVOKABLE TvdxCustomSignatureData();
    ~TvdxCustomSignatureData() override;

    TvdxCustomSignatureGraphicType GraphicType() const { return m_graphicType; }
    void SetGraphicType(TvdxCustomSignatureGraphicType v) { m_graphicType = v; }
    bool ShowName() const { return m_showName; }
    void SetShowName(bool v) { m_showName = v; }
    bool ShowLocation() const { return m_showLocation; }
    void SetShowLocation(bool v) { m_showLocation = v; }
    bool ShowDate() const { return m_showDate; }
    void SetShowDate(bool v) { m_showDate = v; }
    bool ShowReason() const { return m_showReason; }
    void SetShowReason(bool v) { m_showReason = v; }
    bool ShowDistinguishedName() const { return m_showDistinguishedName; }
    void SetShowDistinguishedName(bool v) { m_showDistinguishedName = v; }
    bool ShowProgramVersion() const { return m_showProgramVersion; }
    void SetShowProgramVersion(bool v) { m_showProgramVersion = v; }
    bool ShowLogo() const { return m_showLogo; }
    void SetShowLogo(bool v) { m_showLogo = v; }
    bool ShowLabels() const { return m_showLabels; }
    void SetShowLabels(bool v) { m_showLabels = v; }
    bool RTL() const { return m_rtl; }
    void SetRTL(bool v) { m_rtl = v; }

    // Shown for gtImported; stored with the view.
    TPicture *NamePicture() const { return m_namePicture.get(); }
    // Reading it while it holds no graphic first puts the default logo in.
    TPicture *LogoPicture() const;
    // Any of the six detail lines on.
    bool ShowsDetails() const;

    void Assign(const TvdPersistent *source) override;
    void WriteBinaryProperties(TvdBinaryWriter &writer) const override;
    bool ReadBinaryProperty(const QString &name, TvdBinaryReader &reader) override;

private:
    TvdxCustomSignatureGraphicType m_graphicType = gtName;
    bool m_showName = true, m_showLocation = true, m_showDate = true, m_showReason = true;
    bool m_showDistinguishedName = true, m_showProgramVersion = true, m_showLogo = true, m_showLabels = true;
    bool m_rtl = false;
    std::unique_ptr<TPicture> m_namePicture;
    std::unique_ptr<TPicture> m_logoPicture;
    std::unique_ptr<TGraphic> m_defaultLogo;
};

class TvdxDigitalSignatureView : public TvdxPictureView {
    Q_OBJECT
public:
    enum TPDFSignatureKind { skInvisible, skVisible, skEmpty };
    Q_ENUM(TPDFSignatureKind)
private:
    Q_PROPERTY(TPDFSignatureKind Kind READ Kind WRITE SetKind)
    Q_PROPERTY(bool Customizable READ Customizable WRITE SetCustomizable)
    Q_PROPERTY(TvdxCustomSignatureData *CustomData READ CustomData WRITE SetCustomData)
    Q_CLASSINFO("default:Kind", "skInvisible")
    Q_CLASSINFO("default:Customizable", "False")
public:
    Q_INVOKABLE explicit TvdxDigitalSignatureView(TvdComponent *owner = nullptr);
    ~TvdxDigitalSignatureView() override;

    TPDFSignatureKind Kind() const { return m_kind; }
    void SetKind(TPDFSignatureKind v) { m_kind = v; }
    bool Customizable() const { return m_customizable; }
    void SetCustomizable(bool v) { m_customizable = v; }
    TvdxCustomSignatureData *CustomData() const { return m_customData.get(); }
    void SetCustomData(TvdxCustomSignatureData *v) { m_customData->Assign(v); }

    // Filled by the signer.
    QString CommonName, Date, Location, Reason, DistinguishedName, ProgramVersion;

    void Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;
    QString GetDescription() const override;

    // The generated picture: logo, name and details in a transparent bitmap
    // of the view's size; nullptr when nothing is to be shown.
    std::unique_ptr<TGraphic> GenerateCustomPicture();
    // The details text, a line per flag that is on.
    QString DetailsText() const;
    // The areas of the name and the details in a bitmap of that size.
    void SplitAreas(int width, int height, TRect &nameArea, TRect &detailsArea) const;
    // The largest point size (grown from 1 by steps of 8, 4, 2) at which the
    // text fits the area without cutting a word; 1 when even 3 do not.
    static int FitFontSize(const QString &text, const TvdFont &font, const TRect &area, bool rtl);

protected:
    void CustomFirst();
    void CustomLast();

private:
    void drawFittedText(Canvas &canvas, const QString &text, const TRect &area);

    TPDFSignatureKind m_kind = skInvisible;
    bool m_customizable = false;
    std::unique_ptr<TvdxCustomSignatureData> m_customData;
    // The view's own picture while the generated one shows.
    std::unique_ptr<TPicture> m_savedPicture;
    bool m_savedChanged = false;
};

// Registers the view and its palette button.
void vdxRegisterSignatureView();
