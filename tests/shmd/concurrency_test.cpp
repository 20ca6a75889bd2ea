// Threads sharing the same models: every entry point is reentrant and shapes
// are immutable, so several threads featurizing, mapping, drawing, describing
// and archiving one set of models at once must each get exactly what a lone
// thread gets, and the reference counts they all touch must stay exact (a
// miscount frees a shape under another thread's feet, which the sanitizer
// builds report).
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "model_fixtures.h"
#include "shmd/inspect.h"
#include "vxdispc12u/graphiclist.h"

namespace {

using namespace fixtures;

// Everything one pass over a model produces, in forms that compare exactly.
struct Results {
    std::vector<ccFeaturelet> featurelets;
    std::vector<long> chainLengths;
    std::vector<unsigned char> archive;
    std::vector<unsigned char> mappedArchive;
    std::vector<ccFeaturelet> mappedFeaturelets;
    std::wstring description;
    std::string svg;
    std::string error;

    bool operator==(const Results& o) const {
        return featurelets == o.featurelets && chainLengths == o.chainLengths &&
               archive == o.archive && mappedArchive == o.mappedArchive &&
               mappedFeaturelets == o.mappedFeaturelets && description == o.description &&
               svg == o.svg && error == o.error;
    }
};

std::vector<unsigned char> archived(ConstShape shape) {
    std::vector<unsigned char> bytes;
    ccArchive out(bytes, ccArchive::eStoring);
    out || shape;
    return bytes;
}

std::vector<ccFeaturelet> featureletsOf(const ccShape& shape, std::vector<long>* chainLengths) {
    const auto set = ccShapeModel::features(shape, ccShapeModel::ccFeatureParams());
    if (chainLengths)
        for (long c = 0; c < set->numChains(); ++c) chainLengths->push_back(set->chainLength(c));
    return set->featurelets();
}

void compute(const ConstShape& model, Results& r) {
    r.featurelets = featureletsOf(*model, &r.chainLengths);
    r.archive = archived(model);
    const ccXform<2> mirror(ccMatrix<2>(-1, 0, 0, 1), ccVector<2>(3, -2));
    const ConstShape mapped = model->mapShape(mirror);
    r.mappedArchive = archived(mapped);
    r.mappedFeaturelets = featureletsOf(*mapped, nullptr);
    ccDrawShapeParams params;
    cfDescribeShape(*model, ccShapeModel::shapeModelProps(*model), {0}, params, r.description);
    ccGraphicList list;
    const ccGraphicProps positive(ccColor::redColor(), 1, ccGraphicProps::eSolid, true);
    const ccGraphicProps negative(ccColor::blueColor(), 2, ccGraphicProps::eDash, true);
    ccShapeModel::draw(list, *model, positive, negative, ccGraphicProps());
    r.svg = list.toSvg();
}

Results resultsOf(const ConstShape& model) {
    Results r;
    try {
        compute(model, r);
    } catch (const ccException& e) {
        r.error = e.what();
    }
    return r;
}

// Random model trees, plus trees that hold the same children more than once,
// so that one object is reached through several parents at the same time.
std::vector<ConstShape> sharedModels() {
    RandomTrees trees(20261206);
    std::vector<ConstShape> models;
    for (int i = 0; i < 6; ++i) models.push_back(trees.modelTree(3));
    models.push_back(model(general({models[0], models[1], models[0]}), reversed(2)));
    models.push_back(
        model(squareContour(5, {weight(1), reversed(), ignored(), weight(-1)}), weight(0.5)));
    return models;
}

TEST(Concurrency, ThreadsSharingModelsGetTheSingleThreadedResults) {
    std::vector<ConstShape> models = sharedModels();
    std::vector<Results> expected;
    for (const auto& m : models) {
        expected.push_back(resultsOf(m));
        ASSERT_EQ(expected.back().error, "") << "the models are meant to be valid";
    }

    constexpr int kThreads = 4;
    constexpr int kRounds = 3;
    std::atomic<int> ready{0};
    std::vector<std::vector<Results>> got(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        // Each thread takes its own copies of the handles; the main thread
        // drops its copies below, so the last thread done with a model frees it.
        threads.emplace_back([&, t, mine = models] {
            ready.fetch_add(1);
            while (ready.load() < kThreads) std::this_thread::yield();
            for (int round = 0; round < kRounds; ++round)
                for (std::size_t i = 0; i < mine.size(); ++i) {
                    // Each thread walks the models from a different start.
                    const ConstShape model = mine[(i + t) % mine.size()];
                    Results r = resultsOf(model);
                    if (round == 0)
                        got[t].push_back(std::move(r));
                    else if (!(r == got[t][i]))
                        got[t][i].error = "results changed between rounds";
                }
        });
    }
    models.clear();
    for (auto& th : threads) th.join();

    for (int t = 0; t < kThreads; ++t)
        for (std::size_t i = 0; i < expected.size(); ++i)
            EXPECT_TRUE(got[t][i] == expected[(i + t) % expected.size()])
                << "thread " << t << ", model " << (i + t) % expected.size();
}

}  // namespace
