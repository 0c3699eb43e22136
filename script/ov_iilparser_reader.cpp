// Building program objects from the intermediate script.
#include "script/ov_iilparser.h"

#include "script/ov_iclasses.h"
#include "script/ov_iconst.h"
#include "script/ov_iexpression.h"

bool TovILParser::ParseILScript()
{
    return false;
}

TovDesignator *TovILParser::DoDesignator(TovXMLItem *, TovScript *, TovEmitOp)
{
    return nullptr;
}
