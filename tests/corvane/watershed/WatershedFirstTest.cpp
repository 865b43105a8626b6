#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "EngineTestSupport.h"
#include "watershed/Watershed.h"

using corvane::ModeNode;

namespace {

struct Histogram {
  blitz::Array<int32_t, 1> bins;
  int32_t firstModeNode = 0;
  int32_t endModeNode = 0;
  int32_t bestValleyNode = -1;
};
typedef ModeNode<Histogram> Node;
typedef std::array<Histogram, 6> Element;

blitz::Array<int32_t, 1> makeBins(std::vector<int32_t> counts, int base = 0) {
  blitz::Array<int32_t, 1> bins(blitz::Range(base, base + int(counts.size()) - 1));
  for (size_t i = 0; i < counts.size(); ++i) bins(base + int(i)) = counts[i];
  return bins;
}

// (peak, valley) of each mode that splitModes finds.
std::vector<std::pair<int, int>> modes(std::vector<int32_t> counts, float t, int base = 0) {
  std::vector<Node> nodes;
  corvane::splitModes(makeBins(counts, base), nodes, t);
  std::vector<std::pair<int, int>> result;
  for (const Node& n : nodes) result.emplace_back(n.peakIndex, n.valleyIndex);
  return result;
}

typedef std::vector<std::pair<int, int>> Modes;

TEST(SplitModes, ValleysBelowToleranceSplitAtTheirLowestBin) {
  EXPECT_EQ(modes({1, 3, 7, 4, 2}, 2.0f), (Modes{{2, -1}}));
  EXPECT_EQ(modes({1, 2, 3, 4}, 2.0f), (Modes{{3, -1}}));  // strictly rising
  EXPECT_EQ(modes({10, 6, 10}, 2.0f), (Modes{{0, -1}}));   // dip too shallow for t
  EXPECT_EQ(modes({4, 4, 4, 4}, 2.0f), (Modes{{0, -1}}));  // all equal
  EXPECT_EQ(modes({0, 0, 0}, 2.0f), (Modes{{0, -1}}));     // empty counts
  EXPECT_EQ(modes({2, 10, 4, 1, 3, 9, 2}, 2.0f), (Modes{{1, 3}, {5, -1}}));
  // Peak and valley indices are the histogram's own bin indices; plateaus take their first.
  EXPECT_EQ(modes({2, 10, 4, 1, 3, 9, 2}, 2.0f, 40), (Modes{{41, 43}, {45, -1}}));
  EXPECT_EQ(modes({0, 5, 5, 5, 0, 0, 5, 5}, 2.0f), (Modes{{1, 4}, {6, -1}}));
}

TEST(SplitModes, HistogramWithoutBinsStillGetsOneMode) {
  std::vector<Node> nodes;
  corvane::splitModes(blitz::Array<int32_t, 1>(), nodes, 2.0f);
  ASSERT_EQ(nodes.size(), 1u);
  EXPECT_EQ(nodes[0].valleyIndex, -1);
  EXPECT_EQ(corvane::binCount(blitz::Array<int32_t, 1>(), nodes[0].peakIndex), 0);
}

struct Level {
  Histogram overall;
  std::vector<Element> elements;
  std::vector<Node> nodes;

