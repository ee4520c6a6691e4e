#pragma once
// The program's open and save dialogs for pictures and icons. Each keeps its settings between runs
// of the dialog (the filter chosen last stays chosen) and runs through the dialog service.
#include <QString>
#include <QStringList>

class QWidget;

class TOpenPictureDialogEx {
public:
    virtual ~TOpenPictureDialogEx() = default;

    QString Title;
    QString Filter;       // "description|pattern;pattern|..."
    int FilterIndex = 0;  // counts from 1; 0 picks the first filter. Holds the filter chosen last.
    QString DefaultExt;   // without the dot
    bool AllowMultiSelect = false;
    bool OverwritePrompt = false;
    QString InitialDir;
    QString FileName;     // proposed before, chosen after (absolute)
    QStringList Files;    // every file chosen (absolute)

    // True on OK.
    virtual bool Execute(QWidget* parent);

protected:
    bool Run(QWidget* parent, bool save);
};

class TSavePictureDialogEx : public TOpenPictureDialogEx {
public:
    bool Execute(QWidget* parent) override;
};
