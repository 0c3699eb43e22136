#include "script/ov_iilparser.h"

#include "script/ov_iconst.h"
#include "script/ov_itools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QStringDecoder>
#include <vector>

// ---------------------------------------------------------------- grammar

namespace {

enum class GKind : uint8_t {
    Rule, Char, Keyword, Ident, Number, String, VDString, EOL,
    Sequence, Switch, OptionalSwitch, Loop, OptionalLoop, Optional, Ref
};

struct GNode {
    GKind kind = GKind::Sequence;
    QString text;        // lower case; null when absent
    int node = -1;       // IL element name id
    int add = -1;        // IL leaf name id
    bool hasAddText = false;
    QString addText;
    QString err;         // message; empty when none
    bool term = false;
    bool skip = true;    // char: skip blanks first; loop: discard errors
    int rule = -1;       // Ref: rule index, -1 when undefined
    QString refName;
    std::vector<GNode *> children;
    // Rule definitions only.
    int index = -1;
    bool memo = true;    // false when it may inline units
};

} // namespace

struct TovGrammar {
    std::unique_ptr<TovXMLDocument> doc;
    std::vector<std::unique_ptr<GNode>> nodes;
    std::vector<GNode *> rules;
    QHash<QString, int> ruleIndex;
    QStringList names;   // IL element names by id
    QHash<QString, int> nameIds;
    int programRule = -1;
    int usesId = -1, exprId = -1, fileId = -1, dsgnId = -1, nodeId = -1, stringId = -1;

    // Lexer settings.
    QStringList keywords;
    QList<QPair<QString, QString>> settings;
    bool declareVarsOff = false;
    bool caseSensitive = false;

    int nameId(const QString &n)
    {
        auto it = nameIds.constFind(n);
        if (it != nameIds.constEnd())
            return *it;
        const int id = int(names.size());
        names.append(n);
        nameIds.insert(n, id);
        return id;
    }
};

namespace {

GKind kindOf(const QString &n, bool &known)
{
    known = true;
    if (n == QLatin1String("char")) return GKind::Char;
    if (n == QLatin1String("keyword")) return GKind::Keyword;
    if (n == QLatin1String("ident")) return GKind::Ident;
    if (n == QLatin1String("number")) return GKind::Number;
    if (n == QLatin1String("string")) return GKind::String;
    if (n == QLatin1String("vdstring")) return GKind::VDString;
    if (n == QLatin1String("eol")) return GKind::EOL;
    if (n == QLatin1String("sequence")) return GKind::Sequence;
    if (n == QLatin1String("switch")) return GKind::Switch;
    if (n == QLatin1String("optionalswitch")) return GKind::OptionalSwitch;
    if (n == QLatin1String("loop")) return GKind::Loop;
    if (n == QLatin1String("optionalloop")) return GKind::OptionalLoop;
    if (n == QLatin1String("optional")) return GKind::Optional;
    known = false;
    return GKind::Ref;
}

struct GrammarBuilder {
    TovGrammar &g;
    QHash<QString, QString> errors;

