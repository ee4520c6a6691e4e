#pragma once
// The font families the text tool offers, as a person knows them: the font system may name one
// family several times, once per foundry ("Nimbus Sans [urw]", "Nimbus Sans [URW ]"), and the
// person installed "Nimbus Sans" once.
#include <QStringList>

// Each family once, by its plain name: a trailing " [foundry]" tag is dropped and repeats after
// the first are left out; the order of first appearance is kept.
QStringList PlainFontFamilies(const QStringList& families);
