#pragma once
// The program's open and save dialogs for pictures and icons. Each keeps its settings between runs
// (the filter chosen last stays chosen) and runs through the dialog service, so tests answer in its
// place. When the desktop shows the dialog, a preview pane sits to the right of the file list: the
// selected picture, or every format of a selected icon stacked, with its size; a button (or a
// double click on the picture) opens it larger in a window of its own.
#include <QElapsedTimer>
#include <QFrame>
#include <QImage>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "workspace/dialogs/picture_dialog_preview.h"

class QDialog;
class QFileDialog;
class QLabel;
class QTimer;
class QToolButton;
class QWidget;

// A panel that shows its caption centred and never lets a painting failure escape: a failure
// turns the caption into "Invalid image".
class TSilentPaintPanel : public QFrame {
    Q_OBJECT
public:
    explicit TSilentPaintPanel(QWidget* parent = nullptr);
    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
};

// A picture stretched proportionally and centred in the widget; nothing is drawn while it has none. A double click is reported.
class TPreviewImage : public QWidget {
    Q_OBJECT
public:
    explicit TPreviewImage(QWidget* parent = nullptr);
    void SetPicture(const QImage& picture);
    const QImage& Picture() const { return picture_; }
    // The rectangle the picture is drawn in (empty without a picture).
    QRect PictureRect() const;

signals:
    void DoubleClicked();
    void PaintFailed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QImage picture_;
};

// The filter a picture dialog starts with: every picture type the preview reads.
QString DefaultPictureFilter();

class TOpenPictureDialogEx {
public:
    TOpenPictureDialogEx();
    virtual ~TOpenPictureDialogEx();
    TOpenPictureDialogEx(const TOpenPictureDialogEx&) = delete;
    TOpenPictureDialogEx& operator=(const TOpenPictureDialogEx&) = delete;

    QString Title;
    QString Filter;       // "description|pattern;pattern|..."; starts as DefaultPictureFilter()
    int FilterIndex = 0;  // counts from 1; 0 picks the first filter. Holds the filter chosen last.
    QString DefaultExt;   // without the dot
    bool AllowMultiSelect = false;
    bool OverwritePrompt = false;
    QString InitialDir;
    QString FileName;     // proposed before, chosen after (absolute)
    QStringList Files;    // every file chosen (absolute)

    // True on OK.
    virtual bool Execute(QWidget* parent);

    // The pane; these exist only while a desktop dialog shows.
    QPointer<QFrame> PicturePanel;
    QPointer<QLabel> PictureLabel;
    QPointer<QToolButton> PreviewButton;
    QPointer<TSilentPaintPanel> PaintPanel;
    QPointer<TPreviewImage> PaintBox;
    // The file whose preview is shown, so a repeated selection notice does not load it again.
    QString SavedFileName;

    // Builds the pane into a (non-native) file dialog beside its list and routes the dialog's
    // selection and close notices to it. The dialog service's desktop dialog calls this.
    void BuildPane(QFileDialog& dialog);
    // The pane as a dialog first shows: nothing previewed.
    void ShowNotice();
    // The dialog's selection moved to Name. The preview follows at once unless a load has just
    // finished, in which case it follows when the selection has stayed put for a moment: holding
    // an arrow key through a folder never queues one decode per step.
    void SelectionChange(const QString& name);
    // Shows Name's preview now (skipped when it is the file already shown).
    void UpdatePreview(const QString& name);
    // The large preview window, shown modally.
    virtual void PreviewClick();
    // The window PreviewClick shows, for callers that show it their own way.
    QDialog* MakePreviewForm(QWidget* parent);

    // The picture shown and its own size.
    const TPicturePreview& Preview() const { return preview_; }
    // How many files were loaded for the pane since it was built.
    int LoadCount() const { return loadCount_; }
    // True while a selection waits for its preview.
    bool PreviewPending() const;

    // A selection this soon after a load waits for the selection to settle.
    static constexpr int SettleMs = 80;

protected:
    bool Run(QWidget* parent, bool save);

private:
    QSize PaneBox() const;

    TPicturePreview preview_;
    QPointer<QTimer> settle_;
    QString pending_;
    QElapsedTimer sinceLoad_;
    int loadCount_ = 0;
};

class TSavePictureDialogEx : public TOpenPictureDialogEx {
public:
    bool Execute(QWidget* parent) override;
};
