// The JavaScript-like script language and its grammar.
#include "script/ov_ijs.h"
#include "script/ov_iparser.h"

namespace {

const char *const kGrammar = R"XML(<?xml version="1.0"?>
<language text="JScript">
<parser>
  <commentline1 text="//"/>
  <commentblock1 text="/*,*/"/>
  <commentblock2 text="/*,*/"/>
  <stringquotes text="&#34;"/>
  <specstrchar text="1"/>
  <hexsequence text="0x"/>
  <declarevars text="0"/>
  <keywords>
    <break/><case/><continue/><default/><delete/><do/><else/><except/><finally/><for/>
    <function/><import/><in/><is/><if/><new/><return/><switch/><try/><var/><while/><with/>
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
    <err10 text="'{' expected"/>
    <err11 text="'}' expected"/>
    <err12 text="'(' expected"/>
    <err14 text="'WHILE' expected"/>
    <err17 text="'FINALLY' or 'EXCEPT' expected"/>
    <err18 text="'[' expected"/>
    <err19 text="'..' expected"/>
    <err20 text="'&#62;' expected"/>
  </errors>
</parser>
<types/>

<program>
  <optionalloop><statement/></optionalloop>
</program>

<importstmt node="uses">
  <keyword text="import"/>
  <loop text=","><string add="file" err="err1"/></loop>
  <optional><char text=";"/></optional>
</importstmt>

<vardecl>
  <keyword text="var"/>
  <loop text=","><varitem/></loop>
</vardecl>

<varitem node="var">
  <ident add="ident" err="err1"/>
  <optional><arraydims/></optional>
  <optional><char text="="/><expression node="init" err="err2"/></optional>
</varitem>

<arraydims node="array">
  <loop>
    <char text="["/>
    <loop text=","><dim/></loop>
    <char text="]" err="err8"/>
  </loop>
</arraydims>

<dim node="dim">
  <expression err="err2"/>
  <optional><char text="."/><char text="." skip="0"/><expression err="err2"/></optional>
</dim>

<functiondecl node="function">
  <keyword text="function"/>
  <ident add="name" err="err1"/>
  <char text="(" err="err12"/>
  <switch>
    <char text=")"/>
    <sequence><formalparams/><char text=")" err="err7"/></sequence>
  </switch>
  <block err="err10"/>
</functiondecl>

<formalparams node="parameters">
  <optionalloop text=","><paramvar/></optionalloop>
</formalparams>

<paramvar node="var">
  <optional><char text="&#38;" add="varparam"/></optional>
  <ident add="ident" err="err1"/>
</paramvar>

<block node="compoundstmt">
  <char text="{"/>
  <optionalloop><statement/></optionalloop>
  <char text="}" err="err11"/>
</block>

<semicolon>
  <optional><char text=";"/></optional>
</semicolon>

<statement>
  <switch>
    <block/>
    <importstmt/>
    <functiondecl/>
    <sequence><vardecl/><semicolon/></sequence>
    <ifstmt/>
    <switchstmt/>
    <forstmt/>
    <whilestmt/>
    <dostmt/>
    <trystmt/>
    <withstmt/>
    <sequence><keyword text="break" node="break"/><semicolon/></sequence>
    <sequence><keyword text="continue" node="continue"/><semicolon/></sequence>
    <returnstmt/>
    <deletestmt/>
    <sequence><simplestmt/><semicolon/></sequence>
    <char text=";"/>
  </switch>
</statement>

<simplestmt>
  <switch>
    <assignstmt/>
    <callstmt/>
  </switch>
</simplestmt>

<assignstmt node="assignstmt">
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
  <char text="(" err="err12"/>
  <expression err="err2"/>
  <char text=")" err="err7"/>
  <statement node="thenstmt" err="err3"/>
  <optional><keyword text="else"/><statement node="elsestmt" err="err3"/></optional>
</ifstmt>

<switchstmt node="casestmt">
  <keyword text="switch"/>
  <char text="(" err="err12"/>
  <expression err="err2"/>
  <char text=")" err="err7"/>
  <char text="{" err="err10"/>
  <optionalloop><caseselector/></optionalloop>
  <optional><keyword text="default"/><char text=":" err="err4"/><casebody/></optional>
  <char text="}" err="err11"/>
</switchstmt>

<caseselector node="caseselector">
  <keyword text="case"/>
  <caselabels err="err2"/>
  <char text=":" err="err4"/>
  <casebody/>
</caseselector>

<casebody node="compoundstmt">
  <optionalloop><statement/></optionalloop>
</casebody>

<caselabels node="set">
  <loop text=",">
    <expression err="err2"/>
    <optional><char text="."/><char text="." skip="0" add="range" addtext=".."/><expression err="err2"/></optional>
  </loop>
</caselabels>

<forstmt node="cppforstmt">
  <keyword text="for"/>
  <char text="(" err="err12"/>
  <foritem/>
  <char text=";" err="err5"/>
  <expression err="err2"/>
  <char text=";" err="err5"/>
  <foritem/>
  <char text=")" err="err7"/>
  <statement err="err3"/>
</forstmt>

<foritem>
  <switch>
    <vardecl/>
    <simplestmt/>
    <empty node="empty"/>
  </switch>
</foritem>

<whilestmt node="whilestmt">
  <keyword text="while"/>
  <char text="(" err="err12"/>
  <expression err="err2"/>
  <char text=")" err="err7"/>
  <statement err="err3"/>
</whilestmt>

<dostmt node="repeatstmt">
  <keyword text="do"/>
  <statement err="err3"/>
  <keyword text="while" err="err14"/>
  <char text="(" err="err12"/>
  <expression err="err2"/>
  <char text=")" err="err7" add="inverse" addtext="while"/>
  <semicolon/>
</dostmt>

<trystmt node="trystmt">
  <keyword text="try"/>
  <statement err="err3"/>
  <switch err="err17">
    <sequence node="finallystmt"><keyword text="finally"/><statement err="err3"/></sequence>
    <sequence node="exceptstmt"><keyword text="except"/><statement err="err3"/></sequence>
  </switch>
</trystmt>

<withstmt node="with">
  <keyword text="with"/>
  <char text="(" err="err12"/>
  <designator err="err1"/>
  <char text=")" err="err7"/>
  <statement err="err3"/>
</withstmt>

<returnstmt node="return">
  <keyword text="return"/>
  <optional><expression/></optional>
  <semicolon/>
</returnstmt>

<deletestmt node="delete">
  <keyword text="delete"/>
  <designator err="err1"/>
  <semicolon/>
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
    <sequence><char text="!" add="op" addtext="not"/><factor err="err2"/></sequence>
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
    <sequence add="op" addtext="&#62;="><char text="&#62;"/><char text="=" skip="0"/></sequence>
    <sequence add="op" addtext="&#60;="><char text="&#60;"/><char text="=" skip="0"/></sequence>
    <sequence add="op" addtext="="><char text="="/><char text="=" skip="0"/></sequence>
    <sequence add="op" addtext="&#60;&#62;"><char text="!"/><char text="=" skip="0"/></sequence>
    <char text="&#62;" add="op"/>
    <char text="&#60;" add="op"/>
    <keyword text="in" add="op" addtext="in"/>
    <keyword text="is" add="op" addtext="is"/>
  </switch>
</relop>

<addop>
  <switch>
    <char text="+" add="op"/>
    <char text="-" add="op"/>
    <sequence add="op" addtext="or"><char text="|"/><char text="|" skip="0"/></sequence>
    <char text="^" add="op" addtext="xor"/>
  </switch>
</addop>

<mulop>
  <switch>
    <char text="*" add="op"/>
    <char text="/" add="op"/>
    <keyword text="div" add="op" addtext="div"/>
    <char text="%" add="op" addtext="mod"/>
    <sequence add="op" addtext="and"><char text="&#38;"/><char text="&#38;" skip="0"/></sequence>
    <sequence add="op" addtext="shl"><char text="&#60;"/><char text="&#60;" skip="0"/></sequence>
    <sequence add="op" addtext="shr"><char text="&#62;"/><char text="&#62;" skip="0"/></sequence>
  </switch>
</mulop>

<designator node="dsgn">
  <optional><char text="&#38;" add="addr"/></optional>
  <ident add="node"/>
  <optionalloop>
    <switch>
      <sequence><char text="."/><keyword add="node"/></sequence>
      <sequence>
        <char text="[" add="node"/><exprlist/><char text="]" err="err8"/>
        <optionalloop><char text="["/><exprlist/><char text="]" err="err8"/></optionalloop>
      </sequence>
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

void ovRegisterJScriptLanguage()
{
    vdRegisterClass<TovJScript>();
    ovAddLanguage(QStringLiteral("JScript"), QString::fromUtf8(kGrammar));
}