    GNode *build(const TovXMLItem *x, bool ruleDef)
    {
        auto owned = std::make_unique<GNode>();
        GNode *n = owned.get();
        g.nodes.push_back(std::move(owned));
        const QString name = x->Name().toLower();
        if (ruleDef) {
            n->kind = GKind::Rule;
        } else {
            bool known;
            n->kind = kindOf(name, known);
            if (!known)
                n->refName = name;
        }
        if (x->PropExists(QStringLiteral("text")))
            n->text = x->Prop(QStringLiteral("text")).toLower();
        const QString node = x->Prop(QStringLiteral("node")).toLower();
        if (!node.isEmpty())
            n->node = g.nameId(node);
        const QString add = x->Prop(QStringLiteral("add"));
        if (!add.isEmpty())
            n->add = g.nameId(add.toLower());
        if (x->PropExists(QStringLiteral("addtext"))) {
            n->hasAddText = true;
            n->addText = x->Prop(QStringLiteral("addtext"));
        }
        const QString err = x->Prop(QStringLiteral("err")).toLower();
        if (!err.isEmpty())
            n->err = errors.value(err);
        n->term = x->Prop(QStringLiteral("term")) == QLatin1String("1");
        if (n->kind == GKind::Char)
            n->skip = x->Prop(QStringLiteral("skip")) != QLatin1String("0");
        else
            n->skip = x->Prop(QStringLiteral("skip")) == QLatin1String("1");
        for (int i = 0; i < x->Count(); ++i)
            n->children.push_back(build(x->Items(i), false));
        return n;
    }
};

bool usesUnits(const GNode *n, const TovGrammar &g, std::vector<int> &state)
{
    if (n->node == g.usesId && g.usesId >= 0)
        return true;
    if (n->kind == GKind::Ref && n->rule >= 0) {
        int &s = state[size_t(n->rule)];
        if (s == 0) {
            s = 1; // in progress: assume no
            const bool r = usesUnits(g.rules[size_t(n->rule)], g, state);
            s = r ? 2 : 3;
            return r;
        }
        return s == 2;
    }
    for (const GNode *c : n->children)
        if (usesUnits(c, g, state))
            return true;
    return false;
}

std::shared_ptr<const TovGrammar> compileGrammar(const QString &text)
{
    auto g = std::make_shared<TovGrammar>();
    g->doc = std::make_unique<TovXMLDocument>();
    g->doc->LoadFromBytes(text.toUtf8());
    TovXMLItem *root = g->doc->Root();
    GrammarBuilder b{*g, {}};

    if (TovXMLItem *parser = root->Find(QStringLiteral("parser")) >= 0 ? root->FindItem(QStringLiteral("parser")) : nullptr) {
        for (int i = 0; i < parser->Count(); ++i) {
            const TovXMLItem *s = parser->Items(i);
            const QString n = s->Name().toLower();
            if (n == QLatin1String("keywords")) {
                for (int k = 0; k < s->Count(); ++k)
                    g->keywords.append(s->Items(k)->Name());
            } else if (n == QLatin1String("errors")) {
                for (int k = 0; k < s->Count(); ++k)
                    b.errors.insert(s->Items(k)->Name().toLower(), s->Items(k)->Prop(QStringLiteral("text")));
            } else {
                g->settings.append({n, s->Prop(QStringLiteral("text"))});
                if (n == QLatin1String("declarevars") && s->Prop(QStringLiteral("text")) == QLatin1String("0"))
                    g->declareVarsOff = true;
                if (n == QLatin1String("casesensitive") && s->Prop(QStringLiteral("text")) == QLatin1String("1"))
                    g->caseSensitive = true;
            }
        }
    }
    g->usesId = g->nameId(QStringLiteral("uses"));
    g->exprId = g->nameId(QStringLiteral("expr"));
    g->fileId = g->nameId(QStringLiteral("file"));
    g->dsgnId = g->nameId(QStringLiteral("dsgn"));
    g->nodeId = g->nameId(QStringLiteral("node"));
    g->stringId = g->nameId(QStringLiteral("string"));

    for (int i = 0; i < root->Count(); ++i) {
        const TovXMLItem *r = root->Items(i);
        const QString n = r->Name().toLower();
        if (n == QLatin1String("parser") || n == QLatin1String("types"))
            continue;
        if (g->ruleIndex.contains(n))
            continue; // the first definition of a name is the one found
        GNode *rule = b.build(r, true);
        rule->index = int(g->rules.size());
        g->ruleIndex.insert(n, rule->index);
        g->rules.push_back(rule);
    }
    for (auto &n : g->nodes)
        if (n->kind == GKind::Ref)
            n->rule = g->ruleIndex.value(n->refName, -1);
    g->programRule = g->ruleIndex.value(QStringLiteral("program"), -1);
    std::vector<int> state(g->rules.size(), 0);
    for (GNode *r : g->rules) {
        std::fill(state.begin(), state.end(), 0);
        r->memo = !usesUnits(r, *g, state);
    }
    return g;
}

// Compiled grammars by text, shared by all translators.
std::shared_ptr<const TovGrammar> grammarFor(const QString &text)
{
    static QMutex mutex;
    static QHash<QString, std::shared_ptr<const TovGrammar>> cache;
    QMutexLocker lock(&mutex);
    auto it = cache.constFind(text);
    if (it != cache.constEnd())
        return *it;
    auto g = compileGrammar(text);
    if (cache.size() > 32)
        cache.clear();
    cache.insert(text, g);
    return g;
}

// Text of a unit file: UTF-8 (a byte-order mark is dropped), else Latin-1.
QString decodeUnitFile(const QByteArray &bytes)
{
    QStringDecoder dec(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = dec.decode(bytes);
    if (dec.hasError())
        return QString::fromLatin1(bytes);
    if (s.startsWith(QChar(0xFEFF)))
        s.remove(0, 1);
    return s;
}

} // namespace

// ---------------------------------------------------------------- matcher

namespace {

struct OutEntry {
    enum Kind : uint8_t { Open, Close, Leaf, Unit };
    Kind kind = Leaf;
    int name = -1;
    int pos = -1;
    int pos1 = -1;
    QString text;
    std::shared_ptr<TovXMLItem> unit;
};

struct RecordedError {
    QString msg;
    int pos;
    bool term;
    bool fatal;
};

// Results of rule matches by start position, chained per position.
struct MemoEntry {
    int rule;
    int err;      // error state on entry
    int next;     // next entry at the same position, -1 at the end
    bool ok;
    int endPos;
    int exitErr;
    size_t outStart;
    size_t outCount;
};

// Bigger results are cheaper to re-match than to keep.
constexpr size_t kMemoMaxEntries = 256;
constexpr size_t kVisited = ~size_t(0);

} // namespace

class TovMatcher {
public:
    TovMatcher(TovILParser &owner) : p(owner), g(*owner.m_grammar), lex(*owner.m_parser)
    {
        memoHead.assign(size_t(lex.Size()) + 2, -1);
        memoEntries.reserve(size_t(lex.Size()) / 4 + 16);
        out.reserve(size_t(lex.Size()) / 2 + 16);
    }

