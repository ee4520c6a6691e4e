#pragma once
// Icon properties (File > Icon Properties): the icon's file name, folder and size on disk, and one
// line per format. The main window makes one per use, hands it the active document and frees it
// after it closes.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>
#include <QStringList>

#include "imaging/icon_image.h"
#include "workspace/base_form.h"

class TDocumentModel;

// How the properties name a colour type: "2 Colors (1 bit)" .. "True Color + Alpha (32 bits)".
QString ColorTypeDescription(int32_t colorType);
// One line per format: "1. 16 x 16 16 Colors (4 bits)", numbered from 1.
QStringList IconFormatLines(const TIconImageArray& formats);
// The size of the icon's file on disk as "N bytes", or "Unknown" when the icon has never been
// saved (empty folder) or no regular file is there.
QString IconFileSizeText(const QString& folder, const QString& fileName);

class Tfrm_IconProperty : public Tfrm_base {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 391;
    static constexpr int ClientHeight = 316;

    explicit Tfrm_IconProperty(QWidget* parent = nullptr);

    // The document to describe; set before showing. Null shows nothing.
    const TDocumentModel* Document = nullptr;

    void setVisible(bool visible) override;
    void reject() override { accept(); }

    QLineEdit* edt_fileName = nullptr;
    QPlainTextEdit* mmo_location = nullptr;
    QLineEdit* edt_FileSize = nullptr;
    QListWidget* lst_formats = nullptr;
    QPushButton* btn_Ok = nullptr;

private:
    void FormShow();
};
