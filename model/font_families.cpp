#include "model/font_families.h"

#include <QSet>

namespace {

// "Name [foundry]" -> "Name"; any other text is returned as it is.
QString WithoutFoundry(const QString& family)
{
    if (!family.endsWith(QLatin1Char(']'))) return family;
    const qsizetype open = family.lastIndexOf(QLatin1String(" ["));
    if (open <= 0 || family.indexOf(QLatin1Char('['), open + 2) >= 0) return family;
    return family.left(open).trimmed();
}

} // namespace

QStringList PlainFontFamilies(const QStringList& families)
{
    QStringList out;
    QSet<QString> seen;
    for (const QString& family : families) {
        const QString plain = WithoutFoundry(family);
        if (plain.isEmpty() || seen.contains(plain)) continue;
        seen.insert(plain);
        out << plain;
    }
    return out;
}