    TovILParser &p;
    const TovGrammar &g;
    TovParser &lex;
    std::vector<OutEntry> out;
    std::vector<RecordedError> errors; // interned; err state = index or -1
    int err = -1;
    bool aborted = false;
    int depth = 0;
    int furthest = 1; // start of the furthest token looked at
    std::vector<int> memoHead;        // by position: first entry, -1 when none
    std::vector<MemoEntry> memoEntries;
    std::vector<OutEntry> memoOut;    // output slices of the entries

    int skippedPos(int from)
    {
        const int cur = lex.Position();
        lex.SetPosition(from);
        lex.SkipSpaces();
        const int r = lex.Position();
        lex.SetPosition(cur);
        return r;
    }

    void record(const QString &msg, int pos, bool term)
    {
        if (err >= 0 || msg.isEmpty())
            return;
        errors.push_back({msg, pos, term, false});
        err = int(errors.size()) - 1;
    }

    void abort(const QString &msg, int pos)
    {
        errors.push_back({msg, pos, false, true});
        err = int(errors.size()) - 1;
        aborted = true;
    }

    bool tokenEquals(const QString &tok, const QString &text) const
    {
        if (text.isNull())
            return true;
        if (g.caseSensitive || lex.CaseSensitive())
            return tok == text;
        return tok.compare(text, Qt::CaseInsensitive) == 0;
    }

    void pushLeaf(int name, const QString &text, int pos)
    {
        OutEntry e;
        e.kind = OutEntry::Leaf;
        e.name = name;
        e.text = text;
        e.pos = pos;
        out.push_back(std::move(e));
    }

