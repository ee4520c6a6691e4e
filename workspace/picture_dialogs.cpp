#include "workspace/picture_dialogs.h"

#include <QFileInfo>

#include "platform/ui/dialogs.h"

bool TOpenPictureDialogEx::Run(QWidget* parent, bool save)
{
    TFileDialogRequest request;
    request.DialogKind = save ? TFileDialogRequest::Kind::Save
                              : (AllowMultiSelect ? TFileDialogRequest::Kind::OpenMany : TFileDialogRequest::Kind::OpenOne);
    request.Title = Title;
    request.Filter = Filter;
    request.FilterIndex = FilterIndex;
    request.DefaultExt = DefaultExt;
    request.InitialDir = InitialDir;
    request.FileName = FileName;
    request.OverwritePrompt = OverwritePrompt;
    request.DefaultExtFollowsFilter = save;
    if (!Dialogs().RunFileDialog(parent, request)) return false;
    FilterIndex = request.FilterIndex;
    Files = request.Files;
    FileName = request.FileName;
    if (Files.isEmpty() && !FileName.isEmpty()) Files << FileName;
    if (!FileName.isEmpty()) InitialDir = QFileInfo(FileName).absolutePath();
    return true;
}

bool TOpenPictureDialogEx::Execute(QWidget* parent) { return Run(parent, false); }

bool TSavePictureDialogEx::Execute(QWidget* parent) { return Run(parent, true); }
