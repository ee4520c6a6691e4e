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

// Section and key names compare case-insensitively.
QString Folded(const QString& name) { return name.trimmed().toCaseFolded(); }

QString KeyId(const QString& foldedSection, const QString& key)
{
    return foldedSection + QLatin1Char('\n') + Folded(key);
}

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
    // A pipe or a device named as a settings file would block the start or never end: it counts
    // as no file at all.
    QFile file;
    if (!OpenRegularFile(path, file)) return;
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
    DropIndex();
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

void IniFile::BuildIndex() const
{
    sectionLines_.clear();
    keyLines_.clear();
    QString section;
    bool first = false; // in the first section of its name: later ones are never read
    QString name;
    for (int i = 0; i < lines_.size(); ++i) {
        if (IsHeader(lines_[i], &name)) {
            section = Folded(name);
            first = !sectionLines_.contains(section);
            if (first) sectionLines_.insert(section, i);
            continue;
        }
        if (!first || !SplitKey(lines_[i], &name, nullptr)) continue;
        const QString id = KeyId(section, name);
        if (!keyLines_.contains(id)) keyLines_.insert(id, i); // the first line of a key counts
    }
    indexed_ = true;
}

void IniFile::LinesInserted(int at, int count) const
{
    // Lines added at the end move nothing.
    if (!indexed_ || at + count >= lines_.size()) return;
    for (int& line : sectionLines_)
        if (line >= at) line += count;
    for (int& line : keyLines_)
        if (line >= at) line += count;
}

int IniFile::FindSection(const QString& section) const
{
    if (!indexed_) BuildIndex();
    return sectionLines_.value(Folded(section), -1);
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
    if (!indexed_) BuildIndex();
    QString name;
    if (!IsHeader(lines_[header], &name)) return -1;
    return keyLines_.value(KeyId(Folded(name), key), -1);
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
        if (indexed_) {
            sectionLines_.insert(Folded(section), int(lines_.size()) - 2);
            keyLines_.insert(KeyId(Folded(section), key), int(lines_.size()) - 1);
        }
        return;
    }
    if (line >= 0) {
        lines_[line] = entry; // the same key: the index holds
        return;
    }
    // After the section's last non-blank line, so blank separators stay between sections.
    int insertAt = SectionEnd(header);
    while (insertAt > header + 1 && lines_[insertAt - 1].trimmed().isEmpty()) --insertAt;
    lines_.insert(insertAt, entry);
    LinesInserted(insertAt, 1);
    if (indexed_) keyLines_.insert(KeyId(Folded(section), key), insertAt);
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
        DropIndex();
        modified_ = true;
    }
}

void IniFile::DeleteKey(const QString& section, const QString& key)
{
    const int line = FindKey(FindSection(section), key);
    if (line < 0) return;
    lines_.removeAt(line);
    DropIndex();
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