    // Reads one token of a terminal; true when it matches. The token text is
    // made only when a leaf needs it.
    bool terminal(const GNode *e, QString &tok)
    {
        switch (e->kind) {
        case GKind::Char: {
            if (e->skip)
                lex.SkipSpaces();
            if (lex.Position() > furthest)
                furthest = lex.Position();
            const char16_t c = lex.GetCharCode();
            if (!c || (!e->text.isNull() && (e->text.size() != 1 || e->text.at(0).unicode() != c)))
                return false;
            if (e->add >= 0 && !e->hasAddText)
                tok = QString(QChar(c));
            return true;
        }
        case GKind::Keyword:
        case GKind::Ident: {
            const QStringView w = lex.GetWordView();
            if (lex.LastPosition() > furthest)
                furthest = lex.LastPosition();
            if (w.isEmpty())
                return false;
            if (e->kind == GKind::Ident && lex.IsKeyWord(w))
                return false;
            if (!e->text.isNull()) {
                const bool same = (g.caseSensitive || lex.CaseSensitive())
                                      ? w == e->text
                                      : w.compare(e->text, Qt::CaseInsensitive) == 0;
                if (!same)
                    return false;
            }
            if (e->add >= 0 && !e->hasAddText)
                tok = w.toString();
            return true;
        }
        case GKind::Number: tok = lex.GetNumber(); break;
        case GKind::String: tok = lex.GetString(); break;
        case GKind::VDString: {
            tok = lex.GetVDString();
            if (tok.isEmpty())
                return false;
            if (!tokenEquals(tok, e->text))
                return false;
            // A report text is a call of the host's Get with the text as argument.
            const int at = lex.Position();
            OutEntry o;
            o.kind = OutEntry::Open; o.name = g.dsgnId; o.pos = at;
            out.push_back(o);
            pushLeaf(g.nodeId, QStringLiteral("Get"), at);
            o.name = g.exprId;
            out.push_back(o);
            pushLeaf(g.stringId, QLatin1Char('\'') + tok + QLatin1Char('\''), at);
            OutEntry c;
            c.kind = OutEntry::Close; c.name = g.exprId;
            out.push_back(c);
            c.name = g.dsgnId;
            out.push_back(c);
            return true;
        }
        default: return false;
        }
        if (lex.LastPosition() > furthest)
            furthest = lex.LastPosition();
        return !tok.isEmpty() && tokenEquals(tok, e->text);
    }

    bool matchChildren(const GNode *e)
    {
        for (const GNode *c : e->children)
            if (!match(c))
                return false;
        return true;
    }

    // Wraps out[n0..] in the element `name`; the opening entry was reserved at n0.
    void closeNode(int name, size_t n0, int p0)
    {
        OutEntry &o = out[n0];
        o.kind = OutEntry::Open;
        o.name = name;
        o.pos = skippedPos(p0);
        if (name == g.exprId)
            o.pos1 = lex.Position();
        OutEntry c;
        c.kind = OutEntry::Close;
        c.name = name;
        out.push_back(std::move(c));
    }

    bool matchRule(const GNode *rule)
    {
        const int p0 = lex.Position();
        // A rule is remembered from its second match at a position on, so that
        // text matched once (the usual case) costs no copies.
        int marker = -1;
        if (rule->memo && p0 >= 0 && size_t(p0) < memoHead.size()) {
            for (int i = memoHead[size_t(p0)]; i >= 0; i = memoEntries[size_t(i)].next) {
                const MemoEntry &m = memoEntries[size_t(i)];
                if (m.rule != rule->index || m.err != err)
                    continue;
                if (m.outCount == kVisited) {
                    marker = i;
                    break;
                }
                out.insert(out.end(), memoOut.begin() + qsizetype(m.outStart),
                           memoOut.begin() + qsizetype(m.outStart + m.outCount));
                lex.SetPosition(m.endPos);
                err = m.exitErr;
                return m.ok;
            }
            if (marker < 0) {
                memoEntries.push_back(MemoEntry{rule->index, err, memoHead[size_t(p0)], false, 0, 0, 0, kVisited});
                memoHead[size_t(p0)] = int(memoEntries.size()) - 1;
            }
        }
        const size_t n0 = out.size();
        const bool isUses = rule->node >= 0 && rule->node == g.usesId;
        if (rule->node >= 0 && !isUses)
            out.emplace_back();
        bool ok = matchChildren(rule);
        if (isUses) {
            if (ok)
                ok = inlineUnits(n0);
        } else if (rule->node >= 0) {
            if (ok)
                closeNode(rule->node, n0, p0);
            else
                out.resize(n0);
        }
        if (!ok)
            lex.SetPosition(p0);
        if (marker >= 0 && !aborted && out.size() - n0 <= kMemoMaxEntries) {
            MemoEntry &m = memoEntries[size_t(marker)];
            m.ok = ok;
            m.endPos = lex.Position();
            m.exitErr = err;
            m.outStart = memoOut.size();
            m.outCount = out.size() - n0;
            memoOut.insert(memoOut.end(), out.begin() + qsizetype(n0), out.end());
        }
        return ok;
    }

