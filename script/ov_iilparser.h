// Translation of script source into the intermediate script (IL): a grammar
// driven backtracking matcher that writes language-neutral XML.
#pragma once
#include "script/ov_iparser.h"
#include "script/ov_xml.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

// What the translator reads from and reports to the program being compiled.
// The script program derives from this.
class TovILProgram {
public:
    using GetUnitEvent = std::function<void(TovILProgram *sender, const QString &unitName, QString &unitText)>;

    virtual ~TovILProgram() = default;

    QString ErrorMsg;
    QString ErrorPos;
    QString ErrorUnit;
    bool ExtendedCharset = false;
    // Folders searched for used units, in order; starts with one empty entry.
    QStringList IncludePath{QString()};
    // Supplies the source of a used unit instead of the include path.
    GetUnitEvent OnGetUnit;
    // Supplies a used unit's intermediate script (read when building the program).
    GetUnitEvent OnGetILUnit;
};

struct TovGrammar; // compiled form of a grammar document
class TovScript;
class TovStatement;
class TovDesignator;
class TovExpression;
class TovWithStmt;
class TovVariable;
class TovCustomVariable;
class TovProcVariable;

// What a designator adds at its end: nothing, a constructor call (new), a
// destructor call (delete).
enum TovEmitOp { emNone, emCreate, emFree };

class TovILParser {
public:
    explicit TovILParser(TovILProgram *program);
    ~TovILParser();
    TovILParser(const TovILParser &) = delete;
    TovILParser &operator=(const TovILParser &) = delete;

    // Loads the grammar of a registered language and configures the lexer.
    void SelectLanguage(const QString &langName);
    // Translates Text; true when ILScript holds the result. Always leaves the
    // program's ErrorMsg and ErrorPos set to the outcome (empty on success).
    bool MakeILScript(const QString &text);

    TovXMLDocument *ILScript() const { return m_ilScript.get(); }
    const TovXMLDocument *Grammar() const;
    TovParser *Parser() const { return m_parser.get(); }
    TovILProgram *Program() const { return m_program; }
    QString LangName() const { return m_langName; }
    bool NeedDeclareVars() const { return m_needDeclareVars; }
    QString UnitName() const { return m_unitName; }
    void SetUnitName(const QString &name) { m_unitName = name; }
    QStringList &UsesList() { return m_usesList; }

    // Builds the program (a TovScript) from ILScript. Semantic errors are
    // left in the program's ErrorMsg, ErrorPos and ErrorUnit; true on success.
    bool ParseILScript();
    // A designator from a dsgn element for the program prog.
    TovDesignator *DoDesignator(TovXMLItem *xi, TovScript *prog, TovEmitOp emitOp = emNone);

    // Nesting of grammar elements beyond which a text is refused.
    static constexpr int MaxDepth = 3000;

private:
    friend class TovMatcher;
    friend class TovILReader;
    // Reader state.
    TovXMLItem *m_progRoot = nullptr;
    QString m_errorPos;
    struct WithEntry {
        QString name;
        TovWithStmt *stmt;
    };
    QList<WithEntry> m_withList;

    TovILProgram *m_program;
    std::shared_ptr<const TovGrammar> m_grammar;
    std::unique_ptr<TovXMLDocument> m_ilScript;
    std::unique_ptr<TovParser> m_parser;
    QString m_langName;
    QStringList m_usesList;
    QString m_unitName;
    bool m_needDeclareVars = true;
};
