// The linear barcode engine: a symbology, the text to encode and the check
// options turn into a module string (one character per bar or space, naming
// its width class and kind), which DrawBarcode paints on a canvas.
#pragma once
#include "barcode/vdxBarcodeText.h"
#include "platform/Exception.h"
#include "platform/GraphicsTypes.h"

#include <QByteArray>
#include <QObject>
#include <array>
#include <cstdint>
#include <memory>

class Canvas;

// Raised by the encoders; the report object paints the message instead of the symbol.
VD_DECLARE_EXCEPTION(EBarcodeError, Exception)

class TvdxBarcode : public QObject {
    Q_OBJECT
public:
    enum TvdxBarcodeType {
        bcCode_2_5_interleaved,
        bcCode_2_5_industrial,
        bcCode_2_5_matrix,
        bcCode_ITF_14,
        bcCode11,
        bcCode39,
        bcCode39Extended,
        bcCode128,
        bcCode128A,
        bcCode128B,
        bcCode128C,
        bcCode93,
        bcCode93Extended,
        bcCodeMSI,
        bcCodePostNet,
        bcCodeCodabar,
        bcCodeEAN8,
        bcCodeEAN13,
        bcCodeUPC_A,
        bcCodeUPC_E0,
        bcCodeUPC_E1,
        bcCodeUPC_Supp2,
        bcCodeUPC_Supp5,
        bcCodeEAN128,
        bcCodeEAN128A,
        bcCodeEAN128B,
        bcCodeEAN128C,
        bcCodeUSPSIntelligentMail,
        bcCodePlessey,
        bcGS1Code128,
        bcPharmacode,
        bcDeutsche_Post_Identcode,
        bcDeutsche_Post_Leitcode
    };
    Q_ENUM(TvdxBarcodeType)
    enum TvdxCheckSumMethod { csmNone, csmModulo10 };
    Q_ENUM(TvdxCheckSumMethod)

    static constexpr int TypeCount = 33;
    // Kinds of module characters.
    enum ModuleKind { mkSpace = 0, mkBar = 1, mkShort = 2, mkTracker = 3, mkAscender = 4, mkDescender = 5 };
    using TModules = std::array<std::int8_t, 4>;

    explicit TvdxBarcode(QObject *owner = nullptr);
    ~TvdxBarcode() override;

    // 8-bit text in the ANSI code page; encoders may rewrite it.
    QByteArray Text;
    QByteArray TextSup;
    int Modul = 1;
    double Ratio = 2.0;
    bool Checksum = false;
    TvdxCheckSumMethod CheckSumMethod = csmModulo10;
    double Angle = 0;
    int Height = 0;
    TColor Color = clWhite;
    TColor ColorBar = clBlack;
    int Left = 0;
    int Top = 0;

    TvdxBarcodeType Typ() const { return m_typ; }
    // Also sets Modul: 3 for Intelligent Mail, 1 otherwise.
    void SetTyp(TvdxBarcodeType value);
    TvdxBarcodeText *BarcodeText() const { return m_barcodeText.get(); }
    void Assign(const TvdxBarcode *source);

    // The module string of the current properties; may rewrite Text; raises
    // EBarcodeError (or EConvertError) for input it cannot encode.
    QByteArray MakeModules();
    // Sum of the module widths plus 2 (runs the encoding).
    int Width();
    // Width and kind of one module character.
    void DecodeModule(char ch, int &width, int &kind) const;
    const TModules &modules() const { return m_modules; }

    static QByteArray AddModulo10Digit(const QByteArray &digits);
    QByteArray ApplyCheckSum(const QByteArray &digits) const;
    QByteArray PadWithZeros(int n) const;
    static QByteArray ConvertGS1(const QByteArray &text);
    static QByteArray StripEscapes(const QByteArray &text, bool functions);
    // The escaped text a Code 128 family symbol encodes ("&B;AB&C;1234").
    QByteArray Code128Tokens() const;
    // Automatic subset selection of Code 128.
    static QByteArray AutoSubsets(const QByteArray &text);
    // Identifier and whether the type encodes digits only.
    static const char *TypeName(TvdxBarcodeType t);
    static bool IsDigitsOnly(TvdxBarcodeType t);
    static bool IsCode128Family(TvdxBarcodeType t);
    static bool IsEanUpc(TvdxBarcodeType t);
    // The digits EAN-8 draws (with the check digit when Checksum is on).
    QByteArray Ean8Digits() const;

    // Paints the symbol and, with showText, its captions (fonts and edges from
    // BarcodeText) into rect, in device units of the canvas. The scale
    // factors and directToEMF change nothing: the symbol is always drawn
    // straight onto the canvas. Sets Height, Left and Top.
    void DrawBarcode(Canvas &canvas, const TRect &rect, bool showText, double scaleDPIX = 1, double scaleDPIY = 1,
                     bool directToEMF = false);

private:
    void deriveModules();
    void checkDigits(const QByteArray &s) const;
    [[noreturn]] void fail(const QString &message) const;
    QString className() const { return QStringLiteral("TvdxBarcode"); }

    // Encoders.
    QByteArray code128();
    QByteArray code2of5Interleaved();
    QByteArray code2of5Industrial();
    QByteArray code2of5Matrix();
    QByteArray codeITF14();
    QByteArray code11();
    QByteArray code39();
    QByteArray code39Extended();
    QByteArray code93();
    QByteArray code93Extended();
    QByteArray codeMSI();
    QByteArray codePostNet();
    QByteArray codeCodabar();
    QByteArray codeEAN8();
    QByteArray codeEAN13();
    QByteArray codeUPC_A();
    QByteArray codeUPC_E();
    QByteArray codeSupp2();
    QByteArray codeSupp5();
    QByteArray codePlessey();
    QByteArray codePharmacode();
    QByteArray codeDeutschePost();
    QByteArray codeIntelligentMail();

    TvdxBarcodeType m_typ = bcCodeEAN13;
    TModules m_modules{1, 2, 3, 4};
    std::unique_ptr<TvdxBarcodeText> m_barcodeText;
};
