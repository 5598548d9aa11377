// Automatic start values of a model from the data. Rows of weight 0 are left
// aside and the rest taken in time order. A baseline is estimated first, from
// the ends of the data (a straight line through the medians of the first and
// the last tenth; with exponentials in the model, the level of the last tenth
// alone), and taken out; then the exponentials are peeled off the tail
// (models/exp_family.h) and taken out; then the peaks are sought one by one in
// the lightly smoothed rest, largest first, each taken out before the next
// (models/peak_search.h), and each peak term starts from its peak's height,
// position and half width. Terms of one shape next to each other are ordered
// by position. A formula's parameters start at 1. O(n) in the rows (in time
// order already; otherwise sorting them costs n log n).
#ifndef VARO_MODELS_START_VALUES_H
#define VARO_MODELS_START_VALUES_H

#include <vector>

#include "models/data_file.h"
#include "models/model.h"

// One value per parameter of the model, always finite. Terms that use a
// domain (Model::DomainUsed) are taken on the x range of the rows of nonzero
// weight, as the fit driver takes them.
std::vector<double> ModelStartValuesFind(const Model &model, const DataRows &rows);

#endif