    bool matchLoop(const GNode *e)
    {
        const int p0 = lex.Position();
        int rounds = 0;
        bool lastOk = false;
        int endPos = p0;
        for (;;) {
            const int roundStart = lex.Position();
            ++rounds;
            lastOk = true;
            int after = roundStart;
            for (const GNode *c : e->children) {
                if (!match(c)) {
                    lastOk = false;
                    break;
                }
                after = lex.Position();
            }
            endPos = after;
            if (aborted)
                return false;
            if (!lastOk)
                break;
            if (!e->text.isNull()) {
                lex.SkipSpaces();
                if (lex.GetChar() != e->text) {
                    lex.SetPosition(after);
                    break;
                }
            }
            if (lex.Position() == roundStart)
                break;
        }
        bool ok;
        if (rounds > 1) {
            if (err >= 0 && !errors[size_t(err)].fatal && (e->skip || errors[size_t(err)].term))
                err = -1;
            lex.SetPosition(endPos);
            ok = true;
        } else {
            ok = lastOk;
            if (ok)
                lex.SetPosition(endPos);
        }
        if (!ok && e->kind == GKind::OptionalLoop) {
            lex.SetPosition(p0);
            return true;
        }
        if (!ok)
            lex.SetPosition(p0);
        return ok;
    }

    bool match(const GNode *e)
    {
        if (aborted)
            return false;
        if (++depth > TovILParser::MaxDepth || ovStackLow()) {
            abort(SNestingTooDeep, skippedPos(lex.Position()));
            --depth;
            return false;
        }
        const bool r = matchElement(e);
        --depth;
        return r;
    }

    bool matchElement(const GNode *e)
    {
        const int p0 = lex.Position();
        switch (e->kind) {
        case GKind::Switch:
        case GKind::OptionalSwitch:
            for (const GNode *c : e->children)
                if (match(c))
                    return true;
            if (aborted)
                return false;
            lex.SetPosition(p0);
            if (e->kind == GKind::OptionalSwitch)
                return true;
            if (!e->err.isEmpty())
                record(e->err, skippedPos(p0), e->term);
            return false;
        case GKind::Loop:
        case GKind::OptionalLoop:
            return matchLoop(e);
        case GKind::Optional:
            for (const GNode *c : e->children)
                if (!match(c)) {
                    if (aborted)
                        return false;
                    lex.SetPosition(p0);
                    break;
                }
            return true;
        case GKind::Rule:
            return matchRule(e);
        default:
            break;
        }

        const size_t n0 = out.size();
        const bool isUses = e->node >= 0 && e->node == g.usesId;
        if (e->node >= 0 && !isUses)
            out.emplace_back(); // opening tag, filled in on success
        bool ok;
        QString tok;
        switch (e->kind) {
        case GKind::EOL: ok = lex.GetEOL(); break;
        case GKind::Sequence: ok = matchChildren(e); break;
        case GKind::Ref:
            if (e->rule < 0)
                throw Exception(SInvalidLanguage);
            ok = matchRule(g.rules[size_t(e->rule)]);
            break;
        default: ok = terminal(e, tok); break;
        }
        if (ok) {
            if (e->node >= 0) {
                if (isUses) {
                    ok = inlineUnits(n0);
                } else {
                    closeNode(e->node, n0, p0);
                }
            }
            if (ok && e->add >= 0)
                pushLeaf(e->add, e->hasAddText ? e->addText : tok, lex.Position());
            if (ok && e->kind != GKind::Sequence)
                ok = matchChildren(e);
            if (ok)
                return true;
        } else if (!aborted && e->kind != GKind::Sequence && !e->err.isEmpty()) {
            record(e->err, skippedPos(p0), e->term);
        }
        lex.SetPosition(p0);
        if (e->node >= 0 && !isUses)
            out.resize(n0);
        return false;
    }

