// Compile and run-time messages of the script engine. The first seventeen are
// replaced from the string resources when their language changes.
#pragma once
#include <QString>

extern QString SLangNotFound;
extern QString SInvalidLanguage;
extern QString SIdRedeclared;
extern QString SUnknownType;
extern QString SIncompatibleTypes;
extern QString SIdUndeclared;
extern QString SClassRequired;
extern QString SIndexRequired;
extern QString SStringError;
extern QString SClassError;
extern QString SArrayRequired;
extern QString SVarRequired;
extern QString SNotEnoughParams;
extern QString STooManyParams;
extern QString SLeftCantAssigned;
extern QString SForError;
extern QString SEventError;
extern QString SComponentNotFound;
extern QString SCantAssignComponentField;

// Raised by the translator when nesting exceeds its depth limit.
extern QString SNestingTooDeep;
// Reported when text follows the end of the program.
extern QString SUnexpectedText;
// Reported when a text does not match and the grammar names no message.
extern QString SSyntaxError;
