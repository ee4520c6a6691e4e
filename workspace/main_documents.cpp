// The main window's services that reach into the document windows. Until the document window
// joins the program no document can exist, so each of them answers "no document"; this file takes
// the real bodies in the same change that brings Tfrm_childwin.
#include "workspace/main_form.h"

Tfrm_childwin* Tfrm_main::ActiveDocument() const { return nullptr; }
TIconImageRec* Tfrm_main::ActiveImage() const { return nullptr; }
void Tfrm_main::RefreshActiveDocument() {}
int32_t Tfrm_main::ActiveColorType() const { return 5; }
void Tfrm_main::ToolChanged() {}
void Tfrm_main::PaletteChanged() {}
QList<Tfrm_childwin*> Tfrm_main::Documents() const { return {}; }
bool Tfrm_main::DocumentHasSelection(Tfrm_childwin*) { return false; }
void Tfrm_main::OpenFiles(const QStringList&) {}
void Tfrm_main::DirectEffect(TDirectEffect) {}
void Tfrm_main::FileNew1Execute() {}
void Tfrm_main::FileSave1Execute() {}
void Tfrm_main::FileSaveAs1Execute() {}
