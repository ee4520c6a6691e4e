#pragma once
// Where the program keeps its settings, working folders and read-only assets. Settings and working
// folders sit next to the executable when that folder is writable, otherwise in the per-user data
// folder; assets are always looked up next to the executable.
#include <QString>

namespace AppPaths {

QString ExecutableDir();
// Folder of "position.cfg", "tavrin.cfg" and the working folders.
QString SettingsDir();
QString SettingsFile(const QString& name);
// A read-only file or folder shipped next to the executable ("cartoon3.set", "frames").
QString AssetPath(const QString& name);
// The program's home page, shipped next to the executable.
QString HomePagePath();

// This run's own working folder under SettingsDir()/name ("history", "recycle", "tmplib"), created
// on first use and locked for the life of the process, so two running copies never touch each
// other's files. Folders left by runs that ended without cleaning up are removed on first use.
QString WorkFolder(const QString& name);
// Deletes this run's working folder of that name with everything in it.
void RemoveWorkFolder(const QString& name);

// Tests point everything (executable dir, settings, assets) at a folder of their own.
void SetBaseDirForTesting(const QString& dir);

} // namespace AppPaths