    // Replaces the file leaves written since n0 by the inlined units.
    bool inlineUnits(size_t n0)
    {
        std::vector<OutEntry> units;
        std::vector<OutEntry> rest;
        for (size_t i = n0; i < out.size(); ++i) {
            if (out[i].kind == OutEntry::Leaf && out[i].name == g.fileId)
                continue;
            rest.push_back(out[i]);
        }
        for (size_t i = out.size(); i-- > n0;) {
            if (out[i].kind != OutEntry::Leaf || out[i].name != g.fileId)
                continue;
            const QString file = out[i].text.mid(1, out[i].text.size() - 2);
            bool used = false;
            for (const QString &u : p.m_usesList)
                if (u.compare(file, Qt::CaseInsensitive) == 0)
                    used = true;
            if (used)
                continue;
            p.m_usesList.append(file);
            OutEntry unitEntry;
            unitEntry.kind = OutEntry::Unit;
            unitEntry.text = file;
            if (!translateUnit(file, unitEntry))
                return false;
            units.push_back(std::move(unitEntry));
        }
        out.resize(n0);
        out.insert(out.end(), units.begin(), units.end());
        out.insert(out.end(), rest.begin(), rest.end());
        return true;
    }

    bool translateUnit(const QString &file, OutEntry &entry)
    {
        TovILProgram *prog = p.m_program;
        QString source;
        if (prog->OnGetUnit) {
            prog->OnGetUnit(prog, file, source);
        } else {
            QString path;
            const QStringList folders = prog->IncludePath.isEmpty() ? QStringList{QString()} : prog->IncludePath;
            for (QString folder : folders) {
                folder.replace(QLatin1Char('\\'), QLatin1Char('/'));
                if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
                    folder += QLatin1Char('/');
                path = folder + QString(file).replace(QLatin1Char('\\'), QLatin1Char('/'));
                if (QFileInfo::exists(path))
                    break;
            }
            QFile f(path);
            if (!f.open(QIODevice::ReadOnly))
                throw Exception(QStringLiteral("Cannot open file \"%1\". %2").arg(path, f.errorString()));
            source = decodeUnitFile(f.readAll());
        }
        if (source.isEmpty())
            return true;
        TovILParser nested(prog);
        nested.SelectLanguage(p.m_langName);
        nested.m_usesList = p.m_usesList;
        nested.m_unitName = file;
        const QString outerUnit = prog->ErrorUnit;
        prog->ErrorUnit.clear();
        if (nested.MakeILScript(source)) {
            prog->ErrorUnit = outerUnit;
            p.m_usesList = nested.m_usesList;
            auto tree = std::make_shared<TovXMLItem>();
            tree->Assign(nested.ILScript()->Root());
            entry.unit = std::move(tree);
            return true;
        }
        if (prog->ErrorUnit.isEmpty())
            prog->ErrorUnit = file;
        errors.push_back({prog->ErrorMsg, -1, false, true});
        unitErrorPos = prog->ErrorPos;
        err = int(errors.size()) - 1;
        aborted = true;
        return false;
    }

    QString unitErrorPos;

    QString errorPosText(const RecordedError &e) const
    {
        if (e.pos < 0)
            return unitErrorPos;
        return lex.XYPositionOf(e.pos);
    }

