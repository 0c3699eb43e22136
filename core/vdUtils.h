// Small shared text, file and conversion helpers: code pages and font
// character sets, splitting and tokenizing, loose number parsing, hex and
// binary texts, temporary files and component lookup by dotted name.
#pragma once
#include "platform/Exception.h"
#include "platform/GraphicsTypes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

class QIODevice;
class TvdComponent;
class TvdBinaryReader;

VD_DECLARE_EXCEPTION(EOSError, Exception)

// Font character sets (the first three with the graphic types).
constexpr int MAC_CHARSET = 77;
constexpr int SHIFTJIS_CHARSET = 128;
constexpr int HANGEUL_CHARSET = 129;
constexpr int JOHAB_CHARSET = 130;
constexpr int GB2312_CHARSET = 134;
constexpr int CHINESEBIG5_CHARSET = 136;
constexpr int GREEK_CHARSET = 161;
constexpr int TURKISH_CHARSET = 162;
constexpr int VIETNAMESE_CHARSET = 163;
constexpr int HEBREW_CHARSET = 177;
constexpr int ARABIC_CHARSET = 178;
constexpr int BALTIC_CHARSET = 186;
constexpr int RUSSIAN_CHARSET = 204;
constexpr int THAI_CHARSET = 222;
constexpr int EASTEUROPE_CHARSET = 238;
constexpr int OEM_CHARSET = 255;

// ---- Code pages and character sets ----------------------------------------
// DEFAULT_CHARSET: the ANSI code page; MAC_CHARSET: 2; OEM_CHARSET: 1; others
// by the system's table. Unknown sets raise EOSError.
int CharsetToCodePage(int charset);
// A code page of 0 means the code page of Charset. Unsupported code pages give
// empty text.
QString AnsiToWideStr(const QByteArray &text, int charset, int codePage = 0);
QByteArray WideToAnsiStr(const QString &text, int charset, int codePage = 0);
QString AnsiToUnicodeByCodePage(const QByteArray &text, int codePage);
// Locale identifier of a character set; others give the thread's locale.
int CharsetToLocaleID(int charset);
// The locale identifier of the process's locale (1033 when unknown).
int ThreadLocaleID();

// ---- Wide-string list ------------------------------------------------------
class TvdWideStrings {
public:
    QStringList &Strings() { return m_list; }
    const QStringList &Strings() const { return m_list; }
    QString Text() const;               // lines joined by CR LF, one after each
    void SetText(const QString &text);  // split at CR LF, LF or CR
    // Everything from the current position as UTF-16LE text.
    void LoadFromWStream(QIODevice &stream);

    // Legacy stream properties: "Strings" (8-bit or wide strings), "UTF8"
    // (UTF-8 bytes) and "UTF8W" (wide strings, the only one written).
    void ReadStrings(const QStringList &items);
    void ReadUTF8(const QList<QByteArray> &items);
    void ReadUTF8W(const QStringList &items);
    // One of the three from a binary property run (a list of texts); false,
    // reading nothing, for other names.
    bool ReadBinaryProperty(const QString &name, TvdBinaryReader &reader);
    const QStringList &WriteUTF8W() const { return m_list; }
    // Whether "UTF8W" is written: differs from the ancestor's list (always
    // when the ancestor is something else), or, without one, not empty.
    bool NeedsUTF8W(const TvdWideStrings *ancestor, bool hasOtherAncestor = false) const;

private:
    QStringList m_list;
};

// ---- Temporary files and the shell -----------------------------------------
// The system temporary folder, with a final "/".
QString GetTempDir();
// Creates an empty file with a unique name (first three characters of Prefix,
// then hex digits, ".tmp") in Dir, or in the temporary folder when Dir is empty
// or missing; returns its name, empty when that fails.
QString NewTempFileNameIn(const QString &dir, const QString &prefix);
QString NewTempFileName();
QString NewTempFileInDir(const QString &dir);

