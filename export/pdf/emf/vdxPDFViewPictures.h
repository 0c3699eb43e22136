// Views drawn as pictures (a raster image XObject) and views drawn through
// their own metafile (replayed into the page as vectors).
#pragma once

class TvdxPDFDocument;
class TvdxPDFExport;
class TvdxView;

// Draws View as an image into the current page; answers the image index, or
// -1 when nothing was drawn (no graphic, or a raster under one pixel). The
// view's fill and frame are drawn as vectors around it.
int OutPicture(TvdxPDFExport &filter, TvdxPDFDocument &doc, TvdxView *view);
// Replays the view's metafile into the current page; with Appearance on no
// frame is drawn.
void DrawViewAsMetafile(TvdxPDFExport &filter, TvdxPDFDocument &doc, TvdxView *view, bool appearance);