    static void appendInt(QString &s, int v)
    {
        char16_t buf[12];
        int n = 0;
        unsigned u = unsigned(v < 0 ? 0 : v);
        do {
            buf[n++] = char16_t(u'0' + u % 10);
            u /= 10;
        } while (u);
        while (n)
            s += QChar(buf[--n]);
    }

    void appendPos(QString &s, const char *name, int pos) const
    {
        int line, col;
        lex.LineColOf(pos, line, col);
        s += QLatin1String(name);
        s += QLatin1String("=\"");
        appendInt(s, line);
        s += QLatin1Char(':');
        appendInt(s, col);
        s += QLatin1Char('"');
    }

    // Builds the IL tree under root from the output entries.
    void buildTree(TovXMLItem *root) const
    {
        std::vector<TovXMLItem *> stack{root};
        QString t;
        for (const OutEntry &e : out) {
            switch (e.kind) {
            case OutEntry::Open: {
                TovXMLItem *item = stack.back()->Add();
                item->SetName(g.names.at(e.name));
                t.clear();
                appendPos(t, "pos", e.pos);
                if (e.pos1 >= 0) {
                    t += QLatin1Char(' ');
                    appendPos(t, "pos1", e.pos1);
                }
                item->SetText(QString(t));
                stack.push_back(item);
                break;
            }
            case OutEntry::Close:
                if (stack.size() > 1)
                    stack.pop_back();
                break;
            case OutEntry::Leaf: {
                TovXMLItem *item = stack.back()->Add();
                item->SetName(g.names.at(e.name));
                t.clear();
                t += QLatin1String("text=\"");
                t += ovStrToXML(e.text);
                t += QLatin1String("\" ");
                appendPos(t, "pos", e.pos);
                item->SetText(QString(t));
                break;
            }
            case OutEntry::Unit: {
                TovXMLItem *item = stack.back()->Add();
                item->SetName(QStringLiteral("uses"));
                item->SetProp(QStringLiteral("unit"), e.text);
                if (e.unit)
                    item->Add()->Assign(e.unit.get());
                break;
            }
            }
        }
    }
};

// ---------------------------------------------------------------- translator

TovILParser::TovILParser(TovILProgram *program)
    : m_program(program), m_ilScript(std::make_unique<TovXMLDocument>()), m_parser(std::make_unique<TovParser>())
{
}

TovILParser::~TovILParser() = default;

const TovXMLDocument *TovILParser::Grammar() const
{
    return m_grammar ? m_grammar->doc.get() : nullptr;
}

void TovILParser::SelectLanguage(const QString &langName)
{
    const QString text = ovGetLanguageGrammar(langName);
    std::shared_ptr<const TovGrammar> g;
    try {
        g = grammarFor(text);
    } catch (const EovXMLError &) {
        throw Exception(SInvalidLanguage);
    }
    // Settings a grammar only ever switches on (case rule, second comment
    // mark, undeclared names as variables) stay as the language chosen first
    // left them: a program that switches language keeps its host's rules.
    m_parser->Clear();
    m_grammar = g;
    m_langName = langName;
    for (const QString &k : g->keywords)
        m_parser->AddKeyword(k);
    for (const auto &s : g->settings) {
        const QString &n = s.first;
        const QString &v = s.second;
        if (n == QLatin1String("identchars"))
            m_parser->ConstructCharset(v);
        else if (n == QLatin1String("commentline1"))
            m_parser->SetCommentLine1(v);
        else if (n == QLatin1String("commentline2"))
            m_parser->SetCommentLine2(v);
        else if (n == QLatin1String("commentblock1"))
            m_parser->SetCommentBlock1(v);
        else if (n == QLatin1String("commentblock2"))
            m_parser->SetCommentBlock2(v);
        else if (n == QLatin1String("stringquotes"))
            m_parser->SetStringQuotes(v);
        else if (n == QLatin1String("hexsequence"))
            m_parser->SetHexSequence(v);
        else if (n == QLatin1String("specstrchar") && v == QLatin1String("1"))
            m_parser->SetSpecStrChar(true);
        else if (n == QLatin1String("casesensitive") && v == QLatin1String("1"))
            m_parser->SetCaseSensitive(true);
        else if (n == QLatin1String("skipeol") && v == QLatin1String("0"))
            m_parser->SetSkipEOL(false);
        else if (n == QLatin1String("skipchar"))
            m_parser->SetSkiPChar(v);
        else if (n == QLatin1String("declarevars") && v == QLatin1String("0"))
            m_needDeclareVars = false;
    }
    if (m_program && m_program->ExtendedCharset) {
        TovIdentifierCharset cs = m_parser->IdentifierCharset();
        for (int c = 128; c < 256; ++c)
            cs.set(size_t(c));
        m_parser->SetIdentifierCharset(cs);
    }
}

bool TovILParser::MakeILScript(const QString &text)
{
    m_ilScript->Clear();
    m_ilScript->Root()->SetName(QString());
    m_ilScript->Root()->SetText(QString());
    if (!m_grammar)
        SelectLanguage(QStringLiteral("VevuvaRirivo"));
    m_parser->SetText(text);

    // "#language Name" on the first line selects the grammar of the rest.
    int start = 1;
    if (text.startsWith(QLatin1Char('#'))) {
        m_parser->SetPosition(2);
        if (m_parser->GetWord().compare(QLatin1String("language"), Qt::CaseInsensitive) == 0) {
            int e = m_parser->Position();
            while (e <= text.size() && text.at(e - 1) != QLatin1Char('\r') && text.at(e - 1) != QLatin1Char('\n'))
                ++e;
            const QString name = text.mid(m_parser->Position() - 1, e - m_parser->Position()).trimmed();
            SelectLanguage(name);
            m_parser->SetText(text);
            if (e <= text.size() && text.at(e - 1) == QLatin1Char('\r'))
                ++e;
            if (e <= text.size() && text.at(e - 1) == QLatin1Char('\n'))
                ++e;
            start = e;
        }
    }
    // Line-based grammars end every statement line with a line end: give the
    // last line one when the text lacks it.
    if (!m_parser->SkipEOL() && !text.isEmpty() && !text.endsWith(QLatin1Char('\n'))
        && !text.endsWith(QLatin1Char('\r')))
        m_parser->SetText(text + QLatin1Char('\n'));
    m_parser->SetPosition(start);

    if (m_grammar->programRule < 0)
        throw Exception(SInvalidLanguage);
    TovMatcher m(*this);
    bool ok = m.matchRule(m_grammar->rules[size_t(m_grammar->programRule)]);
    if (ok && m.err < 0) {
        // Nothing but blanks, comments and line ends may follow the program.
        m_parser->SkipSpaces();
        while (m_parser->GetEOL()) {
        }
        if (m_parser->Position() <= m_parser->Size())
            m.record(SUnexpectedText, m_parser->Position(), false);
    }
    if (ok && m.err < 0) {
        TovXMLItem *root = m_ilScript->Root();
        root->SetName(QStringLiteral("program"));
        m.buildTree(root);
        if (m_grammar->doc->Root()->Find(QStringLiteral("types")) >= 0)
            root->Add()->Assign(m_grammar->doc->Root()->Items(m_grammar->doc->Root()->Find(QStringLiteral("types"))));
        else
            root->Add()->SetName(QStringLiteral("types"));
        m_program->ErrorMsg.clear();
        m_program->ErrorPos.clear();
        return true;
    }
    if (m.err >= 0) {
        m_program->ErrorMsg = m.errors[size_t(m.err)].msg;
        m_program->ErrorPos = m.errorPosText(m.errors[size_t(m.err)]);
    } else {
        // A text that does not match always gets a message.
        m_program->ErrorMsg = SSyntaxError;
        m_program->ErrorPos = m_parser->XYPositionOf(m.furthest);
    }
    return false;
}
