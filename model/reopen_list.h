#pragma once
// The ten most recently opened or saved icon files and icon libraries, newest first, kept in
// "tavrin.cfg" (section "reopen", keys "0" to "9"). Loaded when made, written back when destroyed.
#include <array>

#include <QString>

#include "platform/ini_file.h"

class TReopenList {
public:
    static constexpr int Capacity = 10;

    TReopenList();
    // Reads the list from a given file (tests; the program uses "tavrin.cfg" of the settings folder).
    explicit TReopenList(const QString& configPath);
    ~TReopenList();
    TReopenList(const TReopenList&) = delete;
    TReopenList& operator=(const TReopenList&) = delete;

    // Puts a new path first; a path already present (letter case included) stays where it is.
    // With ten paths in use the oldest one falls off.
    void Add(const QString& path);
    // Takes a path out; later paths move up one place.
    void Remove(const QString& path);
    // The path at an index, or the empty string when the index is not in use.
    QString Get(int index) const;
    int Count() const { return Count_; }
    const QString& ConfigPath() const { return ConfigPath_; }

    // Writes the list; keys beyond its length get empty values. False (and the error text) when the
    // file could not be written.
    bool Write(QString* error = nullptr);

private:
    void Load();

    QString ConfigPath_;
    // The file as read when the list was made: it is read once, and written back with its other
    // lines kept.
    IniFile Ini_;
    int Count_ = 0;
    std::array<QString, Capacity> Items_;
};
