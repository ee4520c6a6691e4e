#pragma once
// Helpers shared by the widget tests: formats to feed documents, texts of menus and lists, files
// written by hand, and a shown main window with its own settings folder and scripted dialogs.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolButton>
#include <QWidget>
#include <initializer_list>
#include <memory>

#include "imaging/icon_image.h"
#include "support/format_helpers.h"
#include "support/scripted_dialogs.h"
#include "support/test_support.h"
#include "app/app_windows.h"
#include "workspace/childwin.h"
#include "workspace/main_form.h"

// The texts of these actions, "-" for a separator.
inline QStringList ActionTexts(const QList<QAction*>& actions)
{
    QStringList out;
    for (QAction* a : actions) out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

// Saves what the widget shows as <name>.png in the folder TAVRIN_SHOTS names, when it names one
// (for looking at a window; no test depends on it).
inline void SaveShot(QWidget* w, const char* name)
{
    if (!qEnvironmentVariableIsSet("TAVRIN_SHOTS")) return;
    w->grab().save(qEnvironmentVariable("TAVRIN_SHOTS") + QStringLiteral("/") + QString::fromLatin1(name) +
                   QStringLiteral(".png"));
}

// A shown main window over a fresh settings folder, its dialogs scripted. Teardown drops every
// modified mark first, so closing asks nothing.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DocumentPeers() = TDocumentPeers{};
        main = std::make_unique<Tfrm_main>();
        main->show();
    }
    void TearDown() override
    {
        if (main)
            for (Tfrm_childwin* doc : main->Documents()) doc->Document().Modified = 0;
        AppWindows::FreeAll();
        main.reset();
        DocumentPeers() = TDocumentPeers{};
    }

    // A document window named `name` holding copies of these formats, made the active one.
    Tfrm_childwin* NewDocument(const QString& name, std::initializer_list<TIconImageRec> formats)
    {
        Tfrm_childwin* doc = main->CreateDocumentWindow();
        doc->Document().FileName = name;
        for (const TIconImageRec& f : formats) doc->AddImageFormat(f);
        doc->UpdateCaption();
        Activate(doc);
        return doc;
    }
    void Activate(Tfrm_childwin* doc)
    {
        main->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(doc->parentWidget()));
    }
    // The captions of the open documents, oldest first.
    QStringList Captions() const
    {
        QStringList out;
        for (Tfrm_childwin* doc : main->Documents()) out << doc->windowTitle();
        return out;
    }
    QStringList Recent() const
    {
        QStringList out;
        for (int i = 0; i < main->Reopen()->Count(); ++i) out << main->Reopen()->Get(i);
        return out;
    }
    QString Path(const QString& name) const { return appDir.FilePath(name); }

    ScopedAppDir appDir;
    ScriptedDialogs dialogs;
    std::unique_ptr<Tfrm_main> main;
};
