// The script lexer: one table of token cases, then positions and settings.
#include "script/ov_iparser.h"

#include <gtest/gtest.h>
#include <functional>

namespace {

enum class Tok { Word, Ident, Char, String, Number, EOL, VD };

struct LexCase {
    const char *name;
    QString text;
    Tok kind;
    QString expected;     // token text (EOL: "1" or "0")
    int posAfter;         // position after the read, 0 = not checked
    std::function<void(TovParser &)> setup;
};

QString read(TovParser &p, Tok k)
{
    switch (k) {
    case Tok::Word: return p.GetWord();
    case Tok::Ident: return p.GetIdent();
    case Tok::Char: return p.GetChar();
    case Tok::String: return p.GetString();
    case Tok::Number: return p.GetNumber();
    case Tok::EOL: return p.GetEOL() ? QStringLiteral("1") : QStringLiteral("0");
    case Tok::VD: return p.GetVDString();
    }
    return QString();
}

void noSetup(TovParser &) {}
void cppLike(TovParser &p)
{
    p.SetStringQuotes("\"");
    p.SetSpecStrChar(true);
    p.SetHexSequence("0x");
    p.SetCommentBlock1("/*,*/");
    p.SetCommentBlock2("/*,*/");
}
void lineBased(TovParser &p)
{
    p.SetSkipEOL(false);
    p.SetCommentLine1("'");
    p.SetCommentLine2("rem");
    p.SetSkiPChar("_");
}

} // namespace

TEST(ScriptLexer, TokenTable)
{
    const LexCase cases[] = {
        {"comments before word", "{a} (* b *) // c\r\n x", Tok::Word, "x", 0, noSetup},
        {"unclosed block comment runs to end", "{ never closed", Tok::Word, "", 15, noSetup},
        {"block comments do not nest", "{ { } x }", Tok::Word, "x", 0, noSetup},
        {"word with digits and underscore", "  _ab12 c", Tok::Word, "_ab12", 8, noSetup},
        {"digit does not start a word", "1abc", Tok::Word, "", 1, noSetup},
        {"letters beyond ASCII", "\u00e4bc\u00df\u4e2d x", Tok::Word, "\u00e4bc\u00df\u4e2d", 0, noSetup},
        {"keyword is no identifier", "begin", Tok::Ident, "", 0, [](TovParser &p) { p.AddKeyword("begin"); }},
        {"keyword lookup ignores case", "BeGiN", Tok::Ident, "", 0, [](TovParser &p) { p.AddKeyword("begin"); }},
        {"case-sensitive keywords", "If", Tok::Ident, "If", 0,
         [](TovParser &p) { p.AddKeyword("if"); p.SetCaseSensitive(true); }},
        {"keyword read as word", "begin", Tok::Word, "begin", 0, [](TovParser &p) { p.AddKeyword("begin"); }},
        {"punctuation", "  :=", Tok::Char, "", 1, noSetup}, // GetChar does not skip
        {"punctuation char", ":=", Tok::Char, ":", 2, noSetup},
        {"underscore is punctuation", "_", Tok::Char, "_", 2, noSetup},
        {"letter is no punctuation", "a", Tok::Char, "", 1, noSetup},
        {"doubled quote", "'It''s'", Tok::String, "'It's'", 8, noSetup},
        {"control codes join parts", "'abc'#13#10'def'", Tok::String, "'abc\r\ndef'", 17, noSetup},
        {"hex control code", "#$41#66", Tok::String, "'AB'", 0, noSetup},
        {"code modulo 65536", "#65601", Tok::String, "'A'", 0, noSetup},
        {"hash without digits", "#x", Tok::String, "", 1, noSetup},
        {"blank ends a literal", "'a' 'b'", Tok::String, "'a'", 4, noSetup},
        {"unterminated string", "'abc", Tok::String, "", 1, noSetup},
        {"line end inside string", "'ab\ncd'", Tok::String, "", 1, noSetup},
        {"tab inside string", "'a\tb'", Tok::String, "'a\tb'", 0, noSetup},
        {"empty string", "''", Tok::String, "''", 3, noSetup},
        {"escapes", "\"a\\nb\\r\\x41\\t\\\\\"", Tok::String, "'a\nb\rAt\\'", 0, cppLike},
        {"escaped quotes are two parts", "\"a\"\"b\"", Tok::String, "'ab'", 0, cppLike},
        {"escape before end", "\"abc\\", Tok::String, "", 1, cppLike},
        {"double-quoted becomes single-quoted", "\"abc\"", Tok::String, "'abc'", 0, cppLike},
        {"decimal", "123 ", Tok::Number, "123", 4, noSetup},
        {"hex default prefix", "$FF", Tok::Number, "$FF", 4, noSetup},
        {"hex 0x prefix rewritten", "0xFF", Tok::Number, "$FF", 5, cppLike},
        {"hex prefix is case-sensitive", "0XFF", Tok::Number, "0", 2, cppLike},
        {"real with exponent", "1.5e+3", Tok::Number, "1.5e+3", 7, noSetup},
        {"point without digits", "1.e5", Tok::Number, "1", 2, noSetup},
        {"range after integer", "1..5", Tok::Number, "1", 2, noSetup},
        {"incomplete exponent", "2e+", Tok::Number, "2", 2, noSetup},
        {"no number", "x1", Tok::Number, "", 1, noSetup},
        {"report text balanced", "Date + [x]> rest", Tok::VD, "Date + [x]", 11, noSetup},
        {"report text quotes", "'a>'\"b>\"> x", Tok::VD, "'a>'\"b>\"", 9, noSetup},
        {"report text to end", "abc", Tok::VD, "abc", 4, noSetup},
        {"line end consumed", "  \r\n\r\nx", Tok::EOL, "1", 7, lineBased},
        {"lone LF is a line end", "\nx", Tok::EOL, "1", 2, lineBased},
        {"lone CR is a line end", "\rx", Tok::EOL, "1", 2, lineBased},
        {"no line end", "x", Tok::EOL, "0", 1, lineBased},
        {"comment behind statement keeps line end", " ' c\r\nx", Tok::EOL, "1", 7, lineBased},
        {"whole-line comment vanishes", "' c\r\nx", Tok::EOL, "0", 6, lineBased},
        {"whole-line comment after LF", "rem c\nx", Tok::EOL, "0", 7, lineBased},
        {"marks compare exactly", "remainder\nx", Tok::Word, "x", 0, lineBased},
        {"marks are case-sensitive", "Rem x", Tok::Word, "Rem", 0, lineBased},
        {"continuation joins lines", "_ \r\n  x", Tok::Word, "x", 0, lineBased},
        {"continuation with comment", "_ ' c\r\nx", Tok::Word, "x", 0, lineBased},
        {"repeated continuations", "_\r\n_\n_\rx", Tok::Word, "x", 0, lineBased},
    };
    for (const LexCase &c : cases) {
        TovParser p;
        c.setup(p);
        p.SetText(c.text);
        EXPECT_EQ(read(p, c.kind), c.expected) << c.name;
        if (c.posAfter) {
            EXPECT_EQ(p.Position(), c.posAfter) << c.name;
        }
    }
}

