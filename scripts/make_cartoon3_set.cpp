// Writes the shipped cartoon preset: make_cartoon3_set <path of cartoon3.set>.
#include <cstdio>

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

#include "platform/save_file.h"
#include "scripts/cartoon3_preset.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <path of cartoon3.set>\n", argv[0]);
        return 2;
    }
    const std::vector<uint8_t> bytes = WriteCartoonOptions(ShippedCartoonPreset());
    QString error;
    if (!WriteFileAtomic(QString::fromLocal8Bit(argv[1]),
                         QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())), &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
