// Reading icon resources out of PE and NE modules (see icon_resources.h).
#include "iconfiles/icon_resources.h"

QString Win1252ToString(const QByteArray& bytes) { return QString::fromLatin1(bytes); }
QByteArray StringToWin1252(const QString& text) { return text.toLatin1(); }
QString CutLibraryName(const QString& name) { return name.left(MaxLibraryNameBytes); }

int32_t TIconModuleReader::ReadLibrary(const QString&)
{
    Clear();
    LastError = QStringLiteral("Not available yet.");
    return -1;
}
int32_t TIconModuleReader::ReadLibraryData(const QByteArray&)
{
    Clear();
    return 0;
}
int32_t TIconModuleReader::ReadIconImages(int, std::vector<TModuleImage>& images)
{
    images.clear();
    return -1;
}
QByteArray TIconModuleReader::FormatBytes(const TModuleFormat&) const { return {}; }
TModuleKind TIconModuleReader::DetectModule(const ByteReader&) { return TModuleKind::None; }
void TIconModuleReader::ReadPeResources(const ByteReader&, uint32_t, TResourceList&) {}
void TIconModuleReader::ReadNeResources(const ByteReader&, uint32_t, TResourceList&) {}
int64_t TIconModuleReader::FindNeNamesTable(const ByteReader&) { return 0; }
void TIconModuleReader::ReadPascalStrings(const ByteReader&, QList<QByteArray>&, int64_t, int64_t) {}
void TIconModuleReader::Clear()
{
    Kind = TModuleKind::None;
    Icons.clear();
    NamesFromTable = false;
    file_.reset();
    data_.clear();
    bytes_ = ByteReader();
    rawCache_.clear();
}
