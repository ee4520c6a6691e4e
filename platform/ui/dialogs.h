#pragma once
// Every message box, file dialog and colour dialog of the program goes through one service, so the
// windows never open a modal loop of their own and tests can answer in their place. The desktop
// service shows Qt's own (non-native) dialogs; tests install a scripted one.
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

#include "platform/color.h"

class QFileDialog;
class QWidget;

enum class TMsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class TMsgIcon { None, Information, Warning, Error, Question };
enum class TMsgResult { Ok, Cancel, Yes, No };

// One entry of a dialog filter: what the user reads and the patterns it stands for.
struct TFileFilter {
    QString Description;
    QStringList Patterns; // "*.ico", ...
};

// Parses a filter written as "description|pattern;pattern|description|pattern...".
QVector<TFileFilter> ParseFileFilter(const QString& filter);

// What a file dialog is asked for, and what it answers.
struct TFileDialogRequest {
    enum class Kind { OpenOne, OpenMany, Save };
    Kind DialogKind = Kind::OpenOne;
    QString Title;
    QString Filter;        // "description|patterns|..."
    int FilterIndex = 0;   // counts from 1; 0 means the first. Out: the filter chosen.
    QString DefaultExt;    // without the dot; added when the name typed has no extension
    QString InitialDir;
    QString FileName;      // In: the name proposed. Out: the (first) file chosen, absolute.
    QStringList Files;     // Out: every file chosen, absolute, in the dialog's order.
    bool OverwritePrompt = false;
    // The extension added to a bare name follows the filter chosen (its first pattern).
    bool DefaultExtFollowsFilter = false;
    // Called with the desktop's dialog before it shows, so the caller can add to it (a preview
    // pane beside the file list). Services that show no dialog of Qt's never call it.
    std::function<void(QFileDialog& dialog)> Extend;
};

class TDialogService {
public:
    virtual ~TDialogService() = default;

    virtual TMsgResult Message(QWidget* parent, const QString& text, const QString& caption, TMsgButtons buttons,
                               TMsgIcon icon) = 0;
    // True on OK, with the request's out fields filled in.
    virtual bool RunFileDialog(QWidget* parent, TFileDialogRequest& request) = 0;
    // True on OK with the colour chosen; Cancel leaves it unchanged.
    virtual bool PickColor(QWidget* parent, TColor& color) = 0;
    // A one-line text box with a prompt: true on OK with the text typed; Cancel leaves it unchanged.
    virtual bool InputText(QWidget* parent, const QString& caption, const QString& prompt, QString& text) = 0;
};

// The service in use: the one installed last, else the desktop's.
TDialogService& Dialogs();
// Installs a service (the caller keeps ownership); null puts the desktop's back.
void SetDialogService(TDialogService* service);

// Shorthands for the common boxes.
TMsgResult MessageBox(QWidget* parent, const QString& text, const QString& caption,
                      TMsgButtons buttons = TMsgButtons::Ok, TMsgIcon icon = TMsgIcon::None);
