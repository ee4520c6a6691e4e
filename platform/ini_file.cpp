#include "platform/ini_file.h"

#include <map>
#include <memory>

#include <QFile>

#include "platform/save_file.h"

namespace {

bool IsHeader(const QString& line, QString* name = nullptr)
{
    const QString t = line.trimmed();
    if (!t.startsWith(QLatin1Char('['))) return false;
    const int close = t.indexOf(QLatin1Char(']'));
    if (close < 0) return false;
    if (name) *name = t.mid(1, close - 1).trimmed();
    return true;
}

bool SplitKey(const QString& line, QString* key, QString* value)
{
    const int eq = line.indexOf(QLatin1Char('='));
    if (eq < 0) return false;
    if (line.trimmed().startsWith(QLatin1Char(';'))) return false;
    if (key) *key = line.left(eq).trimmed();
    if (value) *value = line.mid(eq + 1).trimmed();
    return true;
}

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// A line break inside a value would split it into two lines.
QString OneLine(const QString& value)
{
    QString v = value;
    v.replace(QLatin1Char('\r'), QLatin1Char(' '));
    v.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return v;
}

} // namespace

IniFile::IniFile(const QString& path) : path_(path)
{
    if (path.isEmpty()) return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return;
    // The size is checked before anything is read: a huge file costs nothing but the check.
    if (file.size() > MaxFileSize) {
        modified_ = true;
        return;
    }
    QByteArray data = file.read(MaxFileSize + 1);
    if (file.error() != QFileDevice::NoError) return;
    if (data.size() > MaxFileSize) { // grew while we read it
        modified_ = true;
        return;
    }
    if (data.startsWith("\xEF\xBB\xBF")) data.remove(0, 3);
    SetText(QString::fromUtf8(data));
    modified_ = false;
}

void IniFile::SetText(const QString& text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines_ = t.split(QLatin1Char('\n'));
    while (!lines_.isEmpty() && lines_.last().trimmed().isEmpty()) lines_.removeLast();
    modified_ = true;
}

QString IniFile::Text() const
{
    QString out;
    for (const QString& line : lines_) {
        out += line;
        out += QLatin1Char('\n');
    }
    return out;
}

int IniFile::FindSection(const QString& section) const
{
    QString name;
    for (int i = 0; i < lines_.size(); ++i)
        if (IsHeader(lines_[i], &name) && SameName(name, section.trimmed())) return i;
    return -1;
}

int IniFile::SectionEnd(int header) const
{
    int i = header + 1;
    while (i < lines_.size() && !IsHeader(lines_[i])) ++i;
    return i;
}

int IniFile::FindKey(int header, const QString& key) const
{
    if (header < 0) return -1;
    const int end = SectionEnd(header);
    QString k;
    for (int i = header + 1; i < end; ++i)
        if (SplitKey(lines_[i], &k, nullptr) && SameName(k, key.trimmed())) return i;
    return -1;
}

QString IniFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const
{
    const int line = FindKey(FindSection(section), key);
    if (line < 0) return defaultValue;
    QString value;
    SplitKey(lines_[line], nullptr, &value);
    return value;
}

int IniFile::ReadInteger(const QString& section, const QString& key, int defaultValue) const
{
    const QString text = ReadString(section, key, QString());
    if (text.isEmpty()) return defaultValue;
    bool ok = false;
    int value = 0;
    if (text.startsWith(QLatin1Char('$')))
        value = text.mid(1).toInt(&ok, 16);
    else if (text.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive))
        value = text.mid(2).toInt(&ok, 16);
    else
        value = text.toInt(&ok, 10);
    return ok ? value : defaultValue;
}

bool IniFile::ReadBool(const QString& section, const QString& key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    const QString entry = key.trimmed() + QLatin1Char('=') + OneLine(value);
    const int header = FindSection(section);
    const int line = FindKey(header, key);
    if (line >= 0 && lines_[line] == entry) return;
    modified_ = true;
    if (header < 0) {
        if (!lines_.isEmpty()) lines_.append(QString());
        lines_.append(QLatin1Char('[') + section.trimmed() + QLatin1Char(']'));
        lines_.append(entry);
        return;
    }
    if (line >= 0) {
        lines_[line] = entry;
        return;
    }
    // After the section's last non-blank line, so blank separators stay between sections.
    int insertAt = SectionEnd(header);
    while (insertAt > header + 1 && lines_[insertAt - 1].trimmed().isEmpty()) --insertAt;
    lines_.insert(insertAt, entry);
}

void IniFile::WriteInteger(const QString& section, const QString& key, int value)
{
    WriteString(section, key, QString::number(value));
}

void IniFile::WriteBool(const QString& section, const QString& key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool IniFile::SectionExists(const QString& section) const { return FindSection(section) >= 0; }

bool IniFile::ValueExists(const QString& section, const QString& key) const
{
    return FindKey(FindSection(section), key) >= 0;
}

QStringList IniFile::ReadSection(const QString& section) const
{
    QStringList keys;
    const int header = FindSection(section);
    if (header < 0) return keys;
    const int end = SectionEnd(header);
    QString k;
    for (int i = header + 1; i < end; ++i)
        if (SplitKey(lines_[i], &k, nullptr)) keys.append(k);
    return keys;
}

void IniFile::EraseSection(const QString& section)
{
    int header;
    while ((header = FindSection(section)) >= 0) {
        const int end = SectionEnd(header);
        lines_.erase(lines_.begin() + header, lines_.begin() + end);
        modified_ = true;
    }
}

void IniFile::DeleteKey(const QString& section, const QString& key)
{
    const int line = FindKey(FindSection(section), key);
    if (line < 0) return;
    lines_.removeAt(line);
    modified_ = true;
}

bool IniFile::UpdateFile(QString* error)
{
    if (!WriteFileAtomic(path_, Text().toUtf8(), error)) return false;
    modified_ = false;
    return true;
}

namespace {
std::map<QString, std::unique_ptr<IniFile>>& SharedFiles()
{
    static std::map<QString, std::unique_ptr<IniFile>> files;
    return files;
}
} // namespace

IniFile& SharedIniFile(const QString& path)
{
    std::unique_ptr<IniFile>& file = SharedFiles()[path];
    if (!file) file = std::make_unique<IniFile>(path);
    return *file;
}

