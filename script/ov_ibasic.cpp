// The Basic-like script language and its grammar.
#include "script/ov_ibasic.h"
#include "script/ov_iparser.h"

namespace {

const char *const kGrammar = R"XML(<?xml version="1.0"?>
<language text="DadavOvurid">
<parser>
  <commentline1 text="'"/>
  <commentline2 text="rem"/>
  <commentblock1 text="/\,/\"/>
  <commentblock2 text="/\,/\"/>
  <stringquotes text="&#34;"/>
  <hexsequence text="0x"/>
  <skipeol text="0"/>
  <skipchar text="_"/>
  <declarevars text="0"/>
  <keywords>
    <addressof/><and/><as/><byref/><byval/><case/><catch/><delete/><dim/><do/><else/><elseif/>
    <end/><endif/><exit/><finally/><for/><function/><if/><imports/><is/><loop/><mod/><new/>
    <next/><not/><or/><rem/><return/><select/><set/><step/><sub/><then/><to/><try/><wend/>
    <while/><with/><xor/>
  </keywords>
  <errors>
    <err1 text="Identifier expected"/>
    <err2 text="Expression expected"/>
    <err3 text="End of line expected"/>
    <err4 text="':' expected"/>
    <err5 text="';' expected"/>
    <err6 text="'.' expected"/>
    <err7 text="')' expected"/>
    <err8 text="']' expected"/>
    <err9 text="'=' expected"/>
    <err10 text="'TO' expected"/>
    <err11 text="'END' expected"/>
    <err12 text="'(' expected"/>
    <err13 text="'THEN' expected"/>
    <err14 text="'WHILE' expected"/>
    <err15 text="'CASE' expected"/>
    <err16 text="'SELECT' expected"/>
    <err17 text="'FINALLY' or 'CATCH' expected"/>
    <err18 text="'[' expected"/>
    <err19 text="'..' expected"/>
    <err20 text="'&#62;' expected"/>
    <err21 text="'WEND' expected"/>
    <err22 text="'NEXT' expected"/>
    <err23 text="'WITH' expected"/>
    <err24 text="'TRY' expected"/>
    <err25 text="'SUB' expected"/>
    <err26 text="'FUNCTION' expected"/>
    <err27 text="'ELSE' expected"/>
    <err28 text="'IF' expected"/>
  </errors>
</parser>
<types>
  <decimal type="extended"/>
</types>

<program>
  <lines/>
</program>

<lines>
  <optionalloop><line/></optionalloop>
</lines>

<line>
  <switch>
    <sequence><loop text=":"><statement/></loop><eol err="err3"/></sequence>
    <eol/>
  </switch>
</line>

<block node="compoundstmt">
  <lines/>
</block>

<inlinestmts>
  <loop text=":"><statement/></loop>
</inlinestmts>

<statement>
  <switch>
    <dimstmt/>
    <ifstmt/>
    <selectstmt/>
    <forstmt/>
    <whilestmt/>
    <dostmt/>
    <trystmt/>
    <withstmt/>
    <subdecl/>
    <functiondecl/>
    <importsstmt/>
    <sequence><keyword text="exit" node="exit"/><optionalswitch><keyword text="sub"/><keyword text="function"/></optionalswitch></sequence>
    <keyword text="break" node="break"/>
    <keyword text="continue" node="continue"/>
    <returnstmt/>
    <deletestmt/>
    <assignstmt/>
    <callstmt/>
  </switch>
</statement>

<importsstmt node="uses">
  <keyword text="imports"/>
  <loop text=","><string add="file" err="err1"/></loop>
</importsstmt>

<dimstmt>
  <keyword text="dim"/>
  <loop text=","><vardecl/></loop>
</dimstmt>

<vardecl node="var">
  <ident add="ident" err="err1"/>
  <optional><arraydims/></optional>
  <optional><keyword text="as"/><ident add="type" err="err1"/></optional>
  <optional><char text="="/><expression node="init" err="err2"/></optional>
</vardecl>

<arraydims node="array">
  <switch>
    <sequence><char text="["/><loop text=","><dim/></loop><char text="]" err="err8"/></sequence>
    <sequence><char text="("/><loop text=","><dim/></loop><char text=")" err="err7"/></sequence>
  </switch>
</arraydims>

<dim node="dim">
  <expression err="err2"/>
  <optional><char text="."/><char text="." skip="0"/><expression err="err2"/></optional>
</dim>

<subdecl node="procedure">
  <keyword text="sub"/>
  <ident add="name" err="err1"/>
  <optionalswitch><noparams/><formalparams/></optionalswitch>
  <eol err="err3"/>
  <block/>
  <keyword text="end" err="err11"/>
  <keyword text="sub" err="err25" node="exit"/>
</subdecl>

<functiondecl node="function">
  <keyword text="function"/>
  <ident add="name" err="err1"/>
  <optionalswitch><noparams/><formalparams/></optionalswitch>
  <optional><keyword text="as"/><ident add="type" err="err1"/></optional>
  <eol err="err3"/>
  <block/>
  <keyword text="end" err="err11"/>
  <keyword text="function" err="err26" node="exit"/>
</functiondecl>

<noparams>
  <char text="("/>
  <char text=")"/>
</noparams>

<formalparams node="parameters">
  <char text="("/>
  <optionalloop text=","><paramgroup/></optionalloop>
  <char text=")" err="err7"/>
</formalparams>

<paramgroup>
  <optionalswitch>
    <keyword text="byref" node="varparams"/>
    <keyword text="byval"/>
  </optionalswitch>
  <paramvar/>
</paramgroup>

<paramvar node="var">
  <ident add="ident" err="err1"/>
  <optional><keyword text="as"/><ident add="type" err="err1"/></optional>
  <optional><char text="="/><expression node="init" err="err2"/></optional>
</paramvar>

<assignstmt node="assignstmt">
  <optional><keyword text="set"/></optional>
  <designator/>
  <switch>
    <sequence add="modificator" addtext="+"><char text="+"/><char text="=" skip="0"/></sequence>
    <sequence add="modificator" addtext="-"><char text="-"/><char text="=" skip="0"/></sequence>
    <sequence add="modificator" addtext="*"><char text="*"/><char text="=" skip="0"/></sequence>
    <sequence add="modificator" addtext="/"><char text="/"/><char text="=" skip="0"/></sequence>
    <char text="="/>
  </switch>
  <expression err="err2"/>
</assignstmt>

<callstmt node="callstmt">
  <designator/>
  <optionalswitch>
    <sequence add="modificator" addtext="+"><char text="+"/><char text="+" skip="0"/></sequence>
    <sequence add="modificator" addtext="-"><char text="-"/><char text="-" skip="0"/></sequence>
  </optionalswitch>
</callstmt>

<ifstmt node="ifstmt">
  <keyword text="if"/>
  <expression err="err2"/>
  <keyword text="then" err="err13"/>
  <switch>
    <sequence>
      <eol/>
      <sequence node="thenstmt"><block/></sequence>
      <ifblocktail/>
    </sequence>
    <sequence>
      <inlinestmts node="thenstmt"/>
      <optional><keyword text="else"/><inlinestmts node="elsestmt"/></optional>
    </sequence>
  </switch>
</ifstmt>

<ifblocktail>
  <switch>
    <sequence node="elsestmt"><keyword text="elseif"/><elseifstmt/></sequence>
    <sequence>
      <optional><keyword text="else"/><sequence node="elsestmt"><eol err="err3"/><block/></sequence></optional>
      <endif/>
    </sequence>
  </switch>
</ifblocktail>

<elseifstmt node="ifstmt">
  <expression err="err2"/>
  <keyword text="then" err="err13"/>
  <eol err="err3"/>
  <sequence node="thenstmt"><block/></sequence>
  <ifblocktail/>
</elseifstmt>

<endif>
  <switch err="err11">
    <keyword text="endif"/>
    <sequence><keyword text="end"/><keyword text="if" err="err28"/></sequence>
  </switch>
</endif>

<selectstmt node="casestmt">
  <keyword text="select"/>
  <keyword text="case" err="err15"/>
  <expression err="err2"/>
  <eol err="err3"/>
  <optionalloop><eol/></optionalloop>
  <optionalloop><caseselector/></optionalloop>
  <optional><keyword text="case"/><keyword text="else" err="err27"/><casebody/></optional>
  <keyword text="end" err="err11"/>
  <keyword text="select" err="err16"/>
</selectstmt>

<caseselector node="caseselector">
  <keyword text="case"/>
  <caselabels/>
  <casebody/>
</caseselector>

<casebody node="compoundstmt">
  <optional><char text=":"/></optional>
  <lines/>
</casebody>

<caselabels node="set">
  <loop text=",">
    <expression/>
    <optional>
      <switch>
        <sequence add="range" addtext=".."><char text="."/><char text="." skip="0"/></sequence>
        <keyword text="to" add="range" addtext=".."/>
      </switch>
      <expression err="err2"/>
    </optional>
  </loop>
</caselabels>

<forstmt node="vbforstmt">
  <keyword text="for"/>
  <ident add="ident" err="err1"/>
  <char text="=" err="err9"/>
  <expression err="err2"/>
  <keyword text="to" err="err10"/>
  <expression err="err2"/>
  <optional><keyword text="step"/><expression err="err2"/></optional>
  <eol err="err3"/>
  <block/>
  <keyword text="next" err="err22"/>
  <optional><ident/></optional>
</forstmt>

<whilestmt node="whilestmt">
  <keyword text="while"/>
  <expression err="err2"/>
  <eol err="err3"/>
  <block/>
  <keyword text="wend" err="err21"/>
</whilestmt>

<dostmt node="repeatstmt">
  <keyword text="do"/>
  <eol err="err3"/>
  <lines/>
  <keyword text="loop"/>
  <switch err="err14">
    <sequence><keyword text="until"/><expression err="err2"/></sequence>
    <sequence><keyword text="while"/><expression err="err2" add="inverse" addtext="while"/></sequence>
  </switch>
</dostmt>

<trystmt node="trystmt">
  <keyword text="try"/>
  <eol err="err3"/>
  <lines/>
  <switch err="err17">
    <sequence node="finallystmt"><keyword text="finally"/><eol err="err3"/><lines/></sequence>
    <sequence node="exceptstmt"><keyword text="catch"/><optional><ident/></optional><eol err="err3"/><lines/></sequence>
  </switch>
  <keyword text="end" err="err11"/>
  <keyword text="try" err="err24"/>
</trystmt>

<withstmt node="with">
  <keyword text="with"/>
  <designator err="err1"/>
  <eol err="err3"/>
  <block/>
  <keyword text="end" err="err11"/>
  <keyword text="with" err="err23"/>
</withstmt>

<returnstmt node="return">
  <keyword text="return"/>
  <optional><expression/></optional>
</returnstmt>

<deletestmt node="delete">
  <keyword text="delete"/>
  <designator err="err1"/>
</deletestmt>

<expression node="expr">
  <simpleexpression/>
  <optionalloop><relop/><simpleexpression err="err2"/></optionalloop>
</expression>

<simpleexpression>
  <optional><char text="-" add="op" addtext="unminus"/></optional>
  <term/>
  <optionalloop><addop/><term err="err2"/></optionalloop>
</simpleexpression>

<term>
  <factor/>
  <optionalloop><mulop/><factor err="err2"/></optionalloop>
</term>

<factor>
  <switch>
    <sequence node="new"><keyword text="new"/><designator err="err1"/></sequence>
    <designator/>
    <number add="number"/>
    <string add="string"/>
    <sequence><char text="(" add="op"/><expression err="err2"/><char text=")" add="op" err="err7"/></sequence>
    <sequence><keyword text="not" add="op" addtext="not"/><factor err="err2"/></sequence>
    <sequence><char text="["/><setconstructor/><char text="]" err="err8"/></sequence>
    <sequence><char text="&#60;"/><vdstring/><char text="&#62;" err="err20"/></sequence>
  </switch>
</factor>

<setconstructor node="set">
  <optionalloop text=",">
    <expression/>
    <optional><char text="."/><char text="." skip="0" add="range" addtext=".."/><expression err="err2"/></optional>
  </optionalloop>
</setconstructor>

<relop>
  <switch>
    <sequence add="op" addtext="&#60;&#62;"><char text="&#60;"/><char text="&#62;" skip="0"/></sequence>
    <sequence add="op" addtext="&#60;="><char text="&#60;"/><char text="=" skip="0"/></sequence>
    <sequence add="op" addtext="&#62;="><char text="&#62;"/><char text="=" skip="0"/></sequence>
    <char text="&#60;" add="op"/>
    <char text="&#62;" add="op"/>
    <char text="=" add="op"/>
    <keyword text="in" add="op" addtext="in"/>
    <keyword text="is" add="op" addtext="is"/>
  </switch>
</relop>

<addop>
  <switch>
    <char text="+" add="op"/>
    <char text="-" add="op"/>
    <keyword text="or" add="op" addtext="or"/>
    <keyword text="xor" add="op" addtext="xor"/>
    <char text="&#38;" add="op" addtext="strcat"/>
  </switch>
</addop>

<mulop>
  <switch>
    <char text="*" add="op"/>
    <char text="/" add="op"/>
    <char text="\" add="op" addtext="div"/>
    <keyword text="mod" add="op" addtext="mod"/>
    <keyword text="and" add="op" addtext="and"/>
  </switch>
</mulop>

<designator node="dsgn">
  <optional><keyword text="addressof" add="addr"/></optional>
  <ident add="node"/>
  <optionalloop>
    <switch>
      <sequence><char text="."/><keyword add="node"/></sequence>
      <sequence><char text="[" add="node"/><exprlist/><char text="]" err="err8"/></sequence>
      <sequence><char text="("/><arguments/></sequence>
    </switch>
  </optionalloop>
</designator>

<arguments>
  <switch>
    <char text=")"/>
    <sequence><exprlist/><char text=")" err="err7"/></sequence>
  </switch>
</arguments>

<exprlist>
  <loop text=","><expression err="err2"/></loop>
</exprlist>

<empty/>
</language>
)XML";

} // namespace

void ovRegisterBasicLanguage()
{
    vdRegisterClass<TovBasic>();
    ovAddLanguage(QStringLiteral("DadavOvurid"), QString::fromUtf8(kGrammar));
}
