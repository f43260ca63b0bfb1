#pragma once

// Whole pictures for the damage corpus and the benchmark: each touches every group of
// records that the player handles.

#include <QByteArray>

namespace mv::test {

QByteArray KitchenSinkEmf();
QByteArray KitchenSinkWmf();
// A chart-like EMF of `shapes` groups of records (text, polygons, lines, fills, clips).
QByteArray DenseEmf(int shapes);
// EMF+ records of every kind (objects of every type, some in pieces, drawing, text, images,
// clipping, transforms, containers); a dual file follows each EMF+ comment with EMF
// records, as its fallback would be.
QByteArray KitchenSinkEmfPlus(bool dual);
// The same chart as DenseEmf in EMF+ records, each group followed by its EMF fallback, as
// office documents write them.
QByteArray DenseEmfPlus(int shapes);

} // namespace mv::test
