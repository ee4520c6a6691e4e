// Writing icon library files (see icon_library_file.h).
#include "iconfiles/icon_library_file.h"

int32_t TIconLibraryWriter::WriteLibraryFile(const QString&, std::vector<TLibraryIcon>&)
{
    LastError = QStringLiteral("Not available yet.");
    return -1;
}
int32_t TIconLibraryWriter::BuildLibraryData(std::vector<TLibraryIcon>&, QByteArray&)
{
    LastError = QStringLiteral("Not available yet.");
    return -1;
}
