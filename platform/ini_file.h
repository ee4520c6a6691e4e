#pragma once
// A small INI reader and writer with the semantics of the Windows profile functions: section and
// key names compare case-insensitively, values are taken as they stand (trimmed, nothing unescaped),
// lines we do not understand are kept as they were. Paths with backslashes, commas, quotes or
// non-ASCII characters therefore come back exactly as written.
#include <QString>
#include <QStringList>

class IniFile {
public:
    // Settings files we write stay far below this; a larger file was not written by us (or was
    // damaged) and reads as an empty one, so the next write replaces it whole.
    static constexpr qint64 MaxFileSize = 1024 * 1024;

    // Loads the file when it exists; a missing or oversized file is an empty one.
    explicit IniFile(const QString& path);

    const QString& Path() const { return path_; }

    QString ReadString(const QString& section, const QString& key, const QString& defaultValue = QString()) const;
    // Decimal with optional sign, or hexadecimal after "$" or "0x"; anything else gives the default.
    int ReadInteger(const QString& section, const QString& key, int defaultValue) const;
    bool ReadBool(const QString& section, const QString& key, bool defaultValue) const;

    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int value);
    void WriteBool(const QString& section, const QString& key, bool value);

    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& key) const;
    QStringList ReadSection(const QString& section) const; // the keys, in file order
    void EraseSection(const QString& section);
    void DeleteKey(const QString& section, const QString& key);

    // Writes the content back (atomically). False with a text when that failed.
    bool UpdateFile(QString* error = nullptr);
    // Whether the content differs from what the file held when read or last written (an
    // oversized file counts as differing, so it gets rewritten).
    bool Modified() const { return modified_; }
    QString Text() const;
    void SetText(const QString& text);

private:
    // Index of the section header line, or -1; the section runs to the next header.
    int FindSection(const QString& section) const;
    int SectionEnd(int header) const;
    int FindKey(int header, const QString& key) const;

    QString path_;
    QStringList lines_;
    bool modified_ = false;
};

// A settings file that many windows read and write during a run ("position.cfg") is read once:
// every user of a path shares this one in-memory copy, and its owner writes it back, once, when
// the program ends (UpdateFile when Modified).
IniFile& SharedIniFile(const QString& path);