TEST(ScriptLexer, DefaultsAndClear)
{
    TovParser p;
    EXPECT_EQ(p.CommentBlock1(), "{,}");
    EXPECT_EQ(p.CommentBlock2(), "(*,*)");
    EXPECT_EQ(p.CommentLine1(), "//");
    EXPECT_EQ(p.HexSequence(), "$");
    EXPECT_EQ(p.StringQuotes(), "'");
    EXPECT_TRUE(p.SkipEOL());
    EXPECT_TRUE(p.SkipSpace());
    EXPECT_TRUE(p.UseY());
    p.SetCaseSensitive(true);
    p.SetCommentLine2("rem");
    p.SetHexSequence("0x");
    p.AddKeyword("x");
    p.Clear();
    EXPECT_TRUE(p.CaseSensitive());
    EXPECT_EQ(p.CommentLine2(), "rem");
    EXPECT_EQ(p.HexSequence(), "$");
    EXPECT_TRUE(p.Keywords().isEmpty());
}

TEST(ScriptLexer, KeywordsStaySorted)
{
    TovParser p;
    for (const char *k : {"while", "Begin", "and", "end"})
        p.AddKeyword(k);
    EXPECT_EQ(p.Keywords(), QStringList({"and", "Begin", "end", "while"}));
    EXPECT_TRUE(p.IsKeyWord("BEGIN"));
    p.SetCaseSensitive(true);
    EXPECT_FALSE(p.IsKeyWord("BEGIN"));
    EXPECT_TRUE(p.IsKeyWord("Begin"));
}

TEST(ScriptLexer, IdentifierCharset)
{
    TovParser p;
    p.ConstructCharset("abc$");
    p.SetText("ab$c d");
    EXPECT_EQ(p.GetWord(), "ab$c");
    p.SetText("d");
    EXPECT_EQ(p.GetWord(), "");
}

TEST(ScriptLexer, Positions)
{
    TovParser p;
    p.SetText("ab\ncd\r\nef\rgh\n");
    struct { int pos; const char *xy; } cases[] = {
        {1, "1:1"}, {3, "1:3"}, {4, "2:1"}, {6, "2:3"}, {7, "2:4"}, {8, "3:1"}, {10, "3:3"}, {11, "4:1"}, {13, "4:3"},
    };
    for (const auto &c : cases) {
        p.SetPosition(c.pos);
        EXPECT_EQ(p.GetXYPosition(), c.xy) << c.pos;
    }
    EXPECT_EQ(p.GetPlainPosition(QPoint(2, 1)), 2);
    EXPECT_EQ(p.GetPlainPosition(QPoint(1, 2)), 4);
    EXPECT_EQ(p.GetPlainPosition(QPoint(1, 3)), 8);
    EXPECT_EQ(p.GetPlainPosition(QPoint(1, 9)), -1);
}

TEST(ScriptLexer, LfEndingLine3IsOnLine3)
{
    TovParser p;
    p.SetText("a\nb\nc\nd");
    p.SetPosition(6);
    EXPECT_EQ(p.GetXYPosition(), "3:2");
}

TEST(ScriptLexer, CustomCommentMarks)
{
    TovParser p;
    p.SetCommentBlock1("/\\,/\\");
    p.SetCommentBlock2("");
    p.SetCommentLine1("#");
    p.SetText("(* not a comment *)");
    EXPECT_EQ(p.GetChar(), "(");
    p.SetText("/\\ c /\\ # x\r\nword");
    EXPECT_EQ(p.GetWord(), "word");
}
