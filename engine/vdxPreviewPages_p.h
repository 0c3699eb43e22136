// Helpers shared by the prepared-pages source files.
#pragma once
#include <QString>

class TvdXMLItem;
class TvdxComponent;
class TvdComponent;

// Deepest object nesting the store writes or reads.
constexpr int vdxMaxNesting = 256;

// A number attribute: "." or "," and blanks accepted, 0 when absent or bad.
long double vdxPropFloat(const TvdXMLItem *item, const QString &name, bool *present = nullptr);
int vdxPropInt(const TvdXMLItem *item, const QString &name);
// Shortest general text with "." whatever the locale.
QString vdxFloatText(long double value);
// A new object of Obj's registered class, owned by Owner (none when the class
// is not registered).
TvdxComponent *vdxNewComponentLike(const TvdxComponent *obj, TvdComponent *owner);
// Names without the report-wide checks: prepared objects share their source's name.
void vdxSetNameQuiet(TvdxComponent *obj, const QString &name);
