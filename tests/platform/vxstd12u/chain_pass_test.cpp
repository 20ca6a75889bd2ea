#include <gtest/gtest.h>

#include "tree_checks.h"
#include "vxstd12u/chainpass.h"
#include "vxstd12u/errors.h"

TEST(ChainPass, ComparesEndsInTheCallersFrameAndTurnsPiecesTheCallersWay) {
    const ccShapeTree::ChildList pieces{segment({0, 0}, {1, 0}), segment({3, 0}, {2, 0}),
                                        segment({0, 5}, {0, 6})};
    // As they are, the pieces lie 1 apart; halved, 0.5.
    EXPECT_EQ(cfChainOpenPieces(pieces, 0.75, ccChainSteps{}).size(), 3U);
    int turned = 0;
    const ccChainSteps halved{[](const ccVector<2>& p) { return ccVector<2>(p.x() / 2, p.y()); },
                              [&turned](const ccShape& piece) {
                                  ++turned;
                                  return ccPtrHandle_const<ccShape>(piece.reverse());
                              }};
    const ccShapeTree::ChildList joined = cfChainOpenPieces(pieces, 0.75, halved);
    ASSERT_EQ(joined.size(), 2U);
    const auto& chain = dynamic_cast<const ccContourTree&>(*joined[0]);
    EXPECT_EQ(chain.numChildren(), 2);
    EXPECT_FALSE(chain.isClosed());
    EXPECT_EQ(chain.endPoint(), ccVector<2>(3, 0));  // the second piece, turned round
    EXPECT_EQ(turned, 1);
    EXPECT_EQ(joined[1].get(), pieces[2].get());  // alone: the very piece

    EXPECT_THROW(cfChainOpenPieces({pieces[0], ccPtrHandle_const<ccShape>()}, 1, ccChainSteps{}),
                 ccBadPointer);
}
