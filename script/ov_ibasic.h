// Component that stands for the Basic-like script language on a form or in the
// designer's palette; the language itself is its grammar.
#pragma once
#include "core/vdPersistent.h"

class TovBasic : public TvdComponent {
    Q_OBJECT
public:
    explicit TovBasic(TvdComponent *owner = nullptr) : TvdComponent(owner) {}
};

// Registers the grammar and the component class.
void ovRegisterBasicLanguage();