// Opens a file or address with its associated program. The handler answers a
// result code where values above 32 mean success; tests replace it.
using ShellOpenHandler = std::function<int(const QString &fileName, int showCmd)>;
void SetShellOpenHandler(ShellOpenHandler handler); // empty restores the default
bool ShellOpen(const QString &fileName, int showCmd = 1);

// ---- Splitting and tokenizing ----------------------------------------------
// Delimited-text parsing (quotes group, blanks also separate), each entry
// trimmed, empty entries dropped.
QStringList SplitTrimmed(const QString &text, QChar delimiter);
// Pieces between separators; a separator right at the start of a piece stays
// in it, the last piece keeps a final separator, and a text without any
// separator gives nothing.
void SplitBySeparator(QStringList &list, const QString &text, QChar separator);
// Every piece between separators, empty ones included; a final separator adds
// no empty piece.
void SplitToList(const QString &text, QStringList &list, QChar separator);
// A blank before each "+" and "-" that is not an exponent sign.
QString SeparateSigns(const QString &text);
// Text between the opening token at Pos (0-based) and its matching closing
// token, counting nesting outside quotes. EndPos becomes the index of the
// closing token's last character. Empty, positions unchanged, when Pos does
// not hold the opening token.
QString GetBracketedText(const QString &text, const QString &openToken, const QString &closeToken,
                         int &pos, int &endPos);
// "1,3-5,8-" to page numbers as decimal texts (List is emptied first); ranges
// end at LastPage at most. Raises EConvertError on an empty or bad number.
void ParsePageNumbers(const QString &text, QStringList &list, int lastPage);

// ---- Numbers and text ------------------------------------------------------
// "." and "," both as decimal separator, blanks ignored; EConvertError else.
double StrToFloatLoose(const QString &text);
// Whole numbers as plain text, others with two decimals.
QString FloatToShortStr(double value);
QString FloatToFixedStr(double value, int decimals, QChar decimalSeparator);
bool FloatsDiffer(double a, double b);
float ClampSingle(float value, float min, float max);
int ClampInt(int value, int min, int max);
inline TColor IfThenColor(bool condition, TColor ifTrue, TColor ifFalse) { return condition ? ifTrue : ifFalse; }
inline int IfThenInt(bool condition, int ifTrue, int ifFalse) { return condition ? ifTrue : ifFalse; }
inline QString IfThenStr(bool condition, const QString &ifTrue, const QString &ifFalse) { return condition ? ifTrue : ifFalse; }
inline double IfThenFloat(bool condition, double ifTrue, double ifFalse) { return condition ? ifTrue : ifFalse; }
// Six upper-case hex digits: red, green, blue.
QString ColorToHexRGB(TColor color);
// 32 binary digits, whole leading zero bytes removed.
QString IntToBinStr(quint32 value);
// UTF-16 code units as four hex digits each, low byte first, and back.
QString WideStrToHex(const QString &text);
QString HexToWideStr(const QString &hex);
// The whole stream from position 0 as hex, two digits per byte; and hex text
// written as bytes at the start of a stream. Conversion stops at a non-hex pair.
QString StreamToHex(QIODevice &stream);
void HexToStream(const QString &hex, QIODevice &stream);
QString SlashesToBackslashes(const QString &text);

// Fixed-point text rounded half away from zero, "." separator.
QString FormatFixed(double value, int decimals);
// Strict number texts in the invariant form (blanks around, sign, ".", exponent).
bool TryParseFloatInvariant(QStringView text, double &value);

// ---- Component lookup ------------------------------------------------------
// Forms and data modules that dotted names may start from.
void RegisterGlobalComponent(TvdComponent *component);
void UnregisterGlobalComponent(TvdComponent *component);
TvdComponent *FindGlobalComponent(const QString &name);
// "B" (from Root, then Root's owner), "A.B" and "A.B.C" (from global A);
// nothing when absent; EClassNotFound "Missing " + Name when the search fails.
TvdComponent *FindComponentByPath(TvdComponent *root, const QString &name);
inline TvdComponent *LookupComponent(TvdComponent *root, const QString &name) { return FindComponentByPath(root, name); }
