#include "platform/ui/dialogs.h"

#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace {

// Qt reads a filter's patterns from the last parenthesised group of its text; the program's own
// descriptions carry texts such as "All(*.ico, *.bmp, ...)" that must show as written. So each
// filter gets its real patterns appended in a group of their own, and the dialog hides that group.
QStringList QtNameFilters(const QVector<TFileFilter>& filters)
{
    QStringList out;
    for (const TFileFilter& f : filters)
        out << f.Description + QStringLiteral(" (") + f.Patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    return out;
}

// The extension of a filter's first pattern ("*.ico" gives "ico"); empty for "*" or "*.*".
QString ExtensionOfFilter(const TFileFilter& filter)
{
    if (filter.Patterns.isEmpty()) return QString();
    const QString& p = filter.Patterns.first();
    if (!p.startsWith(QStringLiteral("*."))) return QString();
    const QString ext = p.mid(2);
    if (ext.isEmpty() || ext.contains(QLatin1Char('*')) || ext.contains(QLatin1Char('?'))) return QString();
    return ext;
}

class DesktopDialogs final : public TDialogService {
public:
    TMsgResult Message(QWidget* parent, const QString& text, const QString& caption, TMsgButtons buttons,
                       TMsgIcon icon) override
    {
        QMessageBox box(parent);
        box.setWindowTitle(caption);
        box.setText(text);
        box.setTextFormat(Qt::PlainText);
        switch (icon) {
        case TMsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
        case TMsgIcon::Information: box.setIcon(QMessageBox::Information); break;
        case TMsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
        case TMsgIcon::Error: box.setIcon(QMessageBox::Critical); break;
        case TMsgIcon::Question: box.setIcon(QMessageBox::Question); break;
        }
        switch (buttons) {
        case TMsgButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
        case TMsgButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
        case TMsgButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
        case TMsgButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
        }
        const int answer = box.exec();
        switch (answer) {
        case QMessageBox::Ok: return TMsgResult::Ok;
        case QMessageBox::Yes: return TMsgResult::Yes;
        case QMessageBox::No: return TMsgResult::No;
        default:
            // Closing the box by its frame answers what Escape would.
            if (buttons == TMsgButtons::Ok) return TMsgResult::Ok;
            if (buttons == TMsgButtons::YesNo) return TMsgResult::No;
            return TMsgResult::Cancel;
        }
    }

    bool RunFileDialog(QWidget* parent, TFileDialogRequest& request) override
    {
        const QVector<TFileFilter> filters = ParseFileFilter(request.Filter);
        const QStringList nameFilters = QtNameFilters(filters);

        QFileDialog dialog(parent, request.Title);
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        dialog.setOption(QFileDialog::HideNameFilterDetails, true);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.OverwritePrompt);
        dialog.setSizeGripEnabled(true);
        switch (request.DialogKind) {
        case TFileDialogRequest::Kind::OpenOne:
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setFileMode(QFileDialog::ExistingFile);
            break;
        case TFileDialogRequest::Kind::OpenMany:
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setFileMode(QFileDialog::ExistingFiles);
            break;
        case TFileDialogRequest::Kind::Save:
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setFileMode(QFileDialog::AnyFile);
            break;
        }
        if (!nameFilters.isEmpty()) dialog.setNameFilters(nameFilters);
        const int index = (request.FilterIndex >= 1 && request.FilterIndex <= filters.size()) ? request.FilterIndex : 1;
        if (!nameFilters.isEmpty()) dialog.selectNameFilter(nameFilters[index - 1]);

        // With the details hidden Qt reports a filter by what its combo shows, the description
        // alone; the full name is matched too in case it does not.
        auto filterNumber = [&](const QString& chosen) {
            const int full = int(nameFilters.indexOf(chosen));
            if (full >= 0) return full + 1;
            for (int i = 0; i < filters.size(); ++i)
                if (filters[i].Description.simplified() == chosen.simplified()) return i + 1;
            return 0;
        };
        auto suffixFor = [&](int filterIndex) {
            if (request.DefaultExtFollowsFilter && filterIndex >= 1 && filterIndex <= filters.size()) {
                const QString ext = ExtensionOfFilter(filters[filterIndex - 1]);
                if (!ext.isEmpty()) return ext;
            }
            return request.DefaultExt;
        };
        dialog.setDefaultSuffix(suffixFor(index));
        if (request.DefaultExtFollowsFilter) {
            QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& chosen) {
                dialog.setDefaultSuffix(suffixFor(filterNumber(chosen)));
            });
        }

        if (!request.InitialDir.isEmpty()) dialog.setDirectory(request.InitialDir);
        if (!request.FileName.isEmpty()) dialog.selectFile(request.FileName);

        if (request.Extend) request.Extend(dialog);
        if (dialog.exec() != QDialog::Accepted) return false;
        const QStringList chosen = dialog.selectedFiles();
        if (chosen.isEmpty()) return false;
        request.Files.clear();
        for (const QString& f : chosen) request.Files << QFileInfo(f).absoluteFilePath();
        request.FileName = request.Files.first();
        const int picked = filterNumber(dialog.selectedNameFilter());
        if (picked > 0) request.FilterIndex = picked;
        return true;
    }

    bool PickColor(QWidget* parent, TColor& color) override
    {
        const QColor chosen =
            QColorDialog::getColor(ToQColor(color), parent, QString(), QColorDialog::DontUseNativeDialog);
        if (!chosen.isValid()) return false;
        color = FromQColor(chosen);
        return true;
    }

    bool InputText(QWidget* parent, const QString& caption, const QString& prompt, QString& text) override
    {
        bool ok = false;
        const QString typed = QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, text, &ok);
        if (ok) text = typed;
        return ok;
    }
};

TDialogService*& Installed()
{
    static TDialogService* service = nullptr;
    return service;
}

} // namespace

QVector<TFileFilter> ParseFileFilter(const QString& filter)
{
    QVector<TFileFilter> out;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        TFileFilter f;
        f.Description = parts[i];
        for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString t = p.trimmed();
            if (!t.isEmpty()) f.Patterns << t;
        }
        out << f;
    }
    return out;
}

TDialogService& Dialogs()
{
    static DesktopDialogs desktop;
    return Installed() ? *Installed() : desktop;
}

void SetDialogService(TDialogService* service) { Installed() = service; }

TMsgResult MessageBox(QWidget* parent, const QString& text, const QString& caption, TMsgButtons buttons, TMsgIcon icon)
{
    return Dialogs().Message(parent, text, caption, buttons, icon);
}
