// A text picture of a resolved element tree: one line per element with its
// given and inherited attributes, opacity products and complete matrix.
#pragma once
#include <QString>

class TSVGElementObj;
class TSVGRootObj;

// Whole numbers bare, others with two decimals.
QString SVGDumpNumber(float v);
// The root's tree, matrices computed first.
QString SVGDumpTree(TSVGRootObj &root);
// The resolved value of one accepted attribute.
QString SVGDumpAttribute(TSVGElementObj &e, int attribute);
