#include "script/ov_iconst.h"

QString SLangNotFound = QStringLiteral("Language '%s' not found");
QString SInvalidLanguage = QStringLiteral("Invalid language definition");
QString SIdRedeclared = QStringLiteral("Identifier redeclared: ");
QString SUnknownType = QStringLiteral("Unknown type: ");
QString SIncompatibleTypes = QStringLiteral("Incompatible types");
QString SIdUndeclared = QStringLiteral("Undeclared identifier: ");
QString SClassRequired = QStringLiteral("Class type required");
QString SIndexRequired = QStringLiteral("Index required");
QString SStringError = QStringLiteral("Strings doesn't have properties or methods");
QString SClassError = QStringLiteral("Class %s does not have a default property");
QString SArrayRequired = QStringLiteral("Array type required");
QString SVarRequired = QStringLiteral("Variable required");
QString SNotEnoughParams = QStringLiteral("Not enough actual parameters");
QString STooManyParams = QStringLiteral("Too many actual parameters");
QString SLeftCantAssigned = QStringLiteral("Left side cannot be assigned to");
QString SForError = QStringLiteral("For loop variable must be numeric variable");
QString SEventError = QStringLiteral("Event handler must be a procedure");
QString SComponentNotFound = QStringLiteral("Component with name %s not found");
QString SCantAssignComponentField = QStringLiteral("Can not assign value to component field %s");

QString SNestingTooDeep = QStringLiteral("Nesting too deep");
QString SUnexpectedText = QStringLiteral("Unexpected text after the end of the program");
QString SSyntaxError = QStringLiteral("Syntax error");

#include "core/vdxRes.h"

namespace {
// Hands the localisable messages to the string resources so they follow
// language changes. Runs with this file's initialisation, after the texts above.
[[maybe_unused]] const bool g_targetsSet = [] {
    vdxSetScriptMessageTargets({&SLangNotFound, &SInvalidLanguage, &SIdRedeclared, &SUnknownType,
                                &SIncompatibleTypes, &SIdUndeclared, &SClassRequired, &SIndexRequired,
                                &SStringError, &SClassError, &SArrayRequired, &SVarRequired,
                                &SNotEnoughParams, &STooManyParams, &SLeftCantAssigned, &SForError,
                                &SEventError});
    return true;
}();
} // namespace