  explicit Level(std::vector<std::vector<int32_t>> channel2) : elements(channel2.size()) {
    overall.bins.reference(makeBins({42}));
    for (size_t i = 0; i < channel2.size(); ++i) {
      for (Histogram& h : elements[i]) h.bins.reference(makeBins({1}));
      elements[i][2].bins.reference(makeBins(channel2[i]));
    }
  }
  bool run(bool force, float stored, float t, ProgressRange range) {
    return corvane::watershedFirst(force, stored, t, overall, elements.begin(), elements.end(), 2,
                                   nodes, range);
  }
};

TEST(WatershedFirst, BuildsNodesPerChannelHistogram) {
  Level level({{8, 2, 6, 1, 10}, {3, 3}});
  EXPECT_TRUE(level.run(false, -1.0f, 2.0f, ProgressRange()));

  const std::vector<Node>& n = level.nodes;
  ASSERT_EQ(n.size(), 5u);
  // The head node refers to the overall histogram and ends with it.
  EXPECT_EQ(n[0].histogram, &level.overall);
  EXPECT_EQ(n[0].peakIndex, 0);
  EXPECT_EQ(n[0].peakCount, 42);
  EXPECT_EQ(n[0].valleyIndex, 256);
  EXPECT_EQ(n[0].valleyCount, 0);

  const Histogram& a = level.elements[0][2];
  EXPECT_EQ(a.firstModeNode, 1);
  EXPECT_EQ(a.endModeNode, 4);
  EXPECT_EQ(level.elements[1][2].firstModeNode, 4);
  EXPECT_EQ(level.elements[1][2].endModeNode, 5);
  EXPECT_EQ(level.elements[1][2].bestValleyNode, -1);  // one mode, no valley
  // Other channels are not this level's business.
  EXPECT_EQ(level.elements[0][1].endModeNode, 0);

  const int peaks[] = {0, 2, 4}, peakCounts[] = {8, 6, 10};
  const int valleys[] = {1, 3, 256}, valleyCounts[] = {2, 1, 0};
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(n[1 + k].histogram, &a);
    EXPECT_EQ(n[1 + k].peakIndex, peaks[k]);
    EXPECT_EQ(n[1 + k].peakCount, peakCounts[k]);
    EXPECT_EQ(n[1 + k].valleyIndex, valleys[k]);
    EXPECT_EQ(n[1 + k].valleyCount, valleyCounts[k]);
  }
  // Valley 1: peaks 8 and 10 reachable, 8 / 2; valley 3: same peaks, 8 / 1 wins.
  EXPECT_EQ(n[1].sidePeak, 8);
  EXPECT_EQ(n[1].peakDistance, 4);
  EXPECT_EQ(n[2].sidePeak, 8);
  EXPECT_EQ(n[2].peakDistance, 4);
  EXPECT_EQ(a.bestValleyNode, 2);
}

TEST(ChooseBestSplit, SidePeaksStopAtDeeperValleys) {
  // Modes A(0, 10) B(2, 4) C(4, 6) D(6, 9); valleys 1, 2, 3 deep.
  Level level({{10, 1, 4, 2, 6, 3, 9}});
  level.run(true, 0.0f, 1.5f, ProgressRange());
  const std::vector<Node>& n = level.nodes;
  ASSERT_EQ(n.size(), 5u);
  EXPECT_EQ(n[1].sidePeak, 9);  // A .. D, right walk crosses C
  EXPECT_EQ(n[1].peakDistance, 6);
  EXPECT_EQ(n[2].sidePeak, 4);  // left walk stops at A's deeper valley; right stops at C
  EXPECT_EQ(n[2].peakDistance, 2);
  EXPECT_EQ(n[3].sidePeak, 6);
  EXPECT_EQ(n[3].peakDistance, 2);
  EXPECT_EQ(level.elements[0][2].bestValleyNode, 1);
}

