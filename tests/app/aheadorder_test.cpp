// The qualities compressed ahead after a compression come in the order the arrows reach them: one
// click up before one click down, then two clicks each way, and so on to the ends of the range.
#include "codec/precompute.h"
#include "comparisonfixture.h"
#include "support/precomputeorder.h"

using namespace zavo;

namespace {

using zavotest::Bmp24;
using zavotest::Comparison;

TEST_F(Comparison, QualitiesAheadAreMadeOneStepUpBeforeOneStepDown) {
    // One worker, so that the order they are made in is the order they are taken in.
    main->SetPrecompute(std::make_unique<TPrecompute>(1));
    // Large enough that each quality takes far longer than a look at what is made.
    zavotest::WriteFile(dir + "/big.bmp", Bmp24(1600, 1200, 3));
    Load(dir + "/big.bmp");
    ASSERT_TRUE(errors.empty());
    ASSERT_EQ(mainview::srcjpeg->Quality(), 80);
    const std::vector<uint8_t> reach = {90, 70, 100, 60, 50, 40, 30, 20, 10, 1};
    EXPECT_EQ(zavotest::OrderMade(main->Precompute(), *mainview::srcjpeg, reach),
              std::vector<int>(reach.begin(), reach.end()));
}

}  // namespace
