#pragma once

#include <blitz/array.h>

#include <cstdint>
#include <vector>

#include "kestrum/utility/ProgressRange.h"
#include "util/Box.h"

namespace classification {

using LabelArray = blitz::Array<int32_t, 2>;

// Writes `value` into every element of `array` outside the inclusive `rect`.
void fillOutsideRect(const corvane::Box& rect, int32_t value, LabelArray& array);

// Turns the inner watershed's labels into the region map: pixels without a 4-neighbour of
// their own label join the majority label around them (or become -1 next to another such
// pixel), then the 4-connected components of equal values are numbered from 0 in raster order
// of their first pixel. `innerLabels` covers `domain` and a margin, which ends up -1;
// `regionMap` must cover `domain`. Returns the number of regions.
int32_t cleanUpRegionLabels(LabelArray& innerLabels, const corvane::Box& domain,
                            int32_t innerLabelCount, LabelArray& regionMap);

// Numbers the 4-connected components of equal values of `work` over `domain` from 0, in
// raster order of their first pixel, into `regionMap`; returns their number.
int32_t relabelComponents(const LabelArray& work, const corvane::Box& domain,
                          LabelArray& regionMap);

// For every region r of `regionMap` (values 0 .. regionCount - 1, -1 outside any region) the
// final label most of its pixels carry; among equal counts the one that reached the count
// first in storage order. Regions without pixels get 0.
void majorityPartitionTable(std::vector<int32_t>& table, int32_t regionCount,
                            const LabelArray& regionMap, const LabelArray& finalLabels,
                            ProgressRange progress);

// Replaces the final label of every pixel of a region by the region's majority label.
void remapByRegion(const std::vector<int32_t>& table, const LabelArray& regionMap,
                   LabelArray& finalLabels, ProgressRange progress);

}  // namespace classification
