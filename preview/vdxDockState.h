// Saving and restoring toolbars, dock sites and forms in the settings store.
// Sizes are stored at 96 PPI. Missing, malformed, negative or huge values
// fall back to the current ones, and windows stay on a screen.
#pragma once
#include "platform/IniFile.h"

class QToolBar;
class TvdBaseForm;
class TvdxDockSite;

void vdxSaveToolbarState(TCustomIniFile *store, QToolBar *toolbar, double scale);
// Reads the section the save writes and scales its sizes to ppi.
void vdxRestoreToolbarState(TCustomIniFile *store, QToolBar *toolbar, int ppi);
void vdxSaveDockSiteState(TCustomIniFile *store, TvdxDockSite *site, double scale);
void vdxRestoreDockSiteState(TCustomIniFile *store, TvdxDockSite *site);
void vdxRestoreFormState(TCustomIniFile *store, TvdBaseForm *form, double scale);

// Upper-case hexadecimal, two digits per byte; decoding fails (false) on an
// odd length or a character that is not a hex digit.
QString vdxBytesToHex(const QByteArray &bytes);
bool vdxHexToBytes(const QString &hex, QByteArray &bytes);
