// A text picture of a resolved element tree: one line per element with its
// given and inherited attributes, opacity products, complete matrix and
// bounds.
#pragma once
#include <QString>

class TSVGElementObj;
class TSVGRootObj;

// Whole numbers bare, others with two decimals.
QString SVGDumpNumber(float v);
// The root's tree, matrices computed first; with paths each element's
// geometry follows its line.
QString SVGDumpTree(TSVGRootObj &root, bool paths = false);
// The resolved value of one accepted attribute.
QString SVGDumpAttribute(TSVGElementObj &e, int attribute);
