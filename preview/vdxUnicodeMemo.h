// The multi-line edit the in-place text editors create.
#pragma once
#include <QPlainTextEdit>

class TUnicodeMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    using QPlainTextEdit::QPlainTextEdit;
};
