#pragma once
// A dialog service for widget tests: it records every message box and file dialog it is asked
// for and answers from queues the test fills, so no modal loop ever opens.
#include <QDir>
#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <functional>
#include <initializer_list>

#include "platform/ui/dialogs.h"

class ScriptedDialogs : public TDialogService {
public:
    struct ShownMessage {
        QString Text;
        QString Caption;
        TMsgButtons Buttons;
    };

    ScriptedDialogs() { SetDialogService(this); }
    ~ScriptedDialogs() override { SetDialogService(nullptr); }

    // Answers for the message boxes, in order; an empty queue answers Ok, or No for Yes/No boxes,
    // or Cancel for Yes/No/Cancel and OK/Cancel boxes.
    QQueue<TMsgResult> MessageAnswers;
    // Answers for the file dialogs, in order: each fills the request (or returns false for Cancel).
    // An empty queue cancels.
    QQueue<std::function<bool(TFileDialogRequest&)>> FileAnswers;
    QQueue<TColor> ColorAnswers; // an empty queue cancels
    // Answers for the text boxes, in order; an empty queue cancels.
    QQueue<QString> TextAnswers;
    // The prompts of the text boxes shown so far, each as "caption: prompt [preset]".
    QStringList TextRequests;

    // Queues answers for the next message boxes.
    void Answer(std::initializer_list<TMsgResult> answers)
    {
        for (TMsgResult a : answers) MessageAnswers.enqueue(a);
    }

    QList<ShownMessage> Messages;
    QList<TFileDialogRequest> FileRequests;

    // The messages shown so far, each as "caption: text".
    QStringList Shown() const
    {
        QStringList out;
        for (const ShownMessage& m : Messages) out << m.Caption + QStringLiteral(": ") + m.Text;
        return out;
    }

    TMsgResult Message(QWidget*, const QString& text, const QString& caption, TMsgButtons buttons, TMsgIcon) override
    {
        Messages.append({text, caption, buttons});
        if (!MessageAnswers.isEmpty()) return MessageAnswers.dequeue();
        switch (buttons) {
        case TMsgButtons::Ok: return TMsgResult::Ok;
        case TMsgButtons::YesNo: return TMsgResult::No;
        default: return TMsgResult::Cancel;
        }
    }

    bool RunFileDialog(QWidget*, TFileDialogRequest& request) override
    {
        FileRequests.append(request);
        if (FileAnswers.isEmpty()) return false;
        return FileAnswers.dequeue()(request);
    }

    bool InputText(QWidget*, const QString& caption, const QString& prompt, QString& text) override
    {
        TextRequests << caption + QStringLiteral(": ") + prompt + QStringLiteral(" [") + text + QStringLiteral("]");
        if (TextAnswers.isEmpty()) return false;
        text = TextAnswers.dequeue();
        return true;
    }

    bool PickColor(QWidget*, TColor& color) override
    {
        if (ColorAnswers.isEmpty()) return false;
        color = ColorAnswers.dequeue();
        return true;
    }

    // A file-dialog answer choosing these files with this filter index.
    static std::function<bool(TFileDialogRequest&)> Choose(const QStringList& files, int filterIndex = 0)
    {
        return [files, filterIndex](TFileDialogRequest& r) {
            r.Files.clear();
            for (const QString& f : files) r.Files << QDir::cleanPath(QDir::current().absoluteFilePath(f));
            r.FileName = r.Files.value(0);
            if (filterIndex > 0) r.FilterIndex = filterIndex;
            return true;
        };
    }
};
