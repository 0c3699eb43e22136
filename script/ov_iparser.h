// The script engine's lexer: scanning routines over a source text whose
// behaviour comes from settings (comment marks, quotes, hex prefix, identifier
// characters, keywords, line-end handling), plus the registry of languages.
#pragma once
#include <QHash>
#include <QPoint>
#include <QSet>
#include <QString>
#include <QStringList>
#include <bitset>
#include <vector>

// Characters (0..255) that may continue an identifier.
using TovIdentifierCharset = std::bitset<256>;

class TovParser {
public:
    TovParser();

    void Clear();

    // Settings.
    bool CaseSensitive() const { return m_caseSensitive; }
    void SetCaseSensitive(bool v) { m_caseSensitive = v; }
    QString CommentBlock1() const;
    void SetCommentBlock1(const QString &v);
    QString CommentBlock2() const;
    void SetCommentBlock2(const QString &v);
    QString CommentLine1() const { return m_commentLine1; }
    void SetCommentLine1(const QString &v) { m_commentLine1 = v; }
    QString CommentLine2() const { return m_commentLine2; }
    void SetCommentLine2(const QString &v) { m_commentLine2 = v; }
    QString HexSequence() const { return m_hexSequence; }
    void SetHexSequence(const QString &v) { m_hexSequence = v; }
    const TovIdentifierCharset &IdentifierCharset() const { return m_identChars; }
    void SetIdentifierCharset(const TovIdentifierCharset &v) { m_identChars = v; }
    void ConstructCharset(const QString &s);
    QString SkiPChar() const { return m_skipChar; }
    void SetSkiPChar(const QString &v) { m_skipChar = v; }
    bool SkipEOL() const { return m_skipEOL; }
    void SetSkipEOL(bool v) { m_skipEOL = v; }
    bool SkipSpace() const { return m_skipSpace; }
    void SetSkipSpace(bool v) { m_skipSpace = v; }
    QString StringQuotes() const { return m_stringQuotes; }
    void SetStringQuotes(const QString &v) { m_stringQuotes = v; }
    bool SpecStrChar() const { return m_specStrChar; }
    void SetSpecStrChar(bool v) { m_specStrChar = v; }
    bool UseY() const { return m_useY; }
    void SetUseY(bool v) { m_useY = v; }

    // Reserved words, kept sorted case-insensitively.
    const QStringList &Keywords() const { return m_keywords; }
    void AddKeyword(const QString &word);
    void SetKeywords(const QStringList &words);
    bool IsKeyWord(const QString &s) const { return IsKeyWord(QStringView(s)); }
    bool IsKeyWord(QStringView s) const;

    // Source and position (1-based character index).
    QString Text() const { return m_source; }
    void SetText(const QString &text);
    int Position() const { return m_pos; }
    void SetPosition(int pos) { m_pos = pos; m_lastPosition = pos; }
    int Size() const { return m_size; }
    int LastPosition() const { return m_lastPosition; }

    // Token readers; each answers empty when no such token is at the position.
    void SkipSpaces();
    bool GetEOL();
    QString GetWord();
    QString GetIdent();
    QString GetChar();
    QString GetString();
    QString GetNumber();
    QString GetVDString();

    // Allocation-free forms for the translator: a word as a view into the
    // text (empty when none) and a punctuation character (0 when none).
    QStringView GetWordView();
    char16_t GetCharCode();

    // line:col of the current position (or of any index), both 1-based.
    QString GetXYPosition() const { return XYPositionOf(m_pos); }
    QString XYPositionOf(int pos) const;
    void LineColOf(int pos, int &line, int &col) const;
    int GetPlainPosition(const QPoint &pt) const;

private:
    char16_t ch(int pos) const { return pos >= 1 && pos <= m_size ? m_text[size_t(pos - 1)] : u'\0'; }
    bool inIdent(char16_t c) const { return c < 256 && m_identChars.test(c); }
    bool isBlank(char16_t c) const;
    bool matchAt(int pos, const QString &mark) const;
    bool mayStartComment(char16_t c) const;
    bool skipLineComment();
    bool skipBlockComment(const QString &open, const QString &close);
    void consumeEOLRun();
    bool readInteger();
    bool readDigits(bool hex);
    bool readQuotedPart(QString &out);
    bool readCharCodePart(QString &out);
    void rebuildLines();

    bool m_caseSensitive = false;
    QString m_commentBlock1Open, m_commentBlock1Close;
    QString m_commentBlock2Open, m_commentBlock2Close;
    bool m_block1Set = true, m_block2Set = true;
    QString m_commentLine1, m_commentLine2;
    QString m_hexSequence;
    TovIdentifierCharset m_identChars;
    QString m_skipChar;
    bool m_skipEOL = true;
    bool m_skipSpace = true;
    QString m_stringQuotes;
    bool m_specStrChar = false;
    bool m_useY = true;

    QStringList m_keywords;
    QSet<QString> m_keywordsExact;

    QString m_source;
    std::u16string m_text; // source plus a terminating #0
    int m_size = 0;
    int m_pos = 1;
    int m_lastPosition = 1;
    // Entry 0 is 0, then the index of each character that ends a line
    // (LF, or a CR not followed by LF).
    std::vector<int> m_yList{0};
};

// ---------------------------------------------------------------- languages

// Adds a language grammar, or replaces the grammar of a registered name in place.
void ovAddLanguage(const QString &name, const QString &grammar);
// Grammar text of a language; raises "Language '%s' not found".
QString ovGetLanguageGrammar(const QString &name);
// Registered names in registration order, without those beginning with "@".
void ovListLanguageNames(QStringList &list);
QStringList ovLanguageNames();
