// The Pascal-like script language and its grammar.
#include "script/ov_ipascal.h"
#include "script/ov_iparser.h"

namespace {

const char *const kGrammar = R"XML(<?xml version="1.0"?>
<language text="VevuvaRirivo">
<parser>
  <keywords>
    <and/><array/><begin/><break/><case/><const/><continue/><div/><do/><downto/><else/><end/>
    <except/><exit/><finally/><for/><function/><goto/><if/><in/><is/><label/><mod/><not/><of/>
    <or/><procedure/><program/><repeat/><shl/><shr/><then/><to/><try/><until/><uses/><var/>
    <while/><with/><xor/>
  </keywords>
  <errors>
    <err1 text="Identifier expected"/>
    <err2 text="Expression expected"/>
    <err3 text="Statement expected"/>
    <err4 text="':' expected"/>
    <err5 text="';' expected"/>
    <err6 text="'.' expected"/>
    <err7 text="')' expected"/>
    <err8 text="']' expected"/>
    <err9 text="'=' expected"/>
    <err10 text="'BEGIN' expected"/>
    <err11 text="'END' expected"/>
    <err12 text="'OF' expected"/>
    <err13 text="'THEN' expected"/>
    <err14 text="'UNTIL' expected"/>
    <err15 text="'TO' or 'DOWNTO' expected"/>
    <err16 text="'DO' expected"/>
    <err17 text="'FINALLY' or 'EXCEPT' expected"/>
    <err18 text="'[' expected"/>
    <err19 text="'..' expected"/>
    <err20 text="'&#62;' expected"/>
  </errors>
</parser>
<types/>

<program>
  <optional><keyword text="program"/><ident err="err1"/><char text=";" err="err5"/></optional>
  <optional><usesclause/></optional>
  <declarations/>
  <compoundstmt err="err10"/>
  <char text="." err="err6"/>
</program>

<usesclause node="uses">
  <keyword text="uses"/>
  <loop text=","><string add="file" err="err1"/></loop>
  <char text=";" err="err5"/>
</usesclause>

<declarations>
  <optionalloop>
    <switch>
      <constsection/>
      <varsection/>
      <proceduredecl/>
      <functiondecl/>
    </switch>
  </optionalloop>
</declarations>

<constsection>
  <keyword text="const"/>
  <loop><constdecl/></loop>
</constsection>

<constdecl node="const">
  <ident add="ident" err="err1" term="1"/>
  <char text="=" err="err9"/>
  <expression err="err2"/>
  <char text=";" err="err5"/>
</constdecl>

<varsection>
  <keyword text="var"/>
  <loop><vardecl/></loop>
</varsection>

<vardecl node="var">
  <identlist/>
  <char text=":" err="err4"/>
  <optional><arraytype/></optional>
  <ident add="type" err="err1"/>
  <optional><char text="="/><expression node="init" err="err2"/></optional>
  <char text=";" err="err5"/>
</vardecl>

<identlist>
  <ident add="ident" err="err1" term="1"/>
  <optionalloop><char text=","/><ident add="ident" err="err1"/></optionalloop>
</identlist>

<arraytype node="array">
  <keyword text="array"/>
  <char text="[" err="err18"/>
  <loop text=","><dim/></loop>
  <char text="]" err="err8"/>
  <keyword text="of" err="err12"/>
</arraytype>

<dim node="dim">
  <expression err="err2"/>
  <rangemark err="err19"/>
  <expression err="err2"/>
</dim>

<rangemark>
  <char text="."/>
  <char text="." skip="0"/>
</rangemark>

<proceduredecl node="procedure">
  <keyword text="procedure"/>
  <ident add="name" err="err1"/>
  <optionalswitch><noparams/><formalparams/></optionalswitch>
  <char text=";" err="err5"/>
  <declarations/>
  <compoundstmt err="err10"/>
  <char text=";" err="err5"/>
</proceduredecl>

<functiondecl node="function">
  <keyword text="function"/>
  <ident add="name" err="err1"/>
  <optionalswitch><noparams/><formalparams/></optionalswitch>
  <char text=":" err="err4"/>
  <ident add="type" err="err1"/>
  <char text=";" err="err5"/>
  <declarations/>
  <compoundstmt err="err10"/>
  <char text=";" err="err5"/>
</functiondecl>

<noparams>
  <char text="("/>
  <char text=")"/>
</noparams>

<formalparams node="parameters">
  <char text="("/>
  <optionalloop text=";"><paramgroup/></optionalloop>
  <char text=")" err="err7"/>
</formalparams>

<paramgroup>
  <optionalswitch>
    <keyword text="var" node="varparams"/>
    <keyword text="const"/>
  </optionalswitch>
  <paramvar/>
</paramgroup>

<paramvar node="var">
  <ident add="ident" err="err1"/>
  <optionalloop><char text=","/><ident add="ident" err="err1"/></optionalloop>
  <char text=":" err="err4"/>
  <ident add="type" err="err1"/>
  <optional><char text="="/><expression node="init" err="err2"/></optional>
</paramvar>

<compoundstmt node="compoundstmt">
  <keyword text="begin"/>
  <statementlist/>
  <keyword text="end" err="err5"/>
</compoundstmt>

<statementlist>
  <loop text=";"><statement/></loop>
</statementlist>

<statement>
  <switch>
    <compoundstmt/>
    <ifstmt/>
    <casestmt/>
    <forstmt/>
    <whilestmt/>
    <repeatstmt/>
    <trystmt/>
    <withstmt/>
    <keyword text="break" node="break"/>
    <keyword text="continue" node="continue"/>
    <keyword text="exit" node="exit"/>
    <assignstmt/>
    <callstmt/>
    <empty/>
  </switch>
</statement>

<assignstmt node="assignstmt">
  <designator/>
  <char text=":"/>
  <char text="=" skip="0"/>
  <expression err="err2"/>
</assignstmt>

<callstmt node="callstmt">
  <designator/>
</callstmt>

<ifstmt node="ifstmt">
  <keyword text="if"/>
  <expression err="err2"/>
  <keyword text="then" err="err13"/>
  <statement node="thenstmt"/>
  <optional><keyword text="else"/><statement node="elsestmt"/></optional>
</ifstmt>

<casestmt node="casestmt">
  <keyword text="case"/>
  <expression err="err2"/>
  <keyword text="of" err="err12"/>
  <optionalloop text=";"><caseselector/></optionalloop>
  <optional><keyword text="else"/><statement/></optional>
  <optional><char text=";"/></optional>
  <keyword text="end" err="err11"/>
</casestmt>

<caseselector node="caseselector">
  <caselabels/>
  <char text=":" err="err4"/>
  <statement/>
</caseselector>

<caselabels node="set">
  <loop text=",">
    <expression/>
    <optional><char text="."/><char text="." skip="0" add="range" addtext=".."/><expression err="err2"/></optional>
  </loop>
</caselabels>

<forstmt node="forstmt">
  <keyword text="for"/>
  <ident add="ident" err="err1"/>
  <char text=":" err="err4"/>
  <char text="=" skip="0" err="err9"/>
  <expression err="err2"/>
  <switch err="err15">
    <keyword text="to"/>
    <keyword text="downto" add="downto"/>
  </switch>
  <expression err="err2"/>
  <keyword text="do" err="err16"/>
  <statement/>
</forstmt>

<whilestmt node="whilestmt">
  <keyword text="while"/>
  <expression err="err2"/>
  <keyword text="do" err="err16"/>
  <statement/>
</whilestmt>

<repeatstmt node="repeatstmt">
  <keyword text="repeat"/>
  <statementlist/>
  <keyword text="until" err="err14"/>
  <expression err="err2"/>
</repeatstmt>

<trystmt node="trystmt">
  <keyword text="try"/>
  <statementlist/>
  <switch err="err17">
    <sequence node="finallystmt"><keyword text="finally"/><statementlist/></sequence>
    <sequence node="exceptstmt"><keyword text="except"/><statementlist/></sequence>
  </switch>
  <keyword text="end" err="err11"/>
</trystmt>

<withstmt node="with">
  <keyword text="with"/>
  <loop text=","><designator err="err1"/></loop>
  <keyword text="do" err="err16"/>
  <statement/>
</withstmt>

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
  </switch>
</addop>

<mulop>
  <switch>
    <char text="*" add="op"/>
    <char text="/" add="op"/>
    <keyword text="div" add="op" addtext="div"/>
    <keyword text="mod" add="op" addtext="mod"/>
    <keyword text="and" add="op" addtext="and"/>
    <keyword text="shl" add="op" addtext="shl"/>
    <keyword text="shr" add="op" addtext="shr"/>
  </switch>
</mulop>

<designator node="dsgn">
  <optional><char text="@" add="addr"/></optional>
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

void ovRegisterPascalLanguage()
{
    vdRegisterClass<TovPascal>();
    ovAddLanguage(QStringLiteral("VevuvaRirivo"), QString::fromUtf8(kGrammar));
}