// A grid's worth of noisy histograms of varied ranges against a plain walk of the elements,
// for every worker count: node fields, node owners and the histograms' indices.
TEST(WatershedFirst, ManyElementsMatchAPlainWalk) {
  std::mt19937 rng(5);
  std::vector<std::vector<int32_t>> counts(3000);
  for (auto& c : counts) {
    c.resize(1 + rng() % 24);
    for (int32_t& v : c) v = int32_t(rng() % 40);
  }
  auto summary = [](const Level& level) {
    std::vector<int64_t> out;
    for (const Node& n : level.nodes)
      out.insert(
          out.end(),
          {n.peakIndex, n.peakCount, n.sidePeak, n.peakDistance, n.valleyCount, n.valleyIndex,
           n.histogram == &level.overall
               ? -1
               : int64_t(reinterpret_cast<const Element*>(n.histogram) - level.elements.data())});
    for (const Element& e : level.elements)
      out.insert(out.end(), {e[2].firstModeNode, e[2].endModeNode, e[2].bestValleyNode});
    return out;
  };
  Level plain(counts);
  plain.nodes.push_back(Node());
  plain.nodes[0].histogram = &plain.overall;
  plain.nodes[0].peakCount = 42;
  for (Element& e : plain.elements) {
    Histogram& h = e[2];
    h.firstModeNode = int32_t(plain.nodes.size());
    corvane::splitModes(h.bins, plain.nodes, 1.7f);
    h.endModeNode = int32_t(plain.nodes.size());
    for (int32_t k = h.firstModeNode; k < h.endModeNode; ++k) {
      plain.nodes[size_t(k)].histogram = &h;
      plain.nodes[size_t(k)].peakCount =
          corvane::binCount(h.bins, plain.nodes[size_t(k)].peakIndex);
    }
  }
  for (Node& n : plain.nodes) {
    n.valleyCount = n.valleyIndex == -1 ? 0 : corvane::binCount(n.histogram->bins, n.valleyIndex);
    if (n.valleyIndex == -1) n.valleyIndex = 256;
  }
  for (Element& e : plain.elements) corvane::chooseBestSplit(e[2], plain.nodes);

  const auto result = enginetest::expectSameForEveryWorkerCount([&] {
    Level level(counts);
    level.run(true, 0.0f, 1.7f, ProgressRange());
    return summary(level);
  });
  EXPECT_EQ(result, summary(plain));
}

// Several channels in one pass over the elements give each channel the list and indices its
// own pass gives, for every worker count; channels left out keep theirs.
TEST(WatershedFirst, ChannelsTogetherMatchOneByOne) {
  std::mt19937 rng(9);
  std::vector<Element> elements(2500);
  for (Element& e : elements) {
    for (Histogram& h : e) {
      std::vector<int32_t> c(1 + rng() % 18);
      for (int32_t& v : c) v = int32_t(rng() % 30);
      h.bins.reference(makeBins(c, int(rng() % 5)));
    }
  }
  Histogram overall;
  overall.bins.reference(makeBins({7}));
  auto summary = [&](const std::vector<Element>& es,
                     const std::array<std::vector<Node>, 6>& lists) {
    std::vector<int64_t> out;
    for (int c = 0; c < 6; ++c) {
      for (const Node& n : lists[c])
        out.insert(
            out.end(),
            {n.peakIndex, n.peakCount, n.sidePeak, n.peakDistance, n.valleyCount, n.valleyIndex,
             n.histogram == &overall
                 ? -1
                 : int64_t(reinterpret_cast<const Element*>(n.histogram) - es.data())});
      for (const Element& e : es)
        out.insert(out.end(), {e[c].firstModeNode, e[c].endModeNode, e[c].bestValleyNode});
    }
    return out;
  };
  std::vector<Element> single = elements;
  std::array<std::vector<Node>, 6> singleLists;
  for (int c : {1, 3, 4})
    corvane::watershedFirst(true, 0.0f, 1.6f, overall, single.begin(), single.end(), c,
                            singleLists[c], ProgressRange());
  const auto together = enginetest::expectSameForEveryWorkerCount([&] {
    std::vector<Element> es = elements;
    std::array<std::vector<Node>, 6> lists;
    std::vector<ProgressRange> ranges(3);
    corvane::watershedFirstChannels<Histogram>({1, 3, 4}, 1.6f, overall, es.begin(), es.end(),
                                               {&lists[1], &lists[3], &lists[4]}, ranges);
    return summary(es, lists);
  });
  EXPECT_EQ(together, summary(single, singleLists));
}

}  // namespace
