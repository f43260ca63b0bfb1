#pragma once

// Whole pictures for the damage corpus and the benchmark: each touches every group of
// records that the player handles.

#include <QByteArray>

namespace mv::test {

QByteArray KitchenSinkEmf();
QByteArray KitchenSinkWmf();
// A chart-like EMF of `shapes` groups of records (text, polygons, lines, fills, clips).
QByteArray DenseEmf(int shapes);

} // namespace mv::test
