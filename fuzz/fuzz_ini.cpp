// The settings files are read at every start; whatever they hold must never crash the reader.
#include <cstddef>
#include <cstdint>

#include "platform/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    IniFile ini{QString()};
    ini.SetText(QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)));
    const QStringList keys = ini.ReadSection(QStringLiteral("reopen"));
    for (const QString& key : keys) (void)ini.ReadInteger(QStringLiteral("reopen"), key, 0);
    ini.WriteString(QStringLiteral("reopen"), QStringLiteral("0"), QStringLiteral("C:\\a,b \"c\""));
    (void)ini.ReadString(QStringLiteral("Reopen"), QStringLiteral("0"));
    ini.EraseSection(QStringLiteral("reopen"));
    (void)ini.Text();
    return 0;
}
